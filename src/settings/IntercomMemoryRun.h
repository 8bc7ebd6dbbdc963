#pragma once
// The special-functions window's exchanges with the door intercom, run on a
// worker so that the window stays responsive while the device is read,
// written and restarted. Each run has a configuration client of its own:
// breaking a run off ends its client, and a late answer of the device can
// reach no later run.

#include <functional>
#include <memory>
#include <string>

#include "devices/telefonKonfig.h"
#include "settings/IntercomMemory.h"

namespace oculon::devices {
class telefonKonfigThread;
}

namespace oculon::settings {

class IntercomMemoryRun {
public:
    // On the main thread when the run ended: whether it went through, and
    // the values as far as they were read (a write hands back what it wrote).
    // It must not start or stop a run.
    using Finished = std::function<void(bool ok, const IntercomMemory& values)>;

    explicit IntercomMemoryRun(std::string address);
    ~IntercomMemoryRun();
    IntercomMemoryRun(const IntercomMemoryRun&) = delete;
    IntercomMemoryRun& operator=(const IntercomMemoryRun&) = delete;

    void setTiming(const devices::telefonKonfig::Timing& timing) { timing_ = timing; }
    // `code`: the access code; `shown`: the values the window shows, which
    // a read overwrites address by address.
    void read(const std::string& code, const IntercomMemory& shown, Finished finished);
    // What a write tells on the main thread while it goes on.
    struct WriteNews {
        std::function<void()> restarting;  // all values were taken; the device is being restarted
        std::function<void()> reached;     // it confirmed the restart: all reached it; it is coming back
    };
    void write(const std::string& code, const IntercomMemory& values, WriteNews news, Finished finished);
    // Breaks off the running exchange, if any.
    void stop();
    bool running() const { return running_; }

private:
    void start(const std::string& code, const IntercomMemory& values,
               std::function<bool(devices::telefonKonfig&, IntercomMemory&)> job, Finished finished);

    std::string address_;
    devices::telefonKonfig::Timing timing_;
    // The client of the latest run and the worker that uses it; a finished
    // worker goes with the next run, as its thread ends only after it
    // reported.
    std::unique_ptr<devices::telefonKonfig> client_;
    std::unique_ptr<devices::telefonKonfigThread> worker_;
    bool running_ = false;
};

}  // namespace oculon::settings
