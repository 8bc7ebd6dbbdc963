// The boxes of the manual "Show video" as the user meets them.
#include <QFontMetrics>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ui/QtPrompts.h"
#include "config/sprachen.h"
#include "gui/QtTestKit.h"

using namespace oculon;
using namespace oculon::testsupport;

TEST(QtPrompts, NoVideoServerIsAnErrorBoxThatOffersTheConfiguration) {
    config::sprache = config::lang_en;
    app::ui::QtPrompts prompts({});
    for (const char* answer : {"Yes", "No"}) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        onModal([&](QWidget& window) {
            icon = dynamic_cast<QMessageBox&>(window).icon();
            clickButton(window, answer);
        });
        EXPECT_EQ(prompts.askStartConfiguration(), answer == std::string("Yes"));
        EXPECT_EQ(icon, QMessageBox::Critical);
    }
}

// A user types the administrator password straight away; a wrong one gets a
// box wide enough that the window manager's title bar, with its icon and
// buttons, still shows the whole title.
TEST(QtPrompts, ThePasswordIsTypedStraightAwayAndTheWrongPasswordBoxKeepsItsWholeTitle) {
    config::sprache = config::lang_nl;
    app::ui::QtPrompts prompts({});
    onModal([](QWidget& prompt) {
        for (const char c : std::string("geheim")) QTest::keyClick(prompt.windowHandle(), c);
        QTest::keyClick(prompt.windowHandle(), Qt::Key_Return);
    });
    EXPECT_EQ(prompts.askAdminPassword(), "geheim");

    int width = 0;
    QString title;
    onModal([&](QWidget& box) {
        width = box.width();
        title = box.windowTitle();
        clickButton(box, "OK");
    });
    prompts.wrongPassword();
    EXPECT_EQ(title, "Korvat Oculon");
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + 130) << width;
}
