// The telephone's state telegram, its event object, and the configuration
// telegrams with their reply rules.

#include <gtest/gtest.h>

#include "devices/TelefonListe.h"
#include "devices/TelefonTelegram.h"
#include "devices/TelegramText.h"
#include "support/DeviceBytes.h"

using namespace oculon;
using namespace oculon::devices;

namespace {

using testsupport::telephoneTelegram;

TelefonTelegram parsed(std::string_view bytes) {
    auto t = parseTelefonTelegram(bytes);
    EXPECT_TRUE(t) << bytes;
    return t.value_or(TelefonTelegram{});
}

}  // namespace

TEST(TelefonTelegram, FieldsOfBothSizesAndMalformedOnesDropped) {
    const auto t = parsed(telephoneTelegram(0x2A, 0x14, "Pforte", 36));
    EXPECT_EQ(std::tuple(t.sequence, t.code, t.text.size()), std::tuple(0x2A, 0x14, 28u));
    EXPECT_EQ(parsed(telephoneTelegram(1, 1, "x")).text.size(), 24u);

    const std::string good = telephoneTelegram(1, 1, "123");
    std::string badSum = good;
    badSum[10] = '9';
    std::string nonHexCode = "01 XY " + std::string(24, ' ');  // with a correct checksum
    appendAdditiveChecksum(nonHexCode);
    for (const std::string& bad : {good.substr(0, 31), good + "    ", badSum, nonHexCode})
        EXPECT_FALSE(parseTelefonTelegram(bad)) << bad;
}

TEST(TelefonTelegram, EventsPerCode) {
    const auto connect = makeTelefonEvent(parsed(telephoneTelegram(1, 0x01, " 1 2  34 ", 36)), "10.0.0.9");
    ASSERT_TRUE(connect);
    EXPECT_TRUE(connect->status() == Verbindung && connect->statusnummer == 1);
    EXPECT_EQ(connect->nummer() + " " + connect->adresse(), "1234 10.0.0.9");

    EXPECT_EQ(makeTelefonEvent(parsed(telephoneTelegram(1, 0x5D, "77")), "a")->status(), Video);
    const auto ack = makeTelefonEvent(parsed(telephoneTelegram(1, 0x1E, " LSREM x ")), "a");
    EXPECT_TRUE(ack->status() == ACK && ack->packet() == " LSREM x " + std::string(15, ' '));
    const auto name = makeTelefonEvent(parsed(telephoneTelegram(1, 0x14, "Haus Ost")), "a");
    EXPECT_TRUE(name->status() == NameSt && name->name() == "Haus Ost");
    for (const auto& [letter, type] :
         {std::pair{"V", config::KorvatV1}, {"R", config::KorvatV2}, {"Q", config::telUnknown}})
        EXPECT_EQ(makeTelefonEvent(parsed(telephoneTelegram(1, 0x0A, letter)), "a")->typ(), type) << letter;
    for (int idle : {2, 3, 4, 6, 8, 9})
        EXPECT_EQ(makeTelefonEvent(parsed(telephoneTelegram(1, idle, "")), "a")->status(), Idle);
    for (int none : {0x32, 0x33}) EXPECT_FALSE(makeTelefonEvent(parsed(telephoneTelegram(1, none, "")), "a"));
}

// What waited together after a stop: a call whose end from the same
// telephone waits behind it is taken out, nothing else.
TEST(TelefonTelegram, CallsEndedWhileWaitingAreTakenOut) {
    const auto call = [](int seq, const char* from) {
        return platform::Datagram{telephoneTelegram(seq, 0x01, "12"), from, 8112};
    };
    const auto video = [](int seq, const char* from) {
        return platform::Datagram{telephoneTelegram(seq, 0x5D, "12"), from, 8112};
    };
    const auto end = [](int seq, const char* from) {
        return platform::Datagram{telephoneTelegram(seq, 0x02, ""), from, 8112};
    };
    std::string badEnd = end(9, "a").data;
    badEnd.back() ^= 1;  // the checksum no longer holds
    const struct {
        const char* what;
        std::vector<platform::Datagram> waiting;
        std::vector<int> kept;  // indexes into `waiting`
    } rows[] = {
        {"a call and its end", {call(1, "a"), end(2, "a")}, {1}},
        {"a video call and its end", {video(1, "a"), end(2, "a")}, {1}},
        {"the end of another telephone", {call(1, "a"), end(2, "b")}, {0, 1}},
        {"an end before the call", {end(1, "a"), call(2, "a")}, {0, 1}},
        {"a second call after the first one's end", {call(1, "a"), end(2, "a"), call(3, "a")}, {1, 2}},
        {"a name between", {call(1, "a"), {telephoneTelegram(2, 0x14, "Tor"), "a", 8112}, end(3, "a")}, {1, 2}},
        {"an end that is no telegram", {call(1, "a"), {badEnd, "a", 8112}}, {0, 1}},
    };
    for (const auto& row : rows) {
        auto waiting = row.waiting;
        dropEndedCalls(waiting);
        std::vector<std::string> expected;
        for (const int i : row.kept) expected.push_back(row.waiting[i].data);
        std::vector<std::string> kept;
        for (const auto& d : waiting) kept.push_back(d.data);
        EXPECT_EQ(kept, expected) << row.what;
    }
}

