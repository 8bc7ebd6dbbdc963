// The special functions' exchanges on their worker while the intercom's
// answers arrive on another thread, as the discovery listener hands them
// over: what a read fills and what a write announces reach the main thread
// through the hand-over, a run broken off while the device is silent ends
// at once, and runs started one after another each get their own client.
// The intercom listens on a loopback address; nothing leaves the machine.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "devices/TelefonTelegram.h"
#include "devices/TelegramText.h"
#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"
#include "settings/IntercomMemoryRun.h"
#include "support/DeviceBytes.h"

using namespace oculon;
using namespace oculon::settings;
using namespace std::chrono_literals;

namespace {

constexpr const char* kIntercom = "127.0.81.13";

// The intercom's memory behind its configuration telegrams (addresses
// 0x600 to 0x61F); the replies go straight to the current client.
class Intercom {
public:
    Intercom()
        : listener_(
              bound(), [this](const platform::Datagram& d) { answer(d.data); }, "intercom") {}

    std::array<std::atomic<int>, 0x20> memory{};
    std::atomic<bool> silent{false};

private:
    static platform::UdpSocket bound() {
        platform::UdpSocket socket;
        socket.bind(kIntercom, devices::telefonKonfig::kDevicePort);
        return socket;
    }
    void answer(const std::string& t) {
        if (silent || !devices::additiveChecksumValid(t)) return;
        std::string reply;
        int code = 0x32;
        const auto cell = [this](const std::string& hex) -> std::atomic<int>& {
            return memory[static_cast<std::size_t>(std::stoi(hex, nullptr, 16) & 0x1F)];
        };
        if (t.rfind("LSREM", 0) == 0) {
            reply = t;
            code = 0x1E;
        } else if (t.rfind("LSRCMD", 0) == 0 && t.size() >= 23) {
            const std::string address = t.substr(6, 8);
            const char command = t[20];
            const std::string data = t.substr(21, t.size() - 23);
            if (command == 'a') {
                reply = address + "b" + devices::upperHex(static_cast<unsigned>(cell(data).load()), 2);
            } else {
                if (command == 'c') pending_ = data;
                if (command == 'd') cell(pending_) = std::stoi(data.substr(0, 2), nullptr, 16);
                reply = address + command + data;
            }
        }
        sequence_ = sequence_ >= 250 ? 10 : sequence_ + 1;
        if (const auto telegram = devices::parseTelefonTelegram(testsupport::telephoneTelegram(sequence_, code, reply)))
            devices::telefonKonfig::handToCurrent(*telegram);
    }

    // Only the listener's thread uses these.
    std::string pending_;
    int sequence_ = 10;
    platform::UdpListener listener_;
};

class RunConcurrency : public ::testing::Test {
protected:
    // A reply names no memory address, so it is matched to its question by
    // time alone: one that comes after the wait would be taken for the next
    // question's. The wait is the program's own, which the intercom thread
    // meets even on a loaded machine under a sanitizer; only the restart after
    // a write is shortened.
    RunConcurrency() { run.setTiming({1000ms, 3, 30ms, 20ms}); }

    // Starts a read; `done` is set on the main thread.
    void read() {
        done = false;
        run.read("12", {}, [this](bool ok, const IntercomMemory& values) {
            EXPECT_EQ(std::this_thread::get_id(), main);
            done = true;
            lastOk = ok;
            last = values;
        });
    }

    platform::ManualLoopBackend loop;
    const std::thread::id main = std::this_thread::get_id();
    Intercom intercom;
    IntercomMemoryRun run{kIntercom};
    bool done = false;
    bool lastOk = false;
    IntercomMemory last;
};

TEST_F(RunConcurrency, ReadAndWriteHandTheirValuesToTheMainThread) {
    intercom.memory[0x02] = 2;
    intercom.memory[0x04] = 0x05;
    intercom.memory[0x17] = 0x46;
    read();
    EXPECT_TRUE(run.running());
    ASSERT_TRUE(loop.pumpUntil([&] { return done; }, 10s));
    EXPECT_FALSE(run.running());
    ASSERT_TRUE(lastOk);
    EXPECT_EQ(last.callLogic, 2);
    EXPECT_TRUE(last.cancelCall && last.relay1 && !last.hangUp);
    EXPECT_EQ(last.keys[0], kKeyF);

    IntercomMemory wanted = last;
    wanted.callLogic = 3;
    wanted.keys[1] = kKeyNone;
    std::vector<std::string> news;
    const auto tell = [&](const char* what) {
        return [this, &news, what] {
            EXPECT_EQ(std::this_thread::get_id(), main);
            news.push_back(what);
        };
    };
    done = false;
    run.write("12", wanted, {tell("restarting"), tell("reached")}, [&](bool ok, const IntercomMemory& written) {
        done = true;
        lastOk = ok;
        last = written;
    });
    ASSERT_TRUE(loop.pumpUntil([&] { return done; }, 10s));
    EXPECT_TRUE(lastOk);
    EXPECT_EQ(news, (std::vector<std::string>{"restarting", "reached"}));
    EXPECT_EQ(last, wanted);
    EXPECT_EQ(intercom.memory[0x02], 3);
    EXPECT_EQ(intercom.memory[0x18], 0xFF);
}

TEST_F(RunConcurrency, BreakingOffASilentDeviceEndsTheRunAtOnce) {
    intercom.silent = true;
    for (int round = 0; round < 5; ++round) {
        read();
        loop.pumpFor(std::chrono::milliseconds(10 * round));
        const auto start = std::chrono::steady_clock::now();
        run.stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_FALSE(run.running());
    }
    loop.pumpFor(50ms);
    EXPECT_FALSE(done);  // a broken-off run reports nothing

    // Runs one after another while the device answers again: each new run
    // replaces the one before, finished or not.
    intercom.silent = false;
    intercom.memory[0x1C] = 1;
    for (int round = 0; round < 5; ++round) {
        read();
        if (round % 2 == 0) {
            ASSERT_TRUE(loop.pumpUntil([&] { return done; }, 10s));
        }
    }
    ASSERT_TRUE(loop.pumpUntil([&] { return done; }, 10s));
    EXPECT_TRUE(lastOk);
    EXPECT_TRUE(last.dialTone);
}

}  // namespace
