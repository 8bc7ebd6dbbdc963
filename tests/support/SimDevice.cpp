#include "support/SimDevice.h"

#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace oculon::testsupport {

SimDevice::SimDevice(const std::string& tool, const std::vector<std::string>& args)
    : log_(dir_.path() + "/" + tool + ".log") {
    const char* ns = std::getenv("OCULON_PEER_NS");
    const char* bin = std::getenv("OCULON_BINARY_DIR");
    if (!ns || !bin) throw std::runtime_error("run under tools/netns-run --two-hosts");
    std::vector<std::string> argv{"ip",
                                  "netns",
                                  "exec",
                                  ns,
                                  std::string(bin) + "/tools/" + tool,
                                  "--address",
                                  kDeviceAddress,
                                  "--workstation",
                                  kWorkstationAddress,
                                  "--log",
                                  log_};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<ChildProcess>(argv, dir_.path() + "/" + tool + ".out");
    if (!waitFor("ready")) throw std::runtime_error(tool + " did not start");
}

SimDevice::~SimDevice() { process_->stop(); }

void SimDevice::signal(int number) { ::kill(process_->pid(), number); }

std::optional<std::string> SimDevice::waitFor(const std::string& event, const std::string& text,
                                              std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string time, e;
            words >> time >> e;
            if (e == event && line.find(text) != std::string::npos) return line;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

}  // namespace oculon::testsupport
