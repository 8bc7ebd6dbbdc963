// A simulated serial-to-Ethernet gateway for tests: it answers the gateway
// library's UDP protocol with the identity and settings given on the command
// line, applies setters after a password check, and on "save and restart"
// makes them its settings and writes them to the state file. It also takes
// the workstation's command frames on port 4002 (the video output of the
// server behind it, the wiring test's switching), logs them and echoes them
// to port 4001, as the gateway passes them on to that server; and it calls
// the workstation as a door station behind it does.
//
//   simgateway [--name N] [--ip A] [--netmask M] [--gateway G] [--dhcp]
//              [--password P] [--mac 00:90:e8:00:00:01] [--apid 256]
//              [--firmware F] [--state FILE] [--moves]
//              [--late MS] [--silent-after-set] [--restart-unanswered MS]
//              [--address A] [--workstation W] [--call ID] [--log FILE]
//
//   SIGUSR1  a call for the workstation id ID (--call, default "1") to the
//            workstation's port 4001
//   SIGUSR2  the call ends
//   SIGTERM  ends the tool
//
// --moves: it answers at its own address (--ip) only, as a real gateway
// does, and at the new one once it saved another: each must be an address
// of the host it runs on. Without it, it answers at any of them.
//
// How it misbehaves, as a slow or failing gateway does:
//   --late MS               answers every request but the search MS ms late
//                           (a request sent again meanwhile is answered late
//                           again, and acted on once)
//   --silent-after-set      from its first setter request on it takes and
//                           answers nothing, the search included
//   --restart-unanswered MS saves what it was given and restarts before it
//                           answers the save: silent for MS ms (-1: it never
//                           answers again)
//
// --address: where it takes command frames (default: every local address);
// --workstation: the only sender whose frames it takes (default: any). The
// log (default: standard output) has one line per event: "<ms since 1970>
// <event> <detail>", events "ready", "saved" (the settings now in force, as
// in the state file), "silent" (why it stopped answering), "heard" (a
// request other than the search: its kind and whether it was meant for
// this gateway), "command" (hex bytes), "echo", "call" (hex bytes), "stop".
//
// Run it only inside a test's network namespace.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devices/moxaGWSuche.h"
#include "devices/neci/NeciProtocol.h"
#include "platform/UdpSocket.h"
#include "sim/SimPeer.h"
#include "sim/Telegrams.h"

using namespace oculon;
using namespace oculon::neci;

namespace {

struct Device {
    Settings active;
    Settings staged;
    std::string password;
    std::string stagedPassword;
    Mac mac{0x00, 0x90, 0xE8, 0x00, 0x00, 0x01};
    int restarts = 0;
    std::string stateFile;
};

// The last request answered, by sender and its bytes, with the answer sent.
// The number alone does not tell a request sent again from a new one: each
// library counts on its own, so another program's (or a restarted one's)
// requests may carry numbers already seen.
struct AnsweredRequest {
    std::string peerAddress;
    std::uint16_t peerPort = 0;
    std::string request;
    std::string reply;
    bool sameRequest(const AnsweredRequest& other) const {
        return !reply.empty() && peerAddress == other.peerAddress && peerPort == other.peerPort &&
               request == other.request;
    }
};

std::uint32_t ipOption(const sim::Options& options, const std::string& key, const char* fallback) {
    const auto value = devices::strToIp(options.get(key, fallback));
    if (!value) options.usage("--" + key + " must be a dotted IPv4 address");
    return *value;
}

Mac parseMac(const sim::Options& options, const std::string& text) {
    Mac mac{};
    unsigned v[6];
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6)
        options.usage("bad MAC address");
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<std::uint8_t>(v[i]);
    return mac;
}

// The settings in force as "key=value" items, one after each `separator`.
std::string settingsText(const Device& d, char separator) {
    const Settings& s = d.active;
    return "name=" + s.name + separator + "ip=" + devices::ipToStr(s.ip) + separator +
           "netmask=" + devices::ipToStr(s.netmask) + separator + "gateway=" + devices::ipToStr(s.gateway) + separator +
           "dhcp=" + std::to_string(s.dhcp) + separator + "password=" + d.password + separator +
           "restarts=" + std::to_string(d.restarts);
}

