// The main form inside the network namespace: calls that come while the
// recordings player (a modal window) or the start's settings notice is open
// show in front of it and their door buttons work, in the popup, in a
// further popup and in the wall's door frame; keys typed as a call window
// comes up reach no device. (The whole road from a telephone to the popup is
// the end-to-end tests' concern.)
// The close waits for no silent gateway.
#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

#include "../../video/TestPictures.h"
#include "app/ui/SettingsNoticeWindow.h"
#include "app/ui/TaskbarStart.h"
#include "app/ui/copyright.h"
#include "config/sprachen.h"
#include "devices/TelefonTelegram.h"
#include "gui/QtTestKit.h"
#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/UdpPeer.h"
#include "settings/ui/konfigForm.h"
#include "video/ui/ActionButton.h"
#include "video/ui/FileChooser.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/ueberwachungUnit.h"

using namespace oculon;
using namespace std::chrono_literals;
using testsupport::pumpUntil;

namespace {

std::vector<video::ui::TVideobild*> shownPopups() {
    std::vector<video::ui::TVideobild*> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<video::ui::TVideobild*>(w); p && p->isVisible()) shown.push_back(p);
    }
    return shown;
}

// Sends the telegram every 300 ms (the discovery thread opens its listeners
// a few seconds after its start) until `done` holds.
// A click as the window system delivers it, so a window blocked by a modal
// one does not get it.
void click(QPushButton& button) {
    QTest::mouseClick(button.window()->windowHandle(), Qt::LeftButton, {},
                      button.mapTo(button.window(), button.rect().center()));
}

// Two door telephones (127.0.0.2 and .3) whose stations stream from one
// camera, and the form without worker threads: the calls come in through
// the dispatch, the door-opener frames go out to the telephones.
class CallsAboveThePlayer : public ::testing::Test {
protected:
    CallsAboveThePlayer() : phone3("127.0.0.3", phone2.port()) {
        config::sprache = config::lang_en;
        settings.schreibeID("WS1");
        settings.schreibeAllowMultipleWindows(true);
        settings.schreibeFirstPictPath(folder.path() + "/");
        settings.schreibeFensterKoordinaten({80, 240, 400, 480});
        config::videoConfig = &settings;
        camera.setHandler([](const testsupport::RecordedRequest&) {
            testsupport::MjpegOptions steady;
            steady.interval = 100ms;
            steady.repeat = 600;
            steady.holdOpenAtEnd = true;
            return testsupport::Script::mjpeg({video::test::jpegOf({128, 128, 128}, 320, 240)}, steady);
        });
        for (const char* phone : {"127.0.0.2", "127.0.0.3"}) {
            config::TSingleConfig station;
            station.Name = std::string("Door ") + phone;
            station.Ip = camera.address();
            station.Port = std::to_string(camera.port());
            station.telefonIP = phone;
            station.ausgang = true;
            station.ausgangSchrift = "Open door";
            settings.addConfig(station);
        }
    }
    ~CallsAboveThePlayer() override { config::videoConfig = nullptr; }

    app::ui::Tcopyright& form() {
        if (!form_) {
            app::ui::Tcopyright::Options options;
            options.startWorkers = false;
            options.screenSaverStop = [this] { ++screenSaverStops; };
            options.channel.partnerPort = phone2.port();
            options.channel.commandPort = phone2.port();  // to the gateway peer
            options.channel.ownAddress = [](const std::string&) { return std::string("127.0.0.1"); };
            options.channel.listenRetry = 200ms;
            form_ = std::make_unique<app::ui::Tcopyright>(settings, nullptr, options);
        }
        return *form_;
    }

    void ring(const std::string& phone) {
        devices::telefonObjekt call;
        call.FStatus = devices::Verbindung;
        call.FNummer = "WS1";
        call.FIpAdresse = phone;
        form().dispatch().telephoneEvent(call);
    }

    // Runs `inside` while the recordings player is open, then closes it.
    void withPlayerOpen(const std::function<void(QWidget& player)>& inside) {
        form().VideoPlayer1Click();
        QWidget* player = QApplication::activeModalWidget();
        ASSERT_NE(player, nullptr);
        inside(*player);
        player->close();
    }

