#pragma once
// What the Qt tests share: pumping Qt's events (and with them the main loop)
// until something holds, finding a window's parts by name, answering modal
// windows as a user would, and pictures of windows for a person to look at.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace oculon::testsupport {

inline bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(8)) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count()) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline void pumpFor(std::chrono::milliseconds time) {
    pumpUntil([] { return false; }, time);
}

// The child of `parent` called `name`; a missing one fails the test by its
// name instead of crashing it.
template <typename T>
T& child(QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found) throw std::runtime_error(std::string("no child ") + name);
    return *found;
}

// Runs `act` on the window that `find` returns once there is one; none
// within 5 s fails the test instead of hanging it.
inline void onceShown(QWidget* (*find)(), std::function<void(QWidget&)> act, const char* what, int waitedMs = 0) {
    QTimer::singleShot(10, [find, act = std::move(act), what, waitedMs]() mutable {
        if (QWidget* w = find()) {
            act(*w);
        } else if (waitedMs < 5000) {
            onceShown(find, std::move(act), what, waitedMs + 10);
        } else {
            ADD_FAILURE() << "no " << what << " appeared";
        }
    });
}

// Runs `act` on the next modal window once it is up.
inline void onModal(std::function<void(QWidget&)> act) {
    onceShown(&QApplication::activeModalWidget, std::move(act), "modal window");
}

// Runs `act` on the next pop-up menu once it is up.
inline void onPopup(std::function<void(QWidget&)> act) {
    onceShown(&QApplication::activePopupWidget, std::move(act), "pop-up");
}

// A click at `at` in `widget` (its middle by default) that comes through the
// window system as a user's does, so that a window blocked by a modal one
// does not get it (a click sent to the widget itself would).
inline void clickAsUser(QWidget& widget, std::optional<QPoint> at = std::nullopt) {
    QWidget* top = widget.window();
    QWindow* window = top->windowHandle();
    ASSERT_NE(window, nullptr) << "the window is not shown";
    QTest::mouseClick(window, Qt::LeftButton, {}, widget.mapTo(top, at.value_or(widget.rect().center())));
}

// Clicks the button of `window` that carries `text` (shortcut marks aside).
inline void clickButton(QWidget& window, const QString& text) {
    for (auto* b : window.findChildren<QAbstractButton*>()) {
        if (b->text().remove('&') == text) return b->click();
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

// While it lives, answers every message box that comes up with `button` (OK
// where the box has no such button) and keeps their texts: for steps that
// may ask any number of times, where onModal() expects one window.
class BoxAnswerer {
public:
    explicit BoxAnswerer(QMessageBox::StandardButton button) {
        timer_.callOnTimeout([this, button] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible()) continue;
                texts.push_back(box->text().toStdString());
                if (QAbstractButton* b = box->button(button)) b->click();
                else box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start(10);
    }
    std::vector<std::string> texts;

private:
    QTimer timer_;
};

// With OCULON_SCREENSHOT_DIR set, saves `window` as <name>.png there after
// letting it paint; run under Xvfb with QT_QPA_PLATFORM=xcb to see the real
// window. Screenshot tests skip without it.
inline bool screenshotsWanted() {
    const char* dir = std::getenv("OCULON_SCREENSHOT_DIR");
    return dir != nullptr && *dir != '\0';
}

inline void screenshot(QWidget& window, const QString& name,
                       std::chrono::milliseconds settle = std::chrono::milliseconds(400)) {
    if (!screenshotsWanted()) return;
    window.show();
    pumpFor(settle);
    const QString dir = QString::fromLocal8Bit(std::getenv("OCULON_SCREENSHOT_DIR"));
    QDir().mkpath(dir);
    EXPECT_TRUE(window.grab().save(dir + "/" + name + ".png", "PNG")) << name.toStdString();
}

// The whole screen, for windows that lie over each other (a menu over the
// window it was opened from); see screenshot().
inline void screenshotOfScreen(const QString& name, std::chrono::milliseconds settle = std::chrono::milliseconds(400)) {
    if (!screenshotsWanted()) return;
    pumpFor(settle);
    const QString dir = QString::fromLocal8Bit(std::getenv("OCULON_SCREENSHOT_DIR"));
    QDir().mkpath(dir);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->grabWindow(0).save(dir + "/" + name + ".png", "PNG")) << name.toStdString();
}

}  // namespace oculon::testsupport
