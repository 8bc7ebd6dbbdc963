// The start-up steps before the main form, with the real dialogs answered the
// way a user would, the windows of the first start in their order, and the
// notices of workers shown to the user.

#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

#include "app/ui/SettingsNoticeWindow.h"
#include "app/ui/SettingsUnreadableWindow.h"
#include "app/ui/TaskbarStart.h"
#include "app/ui/copyright.h"
#include "config/sprachen.h"
#include "config/ui/sprachwahl.h"
#include "gui/QtTestKit.h"
#include "platform/Shell.h"
#include "platform/UserNotice.h"
#include "platform/ui/WindowRoom.h"
#include "settings/ui/autoStartFrame.h"
#include "settings/ui/konfigForm.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace std::chrono_literals;
using testsupport::child;
using testsupport::clickAsUser;
using testsupport::clickButton;
using testsupport::onModal;
using testsupport::pumpUntil;

namespace {

const char* kRoot = "\\SOFTWARE\\Korvat\\Oculon";

std::shared_ptr<platform::MemoryRegistryStore> storeWith(std::function<void(platform::Registry&)> fill) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    platform::Registry reg(store);
    reg.OpenKey(kRoot, true);
    fill(reg);
    return store;
}

std::optional<int> storedLanguage(const std::shared_ptr<platform::MemoryRegistryStore>& store) {
    platform::Registry reg(store);
    if (!reg.OpenKey(kRoot, false) || !reg.ValueExists("language")) return std::nullopt;
    return reg.ReadInteger("language");
}

// Stands in for the main loop's timers, so that the test lets their time pass
// by firing them; messages still go through Qt's loop.
class TimerStandIn : public platform::LoopBackend {
public:
    TimerStandIn() : previous_(platform::MainLoop::instance().backend()) {
        platform::MainLoop::instance().setBackend(this);
    }
    ~TimerStandIn() override { platform::MainLoop::instance().setBackend(previous_); }
    TimerStandIn(const TimerStandIn&) = delete;
    TimerStandIn& operator=(const TimerStandIn&) = delete;

    void wake() override { previous_->wake(); }
    std::uint64_t startTimer(std::chrono::milliseconds interval, std::function<void()> onTick) override {
        timers_[next_] = {interval, std::move(onTick)};
        return next_++;
    }
    void stopTimer(std::uint64_t timer) override { timers_.erase(timer); }

    // How many running timers have this interval.
    int running(std::chrono::milliseconds interval) const {
        return static_cast<int>(
            std::count_if(timers_.begin(), timers_.end(), [&](const auto& t) { return t.second.first == interval; }));
    }
    // The time of the running timer with this interval has passed.
    void elapse(std::chrono::milliseconds interval) {
        for (auto& [id, timer] : timers_) {
            if (timer.first != interval) continue;
            auto tick = timer.second;  // the tick may stop its timer
            tick();
            return;
        }
        ADD_FAILURE() << "no timer of " << interval.count() << " ms runs";
    }

private:
    platform::LoopBackend* previous_;
    std::map<std::uint64_t, std::pair<std::chrono::milliseconds, std::function<void()>>> timers_;
    std::uint64_t next_ = 1;
};

}  // namespace

