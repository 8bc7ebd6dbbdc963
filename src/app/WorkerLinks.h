#pragma once
// The call dispatch's and the wall's view of the worker threads' lists: the
// discovery thread's servers and the gateway search thread's gateways, each
// read under its owner's lock and handed out as copies.

#include <optional>
#include <string>

#include "app/CallWindows.h"
#include "video/ueberwachungKameras.h"

namespace oculon::devices {
class moxaThread;
class suchThread;
}  // namespace oculon::devices

namespace oculon::app {

class DiscoveryList : public DiscoveryAccess {
public:
    explicit DiscoveryList(devices::suchThread& thread) : thread_(thread) {}
    void updateServer(std::unique_ptr<devices::serverObjekt> server, const config::TSingleConfig* station) override;
    std::vector<DiscoveredServer> servers() const override;
    std::vector<devices::ListedDevice> answering() const override;
    // The wall's look-up of a discovered device by address ":" port.
    std::optional<video::DiscoveredCamera> camera(const std::string& key) const;

private:
    devices::suchThread& thread_;
};

class GatewayList : public GatewayAccess {
public:
    explicit GatewayList(const devices::moxaThread& thread) : thread_(thread) {}
    std::vector<GatewayEntry> gateways() const override;

private:
    const devices::moxaThread& thread_;
};

}  // namespace oculon::app
