// Lines of the relay-server link.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/RelayFraming.h"

using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    if (const auto t = parseRelayLine(line)) {
        // What we parse, we build back to a line that parses the same.
        const char* kinds[] = {"CAM", "IDP", "STA", "T46", "MOB", "AXI", "KOR", "HIK"};
        const auto again = parseRelayLine(buildRelayLine(kinds[static_cast<int>(t->kind)], t->address, t->payload));
        if (!again || again->payload.size() > t->payload.size()) __builtin_trap();
    }
    return 0;
}
