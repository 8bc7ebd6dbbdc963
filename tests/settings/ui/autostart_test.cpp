// The autostart offer: the never-ask choice only at the start-up, and what
// each answer does after OK.
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "config/cfgUnit.h"
#include "config/sprachen.h"
#include "platform/Shell.h"
#include "settings/ui/autoStartFrame.h"
#include "support/ChildProcess.h"

using namespace oculon;
using settings::ui::TautoStartFrame;

namespace {

class AutoStart : public ::testing::Test {
protected:
    AutoStart() {
        config::sprache = config::lang_en;
        ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    }
    bool entryWritten() const { return std::filesystem::exists(dir.path() + "/autostart/oculon.desktop"); }

    testsupport::TempDir dir;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
};

TEST_F(AutoStart, NeverAskIsOfferedOnlyAtTheStartUp) {
    TautoStartFrame atStart(nullptr, true);
    atStart.show();
    EXPECT_TRUE(atStart.nieButton().isVisible());
    EXPECT_TRUE(atStart.yesButton().isChecked());
    EXPECT_EQ(atStart.windowTitle(), "Start Korvat Oculon automatically");
    EXPECT_EQ(atStart.findChild<QLabel*>("autoStartPanel")->text(), "  Start Korvat Oculon automatically");
    EXPECT_EQ(atStart.nieButton().text(), "No, don't ask me again");
    EXPECT_EQ(atStart.size(), QSize(628, 451));

    TautoStartFrame fromSettings(nullptr, false);
    fromSettings.show();
    EXPECT_FALSE(fromSettings.nieButton().isVisible());
}

TEST_F(AutoStart, AnswersAfterOk) {
    TautoStartFrame offer(nullptr, true);
    offer.noButton().setChecked(true);
    offer.carryOut(settings, "/opt/korvat/oculon");
    EXPECT_FALSE(entryWritten());
    EXPECT_FALSE(settings.liesAutostart());

    offer.nieButton().setChecked(true);
    offer.carryOut(settings, "/opt/korvat/oculon");
    EXPECT_TRUE(settings.liesAutostart());
    EXPECT_FALSE(entryWritten());

    offer.yesButton().setChecked(true);
    offer.carryOut(settings, "/opt/korvat/oculon");
    EXPECT_TRUE(entryWritten());
}

}  // namespace