TEST(StartWindows, TheAutostartOfferThenTheSettingsDialogThenTheSplashEachInItsTurn) {
    config::sprache = config::lang_en;
    TimerStandIn timers;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    app::ui::Tcopyright::Options options;
    options.startWorkers = false;
    app::ui::Tcopyright form(settings, nullptr, options);
    auto& splashOk = child<QPushButton>(form, "OKBtn");

    bool offered = false;
    onModal([&](QWidget& window) {
        auto* offer = qobject_cast<settings::ui::TautoStartFrame*>(&window);
        ASSERT_NE(offer, nullptr) << "the first window is not the autostart offer";
        offered = true;
        // Alone: the main window is not shown yet.
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.konfigForm(), nullptr);
        testsupport::screenshotOfScreen("first-start-1-offer");
        clickAsUser(offer->noButton(), QPoint(6, offer->noButton().height() / 2));  // on its circle
        EXPECT_TRUE(offer->noButton().isChecked());
        clickAsUser(child<QPushButton>(*offer, "vorButton"));
    });
    EXPECT_TRUE(app::showStartWindows(settings, form));
    EXPECT_TRUE(offered);

    // The splash shows, and its first showing opens the settings dialog above it.
    ASSERT_TRUE(pumpUntil([&] { return form.konfigForm() != nullptr; }));
    settings::ui::TkonfigForm& dialog = *form.konfigForm();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
    EXPECT_EQ(timers.running(5000ms), 0) << "the splash's time runs while the dialog is open";
    testsupport::screenshotOfScreen("first-start-2-settings");
    clickAsUser(splashOk);  // the splash takes no input while the dialog is open
    EXPECT_TRUE(form.isVisible());
    clickAsUser(child<QPushButton>(dialog, "abbruchButton"));
    ASSERT_TRUE(pumpUntil([&] { return form.konfigForm() == nullptr; }));

    // Now the splash, for five seconds.
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &form);
    EXPECT_EQ(timers.running(5000ms), 1);
    testsupport::screenshotOfScreen("first-start-3-splash");
    timers.elapse(5000ms);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(timers.running(5000ms), 0);
    EXPECT_FALSE(form.closed());
}

TEST(StartWindows, AnOfferLeftWithoutOkShowsNothingMore) {
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    app::ui::Tcopyright::Options options;
    options.startWorkers = false;
    app::ui::Tcopyright form(settings, nullptr, options);
    onModal([](QWidget& offer) { clickAsUser(child<QPushButton>(offer, "abbrBtn")); });
    EXPECT_FALSE(app::showStartWindows(settings, form));
    testsupport::pumpFor(50ms);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.konfigForm(), nullptr);
}

// "Yes" writes the autostart entry; the next start by hand finds it and
// does not claim the program is not started automatically.
TEST(StartWindows, AfterYesTheNextStartByHandOffersNothing) {
    testsupport::TempDir home;
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", home.path());
    testsupport::ScopedEnv byHand(platform::kAutostartVariable, std::nullopt);
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    settings.schreibeSplashScreen(false);
    app::ui::Tcopyright::Options options;
    options.startWorkers = false;
    app::ui::Tcopyright form(settings, nullptr, options);
    int offers = 0;
    QTimer yes;  // "Yes" is checked from the start
    yes.callOnTimeout([&] {
        if (QWidget* offer = QApplication::activeModalWidget()) {
            ++offers;
            clickAsUser(child<QPushButton>(*offer, "vorButton"));
        }
    });
    yes.start(20);
    for (int start = 0; start < 2; ++start) EXPECT_TRUE(app::showStartWindows(settings, form));
    EXPECT_EQ(offers, 1);
}

TEST(ProgramStart, FirstStartAsksForTheLanguageAndStoresItOrEndsWithoutOk) {
    QApplication::setApplicationName({});  // the start names the program
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    onModal([](QWidget& dialog) {
        clickButton(dialog, "English");
        clickButton(dialog, "OK");
    });
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), std::nullopt);
    EXPECT_EQ(storedLanguage(store), config::lang_en);
    EXPECT_EQ(config::sprache, config::lang_en);
    EXPECT_EQ(config::videoConfig, &start.settings());
    EXPECT_EQ(QApplication::applicationName(), "Korvat Oculon");
    // With no display name set, which the toolkit would append to every
    // window title, the display name follows the program's name.
    QApplication::setApplicationName("Korvat Oculon (probe)");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Korvat Oculon (probe)");
    QApplication::setApplicationName("Korvat Oculon");

    auto fresh = std::make_shared<platform::MemoryRegistryStore>();
    onModal([](QWidget& dialog) { clickButton(dialog, "Abbrechen"); });
    app::ProgramStart left(fresh);
    EXPECT_EQ(left.run(), 0);
    EXPECT_EQ(storedLanguage(fresh), std::nullopt);
}