// Replaced whole, so a reader never sees half of it.
void writeState(const Device& d) {
    if (d.stateFile.empty()) return;
    const std::string temporary = d.stateFile + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << settingsText(d, '\n') << "\n";
    }
    std::rename(temporary.c_str(), d.stateFile.c_str());
}

Status applySet(Device& d, const Request& r) {
    Settings& s = d.staged;
    const bool addressField =
        r.field == Field::ip || r.field == Field::netmask || r.field == Field::gateway || r.field == Field::ipConfig;
    if (addressField && r.ifid != s.ifid) return Status::badValue;
    switch (r.field) {
        case Field::ip: s.ip = r.value; break;
        case Field::netmask: s.netmask = r.value; break;
        case Field::gateway: s.gateway = r.value; break;
        case Field::ipConfig:
            if (r.value > 1) return Status::badValue;
            s.dhcp = r.value == 1;
            break;
        case Field::name: s.name = r.text; break;
        case Field::password:
            if (r.text.size() >= kPasswordField) return Status::badValue;
            d.stagedPassword = r.text;
            break;
    }
    return Status::ok;
}

std::optional<Reply> answer(Device& d, const Request& r) {
    Reply reply;
    reply.op = r.op;
    reply.sequence = r.sequence;
    reply.mac = d.mac;
    if (r.op != Op::search && r.mac != d.mac) return std::nullopt;  // meant for another gateway
    const bool authorised = r.password == d.password;
    switch (r.op) {
        case Op::search:
        case Op::get:
            reply.settings = d.active;
            reply.settings.hasPassword = !d.password.empty();
            break;
        case Op::login: reply.status = authorised ? Status::ok : Status::refused; break;
        case Op::set: reply.status = authorised ? applySet(d, r) : Status::refused; break;
        case Op::saveAndRestart:
            reply.status = authorised ? Status::ok : Status::refused;
            if (authorised) {
                d.active = d.staged;
                d.password = d.stagedPassword;
                ++d.restarts;
                writeState(d);
            }
            break;
    }
    return reply;
}

// How this gateway behaves beyond answering.
struct Behaviour {
    std::chrono::milliseconds late{0};
    bool silentAfterSet = false;
    std::optional<std::chrono::milliseconds> restartUnanswered;  // negative: for ever
    bool moves = false;
};

const char* opName(Op op) {
    switch (op) {
        case Op::search: return "search";
        case Op::get: return "get";
        case Op::login: return "login";
        case Op::set: return "set";
        case Op::saveAndRestart: return "save";
    }
    return "?";
}

// The socket at the gateway's own address, where it answers when it moves.
platform::UdpSocket homeSocket(std::uint32_t address) {
    platform::UdpSocket socket;
    socket.setReuseAddress(true);
    socket.bind(devices::ipToStr(address), kPort);
    return socket;
}

// Answers the library's requests on a thread of its own, which alone touches
// the device's settings; late answers wait in a queue and go out from the
// same socket when they fall due. A gateway that moves hears searches on the
// socket of every address and answers everything at its own.
class Responder {
public:
    using Clock = std::chrono::steady_clock;

    Responder(platform::UdpSocket socket, Device& device, Behaviour behaviour, sim::EventLog& log)
        : socket_(std::move(socket)), d_(device), behaviour_(behaviour), log_(log) {
        if (behaviour_.moves) home_ = homeSocket(d_.active.ip);
        thread_ = std::thread([this] { run(); });
    }
    ~Responder() { stop(); }
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    void stop() {
        socket_.interrupt();
        if (thread_.joinable()) thread_.join();
    }

private:
    struct Late {
        Clock::time_point due;
        std::string address;
        std::uint16_t port = 0;
        std::string bytes;
    };

