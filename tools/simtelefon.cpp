// A simulated IP door-intercom telephone: it sends its state telegrams to
// port 8112 of the workstation (a call for a number, video only, the end of
// a call, its name and generation) and answers the workstation's door-opener
// frame ("LSREM...") on its port 8113 with an acknowledge telegram that
// carries the frame back. It keeps a memory of one-byte settings that the
// workstation's configuration telegrams ("LSRCMD") read and write, and
// acknowledges its reset telegram.
//
//   simtelefon --address A --workstation W [--number N] [--name NAME]
//              [--generation V|R] [--size 32|36] [--log FILE] [--announce]
//              [--video] [--no-ack] [--memory 602=01,617=46,...]
//              [--access-code C] [--no-config-reply] [--reply-delay MS]
//
//   SIGUSR1  a call for N (code 01; with --video the video-only code 5D)
//   SIGUSR2  the call ends (code 02)
//   SIGTERM  ends the tool
//
// --announce sends the name (code 14) and generation (code 0A) at start.
// Sends only to W. The log has one line per event: "<ms since 1970> <event>
// <detail>", events "ready", "sent" (telegram text), "door" (the frame),
// "ack", "config" (every configuration telegram), "read" (address),
// "write" (address and value, both hex), "reset", "refused" (a telegram with
// another access code than --access-code), "unknown" (hex), "stop".
// --memory gives start values (hex); other addresses read 00.
// --no-config-reply: configuration telegrams are logged, never answered.
// --reply-delay: each configuration telegram is answered that many
// milliseconds late, as a busy telephone's (the next waits behind it).
//
// Run it only inside a test's network namespace.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/UdpSocket.h"
#include "sim/SimPeer.h"
#include "sim/Telegrams.h"

using namespace oculon;

namespace {

constexpr int kTelConfigReply = 0x32;  // reply to a configuration telegram

bool checksumHolds(const std::string& t) {
    return t.size() > 2 && sim::additiveChecksum(std::string_view(t).substr(0, t.size() - 2)) == t.substr(t.size() - 2);
}

// The telephone's configuration memory and the steps of a write: unlock
// ("e" AA00), address ("c"), value ("d").
class ConfigMemory {
public:
    ConfigMemory(const std::string& start, std::string accessCode) : code_(std::move(accessCode)) {
        std::istringstream items(start);
        for (std::string item; std::getline(items, item, ',');) {
            const auto eq = item.find('=');
            if (eq == std::string::npos) continue;
            memory_[std::stoi(item.substr(0, eq), nullptr, 16)] = std::stoi(item.substr(eq + 1), nullptr, 16) & 0xFF;
        }
        while (!code_.empty() && code_.size() < 4) code_ += 'F';
    }

    // The reply text to a configuration telegram (the part after the code),
    // or nothing; `event` and `detail` say what happened.
    std::optional<std::string> answer(const std::string& t, std::string& event, std::string& detail) {
        std::lock_guard lock(mutex_);
        const std::string address = t.substr(t.rfind("LSREM", 0) == 0 ? 5 : 6, 8);
        if (t.rfind("LSREM", 0) == 0) {
            if (t.size() != 24 || t.substr(15, 3) != "F5A") return std::nullopt;
            if (!codeMatches(t.substr(18, 4), event)) return std::nullopt;
            event = "reset";
            return t;
        }
        if (t.size() < 23 || !codeMatches(t.substr(16, 4), event)) return std::nullopt;
        const char command = t[20];
        const std::string data = t.substr(21, t.size() - 23);
        const auto number = [](const std::string& hex) { return static_cast<int>(std::stoul(hex, nullptr, 16)); };
        try {
            switch (command) {
                case 'a':
                    event = "read";
                    detail = data;
                    return address + "b" + sim::hex2(static_cast<unsigned>(memory_[number(data)]));
                case 'e': unlocked_ = data == "AA00"; break;
                case 'c': pending_ = unlocked_ ? std::optional<int>(number(data)) : std::nullopt; break;
                case 'd':
                    if (!pending_ || data.size() < 2) return std::nullopt;
                    memory_[*pending_] = number(data.substr(0, 2));
                    event = "write";
                    detail = sim::hex2(static_cast<unsigned>(*pending_ >> 8)) + sim::hex2(*pending_ & 0xFF) + " " +
                             data.substr(0, 2);
                    pending_.reset();
                    unlocked_ = false;
                    break;
                default: return std::nullopt;
            }
        } catch (const std::exception&) {
            return std::nullopt;  // no hexadecimal number
        }
        return address + command + data;
    }

private:
    bool codeMatches(const std::string& given, std::string& event) const {
        if (code_.empty() || given == code_) return true;
        event = "refused";
        return false;
    }

