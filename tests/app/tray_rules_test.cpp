// Frames of the command channel without a network, the version text, the
// popup position clamp and the autostart decision.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/CommandFrames.h"
#include "app/TrayRules.h"

namespace oculon::app {
namespace {

std::string withCheck(const std::string& body) {
    std::uint8_t x = 0;
    for (char c : body) x ^= static_cast<std::uint8_t>(c);
    return body + static_cast<char>(x);
}

TEST(CommandFrames, ChecksumsAndWhatAFrameIs) {
    EXPECT_EQ(commandFrame("T"), std::string("\x1FTK"));  // "K" is 0x1F XOR "T"
    EXPECT_EQ(commandFrame(std::string("V\x02", 2)), withCheck(std::string("\x1FV\x02", 3)));
    // A lone zero is its own XOR.
    EXPECT_TRUE(commandChecksumValid(std::string("\x1FTK")) && commandChecksumValid(std::string(1, '\0')));
    EXPECT_FALSE(commandChecksumValid(std::string("\x1FTJ")) || commandChecksumValid(""));

    const auto state = classifyCommand(commandFrame("D2"));
    EXPECT_TRUE(state.kind == ReceivedCommand::inputState && state.inputOn);
    EXPECT_FALSE(classifyCommand(commandFrame("D1")).inputOn);
    EXPECT_EQ(classifyCommand(commandFrame("TK")).kind, ReceivedCommand::other);
    // A gateway call's id runs to 0x05, or without one to the check byte,
    // never including it.
    for (const auto& [body, id] : std::vector<std::pair<std::string, std::string>>{
             {"\004ws1\005", "ws1"}, {"\004ws1\005tail", "ws1"}, {"\004\005", ""}, {"\004", ""}, {"\004abc", "abc"}}) {
        const auto call = classifyCommand(withCheck(body));
        EXPECT_TRUE(call.kind == ReceivedCommand::gatewayCall && call.callId == id) << body;
    }
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

TEST(TrayRules, VersionTextPopupPlaceAndAutostartOffer) {
    for (const auto& [version, shown] :
         {std::pair{"3.2.1.45", "3.2.45"}, {"3.2.1.45.7", "3.2.45.7"}, {"3.2.1", "3.2.1"}, {"", "-"}})
        EXPECT_EQ(getProgramVersion(version), shown) << version;
    // The file version is the project version of this build, a fourth number 0 added to three.
    std::string project = OCULON_TEST_PROJECT_VERSION;
    if (std::count(project.begin(), project.end(), '.') == 2) project += ".0";
    EXPECT_EQ(kFileVersion, project);

    // The popup is kept on the desktop.
    using W = config::TWindowSettings;
    EXPECT_EQ(clampPopupGeometry({10, -5, 300, 400}, 1920, 1080), (W{10, 0, 300, 400}));
    EXPECT_EQ(clampPopupGeometry({-1, 1930, 300, 400}, 1920, 1080), (W{0, 1930, 300, 400}));
    EXPECT_EQ(clampPopupGeometry({1091, 1931, 300, 400}, 1920, 1080), (W{1030, 1870, 300, 400}));

    // No offer when the user asked never to be asked, nor when started from a
    // startup folder (by an entry of ours, or living in one).
    const auto offer = [](bool neverAsk, bool fromEntry, const char* from) {
        return offerAutostart(neverAsk, fromEntry, from, "/home/u/.config/autostart", "/etc/xdg/autostart");
    };
    EXPECT_TRUE(offer(false, false, "/opt/oculon"));
    EXPECT_FALSE(offer(true, false, "/opt/oculon") || offer(false, true, "/opt/oculon") ||
                 offer(false, false, "/etc/xdg/autostart"));
}

}  // namespace
}  // namespace oculon::app
