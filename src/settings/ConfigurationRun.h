#pragma once
// One configuration of a video server on a worker thread of its own, so the
// dialog stays responsive while the device answers. What the run shows or
// asks reaches the dialog as a posted RunEvent; the dialog answers each
// question with answer(). Terminate() breaks off the running request and
// the open question at once; every road out of the run releases the reboot
// lock. The wait for a gateway that restarts the user may break off alone.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/MainLoop.h"
#include "platform/Thread.h"
#include "settings/VideoServerConfiguration.h"

namespace oculon::settings {

struct RunEvent : platform::MessagePayload {
    enum class Kind { progress, error, askPassword, confirmReboot, question, countdown, gatewayWait, finished };
    Kind kind = Kind::progress;
    int amount = 0;  // progress
    // error: the message; askPassword: whose password; question: the
    // question, answered by Yes or No; gatewayWait: for which gateway,
    // empty when the wait is over
    std::string text;
    // error: whether the run stored the video server, when the message is
    // one to name what was saved
    std::optional<bool> serverStored;
    bool video = false;                       // askPassword: of a video server, not a gateway
    std::unique_ptr<RebootHold> hold;         // countdown: released when the countdown ends
    VideoServerConfiguration::Result result;  // finished
};

class ConfigurationRun : public platform::Thread {
public:
    struct Setup {
        config::TVideoConfig* settings = nullptr;  // required
        config::TRebootSperre* rebootLock = nullptr;
        std::unique_ptr<CgiClient> http;  // required
        // Shared with the dialog, which reads it once the run is over.
        std::shared_ptr<GatewaySettings> gateway;
        std::function<std::size_t(const std::string&)> gatewaysNamed;
        config::TSprachenTyp language = config::lang_en;
        std::chrono::milliseconds settleTime{4000};
        std::vector<ListedDevice> listed;
    };
    struct Input {
        devices::ServerFields server;
        ServerEdits edits;
        GatewayEdits gateway;
        bool modified = false;
    };

    // Posts its events to `dialog`; Start() begins the run.
    ConfigurationRun(platform::TargetId dialog, Setup setup, Input input);
    ~ConfigurationRun() override;

    // Main thread: the answer to the question last posted (nothing: Cancel,
    // or only "done" for a message or the countdown).
    void answer(std::optional<std::string> text);
    // Main thread: ends the wait for a gateway, if the run is in one.
    void breakOffWait() { prompts_.breakOffWait(); }

protected:
    void Execute() override;
    void interrupt() override;

private:
    class Prompts : public RunPrompts {
    public:
        explicit Prompts(platform::TargetId dialog) : dialog_(dialog) {}
        std::optional<std::string> askPassword(const std::string& station, bool video) override;
        bool confirmReboot() override;
        bool confirmSameDevice(const std::string& question) override;
        void error(const std::string& text) override;
        void report(const std::string& text, bool serverStored) override;
        void progress(int amount) override;
        void rebootCountdown(std::unique_ptr<RebootHold> hold) override;
        void gatewayWait(const std::string& text) override;
        bool pause(std::chrono::milliseconds time) override;

        void post(std::unique_ptr<RunEvent> event) const;
        void give(std::optional<std::string> text);
        void cancel();
        void breakOffWait();

    private:
        // Posts the question and waits for its answer; nothing once cancelled.
        std::optional<std::string> ask(std::unique_ptr<RunEvent> event);

        platform::TargetId dialog_;
        std::mutex mutex_;
        std::condition_variable changed_;
        bool cancelled_ = false;
        bool waiting_ = false;
        bool gatewayWait_ = false;  // waiting for a gateway; the user may end it
        bool waitBrokenOff_ = false;
        std::optional<std::optional<std::string>> answer_;
    };

    Setup setup_;
    Input input_;
    Prompts prompts_;
};

}  // namespace oculon::settings

// Message 1225 carries it.
template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_KONFIGRUN> {
    using type = oculon::settings::RunEvent;
};
