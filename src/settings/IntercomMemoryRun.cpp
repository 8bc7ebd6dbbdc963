#include "settings/IntercomMemoryRun.h"

#include "devices/telefonKonfigThread.h"
#include "platform/MainLoop.h"

namespace oculon::settings {

IntercomMemoryRun::IntercomMemoryRun(std::string address) : address_(std::move(address)) {}

IntercomMemoryRun::~IntercomMemoryRun() { stop(); }

void IntercomMemoryRun::read(const std::string& code, const IntercomMemory& shown, Finished finished) {
    start(code, shown, readIntercomMemory, std::move(finished));
}

void IntercomMemoryRun::write(const std::string& code, const IntercomMemory& values, WriteNews news,
                              Finished finished) {
    start(
        code, values,
        [news = std::move(news)](devices::telefonKonfig& client, IntercomMemory& written) {
            const auto onMainThread = [](const std::function<void()>& tell) {
                return [&tell] {
                    if (tell) platform::MainLoop::instance().synchronize(tell);
                };
            };
            return writeIntercomMemory(client, written, onMainThread(news.restarting), onMainThread(news.reached));
        },
        std::move(finished));
}

void IntercomMemoryRun::start(const std::string& code, const IntercomMemory& values,
                              std::function<bool(devices::telefonKonfig&, IntercomMemory&)> job, Finished finished) {
    stop();
    client_ = std::make_unique<devices::telefonKonfig>(address_, code);
    client_->setTiming(timing_);
    client_->makeCurrent();
    // The worker fills these; the main thread reads them once the worker
    // has handed over through synchronize.
    struct Outcome {
        IntercomMemory values;
        bool ok = false;
    };
    auto outcome = std::make_shared<Outcome>(Outcome{values, false});
    running_ = true;
    worker_ = std::make_unique<devices::telefonKonfigThread>(
        *client_,
        [job = std::move(job), outcome](devices::telefonKonfig& client) { outcome->ok = job(client, outcome->values); },
        [this, outcome, finished = std::move(finished)] {
            running_ = false;
            if (finished) finished(outcome->ok, outcome->values);
        });
    worker_->Start();
}

void IntercomMemoryRun::stop() {
    // The worker first: it breaks off the exchange that waits for the device.
    worker_.reset();
    client_.reset();
    running_ = false;
}

}  // namespace oculon::settings
