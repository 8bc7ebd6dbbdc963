#pragma once
// Sends a video server its new settings as the fixed sequence of CGI
// requests the maker's servers understand (channel, compression, resolution,
// port, network, name, user), changes the gateway in front of it, restarts
// it when its port or network changed, and stores the station. The run
// blocks on the network and on the user's answers, so it belongs on a worker
// thread (ConfigurationRun); everything it asks or shows goes through
// RunPrompts.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/RebootSperre.h"
#include "config/cfgUnit.h"
#include "settings/ApplyReport.h"
#include "settings/DeviceStations.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

// Holds back new picture fetches from the moment it is made until it goes,
// whatever way the run ends: the reboot countdown takes it over when the
// device restarts.
class RebootHold {
public:
    explicit RebootHold(config::TRebootSperre* lock) : lock_(lock) {
        if (lock_) lock_->blockVideo();
    }
    ~RebootHold() {
        if (lock_) lock_->unblockVideo();
    }
    RebootHold(const RebootHold&) = delete;
    RebootHold& operator=(const RebootHold&) = delete;

private:
    config::TRebootSperre* lock_;
};

// The count of the reboot wait: "30" at first, one less per tick, over on
// the 30th tick (about 30 seconds at 990 ms a tick).
class RebootCountdown {
public:
    static constexpr int kSeconds = 30;
    int shown() const { return waitTime_; }
    // True on the tick that ends the wait.
    bool tick() {
        if (waitTime_ < 2) {
            waitTime_ = kSeconds;
            return true;
        }
        --waitTime_;
        return false;
    }

private:
    int waitTime_ = kSeconds;
};

// The edits of the video-server page.
struct ServerEdits {
    std::string name, port, ip, subnet, gateway, user, pass, passConfirm;
    bool dhcp = false;
    bool useUserName = false;
    friend bool operator==(const ServerEdits&, const ServerEdits&) = default;
};

// The longest user name and password the video server keeps; it cuts
// longer ones short without a word.
inline constexpr std::size_t kServerCredentialLength = 20;

// The checks of the video-server page's edits that the user can mend before
// anything is asked or sent: a new port, a new fixed address, and a user
// name or password the server would cut. The message, or nullptr.
const config::TText* checkServerEdits(const ServerEdits& edits, const devices::ServerFields& server);

// The edits of the gateway page; an empty name: no gateway in front.
struct GatewayEdits {
    std::string name, ip, gateway, subnet, pass, passConfirm;
    bool dhcp = false;
    bool usePass = false;
    bool selected = false;  // a gateway is selected in its grid
    // The user changed the page since its gateway was loaded: only then is
    // a gateway other than the station's own given anything, and only then
    // does a password go to it.
    bool edited = false;
    bool input = false;
    bool output = false;
    std::string outputText, inputOnText, inputOffText, pictureOn, pictureOff;
    friend bool operator==(const GatewayEdits&, const GatewayEdits&) = default;
};

// What the run asks and shows; each call returns when the user is done.
class RunPrompts {
public:
    virtual ~RunPrompts() = default;
    // A device's or gateway's password; nothing on Cancel.
    virtual std::optional<std::string> askPassword(const std::string& station, bool video) = 0;
    // "The videoserver is being rebooted." with OK and Cancel.
    virtual bool confirmReboot() = 0;
    // Whether the selected device is the one a station was set up for, with
    // Yes and No (false).
    virtual bool confirmSameDevice(const std::string& question) = 0;
    virtual void error(const std::string& text) = 0;
    // A message about the gateway, followed by the lines that name the
    // changes saved and not saved, as every message of an apply is; the
    // gateway's are not, and the video server's when `serverStored`.
    virtual void report(const std::string& text, bool serverStored) = 0;
    virtual void progress(int amount) = 0;
    // The 30-second wait while the device restarts; the hold goes with it.
    virtual void rebootCountdown(std::unique_ptr<RebootHold> hold) = 0;
    // The run waits for a gateway (`text` says which), and the user may
    // break the wait off; an empty text: the wait is over.
    virtual void gatewayWait(const std::string& text) = 0;
    // False when the run, or the wait for a gateway, is broken off before
    // the time is over.
    virtual bool pause(std::chrono::milliseconds time) = 0;
};

class VideoServerConfiguration {
public:
    struct Parts {
        config::TVideoConfig& settings;
        config::TRebootSperre* rebootLock = nullptr;
        CgiClient& http;
        RunPrompts& prompts;
        GatewaySettings* gateway = nullptr;  // the selected gateway, if any
        // How many gateways of the gateway search carry this name.
        std::function<std::size_t(const std::string& name)> gatewaysNamed;
        config::TSprachenTyp language = config::lang_en;  // of the messages
        std::chrono::milliseconds settleTime{4000};       // after the last step
        // How long a gateway that restarted before it confirmed its save is
        // waited for.
        std::chrono::milliseconds gatewayRestartTime{30000};
        // The video servers of the discovery list: whose station is whose.
        std::vector<ListedDevice> listed{};
    };

