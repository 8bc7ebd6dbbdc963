#include "platform/ui/WindowRoom.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>

namespace oculon::platform::ui {

namespace {

constexpr const char* kKeepClear = "oculonKeepWindowsClear";
constexpr const char* kFollowClear = "oculonFollowWindowsKeptClear";
constexpr const char* kComeBack = "oculonComeBack";

// What the window manager's title bar and borders add, until a window has
// been framed.
constexpr QSize kFrameGuess(12, 40);

QSize frameExtra(const QWidget& window) {
    const QSize extra = frameAdded(window);
    return extra.isEmpty() ? kFrameGuess : extra;
}

// The way back onto the screens of a window with a place rule of its own;
// it goes with the window.
class ComeBack : public QObject {
public:
    ComeBack(QWidget& window, std::function<void()> run) : QObject(&window), run_(std::move(run)) {
        setObjectName(QString::fromLatin1(kComeBack));
    }
    void run() const { run_(); }
    void setRun(std::function<void()> run) { run_ = std::move(run); }

private:
    std::function<void()> run_;
};

ComeBack* comeBackOf(const QWidget& window) {
    return dynamic_cast<ComeBack*>(
        window.findChild<QObject*>(QString::fromLatin1(kComeBack), Qt::FindDirectChildrenOnly));
}

bool keptClear(const QWidget& window) { return window.property(kKeepClear).toBool(); }

// The program's windows that stand on a screen, shown or minimised; not
// menus and tool tips, which go by themselves.
std::vector<QPointer<QWidget>> windowsOnScreens() {
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (!top->isWindow() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop) continue;
        if (top->isVisible() || top->isMinimized()) windows.emplace_back(top);
    }
    std::ranges::stable_partition(windows, [](const QPointer<QWidget>& w) { return keptClear(*w); });
    return windows;
}

// Back wholly onto the screens, by the window's own rule where it has one.
void comeBack(QWidget& window) {
    if (const ComeBack* own = comeBackOf(window)) {
        own->run();
    } else {
        bringBackIntoRoom(window);
    }
}

// Gives every window its way back once the screens have changed; the
// changes of one moment (a screen gone, the others' free areas after it)
// make one round.
class ScreenFollower : public QObject {
public:
    explicit ScreenFollower(QObject* parent) : QObject(parent) {
        round_.setSingleShot(true);
        round_.setInterval(0);
        connect(&round_, &QTimer::timeout, this, [] { bringAllBack(); });
        for (QScreen* screen : QGuiApplication::screens()) follow(*screen);
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
            follow(*screen);
            round_.start();
        });
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { round_.start(); });
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this] { round_.start(); });
    }

private:
    void follow(QScreen& screen) {
        connect(&screen, &QScreen::geometryChanged, this, [this] { round_.start(); });
        connect(&screen, &QScreen::availableGeometryChanged, this, [this] { round_.start(); });
    }

    static void bringAllBack() {
        for (const QPointer<QWidget>& window : windowsOnScreens()) {
            if (window) comeBack(*window);
        }
    }

    QTimer round_;
};

// Watches a window the others keep clear of: when it comes up or moves, the
// windows that follow it and that it now covers come back into their room.
class ClearOfIt : public QObject {
public:
    explicit ClearOfIt(QWidget& window) : QObject(&window), window_(window) {
        round_.setSingleShot(true);
        round_.setInterval(0);
        connect(&round_, &QTimer::timeout, this, [this] { moveFollowers(); });
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == &window_ && (type == QEvent::Show || type == QEvent::Move)) round_.start();
        return false;
    }

private:
    void moveFollowers() {
        if (!window_.isVisible() || window_.isMinimized()) return;
        const QRect covered = window_.frameGeometry();
        for (const QPointer<QWidget>& window : windowsOnScreens()) {
            if (window && window->property(kFollowClear).toBool() && window->frameGeometry().intersects(covered))
                comeBack(*window);
        }
    }

    QWidget& window_;
    QTimer round_;
};

// How far apart two rectangles are; 0 where they meet.
double distance(const QRect& a, const QRect& b) {
    const auto gap = [](int lo1, int hi1, int lo2, int hi2) { return std::max({0, lo2 - hi1, lo1 - hi2}); };
    return std::hypot(gap(a.left(), a.right(), b.left(), b.right()), gap(a.top(), a.bottom(), b.top(), b.bottom()));
}

// Puts `window` on `screen`, its frame centred in the room for windows
// there (as far as the room holds it, its top left corner in the room).
void centreOn(QWidget& window, QScreen& screen) {
    if (window.isWindow() && window.screen() != &screen) window.setScreen(&screen);
    const QRect room = roomForWindows(screen);
    QRect frame(QPoint(), window.size() + frameExtra(window));
    frame.moveCenter(room.center());
    window.move(std::max(frame.left(), room.left()), std::max(frame.top(), room.top()));
}

}  // namespace

QSize frameAdded(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    if (handle == nullptr) return {};
    const QMargins margins = handle->frameMargins();
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

void keepWindowsClearOf(QWidget& window) {
    if (keptClear(window)) return;
    window.setProperty(kKeepClear, true);
    new ClearOfIt(window);  // the window's child
}

void followWindowsKeptClear(QWidget& window) { window.setProperty(kFollowClear, true); }

QRect roomForWindows(const QScreen& screen, const QWidget* except) {
    QRect room = screen.availableGeometry();
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top == except || !keptClear(*top) || !top->isVisible() || top->isMinimized()) continue;
        const QRect frame = top->frameGeometry();
        // Only a window on the bottom edge of this screen: one the user moved
        // elsewhere takes no strip from the others.
        if (!room.intersects(frame) || frame.bottom() < room.bottom()) continue;
        room.setBottom(std::min(room.bottom(), frame.top() - 1));
    }
    return room;
}

