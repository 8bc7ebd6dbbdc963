#include "settings/DeviceStations.h"

#include <algorithm>

namespace oculon::settings {

namespace {

std::string keyOf(const config::TSingleConfig& station) { return station.Ip + ":" + station.Port; }

}  // namespace

std::vector<ListedDevice> listedDevices(const std::vector<FoundDevice>& found) {
    std::vector<ListedDevice> listed;
    listed.reserve(found.size());
    for (const FoundDevice& device : found) listed.push_back({device.key, device.fields.FName});
    return listed;
}

StationChoice stationOfServer(const config::TVideoConfig& settings, const devices::ServerFields& server,
                              const std::vector<ListedDevice>& listed) {
    if (auto atAddress = settings.getConfigByIP(server.FIpAdresse + ":" + server.FPort)) return {atAddress};
    auto named = settings.getConfigByName(server.FName);
    if (!named) return {};
    const auto there = std::find_if(listed.begin(), listed.end(),
                                    [&](const ListedDevice& device) { return device.key == keyOf(*named); });
    if (there == listed.end()) return {named};
    // Its own device still answers where it was set up: this is another
    // device of the same name.
    if (there->name == named->Name) return {};
    return {named, true};
}

config::TVideoConfig::StationPtr knownStationOf(const config::TVideoConfig& settings,
                                                const devices::ServerFields& server,
                                                const std::vector<ListedDevice>& listed) {
    StationChoice choice = stationOfServer(settings, server, listed);
    return choice.ask ? nullptr : std::move(choice.station);
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

}  // namespace oculon::settings
