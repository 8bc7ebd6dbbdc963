// The main form without worker threads: the tray menu and its fallback
// window, Pause, the settings dialog, the about box that stays and the
// splash that hides itself, the wall, and the close that keeps the popup's
// and the wall's places; a later start brings the menu window back.

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <map>
#include <set>

#include "app/TrayRules.h"
#include "app/ui/ToolkitLanguage.h"
#include "app/ui/TrayPictures.h"
#include "app/ui/copyright.h"
#include "config/sprachen.h"
#include "player/ui/videoPlayerForm.h"
#include "gui/QtTestKit.h"
#include "platform/Shell.h"
#include "settings/ui/konfigForm.h"
#include "support/ChildProcess.h"
#include "video/ui/PopupScreen.h"
#include "video/ui/ueberwachungUnit.h"

using namespace oculon;
using namespace std::chrono_literals;
using testsupport::pumpFor;

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
            options.splashTime = 400ms;
            if (notificationArea) {
                options.notificationArea = notificationArea;
                options.notificationAreaCheck = 20ms;
                options.menuWindowVisit = 300ms;
            }
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
    bool lamp(const char* name) { return form().findChild<QLabel*>(name)->isVisible(); }

    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    std::function<bool()> notificationArea;                // the desktop's, when not set
    std::unique_ptr<platform::SecondStarts> secondStarts;  // outlives the form that answers it
    std::unique_ptr<app::ui::Tcopyright> form_;
};

