// The door intercom's special functions window against a simulated intercom
// (tools/simtelefon) in the second host: it reads the ten settings while the
// window stays responsive, writes the changed ones and restarts the device,
// and says so when the device does not answer or refuses the access code.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "devices/telefonKonfig.h"
#include "gui/QtTestKit.h"
#include "platform/UdpSocket.h"
#include "settings/ui/KonfigUiKit.h"
#include "settings/ui/sonderKonfig.h"
#include "support/SimDevice.h"

using namespace oculon;
using namespace oculon::testsupport;
using namespace std::chrono_literals;
using settings::test::press;
using settings::ui::TsonderKonfig;

namespace {

// The discovery thread's part: replies on port 8112 reach the current client.
platform::UdpListener replyListener() {
    platform::UdpSocket socket;
    socket.bind(testsupport::kWorkstationAddress, 8112);
    return platform::UdpListener(std::move(socket), [](const platform::Datagram& d) {
        const auto telegram = devices::parseTelefonTelegram(d.data);
        if (telegram && (telegram->code == devices::kCodeAck || telegram->code == devices::kCodeConfigReply))
            devices::telefonKonfig::handToCurrent(*telegram);
    });
}

std::unique_ptr<TsonderKonfig> openWindow(const std::string& code,
                                          std::chrono::milliseconds restartWait = std::chrono::milliseconds(300)) {
    auto window = std::make_unique<TsonderKonfig>(testsupport::kDeviceAddress, code);
    devices::telefonKonfig::Timing quick;
    quick.replyWait = std::chrono::milliseconds(250);
    quick.resends = 2;
    quick.restartWait = restartWait;
    quick.strayReplyGrace = std::chrono::milliseconds(50);
    window->setTiming(quick);
    window->show();
    return window;
}

QString process(TsonderKonfig& w) { return child<QLabel>(w, "vorgangPanel").text(); }

}  // namespace

TEST(SonderKonfigPeer, ReadsChangesWritesAndRestartsTheIntercom) {
    config::sprache = config::lang_en;
    auto listener = replyListener();
    SimDevice phone("simtelefon",
                    {"--access-code", "12", "--memory", "602=02,603=01,604=05,606=01,617=46,618=0A,619=07,61C=01"});

    // With a code the window reads at once, on its worker.
    auto window = openWindow("12");
    EXPECT_TRUE(window->busy());
    EXPECT_EQ(process(*window), "in progress");
    ASSERT_TRUE(pumpUntil([&] { return !window->busy(); }, 20s));
    EXPECT_EQ(process(*window), "success");
    EXPECT_TRUE(child<QRadioButton>(*window, "RadioButton3").isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, "sendCodeBox").isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, "rufAbbrBox").isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, "relais1Box").isChecked());
    EXPECT_FALSE(child<QCheckBox>(*window, "relais2Box").isChecked());
    EXPECT_FALSE(child<QCheckBox>(*window, "relayDTMFBox").isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, "displayCheck").isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, "waehlBox").isChecked());
    EXPECT_EQ(child<QComboBox>(*window, "ComboBox1").currentText(), "F");
    EXPECT_EQ(child<QComboBox>(*window, "ComboBox2").currentText(), "-");
    EXPECT_EQ(child<QComboBox>(*window, "ComboBox3").currentText(), "7");
    EXPECT_EQ(child<QComboBox>(*window, "ComboBox4").currentText(), "0");
    screenshot(*window, "sonderKonfig");

    // Clearing both hang-up boxes clears the relay choice too.
    child<QCheckBox>(*window, "rufAbbrBox").click();
    EXPECT_FALSE(child<QCheckBox>(*window, "relais1Box").isChecked());
    EXPECT_FALSE(child<QCheckBox>(*window, "relais1Box").isEnabled());
    child<QRadioButton>(*window, "RadioButton1").click();
    child<QComboBox>(*window, "ComboBox2").setCurrentIndex(4);  // "3"
    EXPECT_TRUE(window->geaendert());
    child<QPushButton>(*window, "schreibenButton").click();
    ASSERT_TRUE(pumpUntil([&] { return !window->busy(); }, 30s));
    EXPECT_EQ(process(*window), "success");
    EXPECT_FALSE(window->geaendert());
    for (const char* written : {"0602 00", "0603 01", "0604 00", "0617 46", "0618 03", "0619 07", "061C 01"})
        EXPECT_TRUE(phone.waitFor("write", written, std::chrono::milliseconds(0))) << written;
    EXPECT_TRUE(phone.waitFor("reset"));

    // Another access code: the device stays silent, and the window says so.
    QLineEdit& code = child<QLineEdit>(*window, "codeEdit");
    code.setText("1x");
    EXPECT_EQ(code.text(), "");
    code.setText("99");
    child<QPushButton>(*window, "lesenButton").click();
    ASSERT_TRUE(pumpUntil([&] { return !window->busy(); }, 20s));
    EXPECT_EQ(process(*window), "failed");
    EXPECT_TRUE(phone.waitFor("refused", "", std::chrono::milliseconds(0)));
    child<QPushButton>(*window, "schliessenButton").click();  // nothing changed: closes without asking
    EXPECT_FALSE(window->isVisible());
}

