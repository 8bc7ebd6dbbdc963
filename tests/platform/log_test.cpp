// The logging control: what OCULON_LOG switches on, what it refuses, and the
// line a message becomes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Log.h"

namespace oculon::log {
namespace {

TEST(Log, EnvironmentIsReadAtFirstUseAndBadItemsAreReported) {
    // Must run before anything else in this program logs.
    ::setenv("OCULON_LOG", "devices:debug,bogus", 1);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(enabled(Category::devices, Level::debug));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ignored \"bogus\""), std::string::npos);
    ::unsetenv("OCULON_LOG");
    resetLevels();
}

TEST(Log, ControlText) {
    resetLevels();
    // Quiet by default: warnings show, info does not.
    EXPECT_TRUE(enabled(Category::app, Level::warning));
    EXPECT_FALSE(enabled(Category::app, Level::info));

    EXPECT_EQ(configure("devices:debug,video:info"), "");
    EXPECT_TRUE(enabled(Category::devices, Level::debug));
    EXPECT_TRUE(enabled(Category::video, Level::info));
    EXPECT_FALSE(enabled(Category::video, Level::debug));
    EXPECT_FALSE(enabled(Category::app, Level::info));

    // Case, blanks and empty items; a bare category means debug; later items win.
    resetLevels();
    EXPECT_EQ(configure(" Player ,, APP : Warn ,app:error,"), "");
    EXPECT_TRUE(enabled(Category::player, Level::debug));
    EXPECT_FALSE(enabled(Category::app, Level::warning));
    EXPECT_TRUE(enabled(Category::app, Level::error));

    // Items not understood are handed back and change nothing.
    resetLevels();
    EXPECT_EQ(configure("devices:loud,gadgets:debug,:debug,video:,config:info"),
              "devices:loud,gadgets:debug,:debug,video:");
    EXPECT_FALSE(enabled(Category::devices, Level::info));
    EXPECT_FALSE(enabled(Category::video, Level::info));
    EXPECT_TRUE(enabled(Category::config, Level::info));

    // A bare level and "*" set every category; off silences errors too.
    EXPECT_EQ(configure("debug"), "");
    EXPECT_TRUE(enabled(Category::tools, Level::debug));
    EXPECT_EQ(configure("*:off"), "");
    EXPECT_FALSE(enabled(Category::platform, Level::error));
    resetLevels();
}

TEST(Log, LineFormatFilterAndErrno) {
    resetLevels();
    testing::internal::CaptureStderr();
    errno = EACCES;
    warning(Category::devices, "mDNS: no socket on %s: %d", "10.0.0.1", 7);
    EXPECT_EQ(errno, EACCES);
    info(Category::devices, "not shown");
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, std::string(program_invocation_short_name) + "[devices] warning: mDNS: no socket on 10.0.0.1: 7\n");
}

}  // namespace
}  // namespace oculon::log