    // The whole screen, windows above windows (see QtTestKit.h).
    static void screenshot(const char* name) {
        if (!testsupport::screenshotsWanted()) return;
        const QString dir = QString::fromLocal8Bit(std::getenv("OCULON_SCREENSHOT_DIR"));
        QDir().mkpath(dir);
        QApplication::processEvents();
        QApplication::primaryScreen()->grabWindow(0).save(dir + "/" + name + ".png");
    }

    testsupport::TempDir folder;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    testsupport::LoopbackHttpServer camera;
    testsupport::UdpPeer phone2{"127.0.0.2", 0};
    testsupport::UdpPeer phone3;
    testsupport::UdpPeer gateway{"127.0.0.4", phone2.port()};
    int screenSaverStops = 0;
    std::unique_ptr<app::ui::Tcopyright> form_;
};

TEST_F(CallsAboveThePlayer, PopupAndFurtherPopupAnswer) {
    withPlayerOpen([&](QWidget& player) {
        player.move(0, 0);
        ring("127.0.0.2");
        ASSERT_TRUE(pumpUntil([] { return shownPopups().size() == 1; }));
        EXPECT_EQ(screenSaverStops, 1);  // the form hands its screen-saver stop to the popup
        video::ui::TVideobild* first = shownPopups().front();
        auto* door = first->findChild<QPushButton*>("tuerOeffner");
        ASSERT_TRUE(pumpUntil([&] { return door->isVisible(); }));
        click(*door);
        EXPECT_TRUE(phone2.next(2000ms)) << "the popup's door button did nothing";

        ring("127.0.0.3");
        ASSERT_TRUE(pumpUntil([] { return shownPopups().size() == 2; }));
        EXPECT_EQ(form().dispatch().furtherCount(), 1u);
        video::ui::TVideobild* further = shownPopups().front() == first ? shownPopups().back() : shownPopups().front();
        door = further->findChild<QPushButton*>("tuerOeffner");
        ASSERT_TRUE(pumpUntil([&] { return door->isVisible(); }));
        click(*door);
        EXPECT_TRUE(phone3.next(2000ms)) << "the further popup's door button did nothing";
        testsupport::pumpFor(800ms);
        screenshot("call-above-player");
        // The player still takes its own input once the calls are gone.
        form().dispatch().closeFurtherPopups();
        form().dispatch().playVideoEnd();
        EXPECT_TRUE(shownPopups().empty());
    });
    // At most one player: a second "Recordings..." while it is open only
    // brings it forward.
    int players = 0;
    withPlayerOpen([&](QWidget& player) {
        form().VideoPlayer1Click();
        for (QWidget* w : QApplication::topLevelWidgets()) players += w->isVisible() && w->inherits("QDialog");
        EXPECT_EQ(QApplication::activeModalWidget(), &player);
    });
    EXPECT_EQ(players, 1);
}

// Three calls (the stored place kept): the further popups never go past
// the screen's free area, where their buttons could not be reached.
TEST_F(CallsAboveThePlayer, EveryPopupOfThreeCallsLiesOnTheScreen) {
    const config::TWindowSettings stored{.top = 50, .left = 100, .height = 900, .width = 1200};
    settings.schreibeFensterKoordinaten(stored);
    config::TSingleConfig third = *settings.getConfigByPhone("127.0.0.2");
    third.Name = "Door 127.0.0.4";
    third.telefonIP = "127.0.0.4";
    settings.addConfig(third);
    for (const char* phone : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) ring(phone);
    ASSERT_TRUE(pumpUntil([] {  // each sized by its picture
        const auto popups = shownPopups();
        return popups.size() == 3 && std::ranges::all_of(popups, [](auto* p) { return p->aspectRatio() > 0; });
    }));
    const QRect free = QApplication::primaryScreen()->availableGeometry();
    for (video::ui::TVideobild* popup : shownPopups())
        EXPECT_TRUE(free.contains(popup->frameGeometry())) << popup->windowTitle().toStdString();
    form().Beenden1Click();
    EXPECT_EQ(settings.fensterKoordinaten(), stored);
}

