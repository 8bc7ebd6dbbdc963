#pragma once
// What a call window needs to know of, and tell, an X11 desktop beyond what
// the toolkit offers: whether a fullscreen window would hide it, and the
// urgency hint. Each does nothing where the program does not run on X11.

class QScreen;
class QWindow;

namespace oculon::video::ui {

// True when the X11 window that has the keyboard is in fullscreen and lies
// on `screen`; false elsewhere (no X11, no such window, another screen).
// A window manager keeps the active fullscreen window above every window
// that is not active, so a window that must be seen there has to take the
// keyboard with it.
bool activeFullscreenCovers(const QScreen& screen);

// The urgency hint of the window (WM_HINTS), which the toolkit does not set:
// compositors that leave "demands attention" aside read it (XWayland's).
// Set on a window not mapped yet, it is there at the map and is told once
// more once the window is mapped, for as long as it stays set.
void setUrgencyHint(QWindow& window, bool urgent);

}  // namespace oculon::video::ui
