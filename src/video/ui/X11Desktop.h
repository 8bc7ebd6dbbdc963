#pragma once
// What a call window needs to know of, and tell, an X11 desktop beyond what
// the toolkit offers: whether a fullscreen window would hide it, and the
// mark of a call that waits for the user. Each does nothing where the
// program does not run on X11.

class QScreen;
class QWindow;

namespace oculon::video::ui {

// True when the X11 window that has the keyboard is in fullscreen and lies
// on `screen`; false elsewhere (no X11, no such window, another screen).
// A window manager keeps the active fullscreen window above every window
// that is not active, so a window that must be seen there has to take the
// keyboard with it.
bool activeFullscreenCovers(const QScreen& screen);

// The window's call waits for the user (or no longer): it carries the
// urgency hint (WM_HINTS), which the toolkit does not set and which
// compositors that leave "demands attention" aside read (XWayland's), from
// before its map on and told once more once it is mapped; and the window
// manager's close of it is left aside unless it comes from the window's
// frame (its title bar's close button): a key meant for another window
// closes no call.
void markCalling(QWindow& window, bool calling);

}  // namespace oculon::video::ui
