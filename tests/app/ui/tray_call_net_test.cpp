// The main form with its real threads inside the network namespace: a
// telephone calling for this workstation brings up the popup (and stops the
// screen saver), its idle telegram takes it down, and the close ends every
// thread in time.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/ui/copyright.h"
#include "config/sprachen.h"
#include "devices/TelegramText.h"
#include "support/ChildProcess.h"
#include "platform/ui/QtLoopBackend.h"
#include "support/UdpPeer.h"
#include "video/ui/HauptProgramm.h"

using namespace oculon;

namespace {

std::string telephoneTelegram(int sequence, int code, const std::string& text) {
    std::string t = devices::upperHex(static_cast<unsigned>(sequence), 2) + " " +
                    devices::upperHex(static_cast<unsigned>(code), 2) + " " + text;
    t.resize(30, ' ');
    devices::appendAdditiveChecksum(t);
    return t;
}

video::ui::TVideobild* shownPopup() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<video::ui::TVideobild*>(w); p && p->isVisible()) return p;
    }
    return nullptr;
}

// Sends the telegram every 300 ms (the discovery thread opens its listeners
// a few seconds after its start) until `done` holds.
bool sendUntil(testsupport::UdpPeer& phone, int& sequence, int code, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        phone.sendTo("10.77.0.1", 8112, telephoneTelegram(++sequence, code, "ws1"));
        QElapsedTimer step;
        step.start();
        while (step.elapsed() < 300) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            if (done()) return true;
        }
    }
    return false;
}

TEST(TrayCall, TelephoneCallShowsThePopupAndIdleEndsIt) {
    testsupport::TempDir dir;
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    settings.schreibeID("WS1");
    config::TSingleConfig station;
    station.Name = "Front door";
    station.telefonIP = "10.77.0.2";
    station.Ip = "10.77.0.2";
    station.Port = "1";  // nothing answers: the popup shows its fault
    settings.addConfig(station);

    platform::QtLoopBackend loop;
    int screenSaverStops = 0;
    app::ui::Tcopyright::Options options;
    options.screenSaverStop = [&] { ++screenSaverStops; };
    app::ui::Tcopyright form(settings, nullptr, options);
    testsupport::UdpPeer phone("10.77.0.2", 0);
    int sequence = 10;
    ASSERT_TRUE(sendUntil(phone, sequence, 0x01, [&] { return shownPopup() != nullptr; }));
    EXPECT_EQ(screenSaverStops, 1);
    EXPECT_EQ(form.dispatch().actIP(), "10.77.0.2");
    EXPECT_NE(shownPopup()->windowTitle().toStdString().find("Front door"), std::string::npos);

    ASSERT_TRUE(sendUntil(phone, sequence, 0x02, [&] { return shownPopup() == nullptr; }));
    EXPECT_EQ(form.dispatch().actIP(), "");

    QElapsedTimer clock;
    clock.start();
    form.Beenden1Click();
    EXPECT_TRUE(form.closed());
    EXPECT_TRUE(form.workersStopped());
    EXPECT_LT(clock.elapsed(), 12000);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName("Korvat Oculon");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
