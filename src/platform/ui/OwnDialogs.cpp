#include "platform/ui/OwnDialogs.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace oculon::platform::ui {

namespace {

// The modal dialogs of `window` that are open. One that is hidden runs no
// loop and holds nothing up.
QList<QDialog*> openModalDialogsOf(const QWidget& window) {
    QList<QDialog*> dialogs = window.findChildren<QDialog*>();
    dialogs.removeIf([](const QDialog* d) { return d->windowModality() == Qt::NonModal || !d->isVisible(); });
    return dialogs;
}

void deleteLaterOnceNoneIsOpen(QWidget& window) {
    const QList<QDialog*> open = openModalDialogsOf(window);
    if (open.isEmpty()) {
        window.deleteLater();
        return;
    }
    // Looked at again once the dialog has gone, not while it goes: it may go
    // with the window, when the window's parent goes, and the window's
    // children are then half destroyed. What is queued for a window that
    // has gone is dropped with it.
    QObject::connect(open.front(), &QObject::destroyed, &window, [guarded = QPointer<QWidget>(&window)] {
        QTimer::singleShot(0, guarded, [guarded] {
            if (guarded) deleteLaterOnceNoneIsOpen(*guarded);
        });
    });
}

}  // namespace

void deleteLaterOnceItsDialogsHaveReturned(QWidget* window) { deleteLaterOnceNoneIsOpen(*window); }

void freeOnceItsDialogsHaveReturned(std::unique_ptr<QWidget> window) {
    if (window && !openModalDialogsOf(*window).isEmpty()) deleteLaterOnceNoneIsOpen(*window.release());
}

}  // namespace oculon::platform::ui
