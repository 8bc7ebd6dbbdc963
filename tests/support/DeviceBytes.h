#pragma once
// Device bytes made by hand for the device tests: telephone telegrams, the
// record a video server answers the search with, and DNS messages for the
// multicast-DNS tests. Header-only; a test that includes it links the
// devices module.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "devices/DiscoveryTelegrams.h"
#include "devices/TelegramText.h"

namespace oculon::testsupport {

// `size` bytes: sequence and code in hex, the text padded with blanks, and
// the additive checksum.
inline std::string telephoneTelegram(int sequence, int code, std::string_view text, std::size_t size = 32) {
    std::string t = devices::upperHex(static_cast<unsigned>(sequence), 2) + " " +
                    devices::upperHex(static_cast<unsigned>(code), 2) + " " + std::string(text);
    t.resize(size - 2, ' ');
    devices::appendAdditiveChecksum(t);
    return t;
}

// A video server's answer to the search.
inline devices::paket serverRecord(std::array<std::uint8_t, 4> address, std::uint16_t port,
                                   std::string_view name = "Tor", std::string_view prefix = "IPCam") {
    devices::paket p;
    p.setGeraet(prefix);
    p.setIpAddr(address);
    p.setName(name);
    p.setPort1(std::to_string(port));
    return p;
}

namespace mdns {

inline std::string be16(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
inline std::string be32(unsigned v) { return be16(v >> 16) + be16(v & 0xFFFF); }

inline std::string header(unsigned flags, unsigned qd, unsigned an, unsigned ns = 0, unsigned ar = 0) {
    return be16(0x1234) + be16(flags) + be16(qd) + be16(an) + be16(ns) + be16(ar);
}

inline std::string labels(std::initializer_list<std::string> parts) {
    std::string out;
    for (const auto& p : parts) out += static_cast<char>(p.size()) + p;
    return out + '\0';
}

inline std::string pointer(unsigned offset) { return be16(0xC000 | offset); }

inline std::string record(const std::string& name, unsigned type, const std::string& data, unsigned ttl = 120) {
    return name + be16(type) + be16(0x8001) + be32(ttl) + be16(static_cast<unsigned>(data.size())) + data;
}

// An Axis camera's answer: a PTR record naming "AXIS M1054" and the A record
// of `host`.local at `address`.
inline std::string axisAnswer(const std::string& host, const std::string& address) {
    return header(0x8400, 0, 2) +
           record(labels({"_axis-video", "_tcp", "local"}), 12, labels({"AXIS M1054"}).substr(0, 11) + pointer(12)) +
           record(labels({host, "local"}), 1, address);
}

}  // namespace mdns
}  // namespace oculon::testsupport
