// Messages of the gateway protocol, as the library reads replies and the
// simulated gateway reads requests: whatever decodes must encode again and
// decode to the same values.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/neci/NeciProtocol.h"

using namespace oculon::neci;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto request = decodeRequest(bytes)) {
        const auto again = encode(*request);
        if (!again) __builtin_trap();
        const auto back = decodeRequest(*again);
        if (!back || back->password != request->password || back->text != request->text ||
            back->value != request->value || back->mac != request->mac)
            __builtin_trap();
    }
    if (const auto reply = decodeReply(bytes)) {
        const auto again = encode(*reply);
        if (!again) __builtin_trap();
        const auto back = decodeReply(*again);
        if (!back || back->settings.name != reply->settings.name || back->status != reply->status ||
            back->settings.ip != reply->settings.ip)
            __builtin_trap();
    }
    return 0;
}
