// The popup under a window manager that frames windows (openbox on an X
// server of its own): placed before it was framed, its whole frame lies on
// the screen; only the user's drag by its title bar moves the place kept.
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "../TestPictures.h"
#include "gui/QtTestKit.h"
#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/PopupScreen.h"

namespace oculon::video::ui {
namespace {

using namespace std::chrono_literals;
using testsupport::pumpUntil;

TEST(PopupFrame, TheFrameLiesOnTheScreenAndOnlyTheUsersMoveIsKept) {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (tests/gui/xvfb.sh)";
    const char* build = std::getenv("OCULON_BINARY_DIR");
    ASSERT_NE(build, nullptr) << "OCULON_BINARY_DIR names the build folder with tests/e2e_xdrive";
    testsupport::ChildProcess windowManager({"openbox", "--sm-disable"});
    QWidget probe;
    probe.show();
    ASSERT_TRUE(pumpUntil([&] { return framed(probe); }, 10s)) << "no window manager (openbox, scripts/setup.sh)";
    probe.hide();

    testsupport::LoopbackHttpServer camera;
    camera.setHandler([](const testsupport::RecordedRequest&) {
        return testsupport::Script::mjpeg({test::barsJpeg(320, 180)},
                                          {.interval = 50ms, .repeat = 1000, .holdOpenAtEnd = true});
    });
    config::TSingleConfig station;
    station.typ = config::LindavorCam;
    station.Ip = camera.address();
    station.Port = std::to_string(camera.port());
    TVideobild popup;
    const QRect free = popup.screen()->availableGeometry();
    // On the top edge, its native window made before it could be framed.
    popup.move(free.left() + 100, free.top());
    popup.winId();
    popup.startVideo(station, false);
    auto& image = testsupport::child<VideoImage>(popup, "Image1");
    ASSERT_TRUE(pumpUntil([&] { return framed(popup) && image.pictureCount() >= 3; }));
    const auto frame = [&] { return popup.windowHandle()->frameGeometry(); };
    EXPECT_TRUE(pumpUntil([&] { return free.contains(frame()); })) << "frame at " << frame().top();
    const PixelRect kept = popup.wantedPlace();
    EXPECT_EQ(QPoint(kept.left, kept.top), QPoint(free.left() + 100, free.top()));

    const QPoint grip(frame().center().x(), (frame().top() + popup.windowHandle()->geometry().top()) / 2);
    testsupport::ChildProcess hand({std::string(build) + "/tests/e2e_xdrive", "drag", std::to_string(grip.x()),
                                    std::to_string(grip.y()), std::to_string(grip.x() + 60),
                                    std::to_string(grip.y() + 40)});
    EXPECT_TRUE(pumpUntil([&] { return !hand.running(); }, 10s));
    const PixelRect moved{kept.left + 60, kept.top + 40, kept.width, kept.height};
    EXPECT_TRUE(pumpUntil([&] { return popup.wantedPlace() == moved; })) << popup.wantedPlace().left;
}

}  // namespace
}  // namespace oculon::video::ui