// The visible message box, or null.
QMessageBox* shownBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

// The visible notice of the settings' load, or null.
app::ui::SettingsNoticeWindow* shownNotice() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* notice = qobject_cast<app::ui::SettingsNoticeWindow*>(w); notice && notice->isVisible())
            return notice;
    return nullptr;
}

// A hand-written file with a slip: the start asks nothing (the file holds no
// language, but it is no first start) and takes the desktop's language; the
// notice, with its reasons in that language, holds nothing back and takes no
// key; what the user saves meanwhile is written at once, and the file is
// saved without the line once the user closed it.
TEST(ProgramStart, WhatTheLoadLeftOutIsToldWithoutHoldingAnythingBackAndTheFileWaitsForIt) {
    config::sprache = config::lang_en;  // of an earlier start, not of this file
    testsupport::ScopedEnv desktop("LANGUAGE", "nl_BE:fr");
    testsupport::TempDir dir;
    const std::string written =
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n"
        "\"language\"=dword:1 <b>my</b>\r\n\"useServer\"=\"ja\"\r\n";
    const std::string file = dir.write("Oculon.reg", written);
    auto store = std::make_shared<platform::FileRegistryStore>(file);
    int asked = 0;
    QTimer guard;
    guard.callOnTimeout([&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            ++asked;
            w->close();
        }
    });
    guard.start(10);
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), std::nullopt);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(config::sprache, config::lang_nl);

    EXPECT_TRUE(start.showSettingsNotice());
    app::ui::SettingsNoticeWindow* notice = shownNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isModal());
    EXPECT_TRUE(notice->testAttribute(Qt::WA_ShowWithoutActivating));
    for (const QLabel* label : notice->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
        }
    }
    const std::string shown = notice->text().toStdString();
    for (const std::string& part :
         {config::text(config::txtSettingsPartlyRead, config::lang_nl),
          file + ":\nregel 3: \"language\"=dword:1 <b>my</b> (ongeldig dword)",
          config::text(config::txtSettingsKeptAs, config::lang_nl) + "\n" + store->keptAs(),
          std::string("[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon] \"useServer\"=\"ja\" (geen getal)")})
        EXPECT_NE(shown.find(part), std::string::npos) << part << "\n" << shown;
    testsupport::pumpFor(50ms);
    EXPECT_EQ(testsupport::readFile(file), written);
    start.settings().schreibeServerIP("10.6.6.6");
    EXPECT_NE(testsupport::readFile(file).find("10.6.6.6"), std::string::npos);
    EXPECT_EQ(testsupport::readFile(store->keptAs()), written);
    notice->activateWindow();
    clickAsUser(notice->okButton());
    EXPECT_EQ(testsupport::readFile(file).find("my"), std::string::npos);
    EXPECT_NE(testsupport::readFile(file).find("\"useServer\"=dword:00000000"), std::string::npos);
    EXPECT_EQ(asked, 0);
}

