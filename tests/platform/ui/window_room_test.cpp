// Where the program's windows may stand: a frame left where a screen has
// gone, or beyond a free area that shrank, comes back wholly into the room
// of the nearest screen; and every window of the program does so when a
// screen goes, the windows the others keep clear of first.

#include "platform/ui/WindowRoom.h"

#include <QDialog>
#include <QScreen>
#include <gtest/gtest.h>

#include <string>

#include "gui/QtTestKit.h"

using namespace oculon::platform::ui;
using oculon::testsupport::pumpUntil;

namespace {

std::string text(const QRect& r) {
    return std::to_string(r.left()) + "," + std::to_string(r.top()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

TEST(WindowRoom, AFrameComesBackIntoTheNearestRoom) {
    // A wide screen with a panel on top and a laptop's right of it; the
    // laptop alone where the wide one has gone.
    const std::vector<QRect> two{{0, 24, 1920, 1056}, {1920, 0, 1366, 768}};
    const std::vector<QRect> laptopLeft{{1920, 0, 1366, 768}};
    struct Case {
        QRect frame;
        std::vector<QRect> rooms;
        std::string back;
        int nearest;
    };
    const std::vector<Case> cases = {
        {{100, 100, 600, 400}, two, "100,100 600x400", 0},
        {{2000, 100, 600, 400}, two, "2000,100 600x400", 1},
        // Across both: into the one that holds most of it.
        {{1500, 100, 600, 400}, two, "1320,100 600x400", 0},
        {{1800, 100, 600, 400}, two, "1920,100 600x400", 1},
        // Beyond the free area: below the panel, above the laptop's edge.
        {{300, 0, 600, 400}, two, "300,24 600x400", 0},
        {{2500, 500, 600, 400}, two, "2500,368 600x400", 1},
        // Where the wide screen was: to the laptop's left edge, as large as it at most.
        {{100, 100, 600, 400}, laptopLeft, "1920,100 600x400", 0},
        {{0, 0, 1920, 1080}, laptopLeft, "1920,0 1366x768", 0},
        // Nowhere near a screen: into the nearest one's corner.
        {{5000, 2000, 300, 200}, two, "2986,568 300x200", 1},
        {{-900, -900, 300, 200}, two, "0,24 300x200", 0},
        {{10, 10, 300, 200}, {}, "10,10 300x200", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text(backIntoRooms(c.frame, c.rooms)), c.back) << text(c.frame);
        EXPECT_EQ(nearestArea(c.frame, c.rooms), c.nearest) << text(c.frame);
    }
}

// A call's dialog goes beside the call's window, on the side with most room,
// as large as that room allows; where no side has room enough, nowhere.
TEST(WindowRoom, AWindowBesideAnotherHidesNothingOfIt) {
    const QRect room{0, 0, 1280, 1024};
    const std::vector<std::pair<QRect, std::string>> cases = {
        {{80, 40, 648, 552}, "64,592 680x432"},   // below, a little lower
        {{600, 300, 640, 400}, "0,280 600x440"},  // left, a little narrower
        {{0, 0, 1280, 1024}, "none"},
    };
    for (const auto& [other, place] : cases) {
        const auto found = besideInRoom(other, {680, 440}, {300, 250}, room);
        EXPECT_EQ(found ? text(*found) : "none", place) << text(other);
        EXPECT_FALSE(found && found->intersects(other));
    }
}

// What the program has open when a screen goes: the menu window on the
// bottom edge, the wall and a dialog where the screen was, a window larger
// than the screen left, a popup that comes back by a rule of its own; a
// hidden window stays where it is.
TEST(WindowRoom, EveryWindowComesBackOntoTheScreensWhenAScreenGoes) {
    followScreenChanges();
    followScreenChanges();  // once is enough: no second round
    QScreen& screen = *QGuiApplication::primaryScreen();
    const QRect free = screen.availableGeometry();
    const QPoint gone = free.topRight() + QPoint(1, 0);  // where the screen that went began

    QWidget menuWindow(nullptr, Qt::Window);
    menuWindow.setFixedSize(240, 56);
    keepWindowsClearOf(menuWindow);
    QWidget wall(nullptr, Qt::Window);
    QDialog dialog(&wall);
    QWidget large(nullptr, Qt::Window);
    QWidget popup(nullptr, Qt::Window);
    QWidget hidden(nullptr, Qt::Window);
    int popupRounds = 0;
    comeBackBy(popup, [&] {
        popup.move(free.topLeft());
        ++popupRounds;
    });
    const std::vector<std::pair<QWidget*, QRect>> placed = {
        {&menuWindow, {gone + QPoint(400, free.height() - 56), QSize(240, 56)}},
        {&wall, {gone + QPoint(300, 100), QSize(560, 420)}},
        {&large, {free.topLeft() + QPoint(50, 50), free.size() + QSize(300, 200)}},
        {&popup, {gone + QPoint(20, 20), QSize(320, 240)}},
        {&hidden, {gone + QPoint(20, 20), QSize(320, 240)}},
    };
    for (const auto& [window, at] : placed) {
        window->resize(at.size());
        window->move(at.topLeft());
        if (window != &hidden) window->show();
    }
    dialog.resize(300, 150);
    dialog.move(gone.x() + 200, 300);
    dialog.show();
    for (QWidget* window : {&menuWindow, &wall, static_cast<QWidget*>(&dialog), &large, &popup})
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    emit qGuiApp->screenRemoved(&screen);
    emit screen.availableGeometryChanged(free);
    ASSERT_TRUE(pumpUntil([&] { return popupRounds > 0; }));
    EXPECT_EQ(popupRounds, 1);
    EXPECT_EQ(popup.pos(), free.topLeft());
    // The menu window on the bottom edge of the screen left, the others above it.
    EXPECT_EQ(menuWindow.frameGeometry().bottom(), free.bottom());
    EXPECT_EQ(menuWindow.frameGeometry().right(), free.right());
    const QRect room = roomForWindows(screen);
    EXPECT_EQ(room.bottom(), menuWindow.frameGeometry().top() - 1);
    for (const QWidget* window : {&wall, static_cast<QWidget*>(&dialog), &large}) {
        EXPECT_TRUE(room.contains(window->frameGeometry()))
            << window->metaObject()->className() << " at " << text(window->frameGeometry());
    }
    // Moved in as little as possible; the larger one made as large as the room.
    EXPECT_EQ(wall.frameGeometry().right(), free.right());
    EXPECT_EQ(wall.frameGeometry().top(), free.top() + 100);
    EXPECT_EQ(large.frameGeometry(), room);
    EXPECT_EQ(hidden.pos(), gone + QPoint(20, 20));
}

}  // namespace
