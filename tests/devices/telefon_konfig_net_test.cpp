// The telephone configuration client against a simulated telephone on
// 127.0.0.1:8113 whose replies come back through the port-8112 read handler:
// reads, writes and the reset, with lost, late and duplicated replies.

#include <gtest/gtest.h>

#include <map>

#include "devices/DiscoveryHandlers.h"
#include "devices/TelefonListe.h"
#include "devices/telefonKonfig.h"
#include "devices/telefonKonfigThread.h"
#include "platform/UdpSocket.h"
#include "support/DeviceBytes.h"
#include "support/UdpPeer.h"

using namespace oculon;
using namespace oculon::devices;
using namespace std::chrono_literals;
using testsupport::UdpPeer;

namespace {

constexpr const char* kPhone = "127.0.0.1";
constexpr const char* kPhoneHex = "7F000001";

// The telephone: keeps a memory, answers "LSRCMD" and "LSREM" telegrams to
// port 8112, and can lose or delay its answers.
class SimulatedPhone {
public:
    SimulatedPhone() : peer_(std::in_place, kPhone, telefonKonfig::kDevicePort) {
        peer_->setResponder([this](const testsupport::ReceivedDatagram& d) {
            handle(d.data);
            return std::nullopt;
        });
    }
    ~SimulatedPhone() {
        {
            std::lock_guard lock(peerMutex_);
            peer_.reset();  // no more telegrams, so no more delayed answers
        }
        for (auto& t : delayed_) t.join();
    }

    void store(int address, int value) {
        std::lock_guard lock(mutex_);
        memory_[address] = value;
    }
    int load(int address) {
        std::lock_guard lock(mutex_);
        return memory_[address];
    }
    std::vector<std::string> received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::atomic<int> loseNext{0};  // answers to drop
    std::atomic<int> delayMs{0};   // answers go out this late
    std::atomic<bool> answerWrongStep{false};

private:
    void handle(const std::string& t) {
        std::string reply;
        {
            std::lock_guard lock(mutex_);
            received_.push_back(t);
            if (!additiveChecksumValid(t)) return;
            if (t.rfind("LSRCMD", 0) == 0 && t.size() >= 23) {
                const char command = t[20];
                const std::string data = t.substr(21, t.size() - 23);
                if (command == 'a') {
                    reply =
                        answer(0x32, std::string(kPhoneHex) + "b" + upperHex(memory_[std::stoi(data, nullptr, 16)], 2));
                } else {
                    if (command == 'c') pending_ = std::stoi(data, nullptr, 16);
                    if (command == 'd') memory_[pending_] = std::stoi(data.substr(0, 2), nullptr, 16);
                    reply = answer(0x32, std::string(kPhoneHex) + (answerWrongStep ? 'x' : command) + data);
                }
            } else if (t.rfind("LSREM", 0) == 0) {
                reply = answer(0x1E, t);
            }
        }
        if (reply.empty()) return;
        if (loseNext > 0) {
            --loseNext;
        } else if (delayMs > 0) {
            std::lock_guard lock(mutex_);
            delayed_.emplace_back([this, reply, d = delayMs.load()] {
                std::this_thread::sleep_for(std::chrono::milliseconds(d));
                std::lock_guard peerLock(peerMutex_);
                if (peer_) peer_->sendTo(kPhone, 8112, reply);
            });
        } else {
            peer_->sendTo(kPhone, 8112, reply);
        }
    }
    // With the next sequence number.
    std::string answer(int code, const std::string& text) {
        sequence_ = sequence_ >= 250 ? 10 : sequence_ + 1;
        return testsupport::telephoneTelegram(sequence_, code, text);
    }

    std::mutex mutex_;
    std::vector<std::string> received_;
    std::vector<std::thread> delayed_;
    int pending_ = 0;
    std::map<int, int> memory_;
    int sequence_ = 9;
    std::mutex peerMutex_;
    std::optional<UdpPeer> peer_;
};

// The exchanges block, so they run off the main thread (the test's).
template <typename F>
auto onWorker(F f) {
    decltype(f()) result{};
    std::thread worker([&] { result = f(); });
    worker.join();
    return result;
}

class TelefonKonfigNet : public ::testing::Test {
protected:
    TelefonKonfigNet()
        : handlers_({0, nullptr, &telefone_, [](ProbeRequest) {}, {}}),
          listener_(
              bound(), [this](const platform::Datagram& d) { handlers_.UDPEmpfaengerReadTel(d.data, d.peerAddress); },
              "telListener") {
        platform::MainLoop::instance().markMainThread();
        client_.makeCurrent();
        client_.setTiming({150ms, 6, 10ms, 300ms});
    }
    static platform::UdpSocket bound() {
        platform::UdpSocket s;
        s.bind(kPhone, 8112);
        return s;
    }
    std::string read(int address) {
        return onWorker([&] { return client_.leseAdresse(address); });
    }
    bool write(int address, int value) {
        return onWorker([&] { return client_.schreibeDaten(address, value); });
    }

