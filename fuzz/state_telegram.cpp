// State telegrams of port 5000.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/DiscoveryTelegrams.h"

using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto t = parseStateTelegram(bytes)) {
        if (t->sequence < 0 || t->sequence > 255 || t->kind.size() != 2) __builtin_trap();
    }
    return 0;
}
