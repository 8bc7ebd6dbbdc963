#pragma once
// Windows, lists and prompts of the call dispatch as plain objects that
// remember what was done to them.

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/CallWindows.h"
#include "devices/serverObjekt.h"

namespace oculon::app::testing {

class FakeWindow;
using WindowList = std::vector<FakeWindow*>;

// Lists itself in `live` while it exists.
class FakeWindow : public CallWindow {
public:
    explicit FakeWindow(std::shared_ptr<WindowList> live = std::make_shared<WindowList>(), PopupSetup setup = {})
        : live_(std::move(live)), setup_(std::move(setup)) {
        live_->push_back(this);
    }
    ~FakeWindow() override { std::erase(*live_, this); }

    bool visible() const override { return visible_; }
    bool videoOnly() const override { return videoOnly_; }
    std::string telefonIP() const override { return station ? station->telefonIP : std::string(); }
    void startVideo(const config::TSingleConfig& s, bool p) override {
        station = s;
        preview = p;
        visible_ = true;
        videoOnly_ = s.videoOnly;
    }
    void stopVideo() override { visible_ = false; }
    void setInput(bool on) override { input = on; }
    void refreshVideoOnly() override { ++refreshed; }
    void setVideoOnly(bool on) override { videoOnly_ = on; }
    void highlightName(bool on) override { highlighted = on; }
    void bringToFront() override { ++fronted; }
    void setBounds(const config::TWindowSettings& b) override { bounds = b; }
    void placeAmongOthers(const config::TWindowSettings& b) override {
        bounds = b;
        amongOthers = true;
    }
    std::optional<config::TWindowSettings> shownBounds() const override {
        return visible_ ? std::optional(bounds) : std::nullopt;
    }
    std::uintptr_t handle() const override { return reinterpret_cast<std::uintptr_t>(this); }
    void whenSettled(std::function<void()> s) override { settled = std::move(s); }
    bool placedByUser() const override { return userPlaced; }

    // The user closes the window.
    void close() {
        visible_ = false;
        if (setup_.callEnd) setup_.callEnd(*this);
    }
    const PopupSetup& setup() const { return setup_; }

    std::optional<config::TSingleConfig> station;
    bool preview = false;
    std::optional<bool> input;
    bool highlighted = false;
    int fronted = 0, refreshed = 0;
    config::TWindowSettings bounds;
    std::function<void()> settled;
    bool userPlaced = false;
    bool amongOthers = false;  // placed among the other popups

private:
    std::shared_ptr<WindowList> live_;
    PopupSetup setup_;
    bool visible_ = false;
    bool videoOnly_ = false;
};

class FakeFactory : public WindowFactory {
public:
    std::unique_ptr<CallWindow> createPopup(const PopupSetup& setup) override {
        auto w = std::make_unique<FakeWindow>(live, setup);
        made.push_back(w.get());
        return w;
    }
    std::optional<video::ScreenRoom> screenRoom(const config::TWindowSettings& at) const override {
        roomAskedAt.push_back(at);
        return room;
    }
    std::shared_ptr<WindowList> live = std::make_shared<WindowList>();  // in the order they were made
    WindowList made;                                                    // valid while listed in `live`
    std::optional<video::ScreenRoom> room;                              // none: no screen to ask
    mutable std::vector<config::TWindowSettings> roomAskedAt;
};

class FakeWall : public DoorWall {
public:
    bool doorVisible() const override { return door_; }
    bool doorVideoOnly() const override { return videoOnly_; }
    std::string doorTelefonIP() const override { return station ? station->telefonIP : std::string(); }
    void restore() override { ++restored; }
    void bringToFront() override {}
    void startDoorVideo(const config::TSingleConfig& s) override {
        station = s;
        door_ = true;
        videoOnly_ = s.videoOnly;
    }
    void stopDoorVideo() override {
        door_ = false;
        ++stopped;
    }
    void refreshVideoOnly() override { ++refreshed; }
    void setVideoOnly(bool on) override { videoOnly_ = on; }

    std::optional<config::TSingleConfig> station;
    int restored = 0, stopped = 0, refreshed = 0;

private:
    bool door_ = false;
    bool videoOnly_ = false;
};

// A server as the search lists it.
inline std::unique_ptr<devices::serverObjekt> discovered(const std::string& name, const std::string& address,
                                                         const std::string& port = "80") {
    auto s = std::make_unique<devices::serverObjekt>();
    s->FName = name;
    s->FIpAdresse = address;
    s->FPort = port;
    s->FCredentialsAllowed = true;
    s->FIsConfigured = true;  // the probe took it for a station's; the dispatch decides again
    return s;
}

class FakeDiscovery : public DiscoveryAccess {
public:
    void updateServer(std::unique_ptr<devices::serverObjekt> server, const config::TSingleConfig* station) override {
        stations.push_back(station ? station->Name : std::string());
        const std::string key = server->listKey();
        auto it = std::find_if(list.begin(), list.end(), [&](const auto& s) { return s->listKey() == key; });
        if (it != list.end()) {
            *it = std::move(server);
        } else {
            list.push_back(std::move(server));
        }
    }
    std::vector<DiscoveredServer> servers() const override {
        std::vector<DiscoveredServer> out;
        for (const auto& s : list)
            out.push_back({s->Name(), s->IPAdresse(), s->Port(), s->credentialsAllowed(), !silent.count(s->listKey())});
        return out;
    }
    // The listed servers that did not go silent, and those heard only.
    std::vector<devices::ListedDevice> answering() const override {
        std::vector<devices::ListedDevice> out = heardOnly;
        for (const auto& s : list)
            if (!silent.count(s->listKey())) out.push_back({s->listKey(), s->Name()});
        return out;
    }
    void add(const std::string& name, const std::string& address, const std::string& port = "80") {
        updateServer(discovered(name, address, port), nullptr);
    }

    std::vector<std::unique_ptr<devices::serverObjekt>> list;
    std::vector<std::string> stations;  // the station handed with each server
    std::set<std::string> silent;       // listed, but silent in the latest round
    std::vector<devices::ListedDevice> heardOnly;
};

class FakeGateways : public GatewayAccess {
public:
    std::vector<GatewayEntry> gateways() const override { return list; }
    std::vector<GatewayEntry> list;
};

class FakePrompts : public UserPrompts {
public:
    std::optional<std::string> askAdminPassword() override { return password; }
    void wrongPassword() override { ++wrong; }
    bool askStartConfiguration() override { return ++configurationAsked, startConfiguration; }
    std::optional<int> chooseServer(const std::vector<std::string>& items) override {
        offered = items;
        return choice;
    }
    void openSettings() override { ++settingsOpened; }

    std::optional<std::string> password;
    bool startConfiguration = true;
    std::optional<int> choice;
    std::vector<std::string> offered;
    int wrong = 0, configurationAsked = 0, settingsOpened = 0;
};

}  // namespace oculon::app::testing