    SimulatedPhone phone_;
    TelefonListe telefone_;
    DiscoveryHandlers handlers_;
    platform::UdpListener listener_;
    telefonKonfig client_{kPhone, "12"};
};

}  // namespace

TEST_F(TelefonKonfigNet, ReadsAndWritesWithTheExactTelegrams) {
    phone_.store(0x602, 0x03);
    EXPECT_EQ(read(0x602), "03");
    EXPECT_TRUE(client_.sendTrials() == 0 && !client_.timedOut());

    EXPECT_TRUE(write(0x617, 0x46));
    EXPECT_EQ(phone_.load(0x617), 0x46);
    EXPECT_EQ(read(0x617), "46");

    const auto lsrCmd = [](int seq, char command, const std::string& data) {
        return buildLsrCmd(kPhoneHex, seq, "12FF", command, data);
    };
    EXPECT_EQ(phone_.received(),
              (std::vector<std::string>{lsrCmd(0, 'a', "0602"), lsrCmd(1, 'e', "AA00"), lsrCmd(2, 'c', "0617"),
                                        lsrCmd(3, 'd', "4600"), lsrCmd(4, 'a', "0617")}));
}

TEST_F(TelefonKonfigNet, LostRepliesAreSentAgainUpToSevenSends) {
    phone_.store(1, 0x11);
    phone_.loseNext = 2;
    EXPECT_EQ(read(1), "11");
    EXPECT_EQ(client_.sendTrials(), 2);
    auto sent = phone_.received();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], sent[2]);  // the same telegram each time

    phone_.loseNext = 100;
    EXPECT_EQ(read(1), "");
    EXPECT_TRUE(client_.timedOut());
    EXPECT_EQ(phone_.received().size(), 10u);
    // A write stops at the first step that was not confirmed.
    EXPECT_FALSE(write(2, 1));
    EXPECT_EQ(phone_.received().size(), 17u);
    EXPECT_EQ(client_.sequence(), 3);
}

TEST_F(TelefonKonfigNet, AReplyToAnEarlierSendIsSuccess) {
    // Each answer comes after the next send went out; the last of them after
    // the sixth resend, which used to be reported as a time-out.
    phone_.store(5, 0x55);
    phone_.delayMs = 6 * 150 + 80;
    EXPECT_EQ(read(5), "55");
    EXPECT_TRUE(client_.sendTrials() == 6 && !client_.timedOut());
}

TEST_F(TelefonKonfigNet, LateDuplicatesDoNotAnswerTheNextRead) {
    phone_.store(1, 0x11);
    phone_.store(2, 0x22);
    // Every send is answered, each answer after the next send went out: the
    // answer to the first read's resend must not be taken for the second read.
    phone_.delayMs = 200;
    EXPECT_EQ(read(1), "11");
    EXPECT_EQ(read(2), "22");
}

TEST_F(TelefonKonfigNet, WrongConfirmationsTheResetAndCancel) {
    phone_.answerWrongStep = true;
    EXPECT_FALSE(write(0x604, 5));
    phone_.answerWrongStep = false;

    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(onWorker([&] { return client_.reset(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 10ms);
    EXPECT_EQ(phone_.received().back().substr(0, 22), std::string("LSREM") + kPhoneHex + "01F5A12FF");

    // Exchanges refuse the main thread, and a cancel ends one at once.
    ASSERT_TRUE(platform::MainLoop::instance().isMainThread());
    EXPECT_THROW(client_.leseAdresse(1), std::logic_error);
    phone_.loseNext = 100;
    std::thread canceller([&] {
        std::this_thread::sleep_for(100ms);
        client_.cancel();
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(1), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 600ms);
    canceller.join();
}

TEST_F(TelefonKonfigNet, AWorkerThreadRunsTheExchangesForAWindow) {
    platform::ManualLoopBackend loop;
    phone_.store(0x603, 1);
    std::string value;
    bool done = false;
    telefonKonfigThread worker(
        client_, [&](telefonKonfig& c) { value = c.leseAdresse(0x603); }, [&] { done = true; });
    worker.Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return done; }, 5s));
    EXPECT_EQ(value, "01");

    // Closing the window while the telephone is silent does not wait for the tries.
    phone_.loseNext = 100;
    auto silent = std::make_unique<telefonKonfigThread>(
        client_, [](telefonKonfig& c) { c.leseAdresse(1); }, [] {});
    silent->Start();
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::stopAndFree(std::move(silent), 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST(TelefonKonfig, InvalidAddressIsNotInited) {
    EXPECT_FALSE(telefonKonfig("10.0.0", "1").isInit() || telefonKonfig("10.0.0.300", "1").isInit());
    telefonKonfig none("x", "1");
    EXPECT_EQ(none.leseAdresse(1), "");
    EXPECT_FALSE(none.reset());
}
