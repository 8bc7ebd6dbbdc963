// The names found devices, heard intercoms, gateways and the settings file
// give themselves (each hostile name of gui/HostileText.h) reach the settings
// dialog's lists, grids, tool tip, menus, preview tiles and name prompt in
// their shownText form; the grids keep them as they came for the dialog's use.
#include <QMenu>
#include <QToolTip>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "devices/NeciLibrary.h"
#include "gui/HostileText.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/KonfigUiKit.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"

using namespace oculon;
using namespace oculon::settings;
using namespace oculon::settings::ui;
using namespace oculon::settings::test;
using namespace oculon::testsupport;
using ::testing::Contains;
using ::testing::IsSupersetOf;

namespace {

std::string address(std::size_t i) { return "10.0.0." + std::to_string(10 + i); }

// The gateway library's answers: gateway i (its pseudo address ends in i)
// calls itself hostile name i.
std::shared_ptr<const devices::NeciApi> namingLibrary() {
    auto api = std::make_shared<devices::NeciApi>();
    api->Attach = [](const DS_INFO* info, int* handle) { return *handle = info->pseudo_ip_addr >> 24, 1; };
    api->Detach = [](int) { return 1; };
    api->GetName = [](int gateway, char* name) {
        return std::strncpy(name, kHostileNames.at(gateway).c_str(), NECI_NAME_SIZE), 1;
    };
    return api;
}

// The row of `grid` whose `column` holds `text` as it came.
int rowOf(const StringGrid& grid, int column, const std::string& text) {
    for (int row = 0; row < grid.rowCount(); ++row)
        if (grid.text(row, column) == text) return row;
    ADD_FAILURE() << "no row holds " << text;
    return 0;
}

// What the rows of `view` show in `column`.
std::vector<std::string> shown(QAbstractItemView& view, int column = 0) {
    std::vector<std::string> texts;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        texts.push_back(view.model()->index(row, column).data().toString().toStdString());
    return texts;
}

// The entries of the menu a right click on the row opens, its submenus'
// included; Escape closes it.
std::vector<std::string> menuOf(QAbstractItemView& view, int row) {
    clickCell(view, row, 0, Qt::RightButton);
    EXPECT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    std::vector<std::string> entries;
    for (const QMenu* m : menu->findChildren<QMenu*>() + QList{menu})
        for (const QAction* action : m->actions()) entries.push_back(entryShows(action->text()));
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() == nullptr; }));
    return entries;
}

TEST(DeviceText, ListsGridsMenusToolTipsAndPromptsShowNamesLiterallyAndGridsKeepThemAsTheyCame) {
    config::sprache = config::lang_en;
    for (const std::string& name : kHostileNames) {
        TextPrompt prompt(TextPrompt::Kind::name);
        prompt.station = name;
        prompt.show();
        EXPECT_EQ(labelShows(child<QLabel>(prompt, "adminPassPanel")),
                  "  " + config::tr(config::txtEnterName) + ": " + shownForm(name));
    }
    config::TVideoConfig settings = memorySettings();
    settings.schreibeSurveillance(true);
    settings.schreibeLayout(config::r3x3);
    FakeDiscovery found;
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        const std::string& name = kHostileNames[i];
        found.add(address(i), "80", name).FcommonName = name;
        found.addPhone("10.0.1." + std::to_string(i), name);
        found.add(name, "80", "Manual", config::AxisCam).FManuell = true;
        config::TSingleConfig door = station(name, config::AxisCam, address(i));
        door.telefonName = name;
        door.telefonIP = "10.0.1." + std::to_string(i);
        settings.addConfig(door);
        config::TSurveillanceConfig camera;
        camera.name = name;
        camera.ipAddr = address(i);
        settings.putSurvConfig(std::to_string(i), camera);
    }
    settings.schreibeUeberwachungKameras();
    KonfigLinks links;
    links.settings = &settings;
    links.discovery = &found;
    links.gateways = [] {
        devices::TGatewayList gateways;
        for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
            DS_INFO info{};
            info.pseudo_ip_addr = *devices::strToIp("10.0.2." + std::to_string(i));
            gateways.emplace_back(namingLibrary(), info);
        }
        return gateways;
    };
    TkonfigForm dialog(links);
    showActive(dialog);
    turnTo(dialog, TkonfigForm::TelefonTab);

    auto& cameras = child<DeviceListView>(dialog, "ListView2");
    auto& phones = child<StringGrid>(dialog, "telefonGrid");
    auto& assignments = child<StringGrid>(dialog, "zuordnungGrid");
    const auto servers = shown(child<DeviceListView>(dialog, "ListView1"));
    const auto gateways = shown(child<StringGrid>(dialog, "MoxaGrid"), 1);
    const auto cameraCaptions = shown(cameras);
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        const std::string& name = kHostileNames[i];
        const std::string literal = shownForm(name);
        SCOPED_TRACE(name);
        const std::string caption = address(i) + ":80\n" + literal + "\n" + literal;
        EXPECT_THAT(servers, Contains(caption));
        EXPECT_THAT(cameraCaptions, Contains(caption));
        EXPECT_THAT(gateways, Contains(literal));
        const int phone = rowOf(phones, 1, name), row = rowOf(assignments, 1, name);
        EXPECT_EQ(shown(phones, 1).at(phone), literal);
        for (const int column : {1, 3}) EXPECT_EQ(shown(assignments, column).at(row), literal);
        auto& tile = child<QWidget>(dialog, ("tile" + std::to_string(i)).c_str());
        EXPECT_EQ(labelShows(*tile.findChild<QLabel*>()), std::to_string(i) + "\n" + literal);

        // The pointer on the intercom, from off the grid (its row may scroll
        // to where the pointer is), shows its name.
        QTest::mouseMove(dialog.windowHandle(), QPoint(5, 5));
        QTest::mouseMove(dialog.windowHandle(), cellPoint(phones, phone, 1));
        ASSERT_TRUE(pumpUntil([] { return QToolTip::isVisible(); }));
        EXPECT_EQ(toolTipShows(QToolTip::text()), literal);

        EXPECT_THAT(menuOf(assignments, row), IsSupersetOf({"Delete entry: " + literal, address(i) + ":80  " + literal,
                                                            literal + ":80  Manual"}));
        // A manual camera is named by its address.
        const auto manual = std::ranges::find(cameraCaptions, literal + ":80\nManual");
        ASSERT_NE(manual, cameraCaptions.end());
        EXPECT_THAT(menuOf(cameras, static_cast<int>(manual - cameraCaptions.begin())),
                    Contains("Delete entry: " + shownForm(name + ":80")));
    }
}

}  // namespace
