// The popup under a window manager that frames windows (openbox on an X
// server of its own): placed before it was framed, its whole frame lies on
// the screen; only the user's drag by its title bar moves the place kept.
// It takes its picture's aspect; its owner hears where it settled, and one
// left partly off the screen, as a window manager leaves it where a screen
// went, comes back whole. A call comes up over the window the user works in,
// a fullscreen one too.
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "../TestPictures.h"
#include "gui/QtTestKit.h"
#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "video/ui/X11Desktop.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/PopupScreen.h"

namespace oculon::video::ui {
namespace {

using namespace std::chrono_literals;
using testsupport::pumpUntil;

// What the window manager tells on the root window and on a client window.
class WindowManagerView {
public:
    WindowManagerView() : c_(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection()) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }

    // Client windows, bottom to top.
    std::vector<std::uint32_t> stacking() const { return items(root_, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW); }
    std::uint32_t active() const {
        const auto w = items(root_, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
        return w.empty() ? 0 : w.front();
    }
    // The urgency hint of WM_HINTS.
    bool urgent(std::uint32_t window) const {
        const auto hints = items(window, "WM_HINTS", XCB_ATOM_WM_HINTS);
        return !hints.empty() && (hints.front() & (1U << 8)) != 0;
    }
    bool hasState(std::uint32_t window, const char* state) const {
        const auto states = items(window, "_NET_WM_STATE", XCB_ATOM_ATOM);
        return std::ranges::find(states, atom(state)) != states.end();
    }
    std::string title(std::uint32_t window) const {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 256),
                                   nullptr),
            &std::free);
        if (!reply || reply->format != 8) return {};
        return {static_cast<const char*>(xcb_get_property_value(reply.get())),
                static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
    }
    // Above `other` in the stacking order.
    bool above(std::uint32_t window, std::uint32_t other) const {
        const auto order = stacking();
        const auto at = std::ranges::find(order, window), otherAt = std::ranges::find(order, other);
        return at != order.end() && otherAt != order.end() && at > otherAt;
    }

private:
    xcb_atom_t atom(const char* name) const {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr), &std::free);
        return reply ? reply->atom : 0;
    }
    std::vector<std::uint32_t> items(std::uint32_t window, const char* name, xcb_atom_t type) const {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, atom(name), type, 0, 1024), nullptr),
            &std::free);
        if (!reply || reply->format != 32) return {};
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        return {data, data + xcb_get_property_value_length(reply.get()) / 4};
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

// openbox on the test's X server, and a camera that streams.
class PopupUnderOpenbox : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (tests/gui/xvfb.sh)";
        const char* build = std::getenv("OCULON_BINARY_DIR");
        ASSERT_NE(build, nullptr) << "OCULON_BINARY_DIR names the build folder with tests/e2e_xdrive";
        xdrive = std::string(build) + "/tests/e2e_xdrive";
        windowManager =
            std::make_unique<testsupport::ChildProcess>(std::vector<std::string>{"openbox", "--sm-disable"});
        QWidget probe;
        probe.show();
        ASSERT_TRUE(pumpUntil([&] { return framed(probe); }, 10s)) << "no window manager (openbox, scripts/setup.sh)";
        probe.hide();
        camera.setHandler([](const testsupport::RecordedRequest&) {
            return testsupport::Script::mjpeg({test::barsJpeg(320, 180)},
                                              {.interval = 50ms, .repeat = 1000, .holdOpenAtEnd = true});
        });
        station.typ = config::LindavorCam;
        station.Ip = camera.address();
        station.Port = std::to_string(camera.port());
    }

    std::string xdrive;
    std::unique_ptr<testsupport::ChildProcess> windowManager;
    testsupport::LoopbackHttpServer camera;
    config::TSingleConfig station;
};

TEST_F(PopupUnderOpenbox, TheFrameLiesOnTheScreenAndOnlyTheUsersMoveIsKept) {
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
    testsupport::ChildProcess hand({xdrive, "drag", std::to_string(grip.x()), std::to_string(grip.y()),
                                    std::to_string(grip.x() + 60), std::to_string(grip.y() + 40)});
    EXPECT_TRUE(pumpUntil([&] { return !hand.running(); }, 10s));
    const PixelRect moved{kept.left + 60, kept.top + 40, kept.width, kept.height};
    EXPECT_TRUE(pumpUntil([&] { return popup.wantedPlace() == moved; })) << popup.wantedPlace().left;
    EXPECT_TRUE(popup.placedByUser());
}

// Also run on a screen scaled by 1.5, where sizes come back rounded.
TEST_F(PopupUnderOpenbox, APopupHoldsItsPictureAndComesBackWholeFromOffTheScreen) {
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

// The window manager keeps the active fullscreen window above every other:
// there the popup takes the keyboard (no key reaches its buttons before the
// user chooses it, and Alt+F4 meant for the fullscreen window leaves it
// open); over a plain window it leaves the keyboard where it is. Both are
// urgent from before they are mapped until the user chooses them by the
// chord.
TEST_F(PopupUnderOpenbox, ACallComesUpOverTheWindowTheUserWorksIn) {
    const WindowManagerView wm;
    for (const bool fullscreen : {true, false}) {
        SCOPED_TRACE(fullscreen ? "over a fullscreen window" : "over a plain window");
        const std::string name = fullscreen ? "fullscreen work" : "work";
        std::vector<std::string> work{xdrive, "window", name};
        if (fullscreen) work.push_back("fullscreen");
        testsupport::ChildProcess other(work);
        std::uint32_t theirs = 0;
        ASSERT_TRUE(pumpUntil([&] { return wm.title(theirs = wm.active()) == name; }));
        ASSERT_EQ(activeFullscreenCovers(*QGuiApplication::primaryScreen()), fullscreen);

        TVideobild popup;
        popup.startVideo(station, false);
        const auto ours = static_cast<std::uint32_t>(popup.winId());
        EXPECT_TRUE(wm.urgent(ours)) << "not urgent at the map";
        const auto keys = [&](const char* chord) {
            testsupport::ChildProcess hand({xdrive, "key", chord});
            EXPECT_TRUE(pumpUntil([&] { return !hand.running(); }, 10s));
            testsupport::pumpFor(300ms);
        };
        if (fullscreen) {
            EXPECT_TRUE(pumpUntil([&] { return wm.active() == ours && wm.above(ours, theirs); }))
                << "the popup lies under the fullscreen window";
            keys("Alt_L+F4");
            EXPECT_TRUE(popup.isVisible() && popup.running()) << "a key closed the popup not chosen";
            EXPECT_TRUE(wm.urgent(ours));
            keys("Control_L+Alt_L+space");
            EXPECT_TRUE(pumpUntil([&] { return !wm.urgent(ours); })) << "still urgent once chosen";
        } else {
            // Mapped and stacked: the window manager has decided about the keyboard.
            ASSERT_TRUE(pumpUntil(
                [&] { return wm.above(ours, theirs) && wm.hasState(ours, "_NET_WM_STATE_DEMANDS_ATTENTION"); }));
            EXPECT_EQ(wm.active(), theirs) << "the popup took the keyboard";
        }
        popup.stopVideo();
    }
}

}  // namespace
}  // namespace oculon::video::ui
