// Datagrams heard on the command port: cut, checked and classified as the
// listener does it. The gateway id never takes the check byte and never
// outgrows the datagram.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/CommandFrames.h"

using namespace oculon::app;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view frame(reinterpret_cast<const char*>(data), size);
    if (frame.size() > kMaxCommandFrame) frame = frame.substr(0, kMaxCommandFrame);
    if (!commandChecksumValid(frame)) return 0;
    const ReceivedCommand command = classifyCommand(frame);
    if (command.kind == ReceivedCommand::gatewayCall) {
        if (command.callId.size() + 2 > frame.size()) __builtin_trap();
        if (command.callId.find(kGatewayCallEnd) != std::string::npos) __builtin_trap();
    }
    if (command.kind != ReceivedCommand::gatewayCall && !command.callId.empty()) __builtin_trap();
    return 0;
}
