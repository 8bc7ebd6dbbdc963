// The first start's language choice: four languages with German chosen, the
// answer of OK, none on Cancel or close.

#include "config/ui/sprachwahl.h"

#include <gtest/gtest.h>

#include "gui/QtTestKit.h"

namespace oculon::config::ui {
namespace {

using testsupport::onModal;

QRadioButton* radio(QWidget& d, int i) { return d.findChild<QRadioButton*>(QStringLiteral("radioButton%1").arg(i)); }
void press(QWidget& d, const char* name) { d.findChild<QPushButton*>(name)->click(); }

TEST(Sprachwahl, OffersFourLanguagesWithGermanChosen) {
    Tsprachwahl d;
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Sprache wählen / Choose your language"));
    const char* names[] = {"Deutsch", "English", "Français", "Nederlands"};
    for (int i = 0; i < kLanguageCount; ++i) {
        QRadioButton* b = radio(d, i);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromUtf8(names[i]));
        EXPECT_EQ(b->isChecked(), i == 0);
    }
    EXPECT_EQ(
        d.findChild<QLabel*>("Label1")->text(),
        QString::fromUtf8("Wählen Sie Ihre Sprache\nChoose your language\nChoisissez votre langue\nKies uw taal\n"));
    testsupport::screenshot(d, "sprachwahl");
}

TEST(Sprachwahl, OkReturnsTheCheckedLanguageCancelOrCloseNone) {
    onModal([](QWidget& d) { press(d, "BitBtn1"); });
    EXPECT_EQ(Tsprachwahl::ask(), std::optional<TSprachenTyp>(lang_de));
    for (int lang = 0; lang < kLanguageCount; ++lang) {
        onModal([lang](QWidget& d) {
            radio(d, lang)->click();
            press(d, "BitBtn1");
        });
        EXPECT_EQ(Tsprachwahl::ask(), std::optional<TSprachenTyp>(static_cast<TSprachenTyp>(lang)));
    }
    onModal([](QWidget& d) {
        radio(d, lang_fr)->click();
        press(d, "BitBtn2");
    });
    EXPECT_EQ(Tsprachwahl::ask(), std::nullopt);
    onModal([](QWidget& d) { d.close(); });
    EXPECT_EQ(Tsprachwahl::ask(), std::nullopt);
}

}  // namespace
}  // namespace oculon::config::ui
