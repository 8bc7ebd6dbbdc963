// The read handlers of the discovery listeners: which telegrams start a
// probe or post an event, the rate limits and the sequence rules.

#include <gtest/gtest.h>

#include <vector>

#include "config/RebootSperre.h"
#include "devices/DiscoveryHandlers.h"
#include "devices/RelayFraming.h"
#include "devices/TelefonListe.h"
#include "devices/TelegramText.h"
#include "devices/stateChangeObjekt.h"
#include "support/DeviceBytes.h"

using namespace oculon;
using namespace oculon::devices;

namespace {

class HandlersTest : public ::testing::Test {
protected:
    HandlersTest()
        : target_([this](platform::Message& m) { messages_.push_back(std::move(m)); }),
          handlers_({target_.id(), &rebootLock_, &telefone_,
                     [this](ProbeRequest r) { probes_.push_back(std::move(r)); }, [this] { return now_; }}) {}

    std::vector<platform::Message>& pump() {
        platform::MainLoop::instance().processPending();
        return messages_;
    }

    static std::string record(std::string_view prefix, std::uint8_t vollst = 0) {
        auto p = testsupport::serverRecord({10, 0, 0, 1}, 80, "Tor", prefix);
        p.setVollst(vollst);
        return std::string(p.bytes());
    }
    static std::string state(int seq, std::string_view kind = "A1", std::string_view inputs = "01") {
        std::string t = upperHex(static_cast<unsigned>(seq), 2) + " " + std::string(kind) + "   " +
                        std::string(inputs) + std::string(20, 'x');
        appendAdditiveChecksum(t);
        return t;
    }
    static std::string tel(int seq, int code, std::string_view text) {
        return testsupport::telephoneTelegram(seq, code, text);
    }

    platform::ManualLoopBackend loop_;
    std::vector<platform::Message> messages_;
    platform::MessageTarget target_;
    config::TRebootSperre rebootLock_;
    TelefonListe telefone_;
    std::vector<ProbeRequest> probes_;
    std::uint32_t now_ = 100000;
    DiscoveryHandlers handlers_;
};

}  // namespace

TEST_F(HandlersTest, SearchAnswersOfTypesZeroAndOneAreProbedOncePerSenderIn5Seconds) {
    handlers_.UDPEmpfaengerRead(record("IPCam"), "10.0.0.1");
    handlers_.UDPEmpfaengerRead(record("CPCam").substr(0, 61), "10.0.0.2");
    handlers_.UDPEmpfaengerRead(record("AXIS_"), "10.0.0.3");
    handlers_.UDPEmpfaengerRead(record("IPCam", 1), "10.0.0.4");  // not a search answer
    handlers_.UDPEmpfaengerRead(record("IPCam") + "x", "10.0.0.5");
    ASSERT_EQ(probes_.size(), 2u);
    EXPECT_EQ(probes_[0].address + " " + probes_[0].name + "|" + probes_[0].record.name() + " " + probes_[1].address,
              "10.0.0.1 |Tor 10.0.0.2");
    EXPECT_EQ(rebootLock_.count(), 0);

    // One probe per sender in 5 s, none while a restart holds the lock.
    now_ += 5000;
    handlers_.UDPEmpfaengerRead(record("IPCam"), "10.0.0.1");
    EXPECT_EQ(probes_.size(), 2u);
    now_ += 1;
    handlers_.UDPEmpfaengerRead(record("IPCam"), "10.0.0.1");
    EXPECT_EQ(probes_.size(), 3u);
    rebootLock_.blockVideo();
    now_ += 6000;
    handlers_.UDPEmpfaengerRead(record("IPCam"), "10.0.0.1");
    EXPECT_EQ(probes_.size(), 3u);
    rebootLock_.unblockVideo();
}

// What answered the latest round counts, under the name it answered with:
// a device whose answers the rate limit holds back from a probe answers
// still; one silent for a whole round does not, whatever its list entry.
TEST_F(HandlersTest, TheLatestRoundKnowsWhoAnsweredAndUnderWhichName) {
    SearchRounds& rounds = handlers_.rounds();
    const auto answering = [&] {
        std::string all;
        for (const ListedDevice& d : rounds.answering()) all += d.key + "=" + d.name + " ";
        return all;
    };
    handlers_.UDPEmpfaengerRead(record("IPCam"), "10.0.0.1");
    handlers_.UDPEmpfaengerRead(record("AXIS_"), "10.0.0.3");  // no video server of the search
    EXPECT_EQ(answering(), "10.0.0.1:80=Tor ");
    for (int round = 0; round < 3; ++round) {
        rounds.beginRound();
        now_ += 4000;
        handlers_.UDPEmpfaengerRead(record("IPCam"), "10.0.0.1");
    }
    EXPECT_EQ(probes_.size(), 2u);  // one in 5 s went to a probe, each answered
    EXPECT_TRUE(rounds.answers("10.0.0.1:80", "Tor") && !rounds.answers("10.0.0.1:80", "Lobby"));
    rounds.beginRound();
    EXPECT_EQ(answering(), "10.0.0.1:80=Tor ");  // the round before counts while answers come in
    rounds.beginRound();
    EXPECT_EQ(answering(), "");
}

TEST_F(HandlersTest, IpReplyProbesWithoutRateLimit) {
    const std::string answer = "IPREPLY,1,2,10.0.0.8:8080,4,5,Garten";
    handlers_.UDPEmpfaengerReadKorvat(answer, "10.0.0.8");
    handlers_.UDPEmpfaengerReadKorvat(answer, "10.0.0.8");
    handlers_.UDPEmpfaengerReadKorvat("IPREPLY,1,2", "10.0.0.8");
    ASSERT_EQ(probes_.size(), 2u);
    EXPECT_EQ(getType(probes_[0].record), config::KorvatCam);
    EXPECT_EQ(probes_[0].record.port1(), "8080");
}