// A language switch in the settings dialog reaches the windows open at the
// time: a call in the wall's door frame, one in a further popup, the player.
TEST_F(CallsAboveThePlayer, OpenWindowsFollowALanguageSwitch) {
    settings.schreibeSurveillance(true);
    settings.schreibeDoor(true);
    settings.schreibeCodeTuerOffen(true);  // the door buttons say "release-buzzer"
    settings.schreibeAllowConfig(true);    // and there is a "Save picture" button
    video::ui::TueberwachungForm* wall = form().wall();
    ASSERT_NE(wall, nullptr);
    for (const char* phone : {"127.0.0.2", "127.0.0.3"}) ring(phone);
    ASSERT_TRUE(pumpUntil([&] { return wall->doorVideoShown() && shownPopups().size() == 1; }));
    withPlayerOpen([&](QWidget& player) {
        form().Konfiguration1Click();
        QWidget* dialog = form().konfigForm();
        ASSERT_TRUE(dialog != nullptr && QTest::qWaitForWindowActive(dialog));
        testsupport::clickAsUser(testsupport::child<QWidget>(*dialog, "sprachBox"));
        for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Return})  // English to German
            QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), key);
        testsupport::clickAsUser(testsupport::child<QWidget>(*dialog, "okButton"));
        ASSERT_EQ(config::sprache, config::lang_de);

        const auto shows = [](QWidget& window, const char* button, const config::TText& text) {
            EXPECT_EQ(testsupport::child<QAbstractButton>(window, button).text().toStdString(), config::tr(text))
                << button;
        };
        QWidget& popup = *shownPopups().front();
        shows(popup, "tuerOeffner", config::txtReleaseBuzzer);
        shows(popup, "saver", config::txtSavePicture);
        shows(wall->mainVideoFrame1, "tuerOeffner", config::txtReleaseBuzzer);
        shows(wall->mainVideoFrame1, "saveBtn", config::txtSavePicture);
        shows(player, "ExportVideoButton", config::txtExportVideo);
        EXPECT_EQ(wall->windowTitle().toStdString(), config::tr(config::txtSurveillance));
        EXPECT_EQ(player.windowTitle().toStdString(), config::tr(config::txtRecordings));
    });
    form().dispatch().closeFurtherPopups();
    form().dispatch().playVideoEnd();
}

// A further popup whose stream turns black (1039) while the user chooses
// where its snapshot goes: the popup goes, its save dialog stays until the
// user answers it.
TEST_F(CallsAboveThePlayer, AFurtherPopupEndedWhileItsSaveDialogIsOpenGoesAndTheDialogStays) {
    settings.schreibeAllowConfig(true);
    ring("127.0.0.2");
    ASSERT_TRUE(pumpUntil([] { return shownPopups().size() == 1; }));
    video::ui::TVideobild* first = shownPopups().front();
    ring("127.0.0.3");
    ASSERT_TRUE(pumpUntil([] { return shownPopups().size() == 2; }));
    video::ui::TVideobild* further = shownPopups().front() == first ? shownPopups().back() : shownPopups().front();
    const QPointer<video::ui::TVideobild> alive(further);
    auto* saver = further->findChild<QPushButton*>("saver");
    ASSERT_TRUE(saver->isVisible());
    click(*saver);
    QPointer<video::ui::FileChooser> dialog;
    ASSERT_TRUE(pumpUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<video::ui::FileChooser*>(w); c && c->isVisible()) dialog = c;
        return !dialog.isNull();
    }));
    form().dispatch().furtherPopupBlack(reinterpret_cast<std::uintptr_t>(further));
    EXPECT_TRUE(pumpUntil([&] { return alive.isNull(); }));
    EXPECT_EQ(form().dispatch().furtherCount(), 0u);
    ASSERT_TRUE(dialog && dialog->isVisible());
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(pumpUntil([&] { return dialog.isNull(); }));
    form().dispatch().playVideoEnd();
}

