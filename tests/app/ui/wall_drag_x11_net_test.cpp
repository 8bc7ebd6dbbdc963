// A camera dragged from the settings dialog's camera list onto the running
// wall by a user's hand on a real X server: the button goes down on the list
// item, the pointer travels over to a tile and lets go there (e2e_xdrive,
// through XTEST). The dialog is open as the program opens it, holding the
// program's other windows; the drop reaches the wall all the same, on an
// empty tile and on one that shows a camera, and the wall stays deaf to
// clicks.
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/copyright.h"
#include "config/sprachen.h"
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

config::TSingleConfig station(const char* name, const char* port) {
    config::TSingleConfig s;
    s.Name = name;
    s.Ip = "127.0.0.1";
    s.Port = port;  // nobody answers: the tile runs and shows its fault
    s.typ = config::AxisCam;
    return s;
}

// Counts the presses that reach a widget.
class PressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        presses += event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

TEST(WallDrag, ACameraDraggedFromTheOpenSettingsDialogLandsOnTheTileUnderThePointer) {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (tests/gui/xvfb.sh)";
    const char* build = std::getenv("OCULON_BINARY_DIR");
    ASSERT_NE(build, nullptr) << "OCULON_BINARY_DIR names the build folder with tests/e2e_xdrive";
    const std::string xdrive = std::string(build) + "/tests/e2e_xdrive";
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    settings.schreibeSurveillance(true);
    settings.schreibeLayout(config::r2x2);
    settings.schreibeUeberwachungKoordinaten({.top = 0, .left = 0, .height = 400, .width = 500});
    config::TSurveillanceConfig running;
    running.name = "Einfahrt";
    running.ipAddr = "127.0.0.1";
    running.port = 1;
    running.typ = config::AxisCam;
    settings.putSurvConfig("0", running);
    settings::test::FakeDiscovery found;
    for (const auto& [name, port] : {std::pair{"Hof", "2"}, std::pair{"Tor", "3"}}) {
        settings.addConfig(station(name, port));
        found.add("127.0.0.1", port, name, config::AxisCam);
    }

    app::ui::Tcopyright::Options options;
    options.startWorkers = false;
    options.discovery = &found;
    app::ui::Tcopyright form(settings, nullptr, options);
    video::ui::TueberwachungForm* wall = form.wall();
    ASSERT_NE(wall, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wall));
    ASSERT_TRUE(pumpUntil([&] { return wall->videoObjekt(0) != nullptr; }));

    form.Konfiguration1Click();
    settings::ui::TkonfigForm* dialog = form.konfigForm();
    ASSERT_NE(dialog, nullptr);
    dialog->move(wall->frameGeometry().right() + 20, 0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTabBar* tabs = testsupport::child<QTabWidget>(*dialog, "KonfigTabs").tabBar();
    testsupport::clickAsUser(*tabs, tabs->tabRect(settings::ui::TkonfigForm::TelefonTab).center());
    auto& cameras = testsupport::child<settings::ui::DeviceListView>(*dialog, "ListView2");
    ASSERT_TRUE(pumpUntil([&] { return cameras.isVisible() && cameras.count() == 2; }));

    PressCounter clicks;
    for (const auto& [tile, row, name] : {std::tuple{1, 0, "Hof"}, std::tuple{0, 1, "Tor"}}) {
        QWidget& target = wall->tile(tile)->image();
        target.installEventFilter(&clicks);
        const QPoint from = cameras.viewport()->mapToGlobal(cameras.visualItemRect(cameras.item(row)).center());
        const QPoint to = target.mapToGlobal(target.rect().center());
        testsupport::ChildProcess hand({xdrive, "drag", std::to_string(from.x()), std::to_string(from.y()),
                                        std::to_string(to.x()), std::to_string(to.y())});
        EXPECT_TRUE(pumpUntil([&] { return !hand.running(); }, 10s)) << name;
        EXPECT_TRUE(pumpUntil([&, tile = tile, name = name] {
            return wall->videoObjekt(tile) && wall->videoObjekt(tile)->cameraName() == name;
        })) << name
            << " was not dropped on tile " << tile;
        // The dialog still holds the wall: a click on the tile does not reach it.
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        testsupport::clickAsUser(target);
        QApplication::processEvents();
        EXPECT_EQ(clicks.presses, 0) << "the wall took a click while the settings dialog was open";
    }
    dialog->reject();
}

}  // namespace
