#pragma once
// A window must outlive the modal dialogs it opened: each runs a loop of its
// own, and the code that opened it waits below on the stack, holding the
// dialog and the window. A window that goes while one is open (a call that
// ends, the program's end) is freed once they have returned. Only dialogs
// that are shown count: a hidden one runs no loop. A window that goes with
// its parent in the meantime is not touched again.

#include <memory>

class QWidget;

namespace oculon::platform::ui {

// Frees `window` at the next event, or, while it has a modal dialog open,
// once the last of them has returned.
void deleteLaterOnceItsDialogsHaveReturned(QWidget* window);
// Frees `window` at once, or, while it has a modal dialog open, once the
// last of them has returned.
void freeOnceItsDialogsHaveReturned(std::unique_ptr<QWidget> window);

}  // namespace oculon::platform::ui
