#include "platform/ui/PlainMessageBox.h"

#include <memory>

namespace oculon::platform::ui {

QMessageBox* plainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                             QMessageBox::StandardButtons buttons, QWidget* parent) {
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

int execPlainMessage(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent,
                     QMessageBox::StandardButtons buttons) {
    const std::unique_ptr<QMessageBox> box(plainMessageBox(icon, title, text, buttons, parent));
    return box->exec();
}

void showPlainMessage(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent) {
    QMessageBox* box = plainMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

}  // namespace oculon::platform::ui
