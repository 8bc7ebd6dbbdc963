#pragma once
// Decides for every door call which window shows it: the popup, the wall's
// door frame or a further popup, and ends calls again. Fed by the message
// hub (probe results, telephone events, camera inputs), by the command
// channel (gateway calls, input states) and by the tray menu (Pause, the
// manual "Show video"). Main thread only; the windows and lists sit behind
// the interfaces of CallWindows.h.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/AnalogDecoder.h"
#include "app/CallWindows.h"
#include "config/cfgUnit.h"

namespace oculon::devices {
class serverObjekt;
class telefonObjekt;
class stateChangeObjekt;
}  // namespace oculon::devices

namespace oculon::app {

// Where a new further popup goes: a free place among the popups open now,
// inside `room` (see video::furtherPopupPlace).
config::TWindowSettings furtherPopupBounds(const config::TWindowSettings& stored, const video::OpenPopups& open,
                                           const std::optional<video::ScreenRoom>& room);

class CallDispatch {
public:
    struct Parts {
        config::TVideoConfig* settings = nullptr;     // required
        config::TRebootSperre* rebootLock = nullptr;  // none: never blocked
        CallWindow* popup = nullptr;                  // required: `videoFenster`
        WindowFactory* factory = nullptr;             // required
        DiscoveryAccess* discovery = nullptr;         // none: nothing discovered
        GatewayAccess* gateways = nullptr;            // none: no gateways
        UserPrompts* prompts = nullptr;               // none: the manual road asks nothing
        SendFunction sendFunction;
        SendFunction sendFunctionLindavor;
        // A telephone acknowledged this text (the door-opener frame).
        std::function<void(const std::string&)> telephoneAcknowledge;
        AnalogDecoder::Clock clock;  // for the call buttons; none: tick count
        // The pause after a manual window was started; none: the thread sleeps.
        std::function<void(std::chrono::milliseconds)> sleep;
    };

    explicit CallDispatch(Parts parts);
    ~CallDispatch();
    CallDispatch(const CallDispatch&) = delete;
    CallDispatch& operator=(const CallDispatch&) = delete;

    // The wall comes and goes with the "surveillance" setting.
    void setWall(DoorWall* wall) { wall_ = wall; }
    void setDiscovery(DiscoveryAccess* discovery) { parts_.discovery = discovery; }
    void setGateways(GatewayAccess* gateways) { parts_.gateways = gateways; }

    // ---- Worker-thread events (messages 1026, 1029, 1032, 1039).
    void serverProbed(std::unique_ptr<devices::serverObjekt> server);
    void telephoneEvent(const devices::telefonObjekt& event);
    void inputChanged(const devices::stateChangeObjekt& event);
    void furtherPopupBlack(std::uintptr_t handle);

    // ---- The gateway search ended a round (message 1028): where the
    // stations' gateways answered alone is where they are confirmed.
    void gatewaysSearched();

    // ---- Command channel (port 4001).
    void gatewayCall(const std::string& sender, const std::string& id);
    void inputState(const std::string& sender, bool on);

    // ---- Tray menu.
    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }
    // "Show video".
    void Videoanzeigen1Click();

    // The shown call, and the ways to show and end one.
    void playVideo(const config::TSingleConfig& station);
    void playVideoEnd();
    void zeigeMoxaVideo(const std::string& gatewayAddress);
    void zeigeVideobild(const config::TSingleConfig* station);
    // `callEnd` of manual windows: the window leaves the list (freed soon).
    void entferneVideoVonListe(CallWindow& window);
    // `resetActIp` of the wall.
    void resetActIP() { setActIP({}, false); }

    // Closing: the handlers do nothing from now on.
    void beginClosing() { isDestroying_ = true; }
    bool closing() const { return isDestroying_; }
    // Stops and frees every further popup (the end of the program).
    void closeFurtherPopups();

    // Re-entry guard of the menu actions.
    bool gesperrt() const { return gesperrt_; }
    void setGesperrt(bool on) { gesperrt_ = on; }

