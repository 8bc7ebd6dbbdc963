// The two choice dialogs: texts in the user's language and what the caller
// reads back.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

}  // namespace