    void run() {
        for (;;) {
            const auto now = Clock::now();
            while (!late_.empty() && late_.front().due <= now) {
                answerSocket().sendTo(late_.front().address, late_.front().port, late_.front().bytes);
                late_.pop_front();
            }
            auto wait = late_.empty() ? std::chrono::milliseconds(1000)
                                      : std::chrono::ceil<std::chrono::milliseconds>(late_.front().due - now);
            try {
                if (behaviour_.moves) {
                    // Two sockets: each is looked at in turn.
                    wait = std::min(wait, std::chrono::milliseconds(10));
                    if (home_) {
                        if (auto datagram = home_->receive(1500, wait)) take(*datagram, true);
                    }
                }
                if (auto datagram = socket_.receive(1500, wait)) take(*datagram, !behaviour_.moves);
            } catch (const platform::InterruptedError&) {
                return;
            } catch (const std::exception& e) {
                log_.write("error", e.what());
                return;
            }
        }
    }

    // Where the answers go out from: the gateway's own address when it moves.
    platform::UdpSocket& answerSocket() { return home_ ? *home_ : socket_; }

    // The search is always answered at once: a gateway too slow for it is
    // not found at all.
    void send(const platform::Datagram& to, const std::string& bytes, Op op) {
        if (behaviour_.late.count() == 0 || op == Op::search) {
            answerSocket().sendTo(to.peerAddress, to.peerPort, bytes);
        } else {
            late_.push_back({Clock::now() + behaviour_.late, to.peerAddress, to.peerPort, bytes});
        }
    }

    // A gateway that moves takes its new address with the save.
    void move() {
        home_.reset();
        try {
            home_ = homeSocket(d_.active.ip);
        } catch (const std::exception& e) {
            log_.write("error", std::string("no address to move to: ") + e.what());
        }
    }

    void fallSilent(Clock::time_point until, const std::string& why) {
        silentUntil_ = until;
        lastAnswer_ = {};
        log_.write("silent", why);
    }

    // `atHome`: it came to the gateway's own address.
    void take(const platform::Datagram& datagram, bool atHome) {
        if (Clock::now() < silentUntil_) return;
        const auto request = decodeRequest(datagram.data);
        if (!request || (!atHome && request->op != Op::search) || (!home_ && behaviour_.moves)) return;
        if (request->op != Op::search)
            log_.write("heard", std::string(opName(request->op)) + (request->mac == d_.mac ? " mine" : " other"));
        if (behaviour_.silentAfterSet && request->op == Op::set) {
            fallSilent(Clock::time_point::max(), "setter request");
            return;
        }
        // The library sends a request again, byte for byte, when the answer
        // is late: the gateway answers it again but does not act on it twice
        // (a save would restart it once more).
        const AnsweredRequest asked{datagram.peerAddress, datagram.peerPort, datagram.data, {}};
        if (lastAnswer_.sameRequest(asked)) {
            send(datagram, lastAnswer_.reply, request->op);
            return;
        }
        const int restarts = d_.restarts;
        const std::uint32_t address = d_.active.ip;
        const auto reply = answer(d_, *request);
        if (!reply) return;
        if (d_.restarts != restarts) {
            log_.write("saved", settingsText(d_, ' '));
            if (behaviour_.moves && d_.active.ip != address) move();
            if (const auto restart = behaviour_.restartUnanswered) {
                fallSilent(restart->count() < 0 ? Clock::time_point::max() : Clock::now() + *restart,
                           "restart before answering the save");
                return;
            }
        }
        if (const auto bytes = encode(*reply)) {
            lastAnswer_ = asked;
            lastAnswer_.reply = *bytes;
            send(datagram, *bytes, request->op);
        }
    }

    platform::UdpSocket socket_;
    std::optional<platform::UdpSocket> home_;
    Device& d_;
    Behaviour behaviour_;
    sim::EventLog& log_;
    AnsweredRequest lastAnswer_;
    Clock::time_point silentUntil_{};
    std::deque<Late> late_;
    std::thread thread_;  // last: it starts once the rest is in place
};

}  // namespace

