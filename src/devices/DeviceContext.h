#pragma once
// What device objects use of the rest of the program: the settings (for the
// configured station of a device), the reboot lock, the way to break off a
// running fetch, and where a camera's resolution suffix is stored.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/DeviceStations.h"

namespace oculon::config {
class TVideoConfig;
class TRebootSperre;
}  // namespace oculon::config

namespace oculon::devices {

class FetchCancel;

struct DeviceContext {
    config::TVideoConfig* settings = nullptr;     // none: no device is configured
    config::TRebootSperre* rebootLock = nullptr;  // none: fetches are never held back
    FetchCancel* cancel = nullptr;                // none: fetches run to their time-outs
    // Stores the resolution suffix into the station of that name (run-time
    // only). None: not stored.
    std::function<void(const std::string& name, const std::string& resString)> storeResString;
    // The video servers that answered the latest search round as the probe
    // began: which station a device is known as (devices/DeviceStations.h).
    // None listed: a station of the device's name is taken as moved to it.
    std::vector<ListedDevice> listed;
    // False while the list may still lack a device that answered the same
    // search (the first one after the start): only the station stored for
    // the device's own address and port under its name is its then.
    bool listedComplete = true;

    // The process's settings and reboot lock. The suffix is stored on the main
    // thread, and not at all once the calling thread is being terminated.
    static DeviceContext process();
};

}  // namespace oculon::devices
