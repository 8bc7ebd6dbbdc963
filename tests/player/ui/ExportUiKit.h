#pragma once
// Answers to the exports' modal dialogs in the player's window tests: the
// compressor dialog and the save dialog, once they are up.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "gui/QtTestKit.h"

namespace oculon::player::test {

// Answers the save dialog with `file`, noting the name it proposed.
inline void answerSaveDialog(const std::string& file, QString* proposed = nullptr) {
    testsupport::onModal([=](QWidget& w) {
        auto* dialog = qobject_cast<QFileDialog*>(&w);
        ASSERT_NE(dialog, nullptr);
        if (proposed) *proposed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        dialog->selectFile(QString::fromStdString(file));
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

// Picks the compressor of `description` in the compressor dialog, then
// answers the save dialog with `file`.
inline void answerVideoDialogs(const QString& description, const std::string& file) {
    testsupport::onModal([=](QWidget& dialog) {
        auto* box = dialog.findChild<QComboBox*>("ComboBox1");
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(box->findText(description));
        answerSaveDialog(file);
        dialog.findChild<QPushButton*>("Button1")->click();
    });
}

}  // namespace oculon::player::test
