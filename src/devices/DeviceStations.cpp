#include "devices/DeviceStations.h"

#include <algorithm>

#include "devices/serverObjekt.h"

namespace oculon::devices {

namespace {

std::string keyOf(const config::TSingleConfig& station) { return station.Ip + ":" + station.Port; }

const ListedDevice* listedAt(const std::vector<ListedDevice>& listed, const std::string& key) {
    const auto it = std::find_if(listed.begin(), listed.end(), [&](const ListedDevice& d) { return d.key == key; });
    return it == listed.end() ? nullptr : &*it;
}

// The devices that answer with `name` anywhere but at `except`; `here`
// counts whether it is listed or not.
std::size_t answeringWithName(const std::vector<ListedDevice>& listed, const std::string& name,
                              const std::string& except, const std::string& here) {
    std::size_t count = here != except ? 1 : 0;
    for (const ListedDevice& device : listed) {
        if (device.key != except && device.key != here && config::sameStationName(device.name, name)) ++count;
    }
    return count;
}

}  // namespace

config::TVideoConfig::StationPtr stationAtItsAddress(const config::TVideoConfig& settings, const std::string& address,
                                                     const std::string& port, const std::string& name) {
    auto atAddress = settings.getConfigByIP(address + ":" + port);
    return atAddress && config::sameStationName(atAddress->Name, name) ? atAddress : nullptr;
}

StationChoice stationOfServer(const config::TVideoConfig& settings, const std::string& address, const std::string& port,
                              const std::string& name, const std::vector<ListedDevice>& listed) {
    const std::string here = address + ":" + port;
    if (auto own = stationAtItsAddress(settings, address, port, name)) return {own};
    const auto atAddress = settings.getConfigByIP(here);
    if (auto named = settings.getConfigByName(name)) {
        const std::string stored = keyOf(*named);
        const ListedDevice* there = listedAt(listed, stored);
        // Its own device may still answer where it was set up, or a second
        // device of its name answers: which one is the station's, only the
        // user can say.
        const bool ownAnswers = there && config::sameStationName(there->name, named->Name);
        if (ownAnswers) return {named, true};
        if (answeringWithName(listed, named->Name, stored, here) != 1) return {named, true, false, true};
        return {named};
    }
    // A device of another name at a station's address is not that station:
    // the station's own device may have moved, or this one was renamed
    // elsewhere. Only the user can say which, unless the station's name
    // answers elsewhere.
    if (atAddress && answeringWithName(listed, atAddress->Name, here, here) == 0) return {atAddress, true, true};
    return {};
}

StationChoice stationOfServer(const config::TVideoConfig& settings, const ServerFields& server,
                              const std::vector<ListedDevice>& listed) {
    return stationOfServer(settings, server.FIpAdresse, server.FPort, server.FName, listed);
}

config::TVideoConfig::StationPtr knownStationOf(const config::TVideoConfig& settings, const std::string& address,
                                                const std::string& port, const std::string& name,
                                                const std::vector<ListedDevice>& listed) {
    StationChoice choice = stationOfServer(settings, address, port, name, listed);
    return choice.ask ? nullptr : std::move(choice.station);
}

config::TVideoConfig::StationPtr knownStationOf(const config::TVideoConfig& settings, const ServerFields& server,
                                                const std::vector<ListedDevice>& listed) {
    return knownStationOf(settings, server.FIpAdresse, server.FPort, server.FName, listed);
}

bool isStation(const config::TSingleConfig* stored, const config::TSingleConfig& station) {
    return stored && (stored == &station || (stored->Ip == station.Ip && stored->Port == station.Port &&
                                             config::sameStationName(stored->Name, station.Name)));
}

config::TVideoConfig::StationPtr stationKeeping(const config::TVideoConfig& settings, const std::string& mac) {
    if (mac.empty()) return nullptr;
    for (int i = 0; i < settings.Count(); ++i) {
        auto station = settings.getConfigByNumber(i);
        if (station && station->moxaMac == mac) return station;
    }
    return nullptr;
}

std::size_t gatewaysOfName(const std::vector<FoundGateway>& found, const std::string& name) {
    std::vector<const std::string*> macs;
    for (const FoundGateway& gateway : found) {
        if (gateway.fromHere || !config::sameStationName(gateway.name, name)) continue;
        const bool counted =
            std::any_of(macs.begin(), macs.end(), [&](const std::string* m) { return *m == gateway.hardwareAddress; });
        if (!counted) macs.push_back(&gateway.hardwareAddress);
    }
    return macs.size();
}

config::TVideoConfig::StationPtr stationBehindGateway(const config::TVideoConfig& settings, const std::string& mac,
                                                      const std::string& name, std::size_t gatewaysOfName) {
    if (auto keeper = stationKeeping(settings, mac)) return keeper;
    if (gatewaysOfName > 1) return nullptr;
    auto named = settings.getConfigByName(name);
    return named && named->moxaMac.empty() ? named : nullptr;
}

config::TVideoConfig::StationPtr stationBehindGateway(const config::TVideoConfig& settings, const FoundGateway& gateway,
                                                      const std::vector<FoundGateway>& found) {
    if (gateway.fromHere) return nullptr;
    return stationBehindGateway(settings, gateway.hardwareAddress, gateway.name, gatewaysOfName(found, gateway.name));
}

void confirmGateways(const config::TVideoConfig& settings, const std::vector<FoundGateway>& found,
                     ConfirmedGateways& confirmed) {
    for (const FoundGateway& gateway : found) {
        if (!gateway.disputed() && !gateway.fromHere && stationKeeping(settings, gateway.hardwareAddress))
            confirmed[gateway.hardwareAddress] = gateway.address;
    }
}

GatewayCaller gatewayCaller(const config::TVideoConfig& settings, const std::string& sender,
                            const std::vector<FoundGateway>& found, const ConfirmedGateways& confirmed) {
    GatewayCaller caller;
    // One address may answer with several hardware addresses: the call is
    // of the one a station keeps (or claims to be), not of whichever came first.
    const FoundGateway* calling = nullptr;
    for (const FoundGateway& g : found) {
        if (g.address != sender || g.fromHere) continue;
        if (calling == nullptr) calling = &g;
        if (g.disputed() || stationBehindGateway(settings, g, found)) {
            calling = &g;
            break;
        }
    }
    if (calling == nullptr) return caller;
    const FoundGateway& gateway = *calling;
    caller.gateway = gateway;
    if (gateway.disputed()) {
        // Trusted by nobody: the call shows, and its door commands go, only
        // where the station's gateway answered before the dispute began.
        caller.doubt = GatewayCaller::Doubt::disputed;
        caller.concerned = stationBehindGateway(settings, gateway, found);
        if (!caller.concerned) return caller;
        const auto at = confirmed.find(gateway.hardwareAddress);
        caller.confirmedAt = at != confirmed.end() ? at->second : caller.concerned->moxaIP;
        if (!caller.confirmedAt.empty() && caller.confirmedAt == sender) {
            caller.station = caller.concerned;
            caller.doorAddress = sender;
        }
        return caller;
    }
    if (auto station = stationBehindGateway(settings, gateway, found)) {
        caller.doubt = GatewayCaller::Doubt::none;
        caller.station = std::move(station);
        caller.doorAddress = sender;
        return caller;
    }
    if (auto named = settings.getConfigByName(gateway.name)) {
        caller.concerned = named;
        caller.doubt = named->moxaMac.empty() ? GatewayCaller::Doubt::twoOfName : GatewayCaller::Doubt::anotherMac;
    }
    return caller;
}

}  // namespace oculon::devices