TEST_F(Tray, MenuCarriesTheCatalogueTextsInOrderAndPauseKeepsCallsAway) {
    QStringList texts;
    for (QAction* a : form().trayMenu().actions()) {
        if (a->isVisible()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    EXPECT_EQ(texts.join('|').toStdString(), "Info|-|Suspend|Recordings...|Show video|Configure|-|Close");
    EXPECT_FALSE(form().isVisible());
    EXPECT_TRUE(form().Pause1().isCheckable());
    form().Pause1().trigger();
    EXPECT_TRUE(form().dispatch().paused());
    form().Pause1().trigger();
    EXPECT_FALSE(form().dispatch().paused());
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
    // The about box and the toolkit's own texts (the file dialogs') follow.
    EXPECT_EQ(testsupport::child<QLabel>(form(), "Label3").text().toStdString(),
              config::text(config::txtAboutDescription, config::lang_de));
    EXPECT_EQ(testsupport::child<QLabel>(form(), "Label4").text().toStdString(), "© Korvat. Alle Rechte vorbehalten.");
    EXPECT_TRUE(testsupport::child<QLabel>(form(), "Label11").text().contains("Hinweise zu den verwendeten"));
    EXPECT_EQ(form().Form1().windowTitle().toStdString(), config::text(config::txtLibraryNotices, config::lang_de));
    EXPECT_EQ(testsupport::child<QPushButton>(form().Form1(), "schliessenButton").text(), "Schließen");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), "Speichern unter");
    // With an administrator password the dialog opens only for it.
    config::sprache = config::lang_en;
    settings.storePasswd("admin");
    testsupport::onModal([](QWidget& prompt) {
        if (auto* d = qobject_cast<QDialog*>(&prompt)) d->reject();
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
    // Where a notification area would be, above every other window; the
    // corner is taken with the frame, which is known once it is on the screen.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fallback));
    EXPECT_TRUE(fallback->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(fallback->frameGeometry().bottomRight(), fallback->screen()->availableGeometry().bottomRight());
    // Popups keep clear of it: above them, it would hide their buttons.
    const std::optional<video::ScreenRoom> room = video::ui::popupScreenRoom(QPoint(0, 0));
    EXPECT_TRUE(room && room->area.top + room->area.height <= fallback->frameGeometry().top());
    // Closing it only minimises it: it is the way back into the program.
    fallback->close();
    EXPECT_TRUE(fallback->isVisible());
    EXPECT_FALSE(form().closed());

    // With no task bar to bring it back from there, a later start does.
    ASSERT_TRUE(fallback->isMinimized());
    testsupport::TempDir dir;
    std::string problem;
    secondStarts = platform::SecondStarts::listen(dir.path() + "/socket", problem);
    ASSERT_TRUE(secondStarts) << problem;
    form().answerSecondStarts(*secondStarts);
    auto told =
        std::async(std::launch::async, [&] { return platform::tellRunningInstance(dir.path() + "/socket", 10s); });
    ASSERT_TRUE(testsupport::pumpUntil([&] { return told.wait_for(0s) == std::future_status::ready; }));
    EXPECT_FALSE(fallback->isMinimized());
}

// A notification area that goes (a panel that crashes) and comes back, late:
// the icon where there is one, else the menu window. A later start beside
// the icon shows the menu window for a while.
TEST_F(Tray, TheIconOrTheMenuWindowFollowTheNotificationAreaAsItComesAndGoes) {
    bool area = true;
    notificationArea = [&] { return area; };
    ASSERT_NE(form().notificationIcon(), nullptr);
    EXPECT_TRUE(form().notificationIcon()->isVisible());
    EXPECT_EQ(form().notificationIcon()->contextMenu(), &form().trayMenu());
    EXPECT_EQ(form().fallbackWindow(), nullptr);

    // A later start brings it, with the keys, and it goes after a while, but
    // not while its menu is open; closed, it goes.
    form().comeForward();
    QWidget* window = form().fallbackWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    form().trayMenu().popup(window->geometry().center());
    pumpFor(500ms);
    EXPECT_TRUE(window->isVisible()) << "went from under the open menu";
    form().trayMenu().hide();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return !window->isVisible(); }));
    form().comeForward();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(form().closed());

    // The area goes: the window is the way in, and closing only minimises it.
    area = false;
    ASSERT_TRUE(testsupport::pumpUntil([&] { return window->isVisible(); }));
    EXPECT_EQ(form().notificationIcon(), nullptr);
    window->close();
    EXPECT_TRUE(window->isVisible());
    // It comes again, the program suspended meanwhile: the icon shows it.
    form().Pause1().trigger();
    area = true;
    ASSERT_TRUE(testsupport::pumpUntil([&] { return form().notificationIcon() != nullptr; }));
    const auto image = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
    EXPECT_EQ(image(form().notificationIcon()->icon()), image(app::ui::trayIcon(true)));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Tray, TheMenuAnswersWhileThePlayerIsOpenAndItsConfigureOpensTheDialogAboveIt) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
    addStation();
    form().Info1Click();
    auto& aboutOk = testsupport::child<QPushButton>(form(), "OKBtn");
    form().trayMenu().actions().at(3)->trigger();  // Recordings...
    player::ui::TplayerForm* player = player::ui::recordingsPlayer();
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->isVisible());
    // The player still blocks the program's other windows.
    testsupport::clickAsUser(aboutOk);
    EXPECT_TRUE(form().isVisible());

    // The user opens the menu from the small window and picks Configure.
    QWidget* fallback = form().fallbackWindow();
    ASSERT_NE(fallback, nullptr);
    fallback->move(player->geometry().right() - fallback->width(), player->geometry().top());
    testsupport::onPopup([&](QWidget& menu) {
        testsupport::screenshotOfScreen("tray_menu_over_player");
        testsupport::clickAsUser(menu, static_cast<QMenu&>(menu).actionGeometry(&form().Konfiguration1()).center());
    });
    testsupport::clickAsUser(testsupport::child<QToolButton>(*fallback, "menuButton"));
    ASSERT_NE(form().konfigForm(), nullptr);
    EXPECT_TRUE(form().konfigForm()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), form().konfigForm());
    form().konfigForm()->reject();
    testsupport::pumpUntil([&] { return form().konfigForm() == nullptr; });

    // Close with the player open closes the player too.
    QPointer<player::ui::TplayerForm> closing(player);
    form().Beenden1Click();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return closing.isNull(); }));
}

