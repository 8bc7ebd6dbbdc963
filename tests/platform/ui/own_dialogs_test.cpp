// A window freed once its dialogs have returned waits for each dialog shown
// in turn, for none that is hidden, and is not touched once it has gone.

#include "platform/ui/OwnDialogs.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

#include "gui/QtTestKit.h"

using namespace oculon::platform::ui;
using oculon::testsupport::pumpUntil;

// The code that opened a dialog may open the next as the first goes.
TEST(OwnDialogs, AWindowWaitsForEachDialogShownInTurnAndForNoHiddenOne) {
    auto window = std::make_unique<QWidget>();
    QWidget* const opener = window.get();
    const QPointer<QWidget> alive(opener);
    QDialog* const hidden[] = {new QDialog(opener), new QDialog(opener)};
    for (QDialog* dialog : hidden) dialog->setWindowModality(Qt::ApplicationModal);
    hidden[1]->show();  // and hidden again
    hidden[1]->hide();
    bool aliveInSecond = false;
    for (const bool first : {true, false}) {
        QDialog dialog(opener);
        QTimer::singleShot(20, &dialog, [&] {
            if (first) freeOnceItsDialogsHaveReturned(std::move(window));
            else aliveInSecond = !alive.isNull();
            dialog.reject();
        });
        dialog.exec();
    }
    EXPECT_TRUE(aliveInSecond);
    EXPECT_TRUE(pumpUntil([&] { return alive.isNull(); }));
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
