#pragma once
// Which stored station belongs to a device. A video server is known by its
// address and port, a gateway by its hardware address; a name is a label
// that two devices may share. The name decides only for a station whose
// device moved (a new address from DHCP) or that was stored before the
// gateway's hardware address was kept with it.

#include <cstddef>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "devices/serverObjekt.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

// A video server of the discovery list: "address:port" and its name.
struct ListedDevice {
    std::string key;
    std::string name;
};

std::vector<ListedDevice> listedDevices(const std::vector<FoundDevice>& found);

struct StationChoice {
    config::TVideoConfig::StationPtr station;  // none: the device is a station of its own
    // The station carries the device's name, and another device answers at
    // its stored address: it may be this device's, moved, or another's. The
    // user says which.
    bool ask = false;
};

// The station of the video server `server`: the one stored for its address
// and port; else the one of its name, when nothing answers at that
// station's address (it moved) or something of another name does (ask).
StationChoice stationOfServer(const config::TVideoConfig& settings, const devices::ServerFields& server,
                              const std::vector<ListedDevice>& listed);

// The same without a question: none where the user would be asked.
config::TVideoConfig::StationPtr knownStationOf(const config::TVideoConfig& settings,
                                                const devices::ServerFields& server,
                                                const std::vector<ListedDevice>& listed);

// The station that keeps the gateway hardware address `mac`, if any.
config::TVideoConfig::StationPtr stationKeeping(const config::TVideoConfig& settings, const std::string& mac);

// The station behind the gateway of hardware address `mac`: the one that
// keeps it; for settings stored without it, the station of the gateway's
// name, while that name is no other gateway's too (`gatewaysOfName`: how
// many carry it) and the station keeps no hardware address of another.
config::TVideoConfig::StationPtr stationBehindGateway(const config::TVideoConfig& settings, const std::string& mac,
                                                      const std::string& name, std::size_t gatewaysOfName);

}  // namespace oculon::settings
