// A simulated IP camera of type 4 ("AXIS_"): its live MJPEG stream
// ("/axis-cgi/mjpg/video.cgi") and single pictures ("/axis-cgi/jpg/image.cgi")
// over HTTP with Basic authentication, the long-lived input monitor request
// ("/axis-cgi/io/port.cgi?monitor=1") that reports each change of input 1,
// the relay output and light requests (recorded), the parameter requests for
// product number and resolutions, and, with --mdns, the multicast-DNS answer
// that makes the workstation find it.
//
//   simcamera --address A --workstation W [--name N] [--http-port 80]
//             [--user U] [--password P] [--log FILE] [--product P1346]
//             [--resolutions 640x480,320x240] [--start picture|black]
//             [--fps 10] [--width 640] [--height 480] [--tint 0..255] [--mdns]
//
//   SIGUSR1  input 1 goes high: a visitor rings
//   SIGUSR2  input 1 goes low
//   SIGTERM  ends the tool
//
// Sends only to W and, with --mdns, to the multicast-DNS group when W asked
// from port 5353 (the group is where such answers go). The log has one line
// per event: "<ms since 1970> <event> <detail>", events "ready", "http",
// "unauthorized", "stream-start", "first-frame", "stream-end",
// "monitor-start", "input" (high/low, with the number of monitors told),
// "monitor-end", "relay" (the query), "light", "param", "mdns-query",
// "mdns-answer", "stop".
//
// Run it only inside a test's network namespace.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/UdpSocket.h"
#include "sim/HttpPeer.h"
#include "sim/SimPeer.h"
#include "sim/Telegrams.h"

using namespace oculon;

