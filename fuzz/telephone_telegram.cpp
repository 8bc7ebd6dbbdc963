// Telephone telegrams of port 8112: the event they make and the reply rules
// of the configuration client.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/TelefonTelegram.h"

using namespace oculon::devices;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto t = parseTelefonTelegram(bytes);
    if (!t) return 0;
    if (auto event = makeTelefonEvent(*t, "10.0.0.1")) (void)event->nummer();
    (void)readReplyValue(*t, "0A000001");
    (void)writeStepConfirmed(*t, "0A000001", 'd', "0100");
    (void)resetConfirmed(*t, buildLsrEmReset("0A000001", 0, "FFFF"));
    (void)ipv4Hex(t->text);
    return 0;
}
