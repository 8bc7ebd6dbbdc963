#pragma once
// What the settings dialog's window tests share: pumping the event loop,
// finding children by name, answering message boxes, and pictures of real
// windows when OCULON_SCREENS names a folder (run under Xvfb with
// QT_QPA_PLATFORM=xcb).

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace oculon::settings::test {

inline void pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

inline bool pumpUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

template <typename T>
T& child(QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found) throw std::runtime_error(std::string("no child ") + name);
    return *found;
}

// Answers every message box that comes up with `button` and keeps its text.
class BoxAnswerer : public QObject {
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

// The folder for pictures of the windows, or nullptr.
inline const char* screenshotFolder() { return std::getenv("OCULON_SCREENS"); }

inline void shoot(QWidget& w, const std::string& name) {
    const char* folder = screenshotFolder();
    if (!folder) return;
    w.raise();
    pump(300);
    const QRect frame = w.frameGeometry();
    w.screen()
        ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

}  // namespace oculon::settings::test
