#include "platform/ui/OwnDialogs.h"

#include <QDialog>
#include <QWidget>

namespace oculon::platform::ui {

namespace {

// Without `going`, a dialog that is being destroyed and is still a child.
QList<QDialog*> modalDialogsOf(const QWidget& window, const QObject* going = nullptr) {
    QList<QDialog*> dialogs = window.findChildren<QDialog*>();
    dialogs.removeIf([going](const QDialog* d) { return d == going || d->windowModality() == Qt::NonModal; });
    return dialogs;
}

void deleteLaterOnceNoneIsOpen(QWidget* window, const QObject* going) {
    const QList<QDialog*> open = modalDialogsOf(*window, going);
    if (open.isEmpty()) {
        window->deleteLater();
        return;
    }
    QObject::connect(open.front(), &QObject::destroyed, window,
                     [window](QObject* gone) { deleteLaterOnceNoneIsOpen(window, gone); });
}

}  // namespace

void deleteLaterOnceItsDialogsHaveReturned(QWidget* window) { deleteLaterOnceNoneIsOpen(window, nullptr); }

void freeOnceItsDialogsHaveReturned(std::unique_ptr<QWidget> window) {
    if (window && !modalDialogsOf(*window).isEmpty()) deleteLaterOnceNoneIsOpen(window.release(), nullptr);
}

}  // namespace oculon::platform::ui
