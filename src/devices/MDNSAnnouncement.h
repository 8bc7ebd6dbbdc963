#pragma once
// What one multicast-DNS answer says about a camera: the type prefix of the
// device record to build, the host name, its address, and (for the maker's
// own cameras) the stream path and width reduction it announces.

#include <optional>
#include <string>
#include <string_view>

#include "devices/MDNSRecords.h"

namespace oculon::devices {

// The TXT key under which Mobotix cameras announce their full name.
inline constexpr std::string_view kMobotixFullNameKey = "com.mobotix.fullname";

struct MDNSAnnouncement {
    std::string prefix;    // "MOBOT", "AXIS_", "KORVA", "HIKVI" or "MIRAB"
    std::string hostName;  // owner name of the first A record up to its first dot
    std::string address;   // of that A record
    std::string path;      // "mjpg=" of a "_korvat-video._tcp.local" TXT record
    int reduction = 0;     // "width_reduction=" of the same
};

// Nullopt when the answer names no camera type or holds no A record.
std::optional<MDNSAnnouncement> readAnnouncement(const TMQueryResult& answer);

}  // namespace oculon::devices
