// What a host at a video server's address says reaches the settings dialog
// as text: an answer whose status line carries markup, a link and terminal
// escapes is shown literally in the error box (plain text, control characters
// escaped), through the real HTTP client. With OCULON_SCREENSHOT_DIR set, a
// picture of the box (run it under Xvfb with QT_QPA_PLATFORM=xcb).
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "gui/QtTestKit.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/konfigForm.h"
#include "support/LoopbackHttpServer.h"

using namespace oculon;
using namespace oculon::testsupport;
using namespace std::chrono_literals;

namespace {

QMessageBox* shownBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

}  // namespace

TEST(KonfigDeviceText, AStatusLineWithMarkupIsShownAsLiteralText) {
    config::sprache = config::lang_en;
    LoopbackHttpServer device;
    const std::string status =
        "HTTP/1.1 500 <h1>Gateway down</h1> <a href=\"http://elsewhere.example/\">Click here</a>";
    device.enqueue(Script().send(status + "\x1b[2J\r\nContent-Length: 0\r\n\r\n"));
    config::TVideoConfig settings = settings::test::memorySettings();
    config::TRebootSperre lock;
    settings::test::FakeDiscovery found;
    found.add(device.address(), std::to_string(device.port()), "Door");
    settings::ui::KonfigLinks links;
    links.settings = &settings;
    links.rebootLock = &lock;
    links.discovery = &found;
    links.settleTime = 0ms;
    settings::ui::TkonfigForm dialog(std::move(links));
    dialog.show();

    dialog.findChild<QListWidget*>("ListView1")->setCurrentRow(0);
    dialog.findChild<QLineEdit*>("serverNameEdit")->setText("Door2");
    dialog.findChild<QTabWidget*>("KonfigTabs")->setCurrentIndex(settings::ui::TkonfigForm::ServerTab);
    dialog.findChild<QPushButton*>("uebernehmenBtn")->click();
    ASSERT_TRUE(pumpUntil([] { return shownBox() != nullptr; }, 20s));
    QMessageBox& box = *shownBox();
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    EXPECT_EQ(box.text().toStdString(),
              "The video server could not carry out the request. Its answer:\n" + status + "\\x1B[2J");
    screenshot(box, "konfig-device-status");
    box.button(QMessageBox::Ok)->click();
    EXPECT_TRUE(pumpUntil([&] { return !dialog.running(); }, 10s));
    EXPECT_TRUE(dialog.errorFlag());
}
