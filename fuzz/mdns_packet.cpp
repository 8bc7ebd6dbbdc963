// Multicast-DNS answers: every record the parser keeps must have a bounded
// name, and the data of typed records must be what the wire held.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/MDNSRecords.h"

using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto result = parseAnswer(bytes);
    if (!result) return 0;
    for (const auto& record : *result) {
        // 255 bytes of wire name hold at most 254 characters of text.
        if (record->Name.size() > 254) __builtin_trap();
        if (record->RData.size() != static_cast<std::size_t>(record->RDataLength)) __builtin_trap();
        if (auto* name = dynamic_cast<const TMNAMERecord*>(record.get()); name && name->HostName.size() > 254)
            __builtin_trap();
        if (auto* a = dynamic_cast<const TMARecord*>(record.get()); a && a->IPAddress.size() > 15) __builtin_trap();
    }
    return 0;
}
