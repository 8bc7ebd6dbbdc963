#include "config/ui/sprachwahl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <cstdlib>
#include <functional>

namespace oculon::config::ui {
namespace {

QRadioButton* radio(QWidget& d, int i) { return d.findChild<QRadioButton*>(QStringLiteral("radioButton%1").arg(i)); }
QPushButton* button(QWidget& d, const char* name) { return d.findChild<QPushButton*>(name); }

// Runs `act` on the modal dialog as soon as ask() has opened it.
void whenShown(std::function<void(Tsprachwahl&)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<Tsprachwahl*>(w); d && d->isVisible()) {
                act(*d);
                return;
            }
        }
        ADD_FAILURE() << "the language choice did not open";
        QApplication::exit(1);
    });
}

TEST(Sprachwahl, OffersFourLanguagesWithGermanChosen) {
    Tsprachwahl d;
    EXPECT_EQ(d.size(), QSize(628, 451));
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Sprache wählen / Choose your language"));
    const char* names[] = {"Deutsch", "English", "Français", "Nederlands"};
    for (int i = 0; i < kLanguageCount; ++i) {
        QRadioButton* b = radio(d, i);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromUtf8(names[i]));
        EXPECT_EQ(b->geometry(), QRect(4, 4 + 20 * i, 200, 17));
        EXPECT_EQ(b->isChecked(), i == 0);
    }
    const QString prompt = d.findChild<QLabel*>("Label1")->text();
    EXPECT_EQ(prompt, QString::fromUtf8(
                          "Wählen Sie Ihre Sprache\nChoose your language\nChoisissez votre langue\nKies uw taal\n"));
}

TEST(Sprachwahl, OkReturnsTheCheckedLanguage) {
    whenShown([](Tsprachwahl& d) { button(d, "BitBtn1")->click(); });
    EXPECT_EQ(Tsprachwahl::ask(), std::optional<TSprachenTyp>(lang_de));

    for (int lang = 0; lang < kLanguageCount; ++lang) {
        whenShown([lang](Tsprachwahl& d) {
            radio(d, lang)->click();
            button(d, "BitBtn1")->click();
        });
        EXPECT_EQ(Tsprachwahl::ask(), std::optional<TSprachenTyp>(static_cast<TSprachenTyp>(lang)));
    }
}

TEST(Sprachwahl, CancelOrCloseGivesNoAnswer) {
    whenShown([](Tsprachwahl& d) {
        radio(d, lang_fr)->click();
        button(d, "BitBtn2")->click();
    });
    EXPECT_EQ(Tsprachwahl::ask(), std::nullopt);

    whenShown([](Tsprachwahl& d) { d.close(); });
    EXPECT_EQ(Tsprachwahl::ask(), std::nullopt);
}

// With OCULON_SCREENSHOT=<file.png> set, shows the dialog on the real display
// and saves a picture of it (run it under Xvfb with QT_QPA_PLATFORM=xcb).
TEST(Sprachwahl, Screenshot) {
    const char* path = std::getenv("OCULON_SCREENSHOT");
    if (path == nullptr || *path == '\0') GTEST_SKIP() << "OCULON_SCREENSHOT not set";
    Tsprachwahl d;
    d.show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QDir().mkpath(QFileInfo(QString::fromLocal8Bit(path)).absolutePath());
    ASSERT_TRUE(d.grab().save(QString::fromLocal8Bit(path), "PNG"));
}

}  // namespace
}  // namespace oculon::config::ui

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
