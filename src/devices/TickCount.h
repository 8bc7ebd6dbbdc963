#pragma once
// Milliseconds of a monotonic clock in 32 bits, the time stamp that device
// entries carry for aging. Differences are taken modulo 2^32.

#include <chrono>
#include <cstdint>

namespace oculon::devices {

inline std::uint32_t tickCount() {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace oculon::devices