// A value that cannot be used as written is written as the program takes it
// once the notice is confirmed: the next start tells nothing more, and asks
// the questions of a file without a language.
TEST(ProgramStart, AnUnusableValueIsWrittenAsTakenOnceConfirmedAndTheNextStartAsks) {
    testsupport::ScopedEnv desktop("LANGUAGE", "fr");
    testsupport::TempDir dir;
    const std::string file = dir.write(
        "Oculon.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n\"storeVideo\"=\"yes\"\r\n");
    {
        app::ProgramStart start(std::make_shared<platform::FileRegistryStore>(file));
        EXPECT_EQ(start.run(), std::nullopt);
        EXPECT_TRUE(start.showSettingsNotice());
        app::ui::SettingsNoticeWindow* notice = shownNotice();
        ASSERT_NE(notice, nullptr);
        EXPECT_NE(notice->text().toStdString().find(
                      config::text(config::txtSettingsValuesTakenOnceConfirmed, config::lang_fr)),
                  std::string::npos);
        notice->activateWindow();
        clickAsUser(notice->okButton());
    }
    EXPECT_NE(testsupport::readFile(file).find("\"storeVideo\"=dword:00000000"), std::string::npos);
    onModal([](QWidget& dialog) {
        clickButton(dialog, "English");
        clickButton(dialog, "OK");
    });
    app::ProgramStart next(std::make_shared<platform::FileRegistryStore>(file));
    EXPECT_EQ(next.run(), std::nullopt);
    EXPECT_EQ(config::sprache, config::lang_en);
    EXPECT_FALSE(next.showSettingsNotice());
}

// A notice with all it may list fits the room of a small laptop's screen
// (1024 x 600 at scale 1.5 in its own run) in the longer languages, its
// details scroll, and its OK is on the screen, also once the menu window
// comes up over the corner.
TEST(ProgramStart, TheSettingsNoticeFitsASmallScreenWithItsOkClearOfTheMenuWindow) {
    testsupport::TempDir dir;
    std::string written = "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n";
    for (int i = 0; i < 12; ++i) written += "\"slip" + std::to_string(i) + "\"=dword:" + std::string(40, 'z') + "\r\n";
    for (const char* name : {"storeVideo", "storeFirstPict", "allowCapture", "useServer", "blackLevel"})
        written += "\"" + std::string(name) + "\"=\"yes\"\r\n";
    for (int i = 0; i < 4; ++i)
        written += "[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon\\Configurations\\" + std::to_string(i) +
                   "]\r\n\"NeedCredentials\"=\"ja\"\r\n";
    QWidget menuWindow(nullptr, Qt::Tool);
    menuWindow.setFixedSize(240, 56);
    platform::ui::keepWindowsClearOf(menuWindow);
    for (const config::TSprachenTyp language : {config::lang_fr, config::lang_nl}) {
        SCOPED_TRACE(language);
        menuWindow.hide();
        const std::string file = dir.write("Oculon.reg", written);
        testsupport::ScopedEnv desktop("LANGUAGE", language == config::lang_fr ? "fr" : "nl");
        app::ProgramStart start(std::make_shared<platform::FileRegistryStore>(file));
        EXPECT_EQ(start.run(), std::nullopt);
        EXPECT_TRUE(start.showSettingsNotice());
        app::ui::SettingsNoticeWindow* notice = shownNotice();
        ASSERT_NE(notice, nullptr);
        QScreen* screen = notice->screen();
        const QRect room = platform::ui::roomForWindows(*screen);
        EXPECT_TRUE(room.contains(notice->frameGeometry()));
        EXPECT_TRUE(notice->details().verticalScrollBar()->isVisible() || notice->height() < room.height());

        // The menu window comes up in the corner: the notice makes room for it.
        QRect corner(QPoint(), menuWindow.size());
        corner.moveBottomRight(screen->availableGeometry().bottomRight());
        menuWindow.move(corner.topLeft());
        menuWindow.show();
        testsupport::pumpFor(50ms);
        const QRect ok(notice->okButton().mapToGlobal(QPoint()), notice->okButton().size());
        EXPECT_TRUE(screen->availableGeometry().contains(ok));
        EXPECT_FALSE(ok.intersects(menuWindow.frameGeometry()));
        EXPECT_FALSE(notice->frameGeometry().intersects(menuWindow.frameGeometry()));
        notice->activateWindow();
        clickAsUser(notice->okButton());
        EXPECT_FALSE(notice->isVisible());
    }
    // The questions of the next start, once the notice no longer comes, fit as well.
    config::ui::Tsprachwahl language;
    settings::ui::TautoStartFrame offer(nullptr, true);
    for (QDialog* question : std::initializer_list<QDialog*>{&language, &offer}) {
        const QRect room = platform::ui::roomForWindows(*question->screen());
        EXPECT_LE(question->height(), room.height());
        const auto* ok = question->findChild<QPushButton*>(question == &offer ? "vorButton" : "BitBtn1");
        ASSERT_NE(ok, nullptr);
        EXPECT_LE(ok->geometry().bottom(), question->height());
    }
}