TEST(SonderKonfigPeer, ADeviceThatDoesNotAnswerLeavesWriteDisabled) {
    config::sprache = config::lang_en;
    auto listener = replyListener();
    SimDevice phone("simtelefon", {"--no-config-reply"});
    // Without a code nothing is read until the user asks.
    auto window = openWindow("");
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(child<QPushButton>(*window, "schreibenButton").isEnabled());
    child<QPushButton>(*window, "lesenButton").click();
    ASSERT_TRUE(pumpUntil([&] { return !window->busy(); }, 20s));
    EXPECT_EQ(process(*window), "failed");
    EXPECT_FALSE(child<QPushButton>(*window, "schreibenButton").isEnabled());
    EXPECT_TRUE(phone.waitFor("config", "LSRCMD"));

    // Closing in the middle of an exchange breaks it off.
    child<QPushButton>(*window, "lesenButton").click();
    EXPECT_TRUE(window->busy());
    window->done(0);
    EXPECT_FALSE(window->busy());
}

// "Close" while a write goes on warns only of what has not reached the
// intercom: once the intercom confirmed its restart nothing is left to
// lose, and a question asked before is withdrawn then.
TEST(SonderKonfigPeer, ClosingWhileItWritesWarnsOnlyOfWhatHasNotReachedTheIntercom) {
    config::sprache = config::lang_en;
    auto listener = replyListener();
    SimDevice phone("simtelefon", {"--access-code", "12", "--reply-delay", "30"});
    std::vector<std::string> questions;
    for (const bool askedBeforeTheRestart : {false, true}) {
        SCOPED_TRACE(askedBeforeTheRestart);
        auto window = openWindow("12", 2s);
        settings::test::showActive(*window);
        ASSERT_TRUE(pumpUntil([&] { return !window->busy(); }, 20s));
        press(child<QCheckBox>(*window, "sendCodeBox"));
        press(child<QPushButton>(*window, "schreibenButton"));
        // Left unanswered: it goes by itself, or after 10 s as No.
        if (askedBeforeTheRestart) {
            onModal([&](QWidget& w) {
                auto& box = dynamic_cast<QMessageBox&>(w);
                questions.push_back(box.text().toStdString());
                QTimer::singleShot(10s, &box, [&box] { box.done(QMessageBox::No); });
            });
        } else {
            ASSERT_TRUE(pumpUntil([&] { return !window->geaendert(); }, 20s));
            ASSERT_TRUE(window->busy());  // the intercom is still coming back
        }
        press(child<QPushButton>(*window, "schliessenButton"));
        ASSERT_TRUE(pumpUntil([&] { return !window->isVisible(); }, 20s));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(phone.waitFor("reset"));
    }
    EXPECT_EQ(questions, std::vector<std::string>{"The changed configuration has not been written to the IP door "
                                                  "intercom. Do you really want to close the window?"});
}
