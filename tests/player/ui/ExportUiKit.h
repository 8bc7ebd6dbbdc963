#pragma once
// Answers to the exports' modal dialogs in the player's window tests: the
// compressor dialog and the save dialog, once they are up.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <functional>
#include <string>
#include <vector>

#include "gui/QtTestKit.h"

namespace oculon::player::test {

// Answers the save dialog with `file`, noting the name it proposed and the
// file types it offers; `closed` runs once it is answered, before the player
// goes on (where a window manager makes the player active again).
inline void answerSaveDialog(const std::string& file, QString* proposed = nullptr, QStringList* types = nullptr,
                             std::function<void()> closed = {}) {
    testsupport::onModal([=](QWidget& w) {
        auto* dialog = qobject_cast<QFileDialog*>(&w);
        ASSERT_NE(dialog, nullptr);
        if (proposed) *proposed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        if (types) *types = dialog->nameFilters();
        // Typed into the name field as a user does. selectFile() would leave
        // the field alone once it has the focus, which the dialog's
        // activation gives it sooner or later than this handler runs.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(file));
        ASSERT_TRUE(dialog->selectedFiles().value(0).startsWith(QString::fromStdString(file)));
        QMetaObject::invokeMethod(dialog, "accept");
        if (closed) closed();
    });
}

// Picks the compressor of `description` in the compressor dialog, noting the
// entries listed and the one selected first, then answers the save dialog
// with `file` (see answerSaveDialog for `closed`).
inline void answerVideoDialogs(const QString& description, const std::string& file,
                               std::vector<std::string>* listed = nullptr, std::function<void()> closed = {}) {
    testsupport::onModal([=](QWidget& dialog) {
        auto* box = dialog.findChild<QComboBox*>("ComboBox1");
        ASSERT_NE(box, nullptr);
        for (int i = 0; listed && i < box->count(); ++i)
            listed->push_back((i == box->currentIndex() ? "*" : "") + box->itemText(i).toStdString());
        box->setCurrentIndex(box->findText(description));
        answerSaveDialog(file, nullptr, nullptr, closed);
        dialog.findChild<QPushButton*>("Button1")->click();
    });
}

}  // namespace oculon::player::test
