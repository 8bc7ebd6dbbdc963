#pragma once
// What a call window asks of a Wayland compositor beyond what the toolkit
// offers: to be activated while another program has the keyboard. The
// toolkit asks only with a token of a window of ours that has the keyboard;
// the compositor gives a token without one too, and then decides itself
// (sway marks the window urgent). Does nothing where the program does not
// run natively on Wayland.

class QWindow;

namespace oculon::video::ui {

// Asks the compositor to activate `window`, which must be on the screen
// (mapped) already for the compositor to take the request.
void requestActivationFromOutside(QWindow& window);

}  // namespace oculon::video::ui