TEST_F(Tray, InfoWhileThePlayerIsOpenComesAboveItAndAnswersKeysAndClicks) {
    addStation();
    form().trayMenu().actions().at(3)->trigger();  // Recordings...
    QPointer<player::ui::TplayerForm> player(player::ui::recordingsPlayer());
    ASSERT_FALSE(player.isNull());
    auto& ok = testsupport::child<QPushButton>(form(), "OKBtn");
    // Each way of closing it reaches it, every time (keys and clicks come
    // through the window system, which holds them from a blocked window).
    const std::function<void()> closings[] = {
        [&] { QTest::keyClick(form().windowHandle(), Qt::Key_Escape); },
        [&] { QTest::keyClick(form().windowHandle(), Qt::Key_Return); },
        [&] { testsupport::clickAsUser(ok); },
        [&] { QTest::keyClick(form().windowHandle(), Qt::Key_Escape); },
    };
    for (const auto& closeIt : closings) {
        form().Info1Click();
        ASSERT_TRUE(form().isVisible());
        EXPECT_EQ(form().windowHandle()->transientParent(), player->windowHandle());
        closeIt();
        EXPECT_FALSE(form().isVisible());
    }
    // Its notices come above it in turn, in front of the player too.
    form().Info1Click();
    emit testsupport::child<QLabel>(form(), "Label11").linkActivated(QStringLiteral("notices"));
    ASSERT_TRUE(form().Form1().isVisible());
    EXPECT_EQ(form().Form1().windowHandle()->transientParent(), form().windowHandle());
    form().Form1().close();

    // Without the player it belongs to nobody again.
    testsupport::clickAsUser(ok);
    player->reject();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return player.isNull(); }));
    form().Info1Click();
    EXPECT_EQ(form().windowHandle()->transientParent(), nullptr);
    QTest::keyClick(form().windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(form().isVisible());
}

TEST(ToolkitLanguage, FileDialogTextsFollowTheLanguageAndStayEnglishWithoutCatalogue) {
    const auto saveAs = [] { return QCoreApplication::translate("QFileDialog", "Save As").toStdString(); };
    {
        app::ui::ToolkitLanguage toolkit;
        const std::map<config::TSprachenTyp, std::string> expected = {
            {config::lang_de, "Speichern unter"}, {config::lang_fr, "Enregistrer sous"}, {config::lang_nl, ""}};
        std::set<std::string> seen;
        for (const auto& [language, wording] : expected) {
            EXPECT_TRUE(toolkit.follow(language)) << int(language);
            EXPECT_NE(saveAs(), "Save As") << int(language);
            if (!wording.empty()) {
                EXPECT_EQ(saveAs(), wording);
            }
            EXPECT_TRUE(seen.insert(saveAs()).second) << "one catalogue stayed: " << saveAs();
        }
        EXPECT_FALSE(toolkit.follow(config::lang_en));
        EXPECT_EQ(saveAs(), "Save As");
        EXPECT_TRUE(toolkit.follow(config::lang_nl));
    }
    EXPECT_EQ(saveAs(), "Save As");  // its catalogue goes with it
    // Without the toolkit's translations the texts stay English.
    app::ui::ToolkitLanguage missing(QDir::tempPath() + "/oculon-no-translations");
    EXPECT_FALSE(missing.follow(config::lang_fr));
    EXPECT_EQ(saveAs(), "Save As");
}

TEST_F(Tray, OnlyTheSplashHidesItselfTheAboutBoxStaysUntilClosed) {
    addStation();
    const auto aboutBoxStays = [&] {
        form().Info1Click();
        EXPECT_TRUE(lamp("gruenImg"));
        EXPECT_FALSE(lamp("rotGelbImg"));
        pumpFor(700ms);
        EXPECT_TRUE(form().isVisible());
    };
    aboutBoxStays();  // no splash came before
    EXPECT_TRUE(form().windowTitle().toStdString().ends_with(" V " + app::getProgramVersion(app::kFileVersion)));
    form().close();
    EXPECT_FALSE(form().isVisible());
    EXPECT_FALSE(form().closed());

    form().showSplash();
    EXPECT_TRUE(lamp("rotGelbImg"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return !form().isVisible(); }, 3000ms));
    EXPECT_GE(clock.elapsed(), 350);
    aboutBoxStays();  // after the splash
    form().hide();
    form().showSplash();
    aboutBoxStays();  // while the splash shows
}

