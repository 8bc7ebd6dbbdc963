// The main form without worker threads: the tray menu and its fallback
// window, Pause, the about box that hides when closed, and the close that
// keeps the popup's position.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QLabel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/ui/copyright.h"
#include "settings/ui/konfigForm.h"
#include "config/sprachen.h"
#include "video/ui/ueberwachungUnit.h"

using namespace oculon;

namespace {

class Tray : public ::testing::Test {
protected:
    Tray() {
        config::sprache = config::lang_en;
        settings.schreibeFensterKoordinaten({-40, 99999, 300, 400});
    }
    app::ui::Tcopyright& form() {
        if (!form_) {
            app::ui::Tcopyright::Options options;
            options.startWorkers = false;
            options.splashTime = std::chrono::milliseconds(400);
            form_ = std::make_unique<app::ui::Tcopyright>(settings, nullptr, options);
        }
        return *form_;
    }
    // With no station the first showing would open the settings dialog.
    void addStation() {
        config::TSingleConfig station;
        station.Name = "Door";
        settings.addConfig(station);
    }

    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    std::unique_ptr<app::ui::Tcopyright> form_;
};

TEST_F(Tray, MenuCarriesTheCatalogueTextsInOrder) {
    QStringList texts;
    for (QAction* a : form().trayMenu().actions()) {
        if (a->isVisible()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    EXPECT_EQ(texts.join('|').toStdString(), "Info|-|Suspend|Recordings...|Show video|Configure|-|Close");
    EXPECT_TRUE(form().Pause1().isCheckable());
    EXPECT_FALSE(form().isVisible());
}

TEST_F(Tray, ConfigureOpensOneSettingsDialogWhoseLanguageTheMenuTakesAfterOk) {
    form().Konfiguration1().trigger();
    settings::ui::TkonfigForm* dialog = form().konfigForm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    form().Konfiguration1Click();
    EXPECT_EQ(form().konfigForm(), dialog);
    auto* languages = dialog->findChild<QComboBox*>("sprachBox");
    languages->setCurrentIndex(config::lang_de);
    emit languages->activated(config::lang_de);
    dialog->okButtonClick();
    EXPECT_EQ(form().konfigForm(), nullptr);
    EXPECT_EQ(config::sprache, config::lang_de);
    config::TSprachenTyp stored = config::lang_en;
    EXPECT_TRUE(settings.liesSprache(stored));
    EXPECT_EQ(stored, config::lang_de);
    EXPECT_EQ(form().Konfiguration1().text(), "Konfigurieren");
    // With an administrator password the dialog opens only for it.
    config::sprache = config::lang_en;
    settings.storePasswd("admin");
    QTimer::singleShot(100, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* prompt = qobject_cast<QDialog*>(w); prompt && prompt->isVisible()) prompt->reject();
    });
    form().Konfiguration1Click();
    EXPECT_EQ(form().konfigForm(), nullptr);
    EXPECT_FALSE(form().dispatch().gesperrt());
}

TEST_F(Tray, WithoutANotificationAreaASmallWindowCarriesTheMenu) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
    QWidget* fallback = form().fallbackWindow();
    ASSERT_NE(fallback, nullptr);
    EXPECT_TRUE(fallback->isVisible());
    auto* button = fallback->findChild<QToolButton*>("menuButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->menu(), &form().trayMenu());
    // Closing it only minimises it: it is the way back into the program.
    fallback->close();
    EXPECT_TRUE(fallback->isVisible());
    EXPECT_FALSE(form().closed());
}

TEST_F(Tray, PauseKeepsCallsAway) {
    form().Pause1().trigger();
    EXPECT_TRUE(form().dispatch().paused());
    form().Pause1().trigger();
    EXPECT_FALSE(form().dispatch().paused());
}

TEST_F(Tray, AboutBoxShowsTheGreenLampAndHidesWhenClosed) {
    form().Info1Click();
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().findChild<QLabel*>("gruenImg")->isVisible());
    EXPECT_FALSE(form().findChild<QLabel*>("rotGelbImg")->isVisible());
    EXPECT_NE(form().windowTitle().toStdString().find(" V 1.0.0"), std::string::npos);
    form().close();
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(form().closed());
}

TEST_F(Tray, StartPutsThePopupOnTheDesktopAndCloseKeepsIt) {
    form();
    const auto stored = settings.fensterKoordinaten();
    EXPECT_EQ(stored.top, 0);
    EXPECT_LT(stored.left, 99999);
    int closedCount = 0;
    QObject::connect(&form(), &app::ui::Tcopyright::closedForGood, [&] { ++closedCount; });
    form().Beenden1Click();
    EXPECT_EQ(closedCount, 1);
    EXPECT_TRUE(form().closed());
    EXPECT_TRUE(form().workersStopped());
    EXPECT_EQ(settings.fensterKoordinaten(), stored);
    // A second close is no second tear-down.
    form().Beenden1Click();
    EXPECT_EQ(closedCount, 1);
}

TEST_F(Tray, SurveillanceBringsUpTheWallWhoseDoorFrameSendsThroughTheChannel) {
    settings.schreibeSurveillance(true);
    settings.schreibeUeberwachungKoordinaten({10, 20, 480, 640});
    video::ui::TueberwachungForm* wall = form().wall();
    ASSERT_NE(wall, nullptr);
    EXPECT_TRUE(wall->isVisible());
    EXPECT_TRUE(wall->mainVideoFrame1.sendFunction);
    EXPECT_TRUE(wall->mainVideoFrame1.sendFunctionLindavor);
    wall->move(33, 44);
    form().Beenden1Click();
    EXPECT_EQ(form().wall(), nullptr);
    EXPECT_EQ(settings.ueberwachungKoordinaten().left, 33);
}

void pumpFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

TEST_F(Tray, OnlyTheSplashHidesItself) {
    addStation();
    form().showSplash();
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().findChild<QLabel*>("rotGelbImg")->isVisible());
    QElapsedTimer clock;
    clock.start();
    while (form().isVisible() && clock.elapsed() < 3000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_FALSE(form().isVisible());
    EXPECT_GE(clock.elapsed(), 350);
    // A later showing is the about box: it stays.
    form().Info1Click();
    pumpFor(700);
    EXPECT_TRUE(form().isVisible());
}

TEST_F(Tray, AboutBoxStaysWhenNoSplashCameBefore) {
    addStation();
    form().Info1Click();
    pumpFor(700);
    EXPECT_TRUE(form().isVisible());
    // Info while the splash shows keeps the box too.
    form().hide();
    form().showSplash();
    form().Info1Click();
    pumpFor(700);
    EXPECT_TRUE(form().isVisible());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName("Korvat Oculon");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
