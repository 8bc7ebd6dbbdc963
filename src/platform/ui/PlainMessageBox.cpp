#include "platform/ui/PlainMessageBox.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>

#include <memory>

namespace oculon::platform::ui {

namespace {

// What the window manager's title bar holds besides the title: the window's
// icon and its buttons, with their spacing.
constexpr int kTitleBarExtras = 140;

// A box only as wide as its short text would have its title cut on the
// window manager's title bar ("Korva... culon"): the box is made wide enough
// for the title.
void widenForTitle(QMessageBox& box, const QString& title) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    QFont bold = box.font();
    bold.setBold(true);
    const int width = QFontMetrics(bold).horizontalAdvance(title) + kTitleBarExtras;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

QMessageBox* plainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                             QMessageBox::StandardButtons buttons, QWidget* parent) {
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    widenForTitle(*box, title);
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
