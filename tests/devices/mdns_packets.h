#pragma once
// Builders for hand-made DNS messages in the multicast-DNS tests.

#include <initializer_list>
#include <string>

namespace oculon::testsupport::mdns {

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

}  // namespace oculon::testsupport::mdns
