// The prompts of the video windows as real dialogs (offscreen): their texts
// in the current language, the results they close with, the door-code filter
// on the edit (its rules are the filter's own test), and the analog button
// panel.

#include <QClipboard>
#include <QStyle>
#include <gtest/gtest.h>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "video/ui/SmallPrompts.h"
#include "video/ui/ZugangAbfrage.h"
#include "video/ui/adminPassForm.h"
#include "video/ui/analogRT.h"

namespace oculon::video::ui {
namespace {

using namespace config;
using testsupport::onModal;

template <typename T>
T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

TEST(Prompts, DoorCodeTextsAndFilter) {
    sprache = lang_en;
    ToeffnerForm d;
    d.show();
    EXPECT_EQ(d.windowTitle(), "Enter release-buzzer code");
    EXPECT_EQ(child<QLabel>(d, "codeLabel")->text(), "Please enter release-buzzer code\nto open the door");
    QLineEdit& edit = d.codeEdit();
    EXPECT_EQ(edit.echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &edit), '#');
    for (const char* typed : {"1", "2", "a", "*#9", "7"}) edit.insert(typed);
    EXPECT_EQ(edit.text(), "12*#");
    edit.clear();
    QApplication::clipboard()->setText("Code: 4-7-1-1");
    edit.paste();
    EXPECT_EQ(edit.text(), "4711");
    edit.setText("1x2");  // any change, also from code
    EXPECT_EQ(edit.text(), "12");
}

TEST(Prompts, ResultsOkAndCancel) {
    sprache = lang_de;
    TkommentarFrame k;
    EXPECT_EQ(k.kommentarEdit().maxLength(), 100);
    onModal([&k](QWidget&) {
        k.kommentarEdit().setText("Paket");
        child<QPushButton>(k, "okBtn")->click();
    });
    EXPECT_EQ(k.exec(), mrOK);
    EXPECT_EQ(k.text(), "Paket");
    EXPECT_EQ(k.windowTitle(), "Kommentar eingeben");
    EXPECT_EQ(child<QPushButton>(k, "cancelBtn")->text(), "Abbrechen");
    onModal([&k](QWidget&) { child<QPushButton>(k, "cancelBtn")->click(); });
    EXPECT_EQ(k.exec(), mrCancel);

    TadminPassForm a;
    a.station = "Haustuer";
    a.video = true;
    a.password = "unchanged";
    onModal([&a](QWidget&) {
        child<QLineEdit>(a, "adminPassEdit")->setText("geheim");
        child<QPushButton>(a, "Button2")->click();
    });
    EXPECT_EQ(a.exec(), mrCancel);
    EXPECT_EQ(a.password, "unchanged");
    onModal([&a](QWidget&) { child<QPushButton>(a, "Button1")->click(); });
    EXPECT_EQ(a.exec(), mrOK);
    EXPECT_EQ(a.password, "geheim");
}

TEST(Prompts, AdminPasswordAndCredentialsAskForWhatTheyAreFor) {
    sprache = lang_en;
    TadminPassForm a;
    a.station = "configuration";
    a.show();
    EXPECT_EQ(a.windowTitle(), "Admin-password for configuration");
    EXPECT_EQ(child<QLabel>(a, "adminpass")->text(), "Please enter the admin-password.");
    EXPECT_EQ(child<QLineEdit>(a, "adminPassEdit")->echoMode(), QLineEdit::Password);
    a.hide();
    a.video = true;
    a.show();
    EXPECT_EQ(child<QLabel>(a, "adminpass")->text(), "Please enter the admin-password of the video-server.");

    TZugangAbfrage z;
    z.videoName = "Hof";
    z.setUserName("old");
    z.disableUserName();
    EXPECT_FALSE(child<QLineEdit>(z, "userNameEdit")->isEnabled());
    onModal([&z](QWidget&) {
        EXPECT_EQ(z.windowTitle(), "User data for Hof");
        child<QLineEdit>(z, "passwordEdit")->setText("p");
        child<QPushButton>(z, "Button1")->click();
    });
    EXPECT_EQ(z.exec(), mrOK);
    EXPECT_EQ(z.userName(), "old");
    EXPECT_EQ(z.password(), "p");
}

TEST(Prompts, AnalogButtonsPanelFollowsTheChoice) {
    sprache = lang_en;
    TanalogRT d;
    d.mehrRTbtn.setChecked(true);
    d.button(2).setChecked(true);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Number of Buttons");
    QWidget* panel = child<QWidget>(d, "Panel2");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(child<QCheckBox>(d, "btnDrei")->text(), "Button 3");
    EXPECT_TRUE(child<QCheckBox>(d, "btnDrei")->isChecked());
    EXPECT_EQ(child<QLabel>(d, "reagiertLabel")->text(), "The Video is shown when the call is established using");
    EXPECT_EQ(d.einRTbtn.text().simplified(), "Analog Korvat door intercom with one Button");
    d.einRTbtn.click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(d.mehrRTbtn.isChecked());
    d.mehrRTbtn.click();
    EXPECT_TRUE(panel->isVisible());
}

// Each prompt as popup-prompt-<name>.png (see QtTestKit.h).
TEST(Prompts, Screenshots) {
    if (!testsupport::screenshotsWanted()) GTEST_SKIP() << "OCULON_SCREENSHOT_DIR not set";
    sprache = lang_en;
    TZugangAbfrage z;
    z.videoName = "Hof";
    z.setUserName("admin");
    z.setPassword("secret");
    testsupport::screenshot(z, "popup-prompt-credentials");
    ToeffnerForm o;
    o.codeEdit().setText("12");
    testsupport::screenshot(o, "popup-prompt-doorcode");
    TkommentarFrame k;
    k.kommentarEdit().setText("Parcel service");
    testsupport::screenshot(k, "popup-prompt-comment");
    TadminPassForm a;
    a.station = "Haustuer";
    a.video = true;
    testsupport::screenshot(a, "popup-prompt-adminpass");
    TanalogRT r;
    r.mehrRTbtn.setChecked(true);
    r.button(0).setChecked(true);
    r.button(3).setChecked(true);
    testsupport::screenshot(r, "popup-prompt-analog");
}

}  // namespace
}  // namespace oculon::video::ui
