#include "devices/DeviceStations.h"

#include <algorithm>

#include "devices/serverObjekt.h"

namespace oculon::devices {

namespace {

std::string keyOf(const config::TSingleConfig& station) { return station.Ip + ":" + station.Port; }

}  // namespace

StationChoice stationOfServer(const config::TVideoConfig& settings, const std::string& address, const std::string& port,
                              const std::string& name, const std::vector<ListedDevice>& listed) {
    if (auto atAddress = settings.getConfigByIP(address + ":" + port)) return {atAddress};
    auto named = settings.getConfigByName(name);
    if (!named) return {};
    const auto there = std::find_if(listed.begin(), listed.end(),
                                    [&](const ListedDevice& device) { return device.key == keyOf(*named); });
    if (there == listed.end()) return {named};
    // Its own device still answers where it was set up: this is another
    // device of the same name.
    if (config::sameStationName(there->name, named->Name)) return {};
    return {named, true};
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

config::TVideoConfig::StationPtr stationKeeping(const config::TVideoConfig& settings, const std::string& mac) {
    if (mac.empty()) return nullptr;
    for (int i = 0; i < settings.Count(); ++i) {
        auto station = settings.getConfigByNumber(i);
        if (station && station->moxaMac == mac) return station;
    }
    return nullptr;
}

config::TVideoConfig::StationPtr stationBehindGateway(const config::TVideoConfig& settings, const std::string& mac,
                                                      const std::string& name, std::size_t gatewaysOfName) {
    if (auto keeper = stationKeeping(settings, mac)) return keeper;
    if (gatewaysOfName > 1) return nullptr;
    auto named = settings.getConfigByName(name);
    return named && named->moxaMac.empty() ? named : nullptr;
}

}  // namespace oculon::devices