// The door button of the call shown, in whichever window shows it.
QPushButton* shownDoor() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* door = top->findChild<QPushButton*>("tuerOeffner"); door && door->isVisible()) return door;
    return nullptr;
}

// Space, Return, Enter or a letter typed as a call window comes up reach no
// device: in the popups of a gateway's station, of a relay camera (its light
// button above the door's) and of a telephone, and in the wall's door frame.
// Nor do Tabs, though the window has the keyboard, nor keys in a preview that
// comes forward again, nor Space with one modifier; a line over the picture
// tells how to choose the window. A click into it, then Tab (to the door
// output first in a popup) and Space, Return or Enter open; so does
// Ctrl+Alt+Space, which only chooses the window and puts a marked focus on
// the door output, pressed five times before or after the choice, and then
// one of those keys.
TEST_F(CallsAboveThePlayer, KeysTypedAsACallComesUpReachNoDevice) {
    config::TSingleConfig station = *settings.getConfigByPhone("127.0.0.2");
    station.telefonIP.clear();
    station.moxa = true;
    station.moxaIP = gateway.address();
    config::TSingleConfig relayCamera = station;
    relayCamera.typ = config::AxisCam;
    relayCamera.camAusgang = true;
    struct : app::GatewayAccess {
        std::vector<app::GatewayEntry> gateways() const override { return {{"Door 127.0.0.2", "127.0.0.4", ""}}; }
    } gateways;
    // A telephone's door-opener frame is repeated until answered, each press
    // with a new sequence number: presses are the frames told apart.
    std::set<std::string> framesAt2, framesAt3;
    const auto pressesAt = [](testsupport::UdpPeer& phone, std::set<std::string>& frames) {
        return [&phone, &frames] {
            while (const auto frame = phone.next(0ms)) frames.insert(frame->data);
            return frames.size();
        };
    };
    const auto relayRequests = [&] {
        return static_cast<std::size_t>(std::ranges::count_if(
            camera.requests(), [](const auto& r) { return r.target.starts_with("/axis-cgi/io/"); }));
    };
    settings.schreibeSurveillance(true);
    ASSERT_NE(form().wall(), nullptr);
    form().dispatch().setGateways(&gateways);
    QLineEdit editor;
    editor.show();
    const auto toFront = [](QWidget& window) {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    };
    enum Choice { byClick, byKeys };
    const std::tuple<std::function<void()>, std::function<std::size_t()>, Choice, Qt::Key> calls[] = {
        {[&] { form().dispatch().playVideo(station); }, [&] { return gateway.receivedCount(); }, byClick,
         Qt::Key_Space},
        {[&] { form().dispatch().playVideo(relayCamera); }, relayRequests, byClick, Qt::Key_Return},
        {[&] { form().dispatch().playVideo(relayCamera); }, relayRequests, byKeys, Qt::Key_Enter},
        {[&] { ring("127.0.0.2"); }, pressesAt(phone2, framesAt2), byKeys, Qt::Key_Return},
        {[&] {  // chosen by the user before
             form().dispatch().zeigeVideobild(&relayCamera);
             ASSERT_TRUE(pumpUntil([] { return shownDoor() != nullptr; }));
             testsupport::clickAsUser(*shownDoor()->window(), QPoint(20, 100));
             ASSERT_TRUE(toFront(editor));
             form().dispatch().zeigeMoxaVideo(gateway.address());
         },
         relayRequests, byKeys, Qt::Key_Space},
        {[&] { settings.schreibeDoor(true), ring("127.0.0.3"); }, pressesAt(phone3, framesAt3), byClick, Qt::Key_Enter},
        {[&] { ring("127.0.0.3"); }, pressesAt(phone3, framesAt3), byKeys, Qt::Key_Return},
    };
    const auto chord = [] {
        QTest::keyClick(QGuiApplication::focusWindow(), video::ui::kChooseByKeys.key(),
                        video::ui::kChooseByKeys.keyboardModifiers());
    };
    for (const auto& [call, reached, choice, answer] : calls) {
        ASSERT_TRUE(toFront(editor));
        call();
        QPushButton* door = nullptr;
        ASSERT_TRUE(pumpUntil([&] { return (door = shownDoor()) != nullptr; }));
        const std::string title = door->window()->windowTitle().toStdString();
        SCOPED_TRACE(title + (choice == byKeys ? " by keys" : " by a click"));
        ASSERT_TRUE(toFront(*door->window()) && toFront(editor) && toFront(*door->window()));
        const std::size_t before = reached();
        const std::pair<Qt::Key, Qt::KeyboardModifiers> typed[] = {
            {Qt::Key_Space, {}},
            {Qt::Key_Return, {}},
            {Qt::Key_Enter, {}},
            {Qt::Key_S, {}},
            {Qt::Key_Tab, {}},
            {Qt::Key_Space, Qt::ControlModifier},
            {Qt::Key_Backtab, {}},
            {Qt::Key_Enter, {}},
            {Qt::Key_Space, Qt::AltModifier},
            {Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier},
            {Qt::Key_Space, {}}};
        for (const auto& [key, modifiers] : typed) QTest::keyClick(QGuiApplication::focusWindow(), key, modifiers);
        testsupport::pumpFor(300ms);
        EXPECT_EQ(reached(), before);
        auto& hint = testsupport::child<QLabel>(*door->window(), "keysHint");
        EXPECT_TRUE(hint.isVisible());
        if (choice == byClick) {
            QWidget& view = *door->parentWidget()->parentWidget();
            testsupport::clickAsUser(view, QPoint(20, view.height() / 2));
            int tabs = 1;
            for (QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Tab);
                 tabs < 8 && QApplication::focusWidget() != door; ++tabs)
                QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Tab);
            if (door->window() != form().wall()) {
                EXPECT_EQ(tabs, 1) << "Tabs to the door output";
            }
        }
        for (int press = 0; press < 5; ++press) chord();
        testsupport::pumpFor(300ms);
        EXPECT_EQ(reached(), before) << "the chord pressed a button";
        EXPECT_EQ(QApplication::focusWidget(), door);
        QStyleOptionButton look;
        look.initFrom(door);
        EXPECT_TRUE(look.state.testFlags(QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange))
            << "no focus mark on the door output";
        EXPECT_FALSE(hint.isVisible());
        QTest::keyClick(QGuiApplication::focusWindow(), answer);
        EXPECT_TRUE(pumpUntil([&] { return reached() > before; }));
        form().dispatch().playVideoEnd();
        form().dispatch().closeFurtherPopups();
    }
    form().dispatch().setGateways(nullptr);
}

