// A camera dragged from the settings dialog's camera list onto a running
// tile of the surveillance wall: the tile takes the camera, the wall tells
// the dialog, and the surveillance page's preview shows the new camera. With
// OCULON_SCREENSHOT_DIR set, pictures of the gateway, door-intercom and
// surveillance pages.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/konfigForm.h"
#include "video/ui/ueberwachungUnit.h"
#include "video/ui/ueberwachungUnitDrag.h"

using namespace oculon;
using namespace oculon::settings;
using namespace oculon::testsupport;
using namespace std::chrono_literals;
using oculon::settings::test::FakeDiscovery;

TEST(WallDrop, ACameraFromTheDialogReplacesARunningTile) {
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    settings.schreibeSurveillance(true);
    settings.schreibeLayout(config::r2x2);
    config::TSurveillanceConfig running;
    running.name = "Einfahrt";
    running.ipAddr = "127.0.0.1";
    running.port = 1;  // nobody answers: the tile runs and shows its fault
    running.typ = config::AxisCam;
    settings.putSurvConfig("0", running);
    config::TSingleConfig yard;
    yard.Name = "Hof";
    yard.Ip = "127.0.0.1";
    yard.Port = "2";
    yard.typ = config::AxisCam;
    settings.addConfig(yard);

    FakeDiscovery found;
    found.add("127.0.0.1", "2", "Hof", config::AxisCam);
    found.add("10.77.0.9", "4001", "Tor", config::KorvatServer);
    found.addPhone("10.77.0.50", "Haus");
    auto wall = std::make_unique<video::ui::TueberwachungForm>(settings);
    wall->resize(480, 360);
    wall->show();
    ASSERT_TRUE(pumpUntil([&] { return wall->videoObjekt(0) != nullptr; }));

    ui::KonfigLinks links;
    links.settings = &settings;
    links.discovery = &found;
    links.wall = [&] { return wall.get(); };
    links.gateways = [] { return devices::TGatewayList(1); };
    ui::TkonfigForm dialog(links);
    dialog.show();
    pumpFor(50ms);
    auto& tabs = child<QTabWidget>(dialog, "KonfigTabs");
    tabs.setCurrentIndex(ui::TkonfigForm::ueberwachungTab);
    auto& panel = child<QFrame>(dialog, "LayoutPanel");
    ASSERT_EQ(panel.findChildren<ui::TmyPanel*>().size(), 4u);
    EXPECT_EQ(child<ui::TmyPanel>(dialog, "tile0").myLabel(), "0\nEinfahrt");
    EXPECT_TRUE(child<ui::TmyPanel>(dialog, "tile0").menu());
    EXPECT_FALSE(child<ui::TmyPanel>(dialog, "tile1").menu());

    auto& cameras = child<ui::DeviceListView>(dialog, "ListView2");
    cameras.setCurrentRow(0);
    const auto mime = video::ui::cameraMimeData(cameras.selectedCaption());
    QWidget& target = wall->tile(0)->image();
    const QPointF at(target.width() / 2.0, target.height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    ASSERT_TRUE(pumpUntil([&] { return wall->videoObjekt(0) && wall->videoObjekt(0)->cameraName() == "Hof"; }));
    // The wall's answer rebuilds the preview with the stored camera.
    ASSERT_TRUE(pumpUntil([&] { return child<ui::TmyPanel>(dialog, "tile0").myLabel() == "0\nHof"; }));
    EXPECT_EQ(settings.survList().at(0).second->name, "Hof");

    // The tile's menu commands go to the wall (1035): it records the camera
    // always, which the rebuilt preview shows, and then removes it.
    child<ui::TmyPanel>(dialog, "tile0").menu()->actions().at(3)->trigger();  // "always record"
    ASSERT_TRUE(pumpUntil([&] { return settings.survList().at(0).second->recording == 1; }));
    ASSERT_TRUE(pumpUntil([&] { return child<ui::TmyPanel>(dialog, "tile0").menu()->actions().at(3)->isChecked(); }));
    child<ui::TmyPanel>(dialog, "tile0").menu()->actions().front()->trigger();
    ASSERT_TRUE(pumpUntil([&] { return !child<ui::TmyPanel>(dialog, "tile0").configured(); }));
    EXPECT_EQ(wall->videoObjekt(0), nullptr);

    if (screenshotsWanted()) {
        screenshot(dialog, "surveillancePage");
        tabs.setCurrentIndex(ui::TkonfigForm::TelefonTab);
        platform::MainLoop::instance().post(dialog.handle(), platform::WM_TELUPDATEEVENT);
        screenshot(dialog, "intercomPage");
        tabs.setCurrentIndex(ui::TkonfigForm::GatewaysTab);
        screenshot(dialog, "gatewayPage");
    }
    dialog.done(0);
    wall->erlaubeSchliessen();
    wall->close();
}
