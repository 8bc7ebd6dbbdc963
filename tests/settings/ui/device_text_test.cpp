// What devices found, intercoms heard, gateways and the settings file call
// themselves reaches the settings dialog as literal text: each hostile name
// (gui/HostileText.h) as a video server's name and common name, an
// intercom's name, a gateway's name, a stored station's and wall camera's
// name and a manual camera's address shows in its shownText form in the
// device lists, the grids and their tool tip, the menus (a "&" as it stands),
// the surveillance preview and the name prompt, while the grids keep the
// names as they came for the dialog's own use.
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "devices/NeciLibrary.h"
#include "gui/HostileText.h"
#include "gui/QtTestKit.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"

using namespace oculon;
using namespace oculon::settings;
using namespace oculon::settings::ui;
using namespace oculon::testsupport;

namespace {

std::string address(std::size_t i) { return "10.0.0." + std::to_string(10 + i); }

// The gateway library's answers: gateway i (its pseudo address ends in i)
// calls itself hostile name i.
std::shared_ptr<const devices::NeciApi> namingLibrary() {
    auto api = std::make_shared<devices::NeciApi>();
    api->Attach = [](const DS_INFO* info, int* handle) {
        *handle = static_cast<int>(info->pseudo_ip_addr >> 24);  // the last octet
        return 1;
    };
    api->Detach = [](int) { return 1; };
    api->GetName = [](int handle, char* name) {
        std::strncpy(name, kHostileNames.at(static_cast<std::size_t>(handle)).c_str(), NECI_NAME_SIZE);
        return 1;
    };
    return api;
}

class DeviceText : public ::testing::Test {
protected:
    DeviceText() {
        config::sprache = config::lang_en;
        settings.schreibeSurveillance(true);
        settings.schreibeLayout(config::r3x3);
        for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
            const std::string& name = kHostileNames[i];
            found.add(address(i), "80", name).FcommonName = name;
            found.addPhone("10.0.1." + std::to_string(i), name);
            found.add(name, "80", "Manual", config::AxisCam).FManuell = true;
            config::TSingleConfig station;
            station.typ = config::AxisCam;
            station.Name = name;
            station.Ip = address(i);
            station.Port = "80";
            station.telefonName = name;
            station.telefonIP = "10.0.1." + std::to_string(i);
            settings.addConfig(station);
            config::TSurveillanceConfig camera;
            camera.name = name;
            camera.ipAddr = address(i);
            settings.putSurvConfig(std::to_string(i), camera);
        }
        settings.schreibeUeberwachungKameras();
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
        dialog = std::make_unique<TkonfigForm>(links);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    void showPage(TkonfigForm::Page page) { child<QTabWidget>(*dialog, "KonfigTabs").setCurrentIndex(page); }

    // The row of `grid` whose `column` holds `text` as it came.
    static int rowOf(const StringGrid& grid, int column, const std::string& text) {
        for (int row = 0; row < grid.rowCount(); ++row)
            if (grid.text(row, column) == text) return row;
        ADD_FAILURE() << "no row holds " << text;
        return 0;
    }

    // Where the pointer goes for a cell, in its window, the cell in view.
    static QPoint cellAt(StringGrid& grid, int row, int column) {
        grid.scrollToItem(grid.item(row, column));
        const QPoint centre = grid.visualItemRect(grid.item(row, column)).center();
        return grid.viewport()->mapTo(grid.window(), centre);
    }

    // The menu a user's right click on the row opens.
    static QMenu& menuOfRow(StringGrid& grid, int row) {
        QTest::mouseClick(grid.window()->windowHandle(), Qt::RightButton, {}, cellAt(grid, row, 0));
        EXPECT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() != nullptr; }));
        return *qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    // Escape, as a user closes a menu.
    static void closeMenu() {
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        EXPECT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() == nullptr; }));
    }

    static std::vector<std::string> entries(const QMenu& menu) {
        std::vector<std::string> shown;
        for (const QAction* action : menu.actions()) shown.push_back(entryShows(action->text()));
        return shown;
    }

    config::TVideoConfig settings = test::memorySettings();
    test::FakeDiscovery found;
    KonfigLinks links;
    std::unique_ptr<TkonfigForm> dialog;
};