TEST(TelefonListe, UpdatesListedTelephoneAndPostsCopy) {
    TelefonListe liste;
    const auto event = [](int code, std::string_view text) {
        return makeTelefonEvent(parsed(telephoneTelegram(1, code, text)), "10.0.0.9");
    };

    // A type telegram from an unlisted telephone is filed as it is.
    auto first = liste.update(event(0x0A, "R"));
    EXPECT_EQ(first->status(), TelTyp);
    EXPECT_EQ(liste.find("10.0.0.9")->typ(), config::KorvatV2);

    // The name goes into the entry; the posted copy carries the state only.
    auto named = liste.update(event(0x14, "Pforte   "));
    EXPECT_TRUE(named->status() == NameSt && named->name().empty());
    EXPECT_EQ(liste.find("10.0.0.9")->name(), "Pforte");

    // A type telegram for a listed telephone: entry and copy read Idle.
    auto typed = liste.update(event(0x0A, "V"));
    const auto entry = liste.find("10.0.0.9");
    EXPECT_TRUE(typed->status() == Idle && entry->status() == Idle && entry->typ() == config::KorvatV1);
    EXPECT_EQ(entry->name(), "Pforte");

    auto call = liste.update(event(0x01, "42"));
    EXPECT_EQ(call->nummer() + liste.find("10.0.0.9")->nummer(), "4242");
    EXPECT_EQ(liste.size(), 1u);
}

TEST(TelefonListe, AgesOutOldAndFutureStamps) {
    TelefonListe liste;
    // Stamped 1 s, 50 s and 70 s: the last after "now".
    for (const auto& [address, stamp] : {std::pair{"a", 1000u}, {"b", 50000u}, {"c", 70000u}}) {
        auto t = std::make_unique<telefonObjekt>();
        t->FIpAdresse = address;
        t->FMilliseconds = stamp;
        liste.update(std::move(t));
    }
    EXPECT_EQ(liste.ageOut(61001, 60000), 2);
    ASSERT_EQ(liste.snapshot().size(), 1u);
    EXPECT_EQ(liste.snapshot()[0].adresse(), "b");
}

// However long they were silent, telephones stay; a full list makes room by
// the one heard longest ago, the tick count wrapping round included.
TEST(TelefonListe, AFullListMakesRoomByTheTelephoneHeardLongestAgo) {
    TelefonListe liste;
    const auto heard = [&](const std::string& address, std::uint32_t stamp) {
        auto t = std::make_unique<telefonObjekt>();
        t->FIpAdresse = address;
        t->FMilliseconds = stamp;
        liste.update(std::move(t));
    };
    heard("oldest", 0xFFFFF000u);
    for (std::size_t i = 1; i < TelefonListe::kMaxEntries; ++i) heard("t" + std::to_string(i), 1000u + i);
    heard("oldest", 0xFFFFF000u);  // heard again: no room needed
    EXPECT_EQ(liste.size(), TelefonListe::kMaxEntries);
    heard("new", 5000);
    EXPECT_EQ(liste.size(), TelefonListe::kMaxEntries);
    EXPECT_FALSE(liste.find("oldest"));
    EXPECT_TRUE(liste.find("t1") && liste.find("new"));
}

TEST(ConfigTelegrams, LsrCmdAndResetBytes) {
    EXPECT_EQ(ipv4Hex("192.168.1.10"), "C0A8010A");
    for (const char* bad : {"192.168.1", "192.168.1.256", "192.168..1", "a.b.c.d"}) EXPECT_FALSE(ipv4Hex(bad)) << bad;
    EXPECT_EQ(padAccessCode("12") + "|" + padAccessCode("") + "|" + padAccessCode("123456"), "12FF|FFFF|123456");
    EXPECT_EQ(sequenceField(0x0B) + sequenceField(256), "0B00");

    const std::string cmd = buildLsrCmd("C0A8010A", 1, "12FF", 'a', "0602");
    const std::string body = "LSRCMDC0A8010A0112FFa0602";
    EXPECT_EQ(cmd, body + upperHex(additiveSum(body), 2));
    EXPECT_TRUE(additiveChecksumValid(cmd));

    const std::string reset = buildLsrEmReset("C0A8010A", 0x1F, "1234");
    ASSERT_EQ(reset.size(), 24u);
    EXPECT_EQ(reset.substr(0, 22), "LSREMC0A8010A1FF5A1234");
    // The sum of those 22 characters is 1342, 0x53E: the checksum is "3E".
    EXPECT_EQ(reset.substr(22), "3E");
}

TEST(ConfigTelegrams, ReplyRules) {
    const std::string addr = "7F000001";
    const auto reply = [&](int code, std::string_view text) { return parsed(telephoneTelegram(5, code, text)); };

    EXPECT_EQ(readReplyValue(reply(0x32, addr + "b42"), addr), "42");
    EXPECT_FALSE(readReplyValue(reply(0x32, addr + "c42"), addr));
    EXPECT_FALSE(readReplyValue(reply(0x32, "7F000002b42"), addr));
    EXPECT_FALSE(readReplyValue(reply(0x1E, addr + "b42"), addr));

    EXPECT_TRUE(writeStepConfirmed(reply(0x32, addr + "eAA00"), addr, 'e', "AA00"));
    EXPECT_FALSE(writeStepConfirmed(reply(0x32, addr + "eAA01"), addr, 'e', "AA00"));
    EXPECT_FALSE(writeStepConfirmed(reply(0x32, addr + "cAA00"), addr, 'e', "AA00"));

    const std::string reset = buildLsrEmReset(addr, 3, "FFFF");
    EXPECT_TRUE(resetConfirmed(reply(0x1E, reset), reset));
    EXPECT_FALSE(resetConfirmed(reply(0x32, reset), reset));
    EXPECT_FALSE(resetConfirmed(reply(0x1E, buildLsrEmReset(addr, 4, "FFFF")), reset));
}