    std::mutex mutex_;
    std::map<int, int> memory_;
    std::string code_;
    bool unlocked_ = false;
    std::optional<int> pending_;
};

}  // namespace

int main(int argc, char** argv) {
    const sim::Options options(argc, argv, "simtelefon",
                               {"address", "workstation", "number", "name", "generation", "size", "log", "memory",
                                "access-code", "reply-delay"},
                               {"announce", "video", "no-ack", "no-config-reply"});
    sim::SignalSteering steering;  // before any thread
    const std::string address = options.address("address");
    const std::string workstation = options.address("workstation");
    const std::string number = options.get("number", "1");
    const std::string name = options.get("name", "SimTelefon");
    const std::string generation = options.get("generation", "V");
    if (generation != "V" && generation != "R") options.usage("--generation is V or R");
    const std::size_t size = static_cast<std::size_t>(options.number("size", 32, 32, 36));
    if (size != 32 && size != 36) options.usage("--size is 32 or 36");
    const bool ack = !options.flag("no-ack");
    const bool configReply = !options.flag("no-config-reply");
    const std::chrono::milliseconds replyDelay(options.number("reply-delay", 0, 0, 5000));
    ConfigMemory memory(options.get("memory"), options.get("access-code"));
    sim::EventLog log(options.get("log"));

    // Telephones number their telegrams; the workstation drops a number that
    // is not above the last one unless it is below 10, so wrap to 0.
    std::atomic<int> sequence{1};
    auto nextSequence = [&sequence] { return sequence.fetch_add(1) % 256; };

    return sim::runPeer(log, [&] {
        auto sender = std::make_shared<platform::UdpSocket>();
        sender->bind(address, 0);
        auto send = [&, sender](int code, std::string_view text) {
            const std::string telegram = sim::telefonTelegram(nextSequence(), code, text, size);
            sender->sendTo(workstation, sim::kTelephoneEventPort, telegram);
            log.write("sent", telegram);
        };

        platform::UdpSocket commandSocket;
        commandSocket.bind(address, sim::kTelephoneCommandPort);
        platform::UdpListener listener(
            std::move(commandSocket),
            [&, sender](const platform::Datagram& d) {
                if (d.peerAddress != workstation || d.data.empty()) return;
                const bool config =
                    d.data.rfind("LSRCMD", 0) == 0 ||
                    (d.data.rfind("LSREM", 0) == 0 && d.data.size() == 24 && d.data.substr(15, 3) == "F5A");
                if (config && checksumHolds(d.data)) {
                    log.write("config", d.data);
                    std::string event, detail;
                    const auto reply = memory.answer(d.data, event, detail);
                    if (!event.empty()) log.write(event, detail);
                    if (!reply || !configReply) return;
                    std::this_thread::sleep_for(replyDelay);
                    const int code = d.data.rfind("LSREM", 0) == 0 ? sim::kTelAck : kTelConfigReply;
                    sender->sendTo(workstation, sim::kTelephoneEventPort,
                                   sim::telefonTelegram(nextSequence(), code, *reply, reply->size() <= 24 ? 32 : 36));
                } else if (sim::isDoorOpenerFrame(d.data)) {
                    log.write("door", d.data);
                    if (!ack) return;
                    const std::string telegram = sim::telefonAck(nextSequence(), d.data);
                    sender->sendTo(workstation, sim::kTelephoneEventPort, telegram);
                    log.write("ack", telegram);
                } else {
                    log.write("unknown", sim::hexBytes(d.data));
                }
            },
            "telefonListener");

        if (options.flag("announce")) {
            send(sim::kTelName, name);
            send(sim::kTelType, generation);
        }
        log.write("ready", name + " " + address + " number " + number);
        for (;;) {
            const auto signal = steering.next();
            if (signal == sim::SignalSteering::Signal::stop) break;
            if (signal == sim::SignalSteering::Signal::first)
                send(options.flag("video") ? sim::kTelVideo : sim::kTelCall, number);
            else send(sim::kTelIdle, "");
        }
        listener.stop();
    });
}