int nearestArea(const QRect& frame, const std::vector<QRect>& areas) {
    int best = -1;
    long long mostShared = 0;
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const QRect shared = areas[i].intersected(frame);
        const long long area = shared.isEmpty() ? 0 : static_cast<long long>(shared.width()) * shared.height();
        const double away = distance(frame, areas[i]);
        if (area > mostShared || (mostShared == 0 && area == 0 && away < nearest)) {
            best = static_cast<int>(i);
            mostShared = area;
            nearest = away;
        }
    }
    return best;
}

QScreen* screenNearest(const QRect& frame) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::vector<QRect> areas;
    for (const QScreen* screen : screens) areas.push_back(screen->geometry());
    const int i = nearestArea(frame, areas);
    return i < 0 ? nullptr : screens[i];
}

bool wholeOnAScreen(const QRect& frame) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::ranges::any_of(screens, [&](const QScreen* screen) { return screen->geometry().contains(frame); });
}

QRect backIntoRooms(const QRect& frame, const std::vector<QRect>& rooms) {
    if (std::ranges::any_of(rooms, [&](const QRect& room) { return room.contains(frame); })) return frame;
    const int i = nearestArea(frame, rooms);
    if (i < 0 || rooms[static_cast<std::size_t>(i)].isEmpty()) return frame;
    const QRect& room = rooms[static_cast<std::size_t>(i)];
    QRect back(frame.topLeft(), frame.size().boundedTo(room.size()));
    back.moveLeft(std::clamp(back.left(), room.left(), room.right() + 1 - back.width()));
    back.moveTop(std::clamp(back.top(), room.top(), room.bottom() + 1 - back.height()));
    return back;
}

QScreen* screenToOpenOn(const QWidget& window) {
    if (const QWidget* parent = window.parentWidget(); parent != nullptr && parent->window()->isVisible())
        return parent->window()->screen();
    if (QScreen* pointed = QGuiApplication::screenAt(QCursor::pos())) return pointed;
    return QGuiApplication::primaryScreen();
}

QSize roomToOpenIn(const QWidget& window) {
    const QScreen* screen = screenToOpenOn(window);
    if (screen == nullptr) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return roomForWindows(*screen).size() - frameExtra(window);
}

void centreInRoom(QWidget& window) {
    if (QScreen* screen = screenToOpenOn(window)) centreOn(window, *screen);
}

std::optional<QRect> besideInRoom(const QRect& other, const QSize& wanted, const QSize& least, const QRect& room) {
    const QRect sides[] = {
        {QPoint(other.right() + 1, room.top()), room.bottomRight()},    // right
        {QPoint(room.left(), other.bottom() + 1), room.bottomRight()},  // below
        {room.topLeft(), QPoint(other.left() - 1, room.bottom())},      // left
        {room.topLeft(), QPoint(room.right(), other.top() - 1)},        // above
    };
    std::optional<QRect> best;
    for (const QRect& free : sides) {
        const QRect side = free.intersected(room);
        if (side.width() < least.width() || side.height() < least.height()) continue;
        QRect place(QPoint(), wanted.boundedTo(side.size()));
        place.moveCenter(other.center());
        // Against `other`, so that it reads as belonging to it.
        if (free.left() > other.right()) place.moveLeft(side.left());
        else if (free.top() > other.bottom()) place.moveTop(side.top());
        else if (free.right() < other.left()) place.moveRight(side.right());
        else place.moveBottom(side.bottom());
        place.moveLeft(std::clamp(place.left(), side.left(), side.right() + 1 - place.width()));
        place.moveTop(std::clamp(place.top(), side.top(), side.bottom() + 1 - place.height()));
        const auto area = [](const QRect& r) { return static_cast<long long>(r.width()) * r.height(); };
        if (!best || area(place) > area(*best)) best = place;
    }
    return best;
}

void placeBeside(QWidget& window, const QWidget& other) {
    QScreen* screen = other.screen();
    if (screen == nullptr) return centreInRoom(window);
    const QSize extra = frameExtra(window);
    const std::optional<QRect> place = besideInRoom(other.frameGeometry(), window.size() + extra,
                                                    window.minimumSizeHint() + extra, roomForWindows(*screen));
    if (!place) return centreOn(window, *screen);
    if (window.isWindow() && window.screen() != screen) window.setScreen(screen);
    window.resize(place->size() - extra);
    window.move(place->topLeft());
}

void bringBackIntoRoom(QWidget& window) {
    if (window.isMaximized() || window.isFullScreen()) return;
    std::vector<QRect> rooms;
    for (const QScreen* screen : QGuiApplication::screens()) rooms.push_back(roomForWindows(*screen, &window));
    const QRect frame = window.frameGeometry();
    const QRect back = backIntoRooms(frame, rooms);
    if (back == frame) return;
    // A window that cannot be made as small keeps its top left corner in the room.
    if (back.size() != frame.size()) window.resize(window.size() - (frame.size() - back.size()));
    window.move(back.topLeft());
}

void comeBackBy(QWidget& window, std::function<void()> comeBack) {
    if (ComeBack* own = comeBackOf(window)) {
        own->setRun(std::move(comeBack));
    } else {
        new ComeBack(window, std::move(comeBack));  // the window's child
    }
}

void followScreenChanges() {
    static QPointer<ScreenFollower> follower;
    if (follower == nullptr && qGuiApp != nullptr) follower = new ScreenFollower(qGuiApp);
}

}  // namespace oculon::platform::ui
