#pragma once
// Driving the exports' modal dialogs in the player's window tests: the Qt
// loop pumped until something holds, and answers given to the compressor
// dialog and the save dialog once they are up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <string>

namespace oculon::player::test {

// Pumps Qt's events (and with them the main loop) until `done` or the time is up.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs `act` on the next modal dialog once it is up.
inline void whenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(10, [act] {
        if (QWidget* w = QApplication::activeModalWidget()) act(w);
        else whenModal(act);
    });
}

// Answers the save dialog with `file`, noting the name it proposed.
inline void answerSaveDialog(const std::string& file, QString* proposed = nullptr) {
    whenModal([=](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (proposed) *proposed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        dialog->selectFile(QString::fromStdString(file));
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

// Picks the compressor of `description` in the compressor dialog, then
// answers the save dialog with `file`.
inline void answerVideoDialogs(const QString& description, const std::string& file) {
    whenModal([=](QWidget* dialog) {
        auto* box = dialog->findChild<QComboBox*>("ComboBox1");
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(box->findText(description));
        answerSaveDialog(file);
        dialog->findChild<QPushButton*>("Button1")->click();
    });
}

}  // namespace oculon::player::test
