// The main of every Qt test: one application with the program's display
// name, and the program's main loop driven by Qt's event loop.

#include <QApplication>
#include <gtest/gtest.h>

#include "platform/ui/QtLoopBackend.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName("Korvat Oculon");
    oculon::platform::QtLoopBackend loop;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
