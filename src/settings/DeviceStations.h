#pragma once
// The settings dialog's road to the rules of which stored station belongs
// to a device (devices/DeviceStations.h), from the discovery list it copies.

#include <vector>

#include "devices/DeviceStations.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

using devices::knownStationOf;
using devices::ListedDevice;
using devices::stationBehindGateway;
using devices::StationChoice;
using devices::stationKeeping;
using devices::stationOfServer;

std::vector<ListedDevice> listedDevices(const std::vector<FoundDevice>& found);

}  // namespace oculon::settings
