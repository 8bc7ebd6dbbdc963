#pragma once
// The frames of the command channel: 0x1F commands to video servers and
// gateways (port 4002) with their XOR check byte, the gateway call 0x04 id
// 0x05, and the "LSREM" door-opener frame to door telephones (port 8113).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace oculon::app {

inline constexpr char kCommandStart = 0x1F;
inline constexpr char kGatewayCallStart = 0x04;
inline constexpr char kGatewayCallEnd = 0x05;
// Longer datagrams on port 4001 are cut to this many bytes.
inline constexpr std::size_t kMaxCommandFrame = 254;

// 0x1F, the command letter with its data, and the XOR of all bytes before.
std::string commandFrame(std::string_view letterAndData);

// The last byte is the XOR of all bytes before it (an empty datagram is not).
bool commandChecksumValid(std::string_view frame);

// What a frame heard on port 4001 says.
struct ReceivedCommand {
    enum Kind { inputState, gatewayCall, other } kind = other;
    bool inputOn = false;  // inputState: the state byte is "2"
    std::string callId;    // gatewayCall: empty when the call ends
};
// A frame whose check byte holds.
ReceivedCommand classifyCommand(std::string_view frame);

// "LSREM", the own address as 8 upper-case hex digits, the sequence as two,
// the payload, and the additive checksum. An address that is no IPv4 dotted
// quad is sent as "00000000".
std::string partnerFrame(const std::string& ownAddress, int sequence, std::string_view payload);

}  // namespace oculon::app