// Two calls: the first chosen by the chord pressed in another window, the
// second coming up while the keyboard is in the first. The chord, pressed
// where the keyboard is, chooses the second (whose line asks for it) and
// presses nothing in either; the door key then opens the second caller's door.
TEST_F(CallsAboveThePlayer, TheChordChoosesTheNewestCallWhereverTheKeyboardIs) {
    std::set<std::string> framesAt2, framesAt3;
    const auto pressesAt = [](testsupport::UdpPeer& phone, std::set<std::string>& frames) {
        while (const auto frame = phone.next(0ms)) frames.insert(frame->data);
        return frames.size();
    };
    const auto popupOf = [](const char* phone) -> video::ui::TVideobild* {
        for (video::ui::TVideobild* popup : shownPopups())
            if (popup->phoneIP() == phone) return popup;
        return nullptr;
    };
    const auto chord = [](int times) {
        for (int press = 0; press < times; ++press)
            QTest::keyClick(QGuiApplication::focusWindow(), video::ui::kChooseByKeys.key(),
                            video::ui::kChooseByKeys.keyboardModifiers());
    };
    QLineEdit editor;
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    ring("127.0.0.2");
    ASSERT_TRUE(pumpUntil([&] { return popupOf("127.0.0.2") != nullptr; }));
    video::ui::TVideobild& first = *popupOf("127.0.0.2");
    auto& firstDoor = testsupport::child<QPushButton>(first, "tuerOeffner");
    ASSERT_TRUE(pumpUntil([&] { return firstDoor.isVisible(); }));
    chord(1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
    EXPECT_EQ(QApplication::focusWidget(), &firstDoor);

    ring("127.0.0.3");
    ASSERT_TRUE(pumpUntil([&] { return popupOf("127.0.0.3") != nullptr; }));
    video::ui::TVideobild& second = *popupOf("127.0.0.3");
    auto& secondDoor = testsupport::child<QPushButton>(second, "tuerOeffner");
    ASSERT_TRUE(pumpUntil([&] { return secondDoor.isVisible(); }));
    first.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
    EXPECT_TRUE(testsupport::child<QLabel>(second, "keysHint").isVisible());
    chord(5);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&second));
    EXPECT_EQ(QApplication::focusWidget(), &secondDoor);
    testsupport::pumpFor(300ms);
    EXPECT_EQ(pressesAt(phone2, framesAt2) + pressesAt(phone3, framesAt3), 0u) << "the chord pressed a button";
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Space);
    EXPECT_TRUE(pumpUntil([&] { return pressesAt(phone3, framesAt3) > 0; }));
    testsupport::pumpFor(300ms);
    EXPECT_EQ(pressesAt(phone2, framesAt2), 0u) << "the first caller's door opened";
    form().dispatch().playVideoEnd();
    form().dispatch().closeFurtherPopups();
}

