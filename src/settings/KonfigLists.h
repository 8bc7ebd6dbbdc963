#pragma once
// The two device lists of the settings dialog, rebuilt from the discovery
// list when a probe result arrives: the maker's video servers (video-server
// page) and every found device (camera list). Probe results come every few
// seconds per device, so rebuilds are throttled to one per 5 seconds; a
// result that falls into the pause is not lost but rebuilt when it ends.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

struct DeviceItem {
    std::string key;      // address ":" port
    std::string caption;  // key, a line break ("\r\n"), the name [, a line break, the common name]
    std::shared_ptr<const video::Image> picture;
};

struct DeviceLists {
    std::vector<DeviceItem> servers;  // type 0 only
    std::vector<DeviceItem> cameras;  // every device
    int serverSelection = -1;         // the item of the key selected before, or -1
    int cameraSelection = -1;
    bool hasServer = false;  // a type-0 server was found
    bool hasIPCam = false;   // a device of another type was found
};

// Every found device is listed, also one probed while the dialog was closed
// and so without a picture yet (the next probe brings one: waiting for it
// would hide a camera for up to a quarter of a minute after the dialog
// opens). Each list re-selects the device that was selected before the
// rebuild, by its key: a device that took a new name stays selected.
DeviceLists buildDeviceLists(const std::vector<FoundDevice>& found, const config::TVideoConfig& settings,
                             const std::string& serverKey, const std::string& cameraKey);

// The key of a list item: its caption up to the first line break.
std::string keyOfCaption(const std::string& caption);
// Its second line: the device's name.
std::string namePartOfCaption(const std::string& caption);

// At most one rebuild per kInterval milliseconds.
class RebuildThrottle {
public:
    static constexpr std::uint32_t kInterval = 5000;

    explicit RebuildThrottle(TickClock clock) : clock_(std::move(clock)) {}
    // The next request may rebuild at once (the dialog is shown).
    void reset() { last_.reset(); }
    // 0: rebuild now (the time is noted). Otherwise the milliseconds until a
    // rebuild may run; the caller rebuilds then.
    std::uint32_t request();

private:
    TickClock clock_;
    std::optional<std::uint32_t> last_;
};

}  // namespace oculon::settings