    struct Result {
        bool error = false;     // a check or a request failed, or the user cancelled
        bool finished = false;  // the run went through to the end
        ServerEdits server;     // the edits as the run left them
        GatewayEdits gateway;
        // The server with the name and user settings it took in this run.
        devices::ServerFields device;
        bool gatewayRestarted = false;  // a save went to the gateway
    };

    explicit VideoServerConfiguration(Parts parts) : p_(std::move(parts)) {}

    // `server`: the selected video server as found; `modified`: the page has
    // edits that were not applied yet.
    Result run(const devices::ServerFields& server, ServerEdits edits, GatewayEdits gateway, bool modified);

private:
    // One CGI request to the server, with the run's credentials; a failure
    // is shown (after `failed`, when given) and marks the run.
    bool send(const std::string& cgi, const std::string& parameters, bool basic, const config::TText* failed = nullptr);
    // The user authorization, user and password, when they differ from
    // what the server holds; false when the server did not take them.
    bool sendUser(ServerEdits& e, bool basic);
    // The video-server page's edits; false, told, when they will not do.
    // `station`: the one the device is taken for.
    bool checkServerPage(const ServerEdits& e, const config::TVideoConfig::StationPtr& station);
    // The gateway page's passwords and addresses; false, told, when they
    // will not do.
    bool checkGatewayPage(const GatewayEdits& g);
    // Whether the page's gateway is the station's own (`stored`, none for a
    // new one), and which station it is behind otherwise.
    void findGatewayOwner(const GatewayEdits& g, const ServerEdits& e, const config::TVideoConfig::StationPtr& stored);
    // Before any request: whether the gateway is to be given anything, with
    // its login password; false, told, when two devices claim it.
    bool prepareGateway(const GatewayEdits& g, const config::TSingleConfig* station, bool renameFollows);
    // Collects in `change` what differs from the gateway, logged in to
    // when it is to be given anything; false when the run must stop.
    bool gatewayStep(GatewayEdits& g, config::TSingleConfig* station, devices::GatewayChange& change);
    // Logs in to the gateway, asking the user while it refuses; false when
    // the run must stop.
    bool logIn(GatewaySettings& gw, config::TSingleConfig* station);
    // Two devices answer with the gateway's hardware address.
    std::string disputed(const GatewaySettings& gw) const;
    // The user cancelled a question: told with what was and was not saved.
    void cancelled();
    // Gives the gateway `change`; what it did not take the page and the
    // station show with its own values. The message that tells so (empty
    // when it took all) comes once the station is stored.
    std::string giveGateway(const devices::GatewayChange& change, GatewayEdits& g, config::TSingleConfig* station);
    // After a save whose answer never came: waits for the gateway to answer
    // again and reads back what it holds. What it did not take joins
    // `notTaken`; the result holds what is still unknown (all that was sent
    // when it did not answer again, which `answered` tells).
    devices::GatewayChange confirmSave(const devices::GatewayChange& sent, devices::GatewayChange& notTaken,
                                       const std::string& passwordBefore, bool& answered);
    void store(const ServerEdits& e, const GatewayEdits& g, const config::TVideoConfig::StationPtr& stored,
               const config::TSingleConfig* station);
    // A check of `page` refused the run.
    void fail(const config::TText& message, ApplyReport::Part page);
    void fail(const std::string& message, ApplyReport::Part page);

    Parts p_;
    const devices::ServerFields* server_ = nullptr;
    devices::ServerFields device_;  // the server with what it took so far
    std::uint16_t port_ = 80;
    std::string working_;  // the administrator password the requests carry
    // The gateway's password before a save it did not confirm, for a new station.
    std::optional<std::string> gatewayPassBefore_;
    bool allOk_ = true;
    bool error_ = false;
    bool stored_ = false;  // the station was stored
    bool gatewayRestarted_ = false;
    bool ownGateway_ = false;  // the gateway page shows the station's own gateway
    // Known by its hardware address: the station keeps its gateway whatever
    // the gateway is called.
    bool ownByHardware_ = false;
    config::TVideoConfig::StationPtr gatewayOwner_;  // the station behind the page's gateway otherwise
    bool gatewayWanted_ = false;                     // the gateway is to be given something
    bool restartDeclined_ = false;
};

}  // namespace oculon::settings
