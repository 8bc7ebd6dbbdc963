// Device records of the search answers and the "IPREPLY" text answers.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/DiscoveryTelegrams.h"

using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto record = paket::fromBytes(bytes)) {
        (void)getType(*record);
        (void)record->name();
        (void)record->port1();
        (void)record->port1NonZero();
        (void)record->ipAddr();
        (void)record->subnet();
        (void)record->stdgat();
    }
    if (const auto reply = parseIpReply(bytes)) {
        if (reply->name().size() > 18 || reply->port1().size() > 5) __builtin_trap();
    }
    const paket named = namedRecord(bytes.substr(0, 5), bytes);
    if (named.name().size() > 17) __builtin_trap();
    return 0;
}
