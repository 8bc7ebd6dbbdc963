// Byte layouts of the search telegrams, the device record, the "IPREPLY"
// answer, the state telegram and the relay framing.

#include <gtest/gtest.h>

#include "devices/DiscoveryTelegrams.h"
#include "devices/RelayFraming.h"
#include "devices/TelegramText.h"
#include "platform/Base64.h"

using namespace oculon;
using namespace oculon::devices;

namespace {

// A record as a type-0 video server sends it.
std::string serverRecord(std::string_view prefix = "IPCam", std::uint8_t vollst = 0) {
    std::string r(62, '\0');
    r.replace(0, prefix.size(), prefix);
    r[5] = static_cast<char>(vollst);
    r.replace(6, 4, "eth0");
    const unsigned char ip[] = {192, 168, 1, 20}, mask[] = {255, 255, 255, 0}, gw[] = {192, 168, 1, 1};
    for (int i = 0; i < 4; ++i) {
        r[10 + i] = static_cast<char>(ip[i]);
        r[20 + i] = static_cast<char>(mask[i]);
        r[27 + i] = static_cast<char>(gw[i]);
    }
    r.replace(32, 9, "Haustuer1");
    r.replace(50, 4, "8080");
    r[60] = 1;
    return r;
}

std::string stateTelegram(std::string_view body30) {
    std::string t(body30);
    appendAdditiveChecksum(t);
    return t;
}

}  // namespace

TEST(SearchTelegrams, ExactBytes) {
    const std::string t = searchTelegram();
    ASSERT_EQ(t.size(), 63u);
    EXPECT_EQ(t.substr(0, 6), "PCEdit");
    for (std::size_t i = 6; i < 63; ++i) {
        const char expected = (i == 6 || i == 24 || i == 31) ? 2 : 0;
        EXPECT_EQ(t[i], expected) << "offset " << i;
    }
    EXPECT_EQ(textQuery(), "IPQUERY,0");
}

TEST(DeviceRecord, ReadsEveryFieldAtItsOffset) {
    const auto p = paket::fromBytes(serverRecord());
    ASSERT_TRUE(p);
    EXPECT_EQ(
        p->geraet() + " " + p->ipAddr() + " " + p->subnet() + " " + p->stdgat() + " " + p->name() + " " + p->port1(),
        "IPCam 192.168.1.20 255.255.255.0 192.168.1.1 Haustuer1 8080");
    EXPECT_TRUE(p->vollst() == 0 && p->dhcp());
    EXPECT_EQ(p->bytes(), serverRecord());
}