// The notices close by their own button and by Escape, and leave the about
// box open, with the keys.
TEST_F(Tray, TheNoticesCloseByTheirButtonAndByEscape) {
    addStation();
    form().Info1Click();
    app::ui::NoticeWindow& notices = form().Form1();
    auto& text = testsupport::child<QWidget>(notices, "Memo1");
    const std::function<void()> closings[] = {
        [&] { QTest::mouseClick(&testsupport::child<QPushButton>(notices, "schliessenButton"), Qt::LeftButton); },
        // Through the window system, to the text that has the focus.
        [&] { QTest::keyClick(notices.windowHandle(), Qt::Key_Escape); },
    };
    for (const auto& closeIt : closings) {
        auto& link = testsupport::child<QLabel>(form(), "Label11");
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, link.height() / 2));
        ASSERT_TRUE(notices.isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&notices));
        text.setFocus();
        ASSERT_EQ(QApplication::focusWidget(), &text);
        closeIt();
        EXPECT_FALSE(notices.isVisible());
        EXPECT_TRUE(form().isVisible());
    }
    // Opened from an active about box, they give its keys back to its button,
    // not to the link: Return closes the box instead of opening them again.
    auto& link = testsupport::child<QLabel>(form(), "Label11");
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    testsupport::clickAsUser(link, QPoint(10, link.height() / 2));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&notices));
    QTest::keyClick(notices.windowHandle(), Qt::Key_Escape);
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    QTest::keyClick(form().windowHandle(), Qt::Key_Return);
    EXPECT_FALSE(notices.isVisible());
    EXPECT_FALSE(form().isVisible());
}

TEST_F(Tray, CloseKeepsThePopupOnTheDesktopAndTheWallsPlace) {
    settings.schreibeSurveillance(true);
    settings.schreibeUeberwachungKoordinaten({10, 20, 480, 640});
    form();
    const auto stored = settings.fensterKoordinaten();  // put on the desktop at the start
    EXPECT_EQ(stored.top, 0);
    EXPECT_LT(stored.left, 99999);
    // The wall's door frame sends through the form's channel.
    video::ui::TueberwachungForm* wall = form().wall();
    ASSERT_NE(wall, nullptr);
    EXPECT_TRUE(wall->isVisible());
    EXPECT_TRUE(wall->mainVideoFrame1.sendFunction);
    EXPECT_TRUE(wall->mainVideoFrame1.sendFunctionLindavor);
    wall->move(33, 44);
    int closedCount = 0;
    QObject::connect(&form(), &app::ui::Tcopyright::closedForGood, [&] { ++closedCount; });
    form().Beenden1Click();
    EXPECT_EQ(closedCount, 1);
    EXPECT_TRUE(form().closed());
    EXPECT_TRUE(form().workersStopped());
    EXPECT_EQ(form().wall(), nullptr);
    EXPECT_EQ(settings.ueberwachungKoordinaten().left, 33);
    EXPECT_EQ(settings.fensterKoordinaten(), stored);
    form().Beenden1Click();  // a second close is no second tear-down
    EXPECT_EQ(closedCount, 1);
}

}  // namespace

// The settings dialog closed while it asks something: by the program's end
// (a signal, the session's end), or by itself at the end of a device's
// configuration that OK waited for. It goes once its question has returned,
// not under it.
TEST_F(Tray, TheSettingsDialogClosedWhileItAsksIsFreedOnceTheQuestionHasReturned) {
    addStation();
    const std::pair<const char*, std::function<void()>> ends[] = {
        {"the dialog's own end", [&] { form().konfigForm()->done(QDialog::Accepted); }},
        {"the program's end", [&] { form().Beenden1Click(); }}};
    for (const auto& [end, closeIt] : ends) {
        form().Konfiguration1Click();
        const QPointer<settings::ui::TkonfigForm> dialog(form().konfigForm());
        ASSERT_NE(dialog, nullptr);
        bool answered = false;
        testsupport::onModal([&](QWidget& question) {
            closeIt();
            QTimer::singleShot(50, &question, [&] {
                answered = true;
                QMetaObject::invokeMethod(&question, "reject");
            });
        });
        QTest::mouseClick(dialog->findChild<QPushButton*>("konfigKplLoeschenBtn"), Qt::LeftButton);
        EXPECT_TRUE(answered) << end;
        EXPECT_EQ(form().konfigForm(), nullptr) << end;
        EXPECT_TRUE(testsupport::pumpUntil([&] { return dialog.isNull(); })) << end;
    }
    EXPECT_TRUE(form().closed());
}
