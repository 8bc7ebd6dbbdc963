// What the simulated devices read from the workstation: request heads and
// their Basic credentials, multicast-DNS queries, search and door-opener
// telegrams. A test peer must not fall over on a malformed request either.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "../tools/sim/HttpPeer.h"
#include "../tools/sim/Telegrams.h"

using namespace oculon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (const auto request = sim::parseRequestHead(input)) {
        if (request->method.empty() || request->target.empty() || request->headers.size() > 100) __builtin_trap();
        if (request->path().size() > request->target.size()) __builtin_trap();
        sim::basicAuthorized(*request, "door", "secret");
        sim::basicAuthorized(*request, "", "");
    }
    sim::mdnsQueryAsks(input, "_axis-video._tcp.local");
    sim::isSearchTelegram(input);
    sim::isDoorOpenerFrame(input);
    return 0;
}
