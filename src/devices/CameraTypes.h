#pragma once
// What each camera type (`TVideoServerType`) needs: its stream and snapshot
// paths, and the administrator password it leaves the factory with.

#include <cstdint>
#include <string>

#include "config/sprachen.h"

namespace oculon::devices {

using config::TVideoServerType;

// Local date and time as milliseconds since 1970, without time-zone
// conversion (the value type 6 takes as its stream's app id).
std::int64_t localUnixMillisNow();

// The stream path of a type. Type 6 appends `nowMillis`, type 8 the
// URL-encoded password; type 9 has none of its own (empty).
std::string streamPath(TVideoServerType type, const std::string& password, std::int64_t nowMillis);
// The stream path without any appended key (type 8 gets the key later).
std::string baseStreamPath(TVideoServerType type);
// The single-picture path; empty for type 9.
std::string snapshotPath(TVideoServerType type);

// The factory-default administrator password, for a device found on the
// network or for a manually added camera.
std::string defaultAdminPass(TVideoServerType type, bool manualEntry);

// Types whose picture comes as a snapshot rather than as a stream frame.
inline bool fetchesSnapshot(TVideoServerType type) {
    return type == config::KorvatCamQuorix || type == config::HikVision;
}

}  // namespace oculon::devices
