// Frames of the command channel without a network, the version text, the
// popup position clamp and the autostart decision.
#include <gtest/gtest.h>

#include "app/CommandFrames.h"
#include "app/TrayRules.h"

namespace oculon::app {
namespace {

TEST(CommandFrames, DoorCommandAndChecksums) {
    EXPECT_EQ(commandFrame("T"), std::string("\x1F"
                                             "TK"));  // "K" is 0x1F XOR "T"
    EXPECT_TRUE(
        commandChecksumValid(std::string("\x1F"
                                         "TK")));
    EXPECT_FALSE(
        commandChecksumValid(std::string("\x1F"
                                         "TJ")));
    EXPECT_FALSE(commandChecksumValid(""));
    EXPECT_TRUE(commandChecksumValid(std::string(1, '\0')));  // a lone zero is its own XOR
    const std::string video = commandFrame(std::string("V\x02", 2));
    ASSERT_EQ(video.size(), 4u);
    EXPECT_EQ(video.back(), static_cast<char>(0x1F ^ 'V' ^ 0x02));
}

TEST(CommandFrames, ClassifiesInputStatesAndGatewayCalls) {
    auto state = classifyCommand(commandFrame("D2"));
    EXPECT_EQ(state.kind, ReceivedCommand::inputState);
    EXPECT_TRUE(state.inputOn);
    EXPECT_FALSE(classifyCommand(commandFrame("D1")).inputOn);

    auto call = [](const std::string& body) {
        std::uint8_t x = 0;
        for (char c : body) x ^= static_cast<std::uint8_t>(c);
        return classifyCommand(body + static_cast<char>(x));
    };
    EXPECT_EQ(call("\x04ws1\x05").callId, "ws1");
    EXPECT_EQ(call("\x04ws1\x05tail").callId, "ws1");
    EXPECT_EQ(call("\x04\x05").callId, "");
    EXPECT_EQ(call("\x04").callId, "");
    // Without a 0x05 the id runs to the check byte, never including it.
    EXPECT_EQ(call("\x04"
                   "abc")
                  .callId,
              "abc");
    EXPECT_EQ(call("\x04"
                   "abc")
                  .kind,
              ReceivedCommand::gatewayCall);
    EXPECT_EQ(classifyCommand(commandFrame("TK")).kind, ReceivedCommand::other);
}

TEST(CommandFrames, PartnerFrameLayoutAndSequenceWrap) {
    const std::string f = partnerFrame("192.168.1.10", 255, "1051234");
    EXPECT_EQ(f.substr(0, 22), "LSREMC0A8010AFF1051234");
    ASSERT_EQ(f.size(), 24u);
    int sum = 0;
    for (std::size_t i = 0; i + 2 < f.size(); ++i) sum += static_cast<unsigned char>(f[i]);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum % 256);
    EXPECT_EQ(f.substr(f.size() - 2), hex);
    EXPECT_EQ(partnerFrame("192.168.1.10", 256, "").substr(13, 2), "00");
    EXPECT_EQ(partnerFrame("", 1, "x").substr(5, 8), "00000000");
}

TEST(TrayRules, VersionText) {
    EXPECT_EQ(getProgramVersion("3.2.1.45"), "3.2.45");
    EXPECT_EQ(getProgramVersion("3.2.1.45.7"), "3.2.45.7");
    EXPECT_EQ(getProgramVersion("3.2.1"), "3.2.1");
    EXPECT_EQ(getProgramVersion(""), "-");
}

TEST(TrayRules, PopupPositionIsKeptOnTheDesktop) {
    using W = config::TWindowSettings;
    EXPECT_EQ(clampPopupGeometry({10, -5, 300, 400}, 1920, 1080), (W{10, 0, 300, 400}));
    EXPECT_EQ(clampPopupGeometry({-1, 1930, 300, 400}, 1920, 1080), (W{0, 1930, 300, 400}));
    EXPECT_EQ(clampPopupGeometry({1091, 1931, 300, 400}, 1920, 1080), (W{1030, 1870, 300, 400}));
}

TEST(TrayRules, AutostartOfferIsSkippedWhenStartedFromAStartupFolder) {
    EXPECT_TRUE(offerAutostart(false, false, "/opt/oculon", "/home/u/.config/autostart", "/etc/xdg/autostart"));
    EXPECT_FALSE(offerAutostart(true, false, "/opt/oculon", "/home/u/.config/autostart", "/etc/xdg/autostart"));
    EXPECT_FALSE(offerAutostart(false, true, "/opt/oculon", "/home/u/.config/autostart", "/etc/xdg/autostart"));
    EXPECT_FALSE(offerAutostart(false, false, "/etc/xdg/autostart", "/home/u/.config/autostart", "/etc/xdg/autostart"));
}

}  // namespace
}  // namespace oculon::app
