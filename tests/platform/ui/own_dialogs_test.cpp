// A window freed once its dialogs have returned: a dialog that is not open
// holds nothing up, and a window that goes with its parent while it waits is
// not touched again.

#include "platform/ui/OwnDialogs.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

#include "gui/QtTestKit.h"

using namespace oculon::platform::ui;
using oculon::testsupport::pumpUntil;

TEST(OwnDialogs, AWindowWhoseModalDialogIsNotOpenIsFreedAtOnce) {
    for (const bool shownBefore : {false, true}) {
        auto window = std::make_unique<QWidget>();
        auto* hidden = new QDialog(window.get());
        hidden->setWindowModality(Qt::ApplicationModal);
        if (shownBefore) {
            hidden->show();
            hidden->hide();
        }
        const QPointer<QWidget> alive(window.get());
        freeOnceItsDialogsHaveReturned(std::move(window));
        EXPECT_TRUE(pumpUntil([&] { return alive.isNull(); })) << "shown before: " << shownBefore;
    }
}

TEST(OwnDialogs, AWindowThatGoesWithItsParentWhileItWaitsIsNotTouchedAgain) {
    for (const bool freedNow : {true, false}) {
        auto parent = std::make_unique<QWidget>();
        auto* window = new QWidget(parent.get(), Qt::Window);
        auto* dialog = new QDialog(window);
        const QPointer<QWidget> alive(window);
        // The dialog's loop runs while the window waits, and its parent goes.
        QTimer::singleShot(0, dialog, [&] {
            if (freedNow) freeOnceItsDialogsHaveReturned(std::unique_ptr<QWidget>(window));
            else deleteLaterOnceItsDialogsHaveReturned(window);
            parent.reset();
        });
        dialog->exec();
        EXPECT_TRUE(alive.isNull());
        pumpUntil([] { return false; }, std::chrono::milliseconds(20));
    }
}

// The code that opened a dialog may open the next as the first goes: the
// window waits for that one too.
TEST(OwnDialogs, AWindowWaitsForEachDialogOpenedOneAfterTheOther) {
    auto window = std::make_unique<QWidget>();
    QWidget* const opener = window.get();
    const QPointer<QWidget> alive(opener);
    bool aliveInSecond = false;
    {
        QDialog first(opener);
        QTimer::singleShot(0, &first, [&] {
            freeOnceItsDialogsHaveReturned(std::move(window));
            first.reject();
        });
        first.exec();
    }
    {
        QDialog second(opener);
        QTimer::singleShot(20, &second, [&] {
            aliveInSecond = !alive.isNull();
            second.reject();
        });
        second.exec();
    }
    EXPECT_TRUE(aliveInSecond);
    EXPECT_TRUE(pumpUntil([&] { return alive.isNull(); }));
}
