#pragma once
// The wall clock as the people at the door read it: this machine's time zone.

#include <ctime>

namespace oculon::platform {

// Now, broken down in the local time zone.
inline std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace oculon::platform
