#include "settings/ConfigurationRun.h"

#include "platform/Log.h"

namespace oculon::settings {

ConfigurationRun::ConfigurationRun(platform::TargetId dialog, Setup setup, Input input)
    : platform::Thread("konfigRun"), setup_(std::move(setup)), input_(std::move(input)), prompts_(dialog) {}

ConfigurationRun::~ConfigurationRun() {
    // Requests have time-outs and questions end with the cancel, so this
    // wait is bounded.
    Terminate();
    WaitFor(std::chrono::hours(1));
}

void ConfigurationRun::answer(std::optional<std::string> text) { prompts_.give(std::move(text)); }

void ConfigurationRun::interrupt() {
    prompts_.cancel();
    setup_.http->interrupt();
}

void ConfigurationRun::Execute() {
    auto done = std::make_unique<RunEvent>();
    done->kind = RunEvent::Kind::finished;
    try {
        VideoServerConfiguration::Parts parts{*setup_.settings, setup_.rebootLock,    *setup_.http,
                                              prompts_,         setup_.gateway.get(), setup_.gatewaysNamed,
                                              setup_.language,  setup_.settleTime};
        parts.listed = setup_.listed;
        VideoServerConfiguration run(std::move(parts));
        done->result = run.run(input_.server, input_.edits, input_.gateway, input_.modified);
    } catch (const std::exception& e) {
        log::error(log::Category::settings, "configuration of %s: %s", input_.server.FIpAdresse.c_str(), e.what());
        done->result.error = true;
        done->result.server = input_.edits;
        done->result.gateway = input_.gateway;
    }
    prompts_.post(std::move(done));
}

void ConfigurationRun::Prompts::post(std::unique_ptr<RunEvent> event) const {
    platform::MainLoop::instance().post<platform::WM_KONFIGRUN>(dialog_, std::move(event));
}

std::optional<std::string> ConfigurationRun::Prompts::ask(std::unique_ptr<RunEvent> event) {
    std::unique_lock lock(mutex_);
    if (cancelled_) return std::nullopt;
    answer_.reset();
    waiting_ = true;
    lock.unlock();
    post(std::move(event));
    lock.lock();
    changed_.wait(lock, [this] { return cancelled_ || answer_; });
    waiting_ = false;
    return cancelled_ ? std::nullopt : *answer_;
}

void ConfigurationRun::Prompts::give(std::optional<std::string> text) {
    std::lock_guard lock(mutex_);
    if (!waiting_) return;
    answer_ = std::move(text);
    changed_.notify_all();
}

void ConfigurationRun::Prompts::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

std::optional<std::string> ConfigurationRun::Prompts::askPassword(const std::string& station, bool video) {
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::askPassword;
    event->text = station;
    event->video = video;
    return ask(std::move(event));
}

bool ConfigurationRun::Prompts::confirmReboot() {
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::confirmReboot;
    return ask(std::move(event)).has_value();
}

bool ConfigurationRun::Prompts::confirmSameDevice(const std::string& question) {
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::question;
    event->text = question;
    return ask(std::move(event)).has_value();
}

void ConfigurationRun::Prompts::error(const std::string& text) {
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::error;
    event->text = text;
    ask(std::move(event));
}

void ConfigurationRun::Prompts::report(const std::string& text, bool serverStored) {
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::error;
    event->text = text;
    event->serverStored = serverStored;
    ask(std::move(event));
}

void ConfigurationRun::Prompts::progress(int amount) {
    auto event = std::make_unique<RunEvent>();
    event->amount = amount;
    post(std::move(event));
}

void ConfigurationRun::Prompts::rebootCountdown(std::unique_ptr<RebootHold> hold) {
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::countdown;
    event->hold = std::move(hold);
    ask(std::move(event));
}

void ConfigurationRun::Prompts::gatewayWait(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        gatewayWait_ = !text.empty();
        waitBrokenOff_ = false;
    }
    auto event = std::make_unique<RunEvent>();
    event->kind = RunEvent::Kind::gatewayWait;
    event->text = text;
    post(std::move(event));
}

void ConfigurationRun::Prompts::breakOffWait() {
    std::lock_guard lock(mutex_);
    // Too late once the wait is over: the rest of the run goes on.
    if (!gatewayWait_) return;
    waitBrokenOff_ = true;
    changed_.notify_all();
}

bool ConfigurationRun::Prompts::pause(std::chrono::milliseconds time) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, time, [this] { return cancelled_ || waitBrokenOff_; });
}

}  // namespace oculon::settings
