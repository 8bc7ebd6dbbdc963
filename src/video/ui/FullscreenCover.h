#pragma once
// Whether the window the user works in covers a screen in fullscreen (X11).
// A window manager keeps the active fullscreen window above every window
// that is not active, so a window that must be seen there has to take the
// keyboard with it.

class QScreen;

namespace oculon::video::ui {

// True when the X11 window that has the keyboard is in fullscreen and lies
// on `screen`; false elsewhere (no X11, no such window, another screen).
bool activeFullscreenCovers(const QScreen& screen);

}  // namespace oculon::video::ui
