#include "app/CallDispatch.h"

#include <algorithm>
#include <thread>
#include <cctype>

#include "config/CameraTypes.h"
#include "devices/DeviceStations.h"
#include "devices/TelefonTelegram.h"
#include "devices/serverObjekt.h"
#include "devices/stateChangeObjekt.h"
#include "platform/Log.h"
#include "platform/ShownText.h"
#include "platform/UserNotice.h"
#include "settings/ApplyReport.h"

namespace oculon::app {

using config::TSingleConfig;

namespace {

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A station behind a gateway or a telephone calls through those, not
// through a probe.
bool callsThroughProbe(const TSingleConfig& s) {
    return config::cameraTraits(s.typ).callsByProbe && !s.moxa && s.telefonIP.empty();
}

bool reportsInputs(const TSingleConfig& s) { return s.telefonIP.empty() && config::cameraTraits(s.typ).callsByInput; }

// A station copy that is to play at a discovered address its stored
// credentials may not go to.
void dropCredentials(TSingleConfig& s) {
    s.UserName.clear();
    s.Passwort.clear();
    s.AdminPass.clear();
    s.NeedCredentials = false;
}

std::string keyOf(const DiscoveredServer& server) { return server.address + ":" + server.port; }

using devices::isStation;

}  // namespace

namespace {

video::PixelRect pixelRect(const config::TWindowSettings& w) { return {w.left, w.top, w.width, w.height}; }
config::TWindowSettings windowSettings(const video::PixelRect& r) {
    return {.top = r.top, .left = r.left, .height = r.height, .width = r.width};
}

}  // namespace

config::TWindowSettings furtherPopupBounds(const config::TWindowSettings& stored, const video::OpenPopups& open,
                                           const std::optional<video::ScreenRoom>& room) {
    return windowSettings(video::furtherPopupPlace(pixelRect(stored), open, room));
}

CallDispatch::CallDispatch(Parts parts)
    : parts_(std::move(parts)), settings_(*parts_.settings), popup_(*parts_.popup), analog_(parts_.clock) {
    popup_.whenSettled([this] { arrangeFurtherPopups(); });
}

// The popup outlives the dispatch.
CallDispatch::~CallDispatch() { popup_.whenSettled(nullptr); }

CallWindow* CallDispatch::furtherPopup(const std::string& address) const {
    auto it = std::lower_bound(videoFensterListe_.begin(), videoFensterListe_.end(), address,
                               [](const Entry& e, const std::string& a) { return e.first < a; });
    return it != videoFensterListe_.end() && it->first == address ? it->second.get() : nullptr;
}

void CallDispatch::addFurther(const std::string& address, std::unique_ptr<CallWindow> window) {
    auto it = std::upper_bound(videoFensterListe_.begin(), videoFensterListe_.end(), address,
                               [](const std::string& a, const Entry& e) { return a < e.first; });
    videoFensterListe_.emplace(it, address, std::move(window));
}

video::OpenPopups CallDispatch::openPopups(const CallWindow* except) const {
    video::OpenPopups open;
    if (const std::optional<config::TWindowSettings> main = popup_.shownBounds()) open.main = pixelRect(*main);
    for (const Entry& e : videoFensterListe_) {
        if (e.second.get() == except) continue;
        if (const std::optional<config::TWindowSettings> shown = e.second->shownBounds())
            open.further.push_back(pixelRect(*shown));
    }
    return open;
}

std::optional<video::ScreenRoom> CallDispatch::popupRoom(const video::OpenPopups& open) const {
    return parts_.factory->screenRoom(open.main ? windowSettings(*open.main) : settings_.fensterKoordinaten());
}

void CallDispatch::arrangeFurtherPopups() {
    if (isDestroying_) return;
    const video::PixelRect stored = pixelRect(settings_.fensterKoordinaten());
    for (const Entry& e : videoFensterListe_) {
        CallWindow& window = *e.second;
        const std::optional<config::TWindowSettings> shown = window.shownBounds();
        if (!shown || window.placedByUser()) continue;
        const video::OpenPopups others = openPopups(&window);
        const std::optional<video::ScreenRoom> room = popupRoom(others);
        if (!room) continue;
        if (const auto moved = video::furtherPopupMove(pixelRect(*shown), stored, others, *room))
            window.placeAmongOthers(windowSettings(*moved));
    }
}

void CallDispatch::retire(std::unique_ptr<CallWindow> window) { retired_.push_back(std::move(window)); }

void CallDispatch::dropFurther(const std::string& address) {
    auto it = std::find_if(videoFensterListe_.begin(), videoFensterListe_.end(),
                           [&](const Entry& e) { return e.first == address; });
    if (it == videoFensterListe_.end()) return;
    std::unique_ptr<CallWindow> window = std::move(it->second);
    videoFensterListe_.erase(it);
    window->stopVideo();
}

void CallDispatch::closeFurtherPopups() {
    retired_.clear();
    while (!videoFensterListe_.empty()) {
        std::unique_ptr<CallWindow> window = std::move(videoFensterListe_.back().second);
        videoFensterListe_.pop_back();
        window->stopVideo();
    }
}

bool CallDispatch::wallTakesDoorCalls() const { return wall_ && settings_.showDoor(); }

bool CallDispatch::isOwnId(const std::string& id) const {
    std::vector<std::string> ids;
    settings_.liesID(ids);
    return std::any_of(ids.begin(), ids.end(), [&](const std::string& own) { return equalsIgnoreCase(own, id); });
}

void CallDispatch::bringToFront(bool toWall) {
    if (toWall) {
        wall_->bringToFront();
    } else {
        popup_.bringToFront();
    }
}

// ---- showing and ending ---------------------------------------------------

void CallDispatch::playVideo(const TSingleConfig& station) {
    const bool toWall = wallTakesDoorCalls();
    if (toWall) wall_->restore();
    if (paused_) return;
    bringToFront(toWall);
    if (toWall) {
        wall_->startDoorVideo(station);
    } else {
        popup_.startVideo(station, false);
    }
}

void CallDispatch::playVideoEnd() {
    if (wallTakesDoorCalls()) {
        wall_->stopDoorVideo();
    } else {
        popup_.stopVideo();
    }
}

void CallDispatch::openFurtherPopup(const std::string& address, const TSingleConfig& station, bool blackToMainForm) {
    PopupSetup setup;
    setup.sendFunction = parts_.sendFunction;
    setup.sendFunctionLindavor = parts_.sendFunctionLindavor;
    setup.blackToMainForm = blackToMainForm;
    std::unique_ptr<CallWindow> window = parts_.factory->createPopup(setup);
    if (!window) return;
    const video::OpenPopups open = openPopups();
    window->placeAmongOthers(furtherPopupBounds(settings_.fensterKoordinaten(), open, popupRoom(open)));
    window->whenSettled([this] { arrangeFurtherPopups(); });
    window->startVideo(station, false);
    addFurther(address, std::move(window));
}

// ---- 1026: a probed video server --------------------------------------------

void CallDispatch::serverProbed(std::unique_ptr<devices::serverObjekt> server) {
    retired_.clear();
    if (isDestroying_ || !server) return;
    server->verarbeiteBild(settings_.blackValue(), settings_.isWine());
    const std::string address = server->IPAdresse();
    const std::string port = server->Port();
    const std::string name = server->Name();
    const bool notBlack = server->hasPicture();
    const std::string mirabPath = server->FPfad;
    const std::int32_t mirabReduction = server->FReduktion;
    const bool credentials = server->credentialsAllowed();
    // A probe that found no station of the device's drew no credentials,
    // nor does it call: the list may have lacked the station's own device.
    const auto listed = answering();
    const auto station = server->isConfigured() ? stationOfServer(address, port, name, listed) : nullptr;
    if (!station) tellUnclaimed(address, port, name, listed);
    if (parts_.discovery) parts_.discovery->updateServer(std::move(server), station.get());
    server.reset();  // without a list the object ends here

    locked_ = false;
    if (!station || !notBlack) return;

    TSingleConfig copy;
    copy.Assign(*station);
    copy.Ip = address;
    copy.Port = port;
    if (!credentials) dropCredentials(copy);
    if (config::cameraTraits(copy.typ).crops) {
        copy.mirabPath = mirabPath;
        copy.mirabReduction = mirabReduction;
    }
    if (!callsThroughProbe(copy)) return;

    if (!popup_.visible()) {
        // A wall switched on that does not exist (yet) takes no call: the
        // call goes its way as with the wall off, not lost.
        const bool wallOn = settings_.surveillance() && wall_;
        if ((wallOn && !wall_->doorVisible()) || (!wallOn && !furtherPopup(address))) {
            setActIP(address, false);
            playVideo(copy);
        }
    } else if (settings_.allowMultipleWindows() && actIP_ != address && !furtherPopup(address)) {
        openFurtherPopup(address, copy, true);
    }
}

// ---- 1029: a telephone event --------------------------------------------------

void CallDispatch::telephoneEvent(const devices::telefonObjekt& event) {
    retired_.clear();
    if (isDestroying_) return;
    const std::string& address = event.adresse();
    const bool multiple = settings_.allowMultipleWindows();

    switch (event.status()) {
        case devices::Verbindung:
        case devices::Video: {
            const bool video = event.status() == devices::Video;
            if (!isOwnId(event.nummer())) {
                if (video) return;
                // Another workstation took the call: our video-only view of
                // that telephone ends, a normal call view stays.
                if (popup_.visible() || furtherPopup(address)) {
                    if (popup_.videoOnly() && popup_.telefonIP() == address) playVideoEnd();
                } else if (wallDoorVisible() && wall_->doorVideoOnly() && wall_->doorTelefonIP() == address) {
                    playVideoEnd();
                }
                return;
            }
            const auto station = settings_.getConfigByPhone(address);
            if (!station) return;
            TSingleConfig copy;
            copy.Assign(*station);
            copy.videoOnly = video;
            if (!popup_.visible() && !wallDoorBusy() && !furtherPopup(address)) {
                setActIP(address, false);
                playVideo(copy);
            } else if (multiple && actIP_ != address) {
                CallWindow* listed = furtherPopup(address);
                if (listed && !listed->visible()) {
                    // The user closed it: it is of no use any more.
                    dropFurther(address);
                    listed = nullptr;
                }
                if (!listed) openFurtherPopup(address, copy, false);
            } else {
                auto switchView = [video](auto& view) {
                    if (video) {
                        view.refreshVideoOnly();
                    } else {
                        view.setVideoOnly(false);
                    }
                };
                CallWindow* further = multiple ? furtherPopup(address) : nullptr;
                if (popup_.visible() && popup_.videoOnly()) {
                    switchView(popup_);
                } else if (further && further->videoOnly()) {
                    switchView(*further);
                } else if (wallDoorVisible() && wall_->doorVideoOnly()) {
                    switchView(*wall_);
                }
            }
            return;
        }
        case devices::ACK:
            if (parts_.telephoneAcknowledge) parts_.telephoneAcknowledge(event.packet());
            return;
        case devices::Idle: {
            const bool popupShown = popup_.visible();
            const bool doorShown = wallDoorVisible();
            if (address == actIP_ && (popupShown || doorShown)) {
                if ((popupShown && !popup_.videoOnly()) || (doorShown && !wall_->doorVideoOnly())) {
                    playVideoEnd();
                    actIP_.clear();
                }
            } else if (multiple) {
                CallWindow* further = furtherPopup(address);
                if (further && !further->videoOnly()) dropFurther(address);
            }
            return;
        }
        case devices::NameSt:
        case devices::TelTyp: return;
    }
}

// ---- 1032: a camera input -------------------------------------------------------

void CallDispatch::inputChanged(const devices::stateChangeObjekt& event) {
    retired_.clear();
    if (isDestroying_) return;
    const auto station = settings_.getConfigByIP(event.adresse() + ":" + event.port());
    if (!station || !reportsInputs(*station)) return;
    TSingleConfig copy;
    copy.Assign(*station);
    const std::string& address = event.adresse();
    copy.Ip = address;

    const bool call =
        copy.analog_multi ? analog_.inputChanged(address, event.status1(), selectedButtons(copy)) : event.status1();
    const bool multiple = settings_.allowMultipleWindows();
    if (call) {
        if (!popup_.visible() && !wallDoorBusy() && !furtherPopup(address)) {
            setActIP(address, false);
            playVideo(copy);
        } else if (multiple && address != actIP_ && !furtherPopup(address)) {
            openFurtherPopup(address, copy, false);
        }
        return;
    }
    if (address == actIP_) {
        const bool shown = popup_.visible() || (settings_.showDoor() && wallDoorVisible());
        if (shown && !copy.ohneBT) {
            playVideoEnd();
            actIP_.clear();
        }
    } else if (multiple && !copy.ohneBT) {
        dropFurther(address);
    }
}

// ---- 1039: a further popup's stream turned black ---------------------------------

void CallDispatch::furtherPopupBlack(std::uintptr_t handle) {
    retired_.clear();
    for (auto i = videoFensterListe_.size(); i-- > 0;) {
        if (videoFensterListe_[i].second->handle() != handle) continue;
        std::unique_ptr<CallWindow> window = std::move(videoFensterListe_[i].second);
        videoFensterListe_.erase(videoFensterListe_.begin() + static_cast<std::ptrdiff_t>(i));
        window->stopVideo();
    }
}

void CallDispatch::entferneVideoVonListe(CallWindow& window) {
    for (auto i = videoFensterListe_.size(); i-- > 0;) {
        if (videoFensterListe_[i].second.get() != &window) continue;
        retire(std::move(videoFensterListe_[i].second));
        videoFensterListe_.erase(videoFensterListe_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

// ---- command channel ----------------------------------------------------------------

void CallDispatch::inputState(const std::string& sender, bool on) {
    retired_.clear();
    if (isDestroying_) return;
    if (CallWindow* further = furtherPopup(sender)) {
        further->setInput(on);
    } else if (sender == actIP_) {
        popup_.setInput(on);
    }
}

void CallDispatch::gatewayCall(const std::string& sender, const std::string& id) {
    retired_.clear();
    if (isDestroying_) return;
    if (!id.empty()) {
        // Only a gateway the search found in front of one of our stations,
        // or whose window is open, shows anything: a call from another
        // address (one of a forged flood), or from a stranger that carries
        // a station's name, takes no caller's place.
        if (!isOwnId(id) || !gatewayKnown(sender)) return;
        if (!popup_.visible() && !vorschauActive_) {
            setActIP(sender, true);
            zeigeMoxaVideo(sender);
        } else if (sender != actIP_ && std::find(ipListe_.begin(), ipListe_.end(), sender) == ipListe_.end()) {
            // A gateway repeats its call until it hears the echo: the caller
            // shown or waiting already waits no second time.
            ipListe_.push_back(sender);
        }
        return;
    }
    // A gateway's end ends only the call it brought: a station found by
    // its picture shares no end with a frame from its address.
    if (sender != actIP_ || !actByGateway_) {
        auto it = std::find(ipListe_.begin(), ipListe_.end(), sender);
        if (it != ipListe_.end()) ipListe_.erase(it);
        return;
    }
    // The shown call ends; the next waiting caller comes up.
    if (CallWindow* further = furtherPopup(sender)) {
        further->highlightName(false);
        vorschauActive_ = false;
    } else {
        playVideoEnd();
    }
    std::erase(ipListe_, sender);
    actIP_.clear();
    actByGateway_ = false;
    if (!ipListe_.empty()) {
        setActIP(ipListe_.front(), true);
        ipListe_.erase(ipListe_.begin());
        zeigeMoxaVideo(actIP_);
    }
}

void CallDispatch::setActIP(const std::string& address, bool byGateway) {
    actIP_ = address;
    actByGateway_ = byGateway;
}

bool CallDispatch::gatewayKnown(const std::string& address) {
    if (furtherPopup(address)) return true;
    const devices::GatewayCaller caller = devices::gatewayCaller(settings_, address, foundGateways(), confirmed_);
    tellAbout(caller);
    return caller.station != nullptr;
}

void CallDispatch::gatewaysSearched() {
    if (isDestroying_) return;
    devices::confirmGateways(settings_, foundGateways(), confirmed_);
}

std::vector<GatewayEntry> CallDispatch::foundGateways() const {
    return parts_.gateways ? parts_.gateways->gateways() : std::vector<GatewayEntry>{};
}

bool CallDispatch::toldBefore(std::string key) {
    if (std::find(told_.begin(), told_.end(), key) != told_.end()) return true;
    if (told_.size() >= kMaxTold) told_.erase(told_.begin());
    told_.push_back(std::move(key));
    return false;
}

void CallDispatch::tellUnclaimed(const std::string& address, const std::string& port, const std::string& name,
                                 const std::vector<devices::ListedDevice>& listed) {
    const devices::StationChoice choice = devices::stationOfServer(settings_, address, port, name, listed);
    if (!choice.unclaimed || toldBefore("unclaimed|" + choice.station->Name)) return;
    std::vector<std::string> where{address + ":" + port};
    for (const devices::ListedDevice& device : listed) {
        if (device.key != where.front() && config::sameStationName(device.name, choice.station->Name))
            where.push_back(device.key);
    }
    const std::string detail = settings::filledIn(config::tr(config::txtStationOfTwoDevices),
                                                  {platform::shownText(choice.station->Name), settings::joined(where),
                                                   choice.station->Ip + ":" + choice.station->Port});
    log::warning(log::Category::app, "station %s: %s", choice.station->Name.c_str(), detail.c_str());
    platform::tellUser(platform::Notice::stationUnclaimed, detail);
}

void CallDispatch::tellAbout(const devices::GatewayCaller& caller) {
    using Doubt = devices::GatewayCaller::Doubt;
    if (caller.doubt == Doubt::none || caller.doubt == Doubt::unknown || !caller.concerned) return;
    const devices::FoundGateway& g = caller.gateway;
    // Once for each gateway and what is wrong with it: it repeats its call.
    std::string key = std::to_string(static_cast<int>(caller.doubt)) + "|" + g.hardwareAddress + "|" + g.address;
    for (const std::string& from : g.claimedFrom) key += "|" + from;
    if (toldBefore(std::move(key))) return;
    const std::string station = platform::shownText(caller.concerned->Name);
    const std::string gateway = platform::shownText(g.name);
    std::string detail;
    switch (caller.doubt) {
        case Doubt::disputed:
            detail = settings::filledIn(
                config::tr(caller.station ? config::txtGatewayCallDisputedShown : config::txtGatewayCallDisputedHeld),
                {station, g.hardwareAddress, settings::joined(g.claimedFrom),
                 caller.confirmedAt.empty() ? "-" : caller.confirmedAt});
            break;
        case Doubt::anotherMac:
            detail = settings::filledIn(config::tr(config::txtGatewayCallOtherHardware),
                                        {gateway, g.address, g.hardwareAddress, station, caller.concerned->moxaMac});
            break;
        case Doubt::twoOfName:
            detail = settings::filledIn(config::tr(config::txtGatewayCallTwoOfName), {gateway, g.address, station});
            break;
        case Doubt::none:
        case Doubt::unknown: return;
    }
    log::warning(log::Category::app, "gateway call from %s (%s): %s", g.address.c_str(), g.hardwareAddress.c_str(),
                 detail.c_str());
    platform::tellUser(platform::Notice::gatewayCallDoubt, detail);
}

std::vector<DiscoveredServer> CallDispatch::discovered() const {
    return parts_.discovery ? parts_.discovery->servers() : std::vector<DiscoveredServer>{};
}

std::vector<devices::ListedDevice> CallDispatch::answering() const {
    return parts_.discovery ? parts_.discovery->answering() : std::vector<devices::ListedDevice>{};
}

CallDispatch::StationPtr CallDispatch::stationOfServer(const std::string& address, const std::string& port,
                                                       const std::string& name,
                                                       const std::vector<devices::ListedDevice>& listed) const {
    return devices::knownStationOf(settings_, address, port, name, listed);
}

const DiscoveredServer* CallDispatch::serverOfStation(const TSingleConfig& station,
                                                      const std::vector<DiscoveredServer>& servers) const {
    const std::string key = station.Ip + ":" + station.Port;
    const auto listed = answering();
    const DiscoveredServer* found = nullptr;
    for (const DiscoveredServer& server : servers) {
        // A silent entry is no longer where its device is.
        if (!server.answering) continue;
        if (!isStation(stationOfServer(server.address, server.port, server.name, listed).get(), station)) continue;
        found = &server;
        if (keyOf(server) == key) break;
    }
    return found;
}

void CallDispatch::zeigeMoxaVideo(const std::string& gatewayAddress) {
    if (paused_) return;
    if (CallWindow* further = furtherPopup(gatewayAddress)) {
        further->bringToFront();
        further->highlightName(true);
        vorschauActive_ = true;
        return;
    }
    const devices::GatewayCaller caller =
        devices::gatewayCaller(settings_, gatewayAddress, foundGateways(), confirmed_);
    auto station = caller.station;
    if (!station) return;
    // The stored station learns where its gateway is now; never from a
    // gateway whose hardware address another device claims too.
    if (caller.doubt == devices::GatewayCaller::Doubt::none && !station->moxaMac.empty())
        confirmed_[station->moxaMac] = caller.doorAddress;
    if (station->moxa && caller.doubt == devices::GatewayCaller::Doubt::none && station->moxaIP != caller.doorAddress) {
        TSingleConfig moved;
        moved.Assign(*station);
        moved.moxaIP = caller.doorAddress;
        settings_.updateConfig(station, std::move(moved));
        station = devices::gatewayCaller(settings_, gatewayAddress, foundGateways(), confirmed_).station;
        if (!station) return;
    }
    // A copy: the stored station keeps its own device address.
    TSingleConfig copy;
    copy.Assign(*station);
    const auto servers = discovered();
    if (const DiscoveredServer* server = serverOfStation(*station, servers)) {
        copy.Ip = server->address;
        copy.Port = server->port;
        if (!server->credentialsAllowed) dropCredentials(copy);
    }
    if (copy.moxa) copy.moxaIP = caller.doorAddress;
    playVideo(copy);
}

// ---- the manual "Show video" --------------------------------------------------------

std::optional<std::string> CallDispatch::authenticateForVideo() {
    if (!settings_.hasVideoPass() || settings_.authenticate("")) return std::string();
    if (!parts_.prompts) return std::nullopt;
    auto password = parts_.prompts->askAdminPassword();
    if (!password) return std::nullopt;
    if (!settings_.authenticate(*password)) {
        parts_.prompts->wrongPassword();
        return std::nullopt;
    }
    return password;
}

void CallDispatch::askForConfiguration() {
    if (parts_.prompts && parts_.prompts->askStartConfiguration()) parts_.prompts->openSettings();
}

void CallDispatch::Videoanzeigen1Click() {
    retired_.clear();
    if (isDestroying_) return;
    if (parts_.rebootLock && parts_.rebootLock->bblocked()) locked_ = true;
    if (locked_) return;
    if (!authenticateForVideo()) return;

    const auto servers = discovered();
    const auto listed = answering();
    if (servers.size() == 1) {
        const DiscoveredServer& server = servers.front();
        zeigeVideobild(stationOfServer(server.address, server.port, server.name, listed).get());
        return;
    }
    if (servers.empty()) {
        askForConfiguration();
        return;
    }
    if (gesperrt_) return;
    gesperrt_ = true;
    std::vector<std::string> texts;
    std::vector<StationPtr> offered;  // the `TCamNameObj` of each item
    for (const DiscoveredServer& server : servers) {
        auto station = stationOfServer(server.address, server.port, server.name, listed);
        if (!station || std::find(offered.begin(), offered.end(), station) != offered.end()) continue;
        texts.push_back(station->commonName.empty() ? station->Name : station->commonName);
        offered.push_back(std::move(station));
    }
    if (texts.empty()) {
        // No choice to make: the guard must not keep the settings from opening.
        gesperrt_ = false;
        askForConfiguration();
        return;
    }
    if (parts_.prompts) {
        const auto chosen = parts_.prompts->chooseServer(texts);
        if (chosen && *chosen >= 0 && static_cast<std::size_t>(*chosen) < offered.size())
            zeigeVideobild(offered[static_cast<std::size_t>(*chosen)].get());
    }
    gesperrt_ = false;
}

void CallDispatch::zeigeVideobild(const TSingleConfig* station) {
    if (!station) {
        askForConfiguration();
        return;
    }
    TSingleConfig copy;
    copy.Assign(*station);
    const auto servers = discovered();
    const DiscoveredServer* server = serverOfStation(*station, servers);
    bool found = server != nullptr;
    if (server && keyOf(*server) != station->Ip + ":" + station->Port) {
        copy.Ip = server->address;
        copy.Port = server->port;
        if (!server->credentialsAllowed) dropCredentials(copy);
    }
    if (copy.moxa) {
        const auto gateways = foundGateways();
        for (const GatewayEntry& gateway : gateways) {
            const devices::GatewayCaller caller =
                devices::gatewayCaller(settings_, gateway.address, gateways, confirmed_);
            if (!isStation(caller.station.get(), *station)) continue;
            copy.moxaIP = caller.doorAddress;
            found = true;
        }
    }
    if (!found) return;

    PopupSetup setup;
    setup.sendFunction = parts_.sendFunction;
    setup.sendFunctionLindavor = parts_.sendFunctionLindavor;
    setup.callEnd = [this](CallWindow& window) { entferneVideoVonListe(window); };
    std::unique_ptr<CallWindow> window = parts_.factory->createPopup(setup);
    if (!window) return;
    window->whenSettled([this] { arrangeFurtherPopups(); });
    CallWindow& shown = *window;
    addFurther(copy.moxaIP, std::move(window));
    shown.startVideo(copy, true);
    constexpr std::chrono::milliseconds kSettle{100};
    if (parts_.sleep) {
        parts_.sleep(kSettle);
    } else {
        std::this_thread::sleep_for(kSettle);
    }
}

}  // namespace oculon::app