int main(int argc, char** argv) {
    const sim::Options options(argc, argv, "simgateway",
                               {"name", "ip", "netmask", "gateway", "password", "mac", "apid", "firmware", "state",
                                "late", "restart-unanswered", "address", "workstation", "call", "log"},
                               {"dhcp", "silent-after-set", "moves"});
    sim::SignalSteering steering;  // before any thread
    Device d;
    d.active.name = options.get("name", "SimGateway");
    d.active.ip = ipOption(options, "ip", "192.168.127.254");
    d.active.netmask = ipOption(options, "netmask", "255.255.255.0");
    d.active.gateway = ipOption(options, "gateway", "0.0.0.0");
    d.active.dhcp = options.flag("dhcp");
    d.active.firmware =
        static_cast<std::uint32_t>(std::strtoul(options.get("firmware", "0x02070000").c_str(), nullptr, 0));
    if (const std::string apid = options.get("apid"); !apid.empty())
        d.active.apid = static_cast<std::uint32_t>(std::strtoul(apid.c_str(), nullptr, 0));
    d.active.bios = 0x01000000;
    d.active.serial = 4711;
    d.password = options.get("password");
    if (const std::string mac = options.get("mac"); !mac.empty()) d.mac = parseMac(options, mac);
    d.stateFile = options.get("state");
    if (d.active.name.size() >= kNameField || d.password.size() >= kPasswordField)
        options.usage("name or password too long");
    d.staged = d.active;
    d.stagedPassword = d.password;
    const std::string commandAddress = options.get("address", "0.0.0.0");
    if (!platform::parseIpv4(commandAddress)) options.usage("--address must be a dotted IPv4 address");
    const std::string workstation = options.get("workstation");
    if (!workstation.empty() && !platform::parseIpv4(workstation))
        options.usage("--workstation must be a dotted IPv4 address");
    sim::EventLog log(options.get("log"));
    Behaviour behaviour;
    behaviour.late = std::chrono::milliseconds(options.number("late", 0, 0, 600000));
    behaviour.silentAfterSet = options.flag("silent-after-set");
    behaviour.moves = options.flag("moves");
    const std::string callId = options.get("call", "1");
    if (!options.get("restart-unanswered").empty())
        behaviour.restartUnanswered = std::chrono::milliseconds(options.number("restart-unanswered", 0, -1, 600000));

    return sim::runPeer(log, [&] {
        platform::UdpSocket gatewaySocket;
        // Beside the socket at its own address, when it moves.
        gatewaySocket.setReuseAddress(behaviour.moves);
        gatewaySocket.bind("", kPort);
        writeState(d);
        // Read before the responder's thread may change the settings.
        const std::string ready = d.active.name + " port " + std::to_string(kPort);
        Responder responder(std::move(gatewaySocket), d, behaviour, log);

        auto echo = std::make_shared<platform::UdpSocket>();
        echo->bind(commandAddress, 0);
        platform::UdpSocket commandSocket;
        commandSocket.bind(commandAddress, sim::kCommandPort);
        platform::UdpListener commands(
            std::move(commandSocket),
            [&, echo](const platform::Datagram& datagram) {
                if ((!workstation.empty() && datagram.peerAddress != workstation) || datagram.data.empty()) return;
                log.write("command", sim::hexBytes(datagram.data));
                echo->sendTo(datagram.peerAddress, sim::kCommandEchoPort, datagram.data);
                log.write("echo", sim::hexBytes(datagram.data));
            },
            "commandListener");

        log.write("ready", ready);
        for (auto signal = steering.next(); signal != sim::SignalSteering::Signal::stop; signal = steering.next()) {
            if (workstation.empty()) continue;
            // 0x04, the workstation id (none: the call ends), 0x05 and the XOR of them all.
            std::string call = "\x04" + (signal == sim::SignalSteering::Signal::first ? callId : "") + "\x05";
            char check = 0;
            for (const char c : call) check = static_cast<char>(check ^ c);
            call += check;
            echo->sendTo(workstation, sim::kCommandEchoPort, call);
            log.write("call", sim::hexBytes(call));
        }
        commands.stop();
        responder.stop();
    });
}
