// The two choice dialogs: texts in the user's language and what the caller
// reads back.

#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <gtest/gtest.h>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "player/ui/ChoiceDialogs.h"

using namespace oculon;
using player::ui::TvideoCodecChoose;
using player::ui::TvideoWaehl;
using testsupport::onModal;

namespace {

void press(QWidget& dialog, const char* name) { dialog.findChild<QPushButton*>(name)->click(); }

TEST(ChoiceDialogs, ServerChoiceTextsAndTheIndexOnOkOnly) {
    config::sprache = config::lang_de;
    {
        TvideoWaehl dialog;
        dialog.show();
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Videoserver wählen");
        EXPECT_EQ(dialog.findChild<QLabel*>("serverWahlPanel")->text().toStdString(), "  Videoserver wählen");
        EXPECT_FALSE(dialog.serverBox().isEditable());
        EXPECT_TRUE(dialog.findChild<QPushButton*>("OKBtn")->isDefault());
        EXPECT_EQ(dialog.findChild<QPushButton*>("CancelBtn")->text(), "Abbrechen");
    }
    onModal([](QWidget& w) {
        auto* box = w.findChild<QComboBox*>("serverBox");
        EXPECT_EQ(box->currentIndex(), 0);
        box->setCurrentIndex(2);
        press(w, "OKBtn");
    });
    EXPECT_EQ(TvideoWaehl::choose({"Front", "Yard", "Garage"}), 2);
    onModal([](QWidget& w) { press(w, "CancelBtn"); });
    EXPECT_EQ(TvideoWaehl::choose({"Front"}), std::nullopt);
}

TEST(ChoiceDialogs, CodecChoiceTypedTextIsNoChoice) {
    config::sprache = config::lang_en;
    TvideoCodecChoose dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Choose Video-codec");
    EXPECT_EQ(dialog.findChild<QLabel*>("Panel1")->text(), "  Choose Video-codec");
    EXPECT_EQ(dialog.findChild<QPushButton*>("Button2")->text(), "Cancel");  // not German in an English window
    EXPECT_EQ(dialog.ComboBox1().currentText(), "Video Codec");
    EXPECT_EQ(dialog.selectedIndex(), -1);
    dialog.ComboBox1().addItem("Motion JPEG");
    dialog.ComboBox1().addItem("MPEG-4 part 2");
    dialog.ComboBox1().setCurrentIndex(1);
    EXPECT_EQ(dialog.selectedIndex(), 1);
    dialog.ComboBox1().lineEdit()->setText("my own codec");
    EXPECT_EQ(dialog.selectedIndex(), -1);
}

TEST(ChoiceDialogs, CodecChoiceShowsTheStartOfALongName) {
    config::sprache = config::lang_en;
    TvideoCodecChoose dialog;
    QComboBox& box = dialog.ComboBox1();
    box.clear();
    box.addItem("MPEG-4 AVC / MPEG-4 part 10 with a long tail that the box cannot hold");
    box.addItem("Motion JPEG with another long tail that the box cannot hold at all");
    box.setCurrentIndex(0);
    dialog.show();
    QLineEdit& edit = *box.lineEdit();
    ASSERT_GT(edit.fontMetrics().horizontalAdvance(edit.text()), edit.width());
    const auto startShown = [&] {
        return edit.cursorPosition() == 0 && edit.inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 10;
    };
    EXPECT_TRUE(startShown());
    box.setCurrentIndex(1);  // as a pick from the list
    EXPECT_TRUE(startShown());
    // Entered with the keyboard, the text is selected and still shows its start.
    dialog.findChild<QPushButton*>("Button2")->setFocus();
    QFocusEvent tab(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&edit, &tab);
    EXPECT_EQ(edit.selectedText(), edit.text());
    EXPECT_TRUE(startShown());

    // The pointer resting on the box shows the whole name.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseMove(dialog.windowHandle(), box.geometry().center());
    ASSERT_TRUE(testsupport::pumpUntil([] { return QToolTip::isVisible(); }, std::chrono::seconds(5)));
    EXPECT_EQ(QToolTip::text(), box.itemText(1));
    box.lineEdit()->setText("<b>typed</b>");
    EXPECT_EQ(box.toolTip().toStdString(), "<p style='white-space:pre'>&lt;b&gt;typed&lt;/b&gt;</p>");
}

TEST(ChoiceDialogs, CodecChoiceOkWithANameNotInstalledSaysSoAndStaysOpen) {
    for (const auto language : {config::lang_de, config::lang_en, config::lang_fr, config::lang_nl}) {
        config::sprache = language;
        TvideoCodecChoose dialog;
        dialog.ComboBox1().addItem("Motion JPEG");
        dialog.ComboBox1().addItem("MPEG-4 part 2");
        dialog.show();
        dialog.ComboBox1().lineEdit()->setText("H.265");
        {
            testsupport::BoxAnswerer answer(QMessageBox::Ok);
            press(dialog, "Button1");
            ASSERT_EQ(answer.texts.size(), 1u);
            EXPECT_EQ(answer.texts[0], config::text(config::txtCodecNotInstalled, language) + "\nH.265");
        }
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        // A listed name typed in another case picks its entry.
        dialog.ComboBox1().lineEdit()->setText(" mpeg-4 PART 2");
        press(dialog, "Button1");
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), config::ui::mrOK);
        EXPECT_EQ(dialog.selectedIndex(), 1);
    }
    // With no compressor at all, OK says so too; Cancel closes.
    TvideoCodecChoose empty;
    empty.show();
    {
        testsupport::BoxAnswerer answer(QMessageBox::Ok);
        press(empty, "Button1");
        EXPECT_EQ(answer.texts, std::vector<std::string>{config::tr(config::txtCodecNotInstalled) + "\nVideo Codec"});
    }
    EXPECT_TRUE(empty.isVisible());
    press(empty, "Button2");
    EXPECT_FALSE(empty.isVisible());
}

}  // namespace
