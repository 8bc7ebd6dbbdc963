// What the start-up takes before anything else: the private settings folder,
// the instance lock beside the settings file, the file itself.
#include "app/SettingsClaim.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/ChildProcess.h"

namespace oculon::app {
namespace {

namespace fs = std::filesystem;

TEST(SettingsClaim, OneHolderPerSettingsFileAndAPlantedFolderIsRefused) {
    testsupport::TempDir dir;
    const std::string file = dir.path() + "/cfg/Korvat/Oculon.reg";
    auto first = claimSettings(file);
    ASSERT_TRUE(first.instance && first.store) << first.problem;
    EXPECT_EQ(first.problem, "");
    const auto second = claimSettings(file);
    EXPECT_FALSE(second.instance || second.store);
    EXPECT_EQ(second.problem, "");  // another instance: ends without a word

    EXPECT_NE(claimSettings("").problem, "");  // no home known

    if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another user needs root";
    const std::string planted = dir.path() + "/planted/Korvat";
    fs::create_directories(planted);
    ASSERT_EQ(::chown(planted.c_str(), testsupport::kNobody, testsupport::kNobody), 0);
    const auto refused = claimSettings(planted + "/Oculon.reg");
    EXPECT_FALSE(refused.instance || refused.store);
    EXPECT_NE(refused.problem.find("belongs to another user"), std::string::npos) << refused.problem;
    EXPECT_TRUE(fs::is_empty(planted));
}

}  // namespace
}  // namespace oculon::app
