#pragma once
// Answers to the exports' modal dialogs in the player's window tests: the
// compressor dialog and the save dialog, once they are up.

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <string>
#include <vector>

#include "gui/QtTestKit.h"
#include "video/ui/FileChooser.h"

namespace oculon::player::test {

// Answers the save dialog with `file`, typed into its name field as a user
// does, noting the name it proposed and the file types it offers; `closed`
// runs once it is answered, before the player goes on (where a window
// manager makes the player active again).
inline void answerSaveDialog(const std::string& file, QString* proposed = nullptr, QStringList* types = nullptr,
                             std::function<void()> closed = {}) {
    testsupport::onModal([=](QWidget& w) {
        const QPointer<video::ui::FileChooser> dialog = qobject_cast<video::ui::FileChooser*>(&w);
        ASSERT_NE(dialog, nullptr);
        auto& name = testsupport::child<QLineEdit>(*dialog, "fileNameEdit");
        if (proposed) *proposed = name.text();
        auto& filters = testsupport::child<QComboBox>(*dialog, "fileTypeCombo");
        for (int i = 0; types && i < filters.count(); ++i) types->append(filters.itemText(i));
        ASSERT_TRUE(testsupport::pumpUntil([&] { return dialog->isActiveWindow(); }));
        name.setFocus();
        name.selectAll();
        QTest::keyClicks(&name, QString::fromStdString(file));
        QTest::keyClick(&name, Qt::Key_Return);
        // Chosen once the worker has looked at the file.
        ASSERT_TRUE(testsupport::pumpUntil([&] { return !dialog || !dialog->isVisible(); }));
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
