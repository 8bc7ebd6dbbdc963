// The DNS codec of the multicast-DNS resolver on hand-built packets: exact
// query bytes, typed records, and the bounds on hostile answers.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "devices/MDNSRecords.h"
#include "support/DeviceBytes.h"

using namespace oculon::devices;
using namespace oculon::testsupport::mdns;

namespace {

std::string characterStrings(std::initializer_list<std::string> strings) {
    std::string out;
    for (const auto& s : strings) out += static_cast<char>(s.size()) + s;
    return out;
}

const std::string kHttp = labels({"_http", "_tcp", "local"});  // at byte 12 when first

template <typename T>
const T& as(const TMQueryResult& result, std::size_t i) {
    const auto* typed = dynamic_cast<const T*>(&result.Items(i));
    EXPECT_NE(typed, nullptr) << "record " << i;
    return *typed;
}

}  // namespace

TEST(MdnsQuery, ExactBytesOfThePtrQuery) {
    const std::string q = CreateQuery(0xBEEF, false, {TQueryRecordTypes::qtPTR}, "_http._tcp.local");
    EXPECT_EQ(q, be16(0xBEEF) + header(0, 1, 0).substr(2) + kHttp + be16(12) + be16(1));
    EXPECT_EQ(q.size(), 34u);

    const std::string recursive =
        CreateQuery(1, true, {TQueryRecordTypes::qtSRV, TQueryRecordTypes::qtA}, "_http._tcp.local");
    EXPECT_EQ(recursive.substr(2, 4), be16(0x0100) + be16(2));
    // One question per type, in member order.
    EXPECT_EQ(recursive.substr(12), kHttp + be16(1) + be16(1) + kHttp + be16(33) + be16(1));

    EXPECT_THROW(CreateQuery(1, false, {}, "_http._tcp.local"), EIdDNSResolverError);
    EXPECT_THROW(CreateQuery(1, false, {TQueryRecordTypes::qtPTR}, std::string(64, 'x') + ".local"),
                 EIdDNSResolverError);
}

TEST(MdnsAnswer, PtrWithCompressedHostNameWithOrWithoutTheEchoedQuestion) {
    // A unicast answer repeats the question before its records.
    for (const std::string& question : {std::string(), kHttp + be16(12) + be16(1)}) {
        const std::string packet =
            header(0x8400, question.empty() ? 0 : 1, 1) + question +
            record(question.empty() ? kHttp : pointer(12), 12, labels({"cam1"}).substr(0, 5) + pointer(12));
        const auto result = parseAnswer(packet);
        ASSERT_TRUE(result);
        ASSERT_EQ(result->Count(), 1u);
        const auto& ptr = as<TMPTRRecord>(*result, 0);
        EXPECT_EQ(ptr.RecType, TQueryRecordTypes::qtPTR);
        EXPECT_EQ(ptr.Name + " " + ptr.HostName, "_http._tcp.local cam1._http._tcp.local");
        EXPECT_EQ(std::tuple(ptr.TTL, ptr.RecClass), std::tuple(120u, 0x8001));
    }
}

TEST(MdnsAnswer, TypedRecordsOfAServiceAnnouncement) {
    const std::string instance = labels({"cam"}).substr(0, 4) + pointer(12);  // at 12 + kHttp.size()
    const unsigned instanceAt = 12 + static_cast<unsigned>(kHttp.size()) + 10;
    const std::string longPath = "mjpg=/" + std::string(200, 'p') + ".mjpg";
    std::string packet = header(0x8400, 0, 1, 0, 4);
    packet += record(kHttp, 12, instance);
    packet +=
        record(pointer(instanceAt), 16, characterStrings({"width_reduction=2", longPath, std::string(255, 'x'), ""}));
    packet += record(pointer(instanceAt), 33, be16(0) + be16(5) + be16(8080) + labels({"host", "local"}));
    packet += record(labels({"host", "local"}), 1, std::string("\x0a\x4d\x00\x02", 4));
    packet += record(labels({"host", "local"}), 28, std::string(16, '\x01'));

    const auto result = parseAnswer(packet);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->Count(), 5u);
    EXPECT_EQ(as<TMPTRRecord>(*result, 0).HostName, "cam._http._tcp.local");

    const auto& txt = as<TMTextRecord>(*result, 1);
    EXPECT_EQ(txt.Name, "cam._http._tcp.local");
    // Every string, of any length, up to the first empty one.
    EXPECT_EQ(txt.Text, (std::vector<std::string>{"width_reduction=2", longPath, std::string(255, 'x')}));

    const auto& srv = as<TMSRVRecord>(*result, 2);
    EXPECT_EQ(std::tuple(srv.Priority, srv.Weight, srv.Port, srv.Target), std::tuple(0, 5, 8080, "host.local"));
    const auto& a = as<TMARecord>(*result, 3);
    EXPECT_EQ(a.Name + " " + a.IPAddress, "host.local 10.77.0.2");

    // AAAA has no member and is no A record.
    const auto& aaaa = result->Items(4);
    EXPECT_TRUE(!aaaa.RecType && aaaa.TypeCode == 28 && aaaa.RDataLength == 16);
    EXPECT_EQ(dynamic_cast<const TMARecord*>(&aaaa), nullptr);
}

