// A simulated door station: a video server of type 0 ("IPCam") that answers
// the workstation's search on ports 4000 and 4005 with its device record,
// serves its live picture as an MJPEG stream ("/GetData.cgi", which is also
// where the workstation takes its probe picture) and single pictures
// ("/Jpeg/CamImg.jpg") over HTTP with Basic authentication, and echoes and
// records the UDP commands it gets on port 4002 (the door frame among them).
// Its picture is black while nobody calls, as a real station's is. It takes
// its configuration as a real station does, by CGI requests ("/SetIP.cgi",
// "/Cmd.cgi", "/SetUser.cgi", ...): while it asks for credentials, these
// need the user "administrator" with its administrator password. A new
// name goes into its search answers, a new user and password guard its
// pictures; "/Reboot.cgi" makes it go quiet for the reboot time (no search
// answers, no HTTP answers), as a restarting device is.
//
//   simstation --address A --workstation W [--name N] [--netmask M]
//              [--http-port 80] [--user U] [--password P] [--log FILE]
//              [--start black|picture] [--fps 10] [--width 640] [--height 480]
//              [--tint 0..255] [--no-echo] [--admin-password 8516]
//              [--reboot-time 5]
//
//   SIGUSR1  the picture comes up: a visitor rings, the station calls
//   SIGUSR2  the picture turns black: the call ends
//   SIGTERM  ends the tool
//
// It listens on A (HTTP, port 4002) and on the search ports of all local
// addresses, and sends only to W: search answers to the port the search came
// to, echoes to port 4001. Anything from another sender is ignored. The log
// has one line per event: "<ms since 1970> <event> <detail>", events
// "ready", "search", "answer", "http", "unauthorized", "stream-start",
// "first-frame", "stream-end", "command" (hex bytes), "echo", "picture",
// "black", "stop", "config" (the accepted CGI request), "renamed", "reboot",
// "quiet" (a request or search ignored while it restarts).
//
// Run it only inside a test's network namespace.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/UdpSocket.h"
#include "sim/HttpPeer.h"
#include "sim/SimPeer.h"
#include "sim/Telegrams.h"

using namespace oculon;

namespace {

// What the workstation can change over CGI; the listener threads share it.
class StationState {
public:
    StationState(std::string name, std::string user, std::string password)
        : name_(std::move(name)), user_(std::move(user)), password_(std::move(password)) {}

    std::string name() const {
        std::lock_guard lock(mutex_);
        return name_;
    }
    // A configuration request: while the station asks for credentials, only
    // the administrator may send one.
    bool configAuthorized(const sim::HttpRequest& request, const std::string& adminPassword) const {
        std::lock_guard lock(mutex_);
        return (user_.empty() && password_.empty()) || sim::basicAuthorized(request, "administrator", adminPassword);
    }
    // The picture's credentials: the station's user.
    bool pictureAuthorized(const sim::HttpRequest& request) const {
        std::lock_guard lock(mutex_);
        return sim::basicAuthorized(request, user_, password_);
    }
    void rename(const std::string& name) {
        std::lock_guard lock(mutex_);
        name_ = name.substr(0, 18);
    }
    void setUser(const std::string& user, const std::string& password) {
        std::lock_guard lock(mutex_);
        user_ = user;
        password_ = password;
    }
    void restartFor(std::chrono::seconds time) {
        std::lock_guard lock(mutex_);
        quietUntil_ = std::chrono::steady_clock::now() + time;
    }
    bool quiet() const {
        std::lock_guard lock(mutex_);
        return std::chrono::steady_clock::now() < quietUntil_;
    }

private:
    mutable std::mutex mutex_;
    std::string name_;
    std::string user_;
    std::string password_;
    std::chrono::steady_clock::time_point quietUntil_{};
};

const std::set<std::string> kConfigPrograms = {
    "/SetChannel.cgi", "/ChangeCompressRatio.cgi", "/ChangeResolution.cgi", "/Cmd.cgi",
    "/SetIP.cgi",      "/SetUserCheck.cgi",        "/SetUser.cgi",          "/Reboot.cgi"};

}  // namespace