// Settings that cannot be used now (a disk not mounted yet) are tried again
// by the window that says so, by itself for a while and at the user's word;
// closing it ends the start.
TEST(ProgramStart, UnusableSettingsAreTriedAgainByItselfAndAtTheUsersWord) {
    config::sprache = config::lang_de;
    int tries = 0;
    app::ui::SettingsUnreadableWindow bySelf(
        "x: weg", [&] { return ++tries < 3 ? std::string("x: weg") : std::string(); }, 10ms, 90);
    EXPECT_EQ(bySelf.exec(), QDialog::Accepted);
    EXPECT_EQ(tries, 3);

    tries = 0;
    app::ui::SettingsUnreadableWindow byHand(
        "x: weg",
        [&] {
            ++tries;
            return std::string("x: immer noch weg");
        },
        10ms, 2);
    onModal([&](QWidget&) {
        ASSERT_TRUE(pumpUntil([&] { return !byHand.trying(); }));
        EXPECT_EQ(tries, 2);
        clickAsUser(byHand.tryAgainButton());
        EXPECT_EQ(tries, 3);
        EXPECT_TRUE(byHand.text().endsWith(QStringLiteral("\n\nx: immer noch weg")));
        EXPECT_EQ(byHand.closeButton().text(), "Beenden");
        clickAsUser(byHand.closeButton());
    });
    EXPECT_EQ(byHand.exec(), QDialog::Rejected);
}

TEST(ProgramStart, StoredLanguageIsTakenWithoutAsking) {
    auto store = storeWith([](platform::Registry& reg) { reg.WriteInteger("language", config::lang_nl); });
    bool asked = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            asked = true;
            w->close();
        }
    });
    guard.start(10);
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), std::nullopt);
    EXPECT_FALSE(asked);
    EXPECT_EQ(config::sprache, config::lang_nl);
}

TEST(ProgramStart, NewerSettingsShowTheVersionMessageAndEnd) {
    auto store = storeWith([](platform::Registry& reg) {
        reg.WriteInteger("version", 11);
        reg.WriteInteger("language", config::lang_fr);
    });
    QString shown;
    bool withIcon = false;
    onModal([&](QWidget& w) {
        if (auto* box = qobject_cast<QMessageBox*>(&w)) shown = box->text();
        withIcon = !w.windowIcon().isNull();
        clickButton(w, "OK");
    });
    app::ProgramStart start(store);
    EXPECT_EQ(start.run(), 1);
    EXPECT_EQ(shown.toStdString(),
              "Cette configuration provient d'une nouvelle version logicielle\nVeuillez employer cette version");
    EXPECT_TRUE(withIcon) << "the message box lacks the program's icon";
    EXPECT_EQ(config::videoConfig, nullptr);
}

TEST(NoticeBoxes, WhatAWorkerTellsTheUserAppearsInABoxInTheCurrentLanguage) {
    config::sprache = config::lang_en;
    app::NoticeBoxes boxes;
    std::thread worker([] { platform::tellUser(platform::Notice::settingsNotSaved, "/x/Oculon.reg: No space left"); });
    worker.join();
    QMessageBox* shown = nullptr;
    testsupport::pumpUntil([&] { return (shown = shownBox()) != nullptr; });
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text().toStdString(),
              "The configuration could not be saved; the file keeps the last saved state.\n\n"
              "/x/Oculon.reg: No space left");
    EXPECT_FALSE(shown->isModal());  // door calls still come while it is open
}