    // State, for the form and for tests.
    const std::string& actIP() const { return actIP_; }
    const std::vector<std::string>& ipListe() const { return ipListe_; }
    bool vorschauActive() const { return vorschauActive_; }
    bool locked() const { return locked_; }
    std::size_t furtherCount() const { return videoFensterListe_.size(); }
    CallWindow* furtherPopup(const std::string& address) const;
    const AnalogDecoder& analogDecoder() const { return analog_; }

private:
    using Entry = std::pair<std::string, std::unique_ptr<CallWindow>>;
    using StationPtr = config::TVideoConfig::StationPtr;

    bool wallTakesDoorCalls() const;
    // The wall's door frame would take the call but shows one already.
    bool wallDoorBusy() const { return wallTakesDoorCalls() && wall_->doorVisible(); }
    bool wallDoorVisible() const { return wall_ && wall_->doorVisible(); }
    void bringToFront(bool toWall);
    void openFurtherPopup(const std::string& address, const config::TSingleConfig& station, bool blackToMainForm);
    void addFurther(const std::string& address, std::unique_ptr<CallWindow> window);
    // The popups on the screen now, as they show, but `except`.
    video::OpenPopups openPopups(const CallWindow* except = nullptr) const;
    // The free area further popups go into, where the main popup stands or
    // else where it is stored.
    std::optional<video::ScreenRoom> popupRoom(const video::OpenPopups& open) const;
    // Further popups that hide part of another popup, now that the popups
    // stand where they do, move to a free place.
    void arrangeFurtherPopups();
    // Takes the listed popup out of the list, stops it and frees it.
    void dropFurther(const std::string& address);
    bool isOwnId(const std::string& id) const;
    // The call shown (`actIP_`) and whether a gateway brought it: only
    // that gateway's end frame ends it.
    void setActIP(const std::string& address, bool byGateway);
    // The address of a found gateway whose call is a station's
    // (devices/DeviceStations.h), or one whose window is open. A gateway
    // call that the rule holds back is told.
    bool gatewayKnown(const std::string& address);
    // Tells the user, once for each gateway and doubt, why its call was
    // held back or where its door commands go.
    void tellAbout(const devices::GatewayCaller& caller);
    // Tells the user, once for each station, that several devices answer
    // with its name and none where it was set up: none of them is taken
    // for it until the settings say which.
    void tellUnclaimed(const std::string& address, const std::string& port, const std::string& name,
                       const std::vector<devices::ListedDevice>& listed);
    // Whether `key` was told before; notes it when not.
    bool toldBefore(std::string key);
    std::vector<GatewayEntry> foundGateways() const;
    std::vector<DiscoveredServer> discovered() const;
    std::vector<devices::ListedDevice> answering() const;
    // Devices are known by what they are (devices/DeviceStations.h): the
    // station of a listed or probed video server, none for another device
    // of a station's name;
    StationPtr stationOfServer(const std::string& address, const std::string& port, const std::string& name,
                               const std::vector<devices::ListedDevice>& listed) const;
    // where the video server of `station` (a stored one, or a copy of it)
    // answers: at its stored address, else where it moved; none while it
    // answers nowhere.
    const DiscoveredServer* serverOfStation(const config::TSingleConfig& station,
                                            const std::vector<DiscoveredServer>& servers) const;
    std::optional<std::string> authenticateForVideo();
    void askForConfiguration();
    void retire(std::unique_ptr<CallWindow> window);

    Parts parts_;
    config::TVideoConfig& settings_;
    CallWindow& popup_;
    DoorWall* wall_ = nullptr;
    AnalogDecoder analog_;

    bool paused_ = false;
    bool isDestroying_ = false;
    bool locked_ = false;
    bool gesperrt_ = false;
    bool vorschauActive_ = false;
    std::string actIP_;
    bool actByGateway_ = false;
    std::vector<std::string> ipListe_;
    // The doubts told so far (a gateway repeats its call, a device answers
    // every search); the oldest goes when the list is full.
    static constexpr std::size_t kMaxTold = 64;
    std::vector<std::string> told_;
    // Where the stations' gateways were confirmed (one per kept hardware
    // address).
    devices::ConfirmedGateways confirmed_;
    // Sorted by address; an address may be listed more than once (manual
    // windows of stations without a gateway share the empty address).
    std::vector<Entry> videoFensterListe_;
    // Windows that left the list from inside one of their own callbacks,
    // freed at the next event.
    std::vector<std::unique_ptr<CallWindow>> retired_;
};

}  // namespace oculon::app
