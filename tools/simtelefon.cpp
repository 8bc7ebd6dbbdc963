// A simulated IP door-intercom telephone: it sends its state telegrams to
// port 8112 of the workstation (a call for a number, video only, the end of
// a call, its name and generation) and answers the workstation's door-opener
// frame ("LSREM...") on its port 8113 with an acknowledge telegram that
// carries the frame back.
//
//   simtelefon --address A --workstation W [--number N] [--name NAME]
//              [--generation V|R] [--size 32|36] [--log FILE] [--announce]
//              [--video] [--no-ack]
//
//   SIGUSR1  a call for N (code 01; with --video the video-only code 5D)
//   SIGUSR2  the call ends (code 02)
//   SIGTERM  ends the tool
//
// --announce sends the name (code 14) and generation (code 0A) at start.
// Sends only to W. The log has one line per event: "<ms since 1970> <event>
// <detail>", events "ready", "sent" (telegram text), "door" (the frame),
// "ack", "config" (configuration telegrams, not answered), "unknown" (hex),
// "stop".
//
// Run it only inside a test's network namespace.

#include <atomic>
#include <memory>

#include "platform/UdpSocket.h"
#include "sim/SimPeer.h"
#include "sim/Telegrams.h"

using namespace oculon;

int main(int argc, char** argv) {
    const sim::Options options(argc, argv, "simtelefon",
                               {"address", "workstation", "number", "name", "generation", "size", "log"},
                               {"announce", "video", "no-ack"});
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
                if (sim::isDoorOpenerFrame(d.data)) {
                    log.write("door", d.data);
                    if (!ack) return;
                    const std::string telegram = sim::telefonAck(nextSequence(), d.data);
                    sender->sendTo(workstation, sim::kTelephoneEventPort, telegram);
                    log.write("ack", telegram);
                } else if (d.data.rfind("LSRCMD", 0) == 0 || d.data.rfind("LSREM", 0) == 0) {
                    log.write("config", d.data);
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