TEST(MdnsAnswer, SoaWksHinfoMinfoAndMxRecords) {
    // Names in the data point back to the owner name "host.local" at byte 12.
    const std::string host = labels({"host", "local"});
    std::string packet = header(0x8400, 0, 5);
    packet += record(host, 6,
                     labels({"ns"}).substr(0, 3) + pointer(12) + labels({"admin"}).substr(0, 6) + pointer(12) +
                         be32(2024) + be32(3600) + be32(600) + be32(86400) + be32(0xFFFFFFFF));
    packet += record(pointer(12), 11, std::string("\x0a\x4d\x00\x02\x06\x00\x01\x80", 8));
    packet += record(pointer(12), 13, characterStrings({"x86-64", "Linux", "extra"}));
    packet += record(pointer(12), 14, labels({"boss"}).substr(0, 5) + pointer(12) + pointer(12));
    packet += record(pointer(12), 15, be16(10) + labels({"mail"}).substr(0, 5) + pointer(12));

    const auto result = parseAnswer(packet);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->Count(), 5u);
    const auto& soa = as<TMSOARecord>(*result, 0);
    EXPECT_EQ(soa.Name + " " + soa.Primary + " " + soa.ResponsiblePerson, "host.local ns.host.local admin.host.local");
    EXPECT_EQ(std::vector<std::uint32_t>({soa.Serial, soa.Refresh, soa.Retry, soa.Expire, soa.MinimumTTL}),
              std::vector<std::uint32_t>({2024, 3600, 600, 86400, 0xFFFFFFFF}));

    const auto& wks = as<TMWKSRecord>(*result, 1);
    EXPECT_EQ(std::tuple(wks.Address, wks.Protocol, wks.BitMap()),
              std::tuple("10.77.0.2", 6, std::string("\x00\x01\x80", 3)));
    const auto& hinfo = as<TMHINFORecord>(*result, 2);
    EXPECT_EQ(hinfo.CPU + " " + hinfo.OS, "x86-64 Linux");
    const auto& minfo = as<TMMINFORecord>(*result, 3);
    EXPECT_EQ(minfo.ResponsiblePersonMailbox + " " + minfo.ErrorMailbox, "boss.host.local host.local");
    const auto& mx = as<TMMXRecord>(*result, 4);
    EXPECT_EQ(std::to_string(mx.Preference) + " " + mx.ExchangeServer, "10 mail.host.local");
}

TEST(MdnsAnswer, AssignCopiesOwnFieldsFromItsKindOnly) {
    TMARecord a;
    a.IPAddress = "10.0.0.1";
    a.Name = "owner";
    TMRDATARecord rdata;
    rdata.Assign(a);
    EXPECT_EQ(rdata.IPAddress + "|" + rdata.Name, "10.0.0.1|");  // the class's own fields only

    TMNSRecord ns;
    ns.HostName = "ns.local";
    TMPTRRecord ptr;
    ptr.Assign(ns);
    EXPECT_EQ(ptr.HostName, "ns.local");

    TMMXRecord mx;
    mx.Preference = 5;
    mx.ExchangeServer = "mail.local";
    TMMXRecord copy;
    copy.Assign(mx);
    EXPECT_EQ(std::to_string(copy.Preference) + " " + copy.ExchangeServer, "5 mail.local");

    EXPECT_THROW(mx.Assign(ptr), std::invalid_argument);
    EXPECT_THROW(ptr.Assign(a), std::invalid_argument);
    EXPECT_THROW(rdata.Assign(rdata), std::invalid_argument);  // not an A record
    TMSOARecord soa;
    EXPECT_THROW(soa.Assign(TMSOARecord()), std::invalid_argument);
}

