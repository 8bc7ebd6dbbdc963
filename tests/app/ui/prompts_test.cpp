// The boxes of the manual "Show video" as the user meets them.
#include <QMessageBox>
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
