#pragma once
// Unsigned numbers stored least significant byte first, as the wave, AVI,
// bitmap and recording formats keep them, whatever the machine's own order.

#include <cstdint>
#include <vector>

namespace oculon::platform {

// The `bytes` bytes at `p` as one number; `bytes` is at most sizeof(T).
template <typename T = std::uint32_t>
constexpr T readLittle(const std::uint8_t* p, int bytes) {
    T value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = static_cast<T>(value << 8 | p[i]);
    return value;
}

// Appends the `bytes` low bytes of `value`.
inline void appendLittle(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace oculon::platform