// The notice of a slip in the settings file holds nothing back: it stays
// open, the file untouched, while a call comes up and its door button works.
TEST_F(CallsAboveThePlayer, ACallWhileTheSettingsNoticeIsOpenComesUpAndAnswers) {
    const std::string file = folder.write(
        "Oculon.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\r\n\"tuerDauer\"=dword:five\r\n");
    const std::string written = testsupport::readFile(file);
    {
        app::ProgramStart start(std::make_shared<platform::FileRegistryStore>(file));
        form();
        ASSERT_TRUE(start.showSettingsNotice());
        QWidget* notice = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<app::ui::SettingsNoticeWindow*>(w) && w->isVisible()) notice = w;
        ASSERT_NE(notice, nullptr);
        testsupport::pumpFor(100ms);
        ring("127.0.0.2");
        ASSERT_TRUE(pumpUntil([] { return shownPopups().size() == 1; }));
        auto* door = shownPopups().front()->findChild<QPushButton*>("tuerOeffner");
        ASSERT_TRUE(pumpUntil([&] { return door->isVisible(); }));
        click(*door);
        EXPECT_TRUE(phone2.next(2000ms)) << "the popup's door button did nothing";
        testsupport::pumpFor(500ms);
        screenshot("call-above-settings-notice");
        form().dispatch().playVideoEnd();
        EXPECT_TRUE(notice->isVisible());
        EXPECT_EQ(testsupport::readFile(file), written);
    }
    config::videoConfig = &settings;  // the start's end cleared it
}

TEST_F(CallsAboveThePlayer, WallDoorFrameAnswers) {
    settings.schreibeSurveillance(true);
    settings.schreibeDoor(true);
    settings.schreibeUeberwachungKoordinaten({0, 0, 480, 640});
    video::ui::TueberwachungForm* wall = form().wall();
    ASSERT_NE(wall, nullptr);
    withPlayerOpen([&](QWidget&) {
        ring("127.0.0.2");
        ASSERT_TRUE(pumpUntil([&] { return wall->doorVideoShown(); }));
        auto* door = wall->mainVideoFrame1.findChild<QPushButton*>("tuerOeffner");
        ASSERT_TRUE(pumpUntil([&] { return door->isVisible(); }));
        click(*door);
        EXPECT_TRUE(phone2.next(2000ms)) << "the door frame's button did nothing";
        form().dispatch().playVideoEnd();
    });
}

