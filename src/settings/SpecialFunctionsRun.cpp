#include "settings/SpecialFunctionsRun.h"

#include "devices/telefonKonfigThread.h"
#include "platform/MainLoop.h"

namespace oculon::settings {

SpecialFunctionsRun::SpecialFunctionsRun(std::string address) : address_(std::move(address)) {}

SpecialFunctionsRun::~SpecialFunctionsRun() { stop(); }

void SpecialFunctionsRun::read(const std::string& code, const SpecialFunctions& shown, Finished finished) {
    start(code, shown, readSpecialFunctions, std::move(finished));
}

void SpecialFunctionsRun::write(const std::string& code, const SpecialFunctions& values,
                                std::function<void()> restarting, Finished finished) {
    start(
        code, values,
        [restarting = std::move(restarting)](devices::telefonKonfig& client, SpecialFunctions& written) {
            return writeSpecialFunctions(client, written, [&restarting] {
                if (restarting) platform::MainLoop::instance().synchronize(restarting);
            });
        },
        std::move(finished));
}

void SpecialFunctionsRun::start(const std::string& code, const SpecialFunctions& values,
                                std::function<bool(devices::telefonKonfig&, SpecialFunctions&)> job,
                                Finished finished) {
    stop();
    client_ = std::make_unique<devices::telefonKonfig>(address_, code);
    client_->setTiming(timing_);
    client_->makeCurrent();
    // The worker fills these; the main thread reads them once the worker
    // has handed over through synchronize.
    struct Outcome {
        SpecialFunctions values;
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

void SpecialFunctionsRun::stop() {
    // The worker first: it breaks off the exchange that waits for the device.
    worker_.reset();
    client_.reset();
    running_ = false;
}

}  // namespace oculon::settings