TEST(MdnsAnswer, BadNamesLeaveOutTheirRecordOnly) {
    const std::string good = record(kHttp, 12, labels({"ok"}).substr(0, 3) + pointer(12));
    auto countAfter = [&](const std::string& bad) {
        const auto result = parseAnswer(header(0x8400, 0, 2) + good + bad);
        return result ? static_cast<int>(result->Count()) : -1;
    };
    const unsigned badAt = 12 + static_cast<unsigned>(good.size());
    ASSERT_EQ(countAfter(record(pointer(12), 12, pointer(12))), 2);  // sanity: a valid second record

    // A pointer to itself, two pointers pointing at each other, a pointer
    // forward, a pointer into the middle of its own labels.
    EXPECT_EQ(countAfter(record(pointer(badAt), 12, pointer(12))), 1);
    EXPECT_EQ(countAfter(record(pointer(12), 12, pointer(badAt + 14) + pointer(badAt + 12))), 1);
    EXPECT_EQ(countAfter(record(pointer(badAt + 12), 12, labels({"x"}))), 1);
    EXPECT_EQ(countAfter(record(labels({"a", "b"}).substr(0, 4) + pointer(badAt + 2), 12, pointer(12))), 1);
    // Reserved label types.
    EXPECT_EQ(countAfter(record(pointer(12), 12, std::string("\x41x\0", 3))), 1);
    // Typed data too short for its type: an A record, an SRV without its
    // target, SOA without its last number or with a looping name, WKS without
    // its protocol, HINFO with one string or a cut one, MINFO with one name, MX without a
    // name or with one reaching past its record.
    const std::string soaNames = pointer(12) + pointer(12);
    const std::pair<unsigned, std::string> shortData[] = {
        {1, "abc"},
        {33, be16(0) + be16(0) + be16(80)},
        {6, soaNames + std::string(19, '\0')},
        {6, pointer(badAt + 12) + pointer(12) + std::string(20, '\0')},
        {11, "abcd"},
        {13, characterStrings({"cpu"})},
        {13, characterStrings({"cpu", "long"}).substr(0, 7)},
        {14, pointer(12)},
        {15, be16(1)},
        {15, be16(1) + "\x04mai"}};
    for (const auto& [type, data] : shortData)
        EXPECT_EQ(countAfter(record(pointer(12), type, data)), 1) << "type " << type;
    // Names in the data may not reach past their record.
    EXPECT_EQ(countAfter(record(pointer(12), 12, std::string("\005ab", 3)) + "cde" + std::string(1, '\0')), 1);
}

TEST(MdnsAnswer, NameLengthIsBoundedAcrossPointers) {
    // Each name is a 60-byte label plus a pointer to the one before: the
    // fifth in the chain is longer than 255 bytes.
    std::string packet = header(0x8400, 0, 5);
    std::string previousName;
    unsigned previousAt = 0;
    for (int i = 0; i < 5; ++i) {
        const unsigned at = static_cast<unsigned>(packet.size());
        std::string name = std::string(1, '\x3c') + std::string(60, static_cast<char>('a' + i));
        name += i == 0 ? std::string(1, '\0') : pointer(previousAt);
        packet += record(name, 12, pointer(at));
        previousAt = at;
    }
    const auto result = parseAnswer(packet);
    ASSERT_TRUE(result);
    // 62, 123, 184 and 245 bytes pass; 306 does not.
    ASSERT_EQ(result->Count(), 4u);
    EXPECT_EQ(result->Items(3).Name.size(), 4u * 60 + 3);
}

TEST(MdnsAnswer, WholeDatagramDroppedWhenNotAnAnswerOrTruncated) {
    const std::string good = record(kHttp, 12, labels({"ok"}).substr(0, 3) + pointer(12));
    EXPECT_TRUE(parseAnswer(header(0x8400, 0, 1) + good));
    EXPECT_FALSE(parseAnswer(std::string(8, '\x84')));
    EXPECT_FALSE(parseAnswer(header(0x0000, 0, 1) + good));  // a query carrying known answers
    // Any other flags word is taken for an answer, a truncated query's known answers too.
    const auto known = parseAnswer(header(0x0200, 0, 1) + good);
    ASSERT_TRUE(known);
    EXPECT_EQ(known->Count(), 1u);
    // Data announced beyond the end, a name cut short, a question cut short.
    EXPECT_FALSE(parseAnswer(header(0x8400, 0, 1) + good.substr(0, good.size() - 1)));
    EXPECT_FALSE(parseAnswer(header(0x8400, 0, 1) + kHttp.substr(0, 8)));
    EXPECT_FALSE(parseAnswer(header(0x8400, 1, 0) + kHttp + be16(12)));
    // Fewer records than counted is fine: parsing stops at the end.
    const auto fewer = parseAnswer(header(0x8400, 0, 9) + good);
    ASSERT_TRUE(fewer);
    EXPECT_EQ(fewer->Count(), 1u);
}