TEST_F(DeviceText, ListsAndGridsShowNamesLiterallyAndKeepThemAsTheyCame) {
    std::set<std::string> servers, cameras, gateways;
    const auto texts = [](QListWidget& list, std::set<std::string>& into) {
        for (int i = 0; i < list.count(); ++i) into.insert(list.item(i)->text().toStdString());
    };
    texts(child<DeviceListView>(*dialog, "ListView1"), servers);
    texts(child<DeviceListView>(*dialog, "ListView2"), cameras);
    auto& moxa = child<StringGrid>(*dialog, "MoxaGrid");
    for (int row = 0; row < moxa.rowCount(); ++row) gateways.insert(moxa.item(row, 1)->text().toStdString());
    auto& phones = child<StringGrid>(*dialog, "telefonGrid");
    auto& assignments = child<StringGrid>(*dialog, "zuordnungGrid");
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        const std::string& name = kHostileNames[i];
        SCOPED_TRACE(name);
        const std::string caption = address(i) + ":80\n" + shownForm(name) + "\n" + shownForm(name);
        EXPECT_TRUE(servers.contains(caption));
        EXPECT_TRUE(cameras.contains(caption));
        EXPECT_TRUE(cameras.contains(shownForm(name) + ":80\nManual"));
        EXPECT_TRUE(gateways.contains(shownForm(name)));
        EXPECT_EQ(phones.item(rowOf(phones, 1, name), 1)->text().toStdString(), shownForm(name));
        const int row = rowOf(assignments, 1, name);
        for (const int column : {1, 3}) EXPECT_EQ(assignments.item(row, column)->text().toStdString(), shownForm(name));
    }

    showPage(TkonfigForm::ServerTab);
    screenshot(*dialog, "device-text-servers");

    // The surveillance preview: the tile's number and its camera.
    showPage(TkonfigForm::ueberwachungTab);
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        auto& tile = child<QWidget>(*dialog, ("tile" + std::to_string(i)).c_str());
        EXPECT_EQ(labelShows(*tile.findChild<QLabel*>()), std::to_string(i) + "\n" + shownForm(kHostileNames[i]));
    }
}

TEST_F(DeviceText, MenusAndTheToolTipShowNamesLiterally) {
    showPage(TkonfigForm::TelefonTab);
    auto& phones = child<StringGrid>(*dialog, "telefonGrid");
    auto& assignments = child<StringGrid>(*dialog, "zuordnungGrid");
    // The pointer on an intercom shows its name.
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        // From off the grid, as the row may scroll to where the pointer is.
        QTest::mouseMove(dialog->windowHandle(), QPoint(5, 5));
        QTest::mouseMove(dialog->windowHandle(), cellAt(phones, rowOf(phones, 1, name), 1));
        ASSERT_TRUE(pumpUntil([] { return QToolTip::isVisible(); }));
        EXPECT_EQ(toolTipShows(QToolTip::text()), shownForm(name));
    }
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        const std::string& name = kHostileNames[i];
        SCOPED_TRACE(name);
        QMenu& menu = menuOfRow(assignments, rowOf(assignments, 1, name));
        EXPECT_EQ(entries(menu).at(0), "Delete entry: " + shownForm(name));
        screenshotOfScreen(QStringLiteral("device-text-intercom-menu-%1").arg(i));
        const std::vector<std::string> second = entries(*menu.findChild<QMenu*>("SekundaereKamera1"));
        for (const std::string& camera : {address(i) + ":80  " + shownForm(name), shownForm(name) + ":80  Manual"})
            EXPECT_NE(std::find(second.begin(), second.end(), camera), second.end()) << camera;
        closeMenu();
    }

    // The camera list's menu names a manual camera by its address.
    auto& cameras = child<DeviceListView>(*dialog, "ListView2");
    std::size_t manual = 0;
    for (int i = 0; i < cameras.count(); ++i) {
        const std::string key = keyOfCaption(DeviceListView::captionOf(*cameras.item(i)));
        if (key.starts_with("10.")) continue;
        ++manual;
        cameras.scrollToItem(cameras.item(i));
        const QPoint at = cameras.viewport()->mapTo(dialog.get(), cameras.visualItemRect(cameras.item(i)).center());
        QTest::mouseClick(dialog->windowHandle(), Qt::RightButton, {}, at);
        ASSERT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() != nullptr; }));
        EXPECT_EQ(entryShows(child<QAction>(*dialog, "kameraEntfernen").text()), "Delete entry: " + shownForm(key));
        closeMenu();
    }
    EXPECT_EQ(manual, kHostileNames.size());
}

TEST(DeviceTextPrompt, TheNamePromptShowsTheCurrentNameLiterally) {
    config::sprache = config::lang_en;
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        TextPrompt prompt(TextPrompt::Kind::name);
        prompt.station = name;
        prompt.show();
        EXPECT_EQ(labelShows(child<QLabel>(prompt, "adminPassPanel")),
                  "  " + config::tr(config::txtEnterName) + ": " + shownForm(name));
    }
}

}  // namespace