// Another program holds the command port: a notice names it and holds no
// call back.
// Closed by the user it stays closed while the port stays held, and comes
// again only for a port newly lost; it follows the ports as they come free
// (the channel takes its port at once) and goes once all are free.
TEST_F(CallsAboveThePlayer, APortAnotherProgramHoldsIsToldAndTheNoticeGoesOnceItIsFree) {
    auto otherProgram = std::make_unique<testsupport::UdpPeer>("0.0.0.0", 4001);
    EXPECT_FALSE(form().channel().setListening(true));
    const auto notice = [this] { return form().portNotice().box(); };
    ASSERT_TRUE(notice() && notice()->isVisible());
    EXPECT_TRUE(notice()->text().contains(QStringLiteral("UDP 4001.")) &&
                notice()->text().contains(QStringLiteral("door calls do not reach this workstation")))
        << notice()->text().toStdString();
    // Holds nothing back: no modality, and a call comes up in front of it.
    EXPECT_FALSE(notice()->isModal() || QApplication::activeModalWidget());
    screenshot("port-notice");

    ring("127.0.0.2");
    ASSERT_TRUE(pumpUntil([] { return !shownPopups().empty(); }));
    form().dispatch().playVideoEnd();

    testsupport::clickAsUser(*notice()->button(QMessageBox::Ok));
    ASSERT_TRUE(pumpUntil([&] { return notice() == nullptr; }));
    testsupport::pumpFor(500ms);  // retried meanwhile
    EXPECT_EQ(notice(), nullptr);
    const auto report = [this](std::uint16_t port, bool held) {
        platform::MainLoop::instance().post(form().handle(), platform::WM_LISTENERPORT,
                                            platform::listenerPortParam(port, held));
    };
    report(8112, true);
    ASSERT_TRUE(pumpUntil([&] { return notice() != nullptr; }));
    EXPECT_TRUE(notice()->text().contains(QStringLiteral("UDP 4001, 8112.")));

    otherProgram.reset();
    ASSERT_TRUE(pumpUntil([&] { return form().channel().listening(); }, 2s));
    ASSERT_NE(notice(), nullptr);
    EXPECT_TRUE(notice()->text().contains(QStringLiteral("UDP 8112.")));
    report(8112, false);
    EXPECT_TRUE(pumpUntil([&] { return notice() == nullptr; }, 2s));

    // A search that reaches no network is told in the same notice, which
    // takes no keyboard and goes once the search works again.
    const auto reach = [this](bool blocked) {
        platform::MainLoop::instance().post(form().handle(), platform::WM_SEARCHREACH, blocked);
    };
    reach(true);
    ASSERT_TRUE(pumpUntil([&] { return notice() != nullptr; }));
    EXPECT_TRUE(notice()->text().startsWith(QStringLiteral("The program cannot search the network")));
    EXPECT_TRUE(notice()->testAttribute(Qt::WA_ShowWithoutActivating) && !notice()->isModal());
    report(8112, true);
    ASSERT_TRUE(pumpUntil([&] { return notice()->text().contains(QStringLiteral("UDP 8112.")); }));
    reach(false);
    ASSERT_TRUE(pumpUntil([&] { return notice()->text().startsWith(QStringLiteral("Another program")); }));
    report(8112, false);
    EXPECT_TRUE(pumpUntil([&] { return notice() == nullptr; }, 2s));
    form().channel().setListening(false);
}

// A gateway that answers the search but its reads a minute late holds the
// gateway search in the library's wait for seconds on end.
TEST_F(CallsAboveThePlayer, TheCloseDoesNotWaitForAGatewayThatDoesNotAnswer) {
    testsupport::ScopedEnv tmp("TMPDIR", folder.path());  // for the program's gateway library
    const std::string log = folder.path() + "/simgateway.log";
    testsupport::ChildProcess late(
        {std::string(std::getenv("OCULON_BINARY_DIR")) + "/tools/simgateway", "--late", "60000", "--log", log},
        folder.path() + "/simgateway.out");
    app::ui::Tcopyright tray(settings, nullptr, {});
    ASSERT_TRUE(
        pumpUntil([&] { return testsupport::readFile(log).find(" heard get mine") != std::string::npos; }, 10s));
    const auto begin = std::chrono::steady_clock::now();
    tray.Beenden1Click();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 1s);
}

}  // namespace