namespace {

// Input changes, kept in order so a monitor connection reports each of them
// even when two come close together. Each connection follows the list with
// its own position.
class InputHistory {
public:
    void push(bool high) {
        std::lock_guard lock(mutex_);
        events_.push_back(high);
        if (events_.size() > kKept) {
            events_.pop_front();
            ++base_;
        }
    }
    std::uint64_t end() const {
        std::lock_guard lock(mutex_);
        return base_ + events_.size();
    }
    // The events from `position` on; `position` moves behind them.
    std::vector<bool> since(std::uint64_t& position) const {
        std::lock_guard lock(mutex_);
        std::vector<bool> out;
        position = std::max(position, base_);
        for (; position < base_ + events_.size(); ++position) out.push_back(events_[position - base_]);
        return out;
    }

private:
    static constexpr std::size_t kKept = 256;
    mutable std::mutex mutex_;
    std::deque<bool> events_;
    std::uint64_t base_ = 0;
};

bool hasParameter(const std::string& query, const std::string& key) {
    return ("&" + query).find("&" + key + "=") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
    const sim::Options options(argc, argv, "simcamera",
                               {"address", "workstation", "name", "http-port", "user", "password", "log", "product",
                                "resolutions", "start", "fps", "width", "height", "tint"},
                               {"mdns"});
    sim::SignalSteering steering;  // before any thread
    const std::string address = options.address("address");
    const std::string workstation = options.address("workstation");
    const std::string name = options.get("name", "SimCamera");
    const std::uint16_t httpPort = options.port("http-port", 80);
    const std::string user = options.get("user");
    const std::string password = options.get("password");
    const std::string product = options.get("product", "P1346");
    const std::string resolutions = options.get("resolutions", "640x480,320x240");
    const std::string start = options.get("start", "picture");
    if (start != "black" && start != "picture") options.usage("--start is black or picture");
    if (name.empty() || name.size() > 17 || name.find('.') != std::string::npos)
        options.usage("--name has 1 to 17 characters and no dot");
    const int fps = static_cast<int>(options.number("fps", 10, 1, 50));
    const sim::TestPicture picture(static_cast<int>(options.number("width", 640, 16, 4096)),
                                   static_cast<int>(options.number("height", 480, 16, 4096)),
                                   static_cast<std::uint8_t>(options.number("tint", 200, 0, 255)));
    sim::EventLog log(options.get("log"));
    std::atomic<bool> black{start == "black"};
    InputHistory inputs;
    std::atomic<int> monitors{0};

    auto monitor = [&](sim::HttpConnection& c) {
        static constexpr std::string_view kBoundary = "simio";
        std::uint64_t position = inputs.end();  // only changes from now on
        ++monitors;
        log.write("monitor-start", c.peer());
        bool ok = c.send(sim::multipartHead(kBoundary));
        while (ok && c.wait(sim::Millis(50))) {
            for (const bool high : inputs.since(position)) ok = ok && c.send(sim::axisInputPart(kBoundary, high));
        }
        --monitors;
        log.write("monitor-end", c.peer());
    };

    auto param = [&](const std::string& query) {
        if (query.find("group=root.Brand.ProdNbr") != std::string::npos)
            return "root.Brand.ProdNbr=" + product + "\r\n";
        if (query.find("group=Properties.Image.Resolution") != std::string::npos)
            return "root.Properties.Image.Resolution=" + resolutions + "\r\n";
        return std::string("# Error: Error -1 getting param in group\r\n");
    };

    return sim::runPeer(log, [&] {
        const sim::HttpPeer http(address, httpPort, [&](const sim::HttpRequest& request, sim::HttpConnection& c) {
            log.write("http", request.method + " " + request.target + " from " + c.peer());
            const std::string path = request.path();
            const std::string query = request.query();
            if (!sim::basicAuthorized(request, user, password)) {
                log.write("unauthorized", request.target);
                c.send(sim::unauthorizedAnswer("SimCamera"));
            } else if (path == "/axis-cgi/mjpg/video.cgi") {
                sim::serveMjpeg(c, picture, black, fps, log);
            } else if (path == "/axis-cgi/jpg/image.cgi") {
                c.send(sim::httpAnswer(200, "OK", "image/jpeg", picture.jpeg(0, black.load())));
            } else if (path == "/axis-cgi/io/port.cgi" && hasParameter(query, "monitor")) {
                monitor(c);
            } else if (path == "/axis-cgi/io/port.cgi" && hasParameter(query, "action")) {
                log.write("relay", query);
                c.send(sim::httpAnswer(200, "OK", "text/plain", "OK\r\n"));
            } else if (path == "/axis-cgi/io/lightcontrol.cgi") {
                log.write("light", query);
                c.send(sim::httpAnswer(200, "OK", "text/plain", "OK\r\n"));
            } else if (path == "/axis-cgi/param.cgi") {
                log.write("param", query);
                c.send(sim::httpAnswer(200, "OK", "text/plain", param(query)));
            } else {
                c.send(sim::httpAnswer(404, "Not Found", "text/plain", "not found\r\n"));
            }
        });

        std::unique_ptr<platform::UdpListener> mdns;
        if (options.flag("mdns")) {
            static constexpr std::string_view kService = "_axis-video._tcp.local";
            auto responder = std::make_shared<platform::UdpSocket>();
            responder->setReuseAddress(true);
            responder->bind(address, sim::kMdnsPort);
            responder->setMulticastInterface(address);
            responder->setMulticastTtl(255);
            responder->setMulticastLoop(false);
            platform::UdpSocket listen;
            listen.setReuseAddress(true);
            listen.bind("0.0.0.0", sim::kMdnsPort);
            listen.joinGroup(sim::kMdnsGroup, address);
            const std::string answer = sim::mdnsAnswer(kService, name, name, address);
            mdns = std::make_unique<platform::UdpListener>(
                std::move(listen),
                [&, responder, answer](const platform::Datagram& d) {
                    if (d.peerAddress != workstation || !sim::mdnsQueryAsks(d.data, kService)) return;
                    log.write("mdns-query", std::to_string(d.peerPort));
                    // A query from port 5353 is answered to the group, any
                    // other straight to the asker.
                    if (d.peerPort == sim::kMdnsPort) responder->sendTo(sim::kMdnsGroup, sim::kMdnsPort, answer);
                    else responder->sendTo(workstation, d.peerPort, answer);
                    log.write("mdns-answer", name);
                },
                "mdnsListener");
        }

        log.write("ready", name + " " + address + ":" + std::to_string(httpPort));
        for (;;) {
            const auto signal = steering.next();
            if (signal == sim::SignalSteering::Signal::stop) break;
            const bool high = signal == sim::SignalSteering::Signal::first;
            inputs.push(high);
            log.write("input", std::string(high ? "high" : "low") + " monitors=" + std::to_string(monitors.load()));
        }
        if (mdns) mdns->stop();
    });
}
