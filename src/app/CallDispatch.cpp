#include "app/CallDispatch.h"

#include <algorithm>
#include <thread>
#include <cctype>

#include "config/CameraTypes.h"
#include "devices/TelefonTelegram.h"
#include "devices/serverObjekt.h"
#include "devices/stateChangeObjekt.h"

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
    const auto station = settings_.getConfigByName(name);
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
            actIP_ = address;
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
                actIP_ = address;
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
            actIP_ = address;
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
        // Only a gateway the search found, or whose window is open, shows
        // anything: a call from another address (one of a forged flood)
        // takes no caller's place.
        if (!isOwnId(id) || !gatewayKnown(sender)) return;
        if (!popup_.visible() && !vorschauActive_) {
            actIP_ = sender;
            zeigeMoxaVideo(sender);
        } else if (sender != actIP_ && std::find(ipListe_.begin(), ipListe_.end(), sender) == ipListe_.end()) {
            // A gateway repeats its call until it hears the echo: the caller
            // shown or waiting already waits no second time.
            ipListe_.push_back(sender);
        }
        return;
    }
    if (sender != actIP_) {
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
    if (!ipListe_.empty()) {
        actIP_ = ipListe_.front();
        ipListe_.erase(ipListe_.begin());
        zeigeMoxaVideo(actIP_);
    }
}

bool CallDispatch::gatewayKnown(const std::string& address) const {
    if (furtherPopup(address)) return true;
    if (!parts_.gateways) return false;
    const auto gateways = parts_.gateways->gateways();
    return std::any_of(gateways.begin(), gateways.end(),
                       [&](const GatewayEntry& gateway) { return gateway.address == address; });
}

void CallDispatch::zeigeMoxaVideo(const std::string& gatewayAddress) {
    if (paused_) return;
    if (CallWindow* further = furtherPopup(gatewayAddress)) {
        further->bringToFront();
        further->highlightName(true);
        vorschauActive_ = true;
        return;
    }
    if (!parts_.gateways) return;
    std::optional<TSingleConfig> shown;
    const auto servers = parts_.discovery ? parts_.discovery->servers() : std::vector<DiscoveredServer>{};
    for (const GatewayEntry& gateway : parts_.gateways->gateways()) {
        if (gateway.address != gatewayAddress) continue;
        auto station = settings_.getConfigByName(gateway.name);
        if (!station) continue;
        // The stored station learns where its gateway is now.
        if (station->moxa && station->moxaIP != gateway.address) {
            TSingleConfig moved;
            moved.Assign(*station);
            moved.moxaIP = gateway.address;
            settings_.updateConfig(station, std::move(moved));
            station = settings_.getConfigByName(gateway.name);
            if (!station) continue;
        }
        // A copy: the stored station keeps its own device address.
        TSingleConfig copy;
        copy.Assign(*station);
        for (const DiscoveredServer& server : servers) {
            if (!config::sameStationName(server.name, copy.Name)) continue;
            copy.Ip = server.address;
            copy.Port = server.port;
            if (!server.credentialsAllowed) dropCredentials(copy);
        }
        if (copy.moxa) copy.moxaIP = gateway.address;
        shown = std::move(copy);
    }
    if (shown) playVideo(*shown);
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

    const auto servers = parts_.discovery ? parts_.discovery->servers() : std::vector<DiscoveredServer>{};
    if (servers.size() == 1) {
        const auto station = settings_.getConfigByName(servers.front().name);
        zeigeVideobild(station.get());
        return;
    }
    if (servers.empty()) {
        askForConfiguration();
        return;
    }
    if (gesperrt_) return;
    gesperrt_ = true;
    std::vector<std::string> texts;
    std::vector<std::string> names;  // the `TCamNameObj` of each item
    for (const DiscoveredServer& server : servers) {
        const auto station = settings_.getConfigByName(server.name);
        if (!station) continue;
        if (std::find(names.begin(), names.end(), station->Name) != names.end()) continue;
        texts.push_back(station->commonName.empty() ? station->Name : station->commonName);
        names.push_back(station->Name);
    }
    if (texts.empty()) {
        // No choice to make: the guard must not keep the settings from opening.
        gesperrt_ = false;
        askForConfiguration();
        return;
    }
    if (parts_.prompts) {
        const auto chosen = parts_.prompts->chooseServer(texts);
        if (chosen && *chosen >= 0 && static_cast<std::size_t>(*chosen) < names.size()) {
            const auto station = settings_.getConfigByName(names[static_cast<std::size_t>(*chosen)]);
            zeigeVideobild(station.get());
        }
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
    bool found = false;
    const auto servers = parts_.discovery ? parts_.discovery->servers() : std::vector<DiscoveredServer>{};
    const std::string key = station->Ip + ":" + station->Port;
    const bool listedAsStored = std::any_of(servers.begin(), servers.end(), [&](const DiscoveredServer& s) {
        return s.address + ":" + s.port == key && config::sameStationName(s.name, station->Name);
    });
    if (listedAsStored) {
        found = true;
    } else {
        for (const DiscoveredServer& server : servers) {
            if (!config::sameStationName(server.name, station->Name)) continue;
            copy.Ip = server.address;
            copy.Port = server.port;
            if (!server.credentialsAllowed) dropCredentials(copy);
            found = true;
        }
    }
    if (copy.moxa && parts_.gateways) {
        for (const GatewayEntry& gateway : parts_.gateways->gateways()) {
            if (gateway.name != station->Name) continue;
            copy.moxaIP = gateway.address;
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
