// The popup under a window manager that frames windows (openbox on an X
// server of its own): placed before it was framed, its whole frame lies on
// the screen; only the user's drag by its title bar moves the place kept.
// It takes its picture's aspect; its owner hears where it settled, and one
// left partly off the screen, as a window manager leaves it where a screen
// went, comes back whole.
#include <QScreen>
#include <QTest>
#include <QWindow>
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

// openbox, and a camera that streams until the test ends.
class PopupFrame : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (tests/gui/xvfb.sh)";
        windowManager_.emplace(std::vector<std::string>{"openbox", "--sm-disable"});
        QWidget probe;
        probe.show();
        ASSERT_TRUE(pumpUntil([&] { return framed(probe); }, 10s)) << "no window manager (openbox, scripts/setup.sh)";
        camera_.setHandler([](const testsupport::RecordedRequest&) {
            return testsupport::Script::mjpeg({test::barsJpeg(320, 180)},
                                              {.interval = 50ms, .repeat = 1000, .holdOpenAtEnd = true});
        });
        station.typ = config::LindavorCam;
        station.Ip = camera_.address();
        station.Port = std::to_string(camera_.port());
    }

    config::TSingleConfig station;

private:
    std::optional<testsupport::ChildProcess> windowManager_;
    testsupport::LoopbackHttpServer camera_;
};

TEST_F(PopupFrame, TheFrameLiesOnTheScreenAndOnlyTheUsersMoveIsKept) {
    const char* build = std::getenv("OCULON_BINARY_DIR");
    ASSERT_NE(build, nullptr) << "OCULON_BINARY_DIR names the build folder with tests/e2e_xdrive";
    TVideobild popup;
    int told = 0;
    popup.placeSettled = [&] { ++told; };
    const QRect free = popup.screen()->availableGeometry();
    // On the top edge, its native window made before it could be framed.
    popup.move(free.left() + 100, free.top());
    popup.winId();
    popup.startVideo(station, false);
    // Until it is framed it stands where it asked to.
    EXPECT_EQ(popup.standsAt(), (PixelRect{free.left() + 100, free.top(), popup.width(), popup.height()}));
    auto& image = testsupport::child<VideoImage>(popup, "Image1");
    ASSERT_TRUE(pumpUntil([&] { return framed(popup) && image.pictureCount() >= 3; }));
    EXPECT_TRUE(pumpUntil([&] { return told > 0; })) << "the owner never heard where it settled";
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
    EXPECT_TRUE(popup.placedByUser());
}

// Also run on a screen scaled by 1.5, where sizes come back rounded.
TEST_F(PopupFrame, APopupHoldsItsPictureAndComesBackWholeFromOffTheScreen) {
    TVideobild popup;
    int told = 0;
    popup.placeSettled = [&] { ++told; };
    popup.resize(400, 345);
    popup.startVideo(station, false);
    auto& image = testsupport::child<VideoImage>(popup, "Image1");
    ASSERT_TRUE(pumpUntil([&] { return framed(popup) && told > 0 && image.pictureCount() >= 3; }));
    const auto holdsPicture = [&] {
        return std::abs(popup.width() - (popup.height() - kPopupHeaderHeight) * 16 / 9.0) <= 1.5;
    };
    EXPECT_TRUE(pumpUntil(holdsPicture)) << popup.width() << "x" << popup.height();
    const QRect free = popup.screen()->availableGeometry();
    const auto frame = [&] { return popup.windowHandle()->frameGeometry(); };
    ASSERT_TRUE(pumpUntil([&] { return free.contains(frame()); }));
    // The owner moves it: over the others, where it was sent.
    popup.placeAt({free.left() + 200, free.top() + 50, popup.width(), popup.height()});
    EXPECT_TRUE(pumpUntil([&] { return frame().topLeft() == free.topLeft() + QPoint(200, 50); }));
    // Where a screen went, the window manager keeps only its corner on the screen.
    told = 0;
    popup.move(free.right() - 60, free.top() + 50);
    EXPECT_TRUE(pumpUntil([&] { return free.contains(frame()) && told > 0; })) << frame().left();
    EXPECT_FALSE(popup.placedByUser());
}

}  // namespace
}  // namespace oculon::video::ui
