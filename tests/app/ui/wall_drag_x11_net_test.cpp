// A camera dragged by a user's hand (e2e_xdrive, through XTEST) from the
// open settings dialog, which holds the program's other windows, lands on the
// wall all the same, on an empty tile and on one that shows a camera; the
// wall stays deaf to clicks.
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/copyright.h"
#include "gui/QtTestKit.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/DeviceListView.h"
#include "settings/ui/konfigForm.h"
#include "support/ChildProcess.h"
#include "video/ui/ueberwachungUnit.h"

using namespace oculon;
using namespace std::chrono_literals;
using testsupport::pumpUntil;

namespace {

struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        presses += event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

TEST(WallDrag, ACameraDraggedFromTheOpenSettingsDialogLandsOnTheTileUnderThePointer) {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (tests/gui/xvfb.sh)";
    const char* build = std::getenv("OCULON_BINARY_DIR");
    ASSERT_NE(build, nullptr) << "OCULON_BINARY_DIR names the build folder with tests/e2e_xdrive";
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    settings.schreibeSurveillance(true);
    settings.schreibeUeberwachungKoordinaten({.top = 0, .left = 0, .height = 400, .width = 500});
    settings::test::FakeDiscovery found;
    const char* const names[] = {"Hof", "Tor"};
    for (const char* name : names) {
        config::TSingleConfig camera;
        camera.Name = name;
        camera.Ip = "127.0.0.1";
        camera.Port = std::to_string(found.devices.size() + 2);  // nobody answers: the tile shows its fault
        camera.typ = config::AxisCam;
        settings.addConfig(camera);
        found.add(camera.Ip, camera.Port, name, config::AxisCam);
    }
    app::ui::Tcopyright::Options options;
    options.startWorkers = false;
    options.discovery = &found;
    app::ui::Tcopyright form(settings, nullptr, options);
    video::ui::TueberwachungForm* wall = form.wall();
    ASSERT_TRUE(wall != nullptr && QTest::qWaitForWindowExposed(wall));

    form.Konfiguration1Click();
    settings::ui::TkonfigForm* dialog = form.konfigForm();
    ASSERT_NE(dialog, nullptr);
    dialog->move(wall->frameGeometry().right() + 20, 0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTabBar* tabs = testsupport::child<QTabWidget>(*dialog, "KonfigTabs").tabBar();
    testsupport::clickAsUser(*tabs, tabs->tabRect(settings::ui::TkonfigForm::TelefonTab).center());
    auto& cameras = testsupport::child<settings::ui::DeviceListView>(*dialog, "ListView2");
    ASSERT_TRUE(pumpUntil([&] { return cameras.isVisible() && cameras.count() == 2; }));

    // The first drop lands on an empty tile, the second on the camera it left.
    QWidget& tile = wall->tile(1)->image();
    PressCounter clicks;
    tile.installEventFilter(&clicks);
    for (const int row : {0, 1}) {
        const std::string name = names[row];
        const QPoint from = cameras.viewport()->mapToGlobal(cameras.visualItemRect(cameras.item(row)).center());
        const QPoint to = tile.mapToGlobal(tile.rect().center());
        testsupport::ChildProcess hand({std::string(build) + "/tests/e2e_xdrive", "drag", std::to_string(from.x()),
                                        std::to_string(from.y()), std::to_string(to.x()), std::to_string(to.y())});
        EXPECT_TRUE(pumpUntil([&] { return !hand.running(); }, 10s)) << name;
        EXPECT_TRUE(pumpUntil([&] { return wall->videoObjekt(1) && wall->videoObjekt(1)->cameraName() == name; }))
            << name << " was not dropped";
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        testsupport::clickAsUser(tile);
        QApplication::processEvents();
        EXPECT_EQ(clicks.presses, 0) << "the wall took a click while the settings dialog was open";
    }
    dialog->reject();
}

}  // namespace