TEST(DeviceRecord, SizesAndFieldEnds) {
    EXPECT_FALSE(paket::fromBytes(std::string(60, '\0')));
    EXPECT_FALSE(paket::fromBytes(std::string(63, '\0')));
    // 61 bytes: the missing last byte reads as zero.
    const auto shortRecord = paket::fromBytes(serverRecord().substr(0, 61));
    ASSERT_TRUE(shortRecord);
    EXPECT_EQ(shortRecord->bytes()[61], '\0');

    // An 18-character name fills its field without a zero and stops there.
    std::string r = serverRecord();
    r.replace(32, 18, "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(paket::fromBytes(r)->name(), "ABCDEFGHIJKLMNOPQR");
    // port1 up to the first zero versus every non-zero character.
    r.replace(50, 5,
              std::string("80\0"
                          "81",
                          5));
    EXPECT_EQ(paket::fromBytes(r)->port1(), "80");
    EXPECT_EQ(paket::fromBytes(r)->port1NonZero(), "8081");
}

TEST(DeviceRecord, GetTypeByExactPrefix) {
    const std::pair<std::string_view, config::TVideoServerType> cases[] = {
        {"CPCam", config::LindavorCam}, {"IPCam", config::KorvatServer}, {"MOBOT", config::MobotixCam},
        {"AXIS_", config::AxisCam},     {"T4615", config::KorvatCam},    {"KORVA", config::KorvatCamQuorix},
        {"HIKVI", config::HikVision},   {"MIRAB", config::MirabCam},     {"ipcam", config::unknown},
        {"IPCa", config::unknown},      {"", config::unknown},
    };
    for (const auto& [prefix, type] : cases)
        EXPECT_EQ(getType(*paket::fromBytes(serverRecord(prefix))), type) << prefix;
    EXPECT_EQ(typePrefix(config::AxisCam), "AXIS_");
    EXPECT_EQ(typePrefix(config::KorvatServer2), "");
}

TEST(DeviceRecord, NamedRecordCutsAtSeventeen) {
    const paket p = namedRecord("MOBOT", "ABCDEFGHIJKLMNOPQRSTUVWXY");
    EXPECT_EQ(p.geraet() + " " + p.name(), "MOBOT ABCDEFGHIJKLMNOPQ");
    EXPECT_EQ(p.bytes()[paket::kName + 17], '\0');
    EXPECT_EQ(namedRecord("AXIS_", std::string_view("cam\0junk", 8)).name(), "cam");
    EXPECT_EQ(getType(p), config::MobotixCam);
}

TEST(IpReply, BuildsRecordOfTypeThree) {
    const auto p = parseIpReply("IPREPLY,x,y,10.0.0.5:8080,a,b,Einfahrt");
    ASSERT_TRUE(p);
    EXPECT_EQ(getType(*p), config::KorvatCam);
    EXPECT_EQ(p->name() + " " + p->port1(), "Einfahrt 8080");
    EXPECT_EQ(p->bytes().substr(paket::kPort1, 5), std::string_view("8080\0", 5));

    // Read up to the first zero byte; name cut at 18; port at 5 characters.
    const auto q = parseIpReply(std::string("IPREPLY,,,h:1234567,,,ABCDEFGHIJKLMNOPQRSTU\0,rest", 50));
    ASSERT_TRUE(q);
    EXPECT_EQ(q->name() + " " + q->port1(), "ABCDEFGHIJKLMNOPQR 12345");
}

TEST(IpReply, MalformedAnswersAreDropped) {
    // Exactly 10 bytes, too few fields, another word, no port in field 3, a zero in the word.
    for (const std::string& bad :
         {std::string("IPREPLY,,,"), std::string("IPREPLY,a,b,c:80,d"), std::string("IPREPLX,a,b,c:80,d,e,f"),
          std::string("IPREPLY,a,b,c80,d,e,f"), std::string("IPREPLY\0,a,b,c:80,d,e,f", 24)})
        EXPECT_FALSE(parseIpReply(bad)) << bad;
}

TEST(StateTelegram, ParsesChecksumSequenceAndInputs) {
    const auto t = parseStateTelegram(stateTelegram("1F A1   01xxxxxxxxxxxxxxxxxxxx"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->sequence, 0x1F);
    EXPECT_EQ(t->kind, "A1");
    EXPECT_TRUE(t->isInputState() && t->input1Active && !t->input2Active);

    // Lower-case checksum digits are accepted like upper case.
    const std::string body = "0a A2   10ffffffffffffffffffff";
    std::string sum = upperHex(additiveSum(body), 2);
    ASSERT_EQ(sum, "DD");
    const auto l = parseStateTelegram(body + "dd");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->sequence, 10);
    EXPECT_TRUE(!l->input1Active && l->input2Active);
}

TEST(StateTelegram, DropsWrongSizeChecksumAndHex) {
    const std::string good = stateTelegram("01 A1   00zzzzzzzzzzzzzzzzzzzz");
    ASSERT_TRUE(parseStateTelegram(good));
    std::string badBody = good, badSum = good;
    badBody[10] = 'Z';
    badSum[30] = 'Q';
    // Non-hex sequence digits with a matching checksum are dropped, not thrown.
    for (const std::string& bad :
         {good + " ", good.substr(0, 31), badBody, badSum, stateTelegram("G1 A1   00zzzzzzzzzzzzzzzzzzzz")})
        EXPECT_FALSE(parseStateTelegram(bad)) << bad;
    EXPECT_FALSE(parseStateTelegram(stateTelegram("01 B7   00zzzzzzzzzzzzzzzzzzzz"))->isInputState());
}

TEST(RelayFraming, ParsesFramedLines) {
    const std::string record = serverRecord();
    const auto t = parseRelayLine(buildRelayLine("CAM", "192.168.1.20", record));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->kind, RelayKind::CAM);
    EXPECT_EQ(t->address + " " + t->payload, "192.168.1.20 " + record);

    // The payload may hold ";" and ends at the first "<EOT>"; a CR is tolerated.
    const auto u = parseRelayLine(platform::base64Encode("<SOT>IDP;10.0.0.7;a;b<EOT>tail<EOT>") + "\r");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->kind, RelayKind::IDP);
    EXPECT_EQ(u->payload, "a;b");
}

TEST(RelayFraming, SkipsEverythingElse) {
    const auto encoded = [](std::string_view text) { return platform::base64Encode(text); };
    EXPECT_FALSE(parseRelayLine(""));
    EXPECT_FALSE(parseRelayLine("not base64 !"));
    // No end mark, start mark not first, unknown kind, one separator, not an address.
    for (const char* bad : {"<SOT>CAM;10.0.0.1;payload", "x<SOT>CAM;10.0.0.1;payload<EOT>",
                            "<SOT>XYZ;10.0.0.1;payload<EOT>", "<SOT>CAM;10.0.0.1<EOT>", "<SOT>CAM;../etc;x<EOT>"})
        EXPECT_FALSE(parseRelayLine(encoded(bad))) << bad;
}