TEST_F(HandlersTest, StateTelegramsPostInputChanges) {
    handlers_.UDPEmpfaengerRead2(state(0x10, "A1", "01"), "10.0.0.9");
    handlers_.UDPEmpfaengerRead2(state(0x11, "B1", "00"), "10.0.0.9");  // other kind
    handlers_.UDPEmpfaengerRead2(state(0x11, "A2", "10"), "10.0.0.9");  // number used up by the B1
    handlers_.UDPEmpfaengerRead2(state(0x12, "A2", "10"), "0.0.0.0");
    handlers_.UDPEmpfaengerRead2(state(0x13, "A2", "10"), "10.0.0.9");
    auto& posted = pump();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].id, platform::WM_STATECHANGEDEVENT);
    auto first = posted[0].take<platform::WM_STATECHANGEDEVENT>();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->adresse() + ":" + first->port(), "10.0.0.9:80");
    EXPECT_TRUE(first->status1() && !first->status2());
    auto second = posted[1].take<platform::WM_STATECHANGEDEVENT>();
    EXPECT_TRUE(!second->status1() && second->status2());
}

TEST_F(HandlersTest, SequenceRulesArePerSenderAndShared) {
    SequenceTable& seq = handlers_.sequences();
    // Old numbers fail; a restart below 10 always passes; each sender counts alone.
    std::string passed;
    for (const auto& [sender, n] : {std::pair{"a", 200}, {"a", 150}, {"a", 200}, {"a", 5}, {"a", 5}, {"b", 150}})
        passed += seq.checkSequence(sender, n) ? '1' : '0';
    EXPECT_EQ(passed, "100111");

    // Forged senders cannot grow the tables without end.
    for (std::size_t i = 0; i < kMaxSenders + 10; ++i) {
        const std::string sender = "f" + std::to_string(i);
        seq.checkSequence(sender, 50);
        handlers_.rateLimiter().admit(sender, 5000);
    }
    EXPECT_LE(seq.size(), kMaxSenders);
    EXPECT_LE(handlers_.rateLimiter().size(), kMaxSenders);

    // State and telephone telegrams of one sender share the table.
    handlers_.UDPEmpfaengerRead2(state(0x40), "10.0.0.7");
    handlers_.UDPEmpfaengerReadTel(tel(0x30, 0x01, "12"), "10.0.0.7");
    handlers_.UDPEmpfaengerReadTel(tel(0x41, 0x01, "12"), "10.0.0.7");
    auto& posted = pump();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(posted[0].id == platform::WM_STATECHANGEDEVENT && posted[1].id == platform::WM_TELUPDATEEVENT);
}

TEST_F(HandlersTest, TelephoneTelegramsFileAndPost) {
    handlers_.UDPEmpfaengerReadTel(tel(1, 0x14, "Pforte  "), "10.0.0.6");
    handlers_.UDPEmpfaengerReadTel(tel(2, 0x01, " 7 1 "), "10.0.0.6");
    handlers_.UDPEmpfaengerReadTel(tel(3, 0x32, "whatever"), "10.0.0.6");  // no event
    handlers_.UDPEmpfaengerReadTel(tel(4, 0x01, "1").substr(0, 31), "10.0.0.6");
    auto& posted = pump();
    ASSERT_EQ(posted.size(), 2u);
    auto call = posted[1].take<platform::WM_TELUPDATEEVENT>();
    ASSERT_TRUE(call);
    EXPECT_TRUE(call->status() == Verbindung && call->nummer() == "71");
    EXPECT_TRUE(telefone_.find("10.0.0.6")->name() == "Pforte" && telefone_.find("10.0.0.6")->status() == Verbindung);
}

TEST_F(HandlersTest, RelayedNamesAndTelegramsReachTheirHandlers) {
    handlers_.dispatchRelayed(
        *parseRelayLine(buildRelayLine("MOB", "10.0.1.1", std::string("ABCDEFGHIJKLMNOPQRSTUVWXY\0", 26))));
    handlers_.dispatchRelayed(*parseRelayLine(buildRelayLine("MOB", "10.0.1.1", "again")));  // within 10 s
    now_ += 10001;
    handlers_.dispatchRelayed(*parseRelayLine(buildRelayLine("HIK", "10.0.1.1", "hik")));
    handlers_.dispatchRelayed(*parseRelayLine(buildRelayLine("CAM", "192.168.1.20", record("IPCam"))));
    ASSERT_EQ(probes_.size(), 3u);
    EXPECT_EQ(probes_[0].name + " " + probes_[0].address, "ABCDEFGHIJKLMNOPQ 10.0.1.1");
    EXPECT_TRUE(getType(probes_[0].record) == config::MobotixCam && getType(probes_[1].record) == config::HikVision);
    EXPECT_EQ(probes_[2].address + "|" + probes_[2].name, "192.168.1.20|");

    handlers_.dispatchRelayed(*parseRelayLine(buildRelayLine("STA", "10.0.1.2", state(1))));
    handlers_.dispatchRelayed(*parseRelayLine(buildRelayLine("IDP", "10.0.1.3", tel(1, 0x02, ""))));
    auto& posted = pump();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(posted[0].id == platform::WM_STATECHANGEDEVENT && posted[1].id == platform::WM_TELUPDATEEVENT);
}
