#pragma once
// A simulated device of tools/ as a running program in the second host of a
// two-host namespace (tools/netns-run --two-hosts): it is started with its
// event log, waited for until it is ready, and stopped with the object.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace oculon::testsupport {

inline constexpr const char* kWorkstationAddress = "10.77.0.1";
inline constexpr const char* kDeviceAddress = "10.77.0.2";

class SimDevice {
public:
    // tools/<tool> with --address, --workstation and --log, then `args`.
    SimDevice(const std::string& tool, const std::vector<std::string>& args);
    ~SimDevice();

    void signal(int number);
    // The first log line whose event (second word) is `event` and which holds
    // `text`; nullopt after `timeout`.
    std::optional<std::string> waitFor(const std::string& event, const std::string& text = {},
                                       std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    TempDir dir_;
    std::string log_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace oculon::testsupport