int main(int argc, char** argv) {
    const sim::Options options(argc, argv, "simstation",
                               {"address", "workstation", "name", "netmask", "http-port", "user", "password", "log",
                                "start", "fps", "width", "height", "tint", "admin-password", "reboot-time"},
                               {"no-echo"});
    sim::SignalSteering steering;  // before any thread
    const std::string address = options.address("address");
    const std::string workstation = options.address("workstation");
    const std::string name = options.get("name", "SimStation");
    const std::string netmask = options.address("netmask", "255.255.255.0");
    const std::uint16_t httpPort = options.port("http-port", 80);
    const std::string user = options.get("user");
    const std::string password = options.get("password");
    const std::string start = options.get("start", "black");
    if (start != "black" && start != "picture") options.usage("--start is black or picture");
    if (name.size() > 18) options.usage("--name has at most 18 characters");
    const int fps = static_cast<int>(options.number("fps", 10, 1, 50));
    const sim::TestPicture picture(static_cast<int>(options.number("width", 640, 16, 4096)),
                                   static_cast<int>(options.number("height", 480, 16, 4096)),
                                   static_cast<std::uint8_t>(options.number("tint", 90, 0, 255)));
    const bool echo = !options.flag("no-echo");
    const std::string adminPassword = options.get("admin-password", "8516");
    const std::chrono::seconds rebootTime(options.number("reboot-time", 5, 0, 600));
    StationState state(name, user, password);
    sim::EventLog log(options.get("log"));
    std::atomic<bool> black{start == "black"};

    return sim::runPeer(log, [&] {
        auto sender = std::make_shared<platform::UdpSocket>();
        sender->bind(address, 0);

        std::vector<std::unique_ptr<platform::UdpListener>> listeners;
        for (const std::uint16_t port : sim::kSearchPorts) {
            platform::UdpSocket socket;
            // Several simulated stations in one namespace all hear the search.
            socket.setReuseAddress(true);
            socket.bind("0.0.0.0", port);
            listeners.push_back(std::make_unique<platform::UdpListener>(
                std::move(socket),
                [&, port, sender](const platform::Datagram& d) {
                    if (d.peerAddress != workstation || !sim::isSearchTelegram(d.data)) return;
                    log.write("search", std::to_string(port));
                    if (state.quiet()) {
                        log.write("quiet", "search");
                        return;
                    }
                    sender->sendTo(workstation, port,
                                   sim::deviceRecord("IPCam", state.name(), address, netmask, httpPort));
                    log.write("answer", std::to_string(port));
                },
                "searchListener"));
        }
        platform::UdpSocket commandSocket;
        commandSocket.bind(address, sim::kCommandPort);
        listeners.push_back(std::make_unique<platform::UdpListener>(
            std::move(commandSocket),
            [&, sender](const platform::Datagram& d) {
                if (d.peerAddress != workstation || d.data.empty()) return;
                log.write("command", sim::hexBytes(d.data));
                if (!echo) return;
                sender->sendTo(workstation, sim::kCommandEchoPort, d.data);
                log.write("echo", sim::hexBytes(d.data));
            },
            "commandListener"));

        const sim::HttpPeer http(address, httpPort, [&](const sim::HttpRequest& request, sim::HttpConnection& c) {
            log.write("http", request.method + " " + request.target + " from " + c.peer());
            if (state.quiet()) {
                log.write("quiet", request.target);
                return;
            }
            if (kConfigPrograms.count(request.path())) {
                if (!state.configAuthorized(request, adminPassword)) {
                    log.write("unauthorized", request.target);
                    c.send(sim::unauthorizedAnswer("SimStation"));
                    return;
                }
                log.write("config", request.target);
                const std::string query = request.query();
                if (const auto newName = sim::queryValue(query, "CameraName")) {
                    state.rename(*newName);
                    log.write("renamed", state.name());
                }
                if (sim::queryValue(query, "Check") == "false") state.setUser({}, {});
                const auto newUser = sim::queryValue(query, "User");
                const auto newPassword = sim::queryValue(query, "Pass");
                if (request.path() == "/SetUser.cgi" && newUser && newPassword) state.setUser(*newUser, *newPassword);
                c.send(sim::httpAnswer(200, "OK", "text/html", "<html><body>OK</body></html>\r\n"));
                if (sim::queryValue(query, "RebootNow") == "1") {
                    log.write("reboot", std::to_string(rebootTime.count()) + "s");
                    state.restartFor(rebootTime);
                }
            } else if (!state.pictureAuthorized(request)) {
                log.write("unauthorized", request.target);
                c.send(sim::unauthorizedAnswer("SimStation"));
            } else if (request.path() == "/GetData.cgi") {
                sim::serveMjpeg(c, picture, black, fps, log);
            } else if (request.path() == "/Jpeg/CamImg.jpg") {
                c.send(sim::httpAnswer(200, "OK", "image/jpeg", picture.jpeg(0, black.load())));
            } else {
                c.send(sim::httpAnswer(404, "Not Found", "text/plain", "not found\r\n"));
            }
        });

        log.write("ready",
                  name + " " + address + ":" + std::to_string(httpPort) + (black.load() ? " black" : " picture"));
        for (;;) {
            const auto signal = steering.next();
            if (signal == sim::SignalSteering::Signal::stop) break;
            const bool dark = signal == sim::SignalSteering::Signal::second;
            black.store(dark);
            log.write(dark ? "black" : "picture");
        }
        for (auto& l : listeners) l->stop();
    });
}
