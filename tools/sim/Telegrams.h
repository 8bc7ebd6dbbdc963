#pragma once
// The bytes the simulated devices send, written out from the device side
// (not with the program's own builders, so that a test of these against the
// program's parsers checks both): the device record of a video server, the
// telephone telegrams, the input events of a camera's monitor stream and the
// multicast-DNS answer of a camera. Header-only.

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Net.h"

namespace oculon::sim {

// --- Device search ----------------------------------------------------------

inline constexpr std::uint16_t kSearchPorts[] = {4000, 4005};
inline constexpr std::uint16_t kCommandPort = 4002;      // commands to the device
inline constexpr std::uint16_t kCommandEchoPort = 4001;  // where echoes go
inline constexpr std::uint16_t kTelephoneEventPort = 8112;
inline constexpr std::uint16_t kTelephoneCommandPort = 8113;

// The workstation's search: 63 bytes beginning with "PCEdit".
inline bool isSearchTelegram(std::string_view data) { return data.size() == 63 && data.substr(0, 6) == "PCEdit"; }

inline std::array<std::uint8_t, 4> octets(const std::string& dotted) {
    std::array<std::uint8_t, 4> out{};
    if (const auto a = platform::parseIpv4(dotted)) {
        const std::uint32_t host = ntohl(a->s_addr);
        out = {static_cast<std::uint8_t>(host >> 24), static_cast<std::uint8_t>(host >> 16),
               static_cast<std::uint8_t>(host >> 8), static_cast<std::uint8_t>(host)};
    }
    return out;
}

// The 62-byte answer of a video server: type prefix, "complete" 0, its
// address, mask and gateway, name (at most 18 characters) and HTTP port as
// ASCII digits.
inline std::string deviceRecord(std::string_view prefix, std::string_view name, const std::string& address,
                                const std::string& netmask, std::uint16_t httpPort) {
    std::string r(62, '\0');
    r.replace(0, std::min<std::size_t>(prefix.size(), 5), prefix.substr(0, 5));
    r[5] = 0;                 // vollst: an answer to the search
    r.replace(6, 4, "eth0");  // interface characters
    const auto ip = octets(address);
    const auto mask = octets(netmask);
    for (int i = 0; i < 4; ++i) {
        r[10 + i] = static_cast<char>(ip[i]);
        r[20 + i] = static_cast<char>(mask[i]);
    }
    r.replace(25, 2, "gw");
    r.replace(32, std::min<std::size_t>(name.size(), 18), name.substr(0, 18));
    const std::string port = std::to_string(httpPort);
    r.replace(50, port.size(), port);
    r.replace(55, 2, "80");  // second port, unused by the workstation
    r[60] = 0;               // fixed address, no DHCP
    return r;
}

// --- Telephone telegrams ----------------------------------------------------

// Codes a telephone sends to port 8112.
inline constexpr int kTelCall = 0x01;   // a call is connected; text: the called number
inline constexpr int kTelIdle = 0x02;   // the call ended
inline constexpr int kTelVideo = 0x5D;  // video only; text: the number
inline constexpr int kTelAck = 0x1E;    // acknowledge; text: the telegram acknowledged
inline constexpr int kTelName = 0x14;   // text: the telephone's name
inline constexpr int kTelType = 0x0A;   // text: "V" or "R" (generation)

inline std::string hex2(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// Additive checksum: the sum of the bytes modulo 256 as two hex digits.
inline std::string additiveChecksum(std::string_view data) {
    unsigned sum = 0;
    for (const char c : data) sum += static_cast<unsigned char>(c);
    return hex2(sum);
}

// A telegram of `size` bytes (32 or 36): sequence, code, the text padded with
// blanks (or cut) to fill bytes 6 to size-3, and the checksum.
inline std::string telefonTelegram(int sequence, int code, std::string_view text, std::size_t size = 32) {
    std::string t = hex2(static_cast<unsigned>(sequence)) + " " + hex2(static_cast<unsigned>(code)) + " ";
    std::string body(text.substr(0, size - 8));
    body.resize(size - 8, ' ');
    t += body;
    return t + additiveChecksum(t);
}

// The acknowledge of a telegram the workstation sent to port 8113: its text
// is the received telegram, in the smallest telegram that holds it whole.
inline std::string telefonAck(int sequence, std::string_view received) {
    return telefonTelegram(sequence, kTelAck, received, received.size() <= 24 ? 32 : 36);
}

// The workstation's door-opener frame: "LSREM" + 8 hex digits of its address
// + 2 of sequence + payload + 2 of checksum, the checksum holding.
inline bool isDoorOpenerFrame(std::string_view frame) {
    if (frame.size() < 17 || frame.substr(0, 5) != "LSREM") return false;
    const std::string_view body = frame.substr(0, frame.size() - 2);
    std::string given(frame.substr(frame.size() - 2));
    std::transform(given.begin(), given.end(), given.begin(), [](unsigned char c) { return std::toupper(c); });
    return additiveChecksum(body) == given;
}

// --- Camera input monitor ---------------------------------------------------

// One input event in the monitor stream of a type-4 camera: a text part whose
// line is "1I:H" (input 1 high) or "1I:L".
inline std::string axisInputPart(std::string_view boundary, bool high) {
    const std::string token = high ? "1I:H" : "1I:L";
    return "--" + std::string(boundary) +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(token.size()) + "\r\n\r\n" + token +
           "\r\n";
}

// --- Multicast DNS ----------------------------------------------------------

inline constexpr std::uint16_t kMdnsPort = 5353;
inline constexpr const char* kMdnsGroup = "224.0.0.251";

inline void putName(std::string& out, std::string_view dotted) {
    while (!dotted.empty()) {
        const auto dot = dotted.find('.');
        const std::string_view label = dotted.substr(0, std::min<std::size_t>(dot, 63));
        out += static_cast<char>(label.size());
        out += label;
        dotted.remove_prefix(dot == std::string_view::npos ? dotted.size() : dot + 1);
    }
    out += '\0';
}
inline void put16(std::string& out, unsigned v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}
inline void put32(std::string& out, std::uint32_t v) {
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}

// True when `datagram` is a query (flags 0) with a PTR (or ANY) question for
// `service`, such as "_axis-video._tcp.local". Names in questions are read
// without compression, bounded by the datagram.
inline bool mdnsQueryAsks(std::string_view datagram, std::string_view service) {
    if (datagram.size() < 12) return false;
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(datagram[at])) << 8 |
               static_cast<unsigned char>(datagram[at + 1]);
    };
    if (u16(2) & 0x8000) return false;  // an answer, not a query
    const unsigned questions = std::min(u16(4), 16u);
    std::size_t p = 12;
    for (unsigned q = 0; q < questions; ++q) {
        std::string name;
        for (;;) {
            if (p >= datagram.size()) return false;
            const auto length = static_cast<unsigned char>(datagram[p++]);
            if (length == 0) break;
            if (length > 63 || p + length > datagram.size()) return false;
            if (!name.empty()) name += '.';
            name.append(datagram.substr(p, length));
            p += length;
        }
        if (p + 4 > datagram.size()) return false;
        const unsigned type = u16(p);
        p += 4;
        const bool same =
            name.size() == service.size() && std::equal(name.begin(), name.end(), service.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            });
        if (same && (type == 12 || type == 255)) return true;
    }
    return false;
}

// The answer of a camera: a PTR record "<instance>.<service>" for the
// service, and an A record "<host>.local" with its address, as additional
// record. No question section.
inline std::string mdnsAnswer(std::string_view service, std::string_view instance, std::string_view host,
                              const std::string& address) {
    std::string out;
    put16(out, 0);       // id
    put16(out, 0x8400);  // response, authoritative
    put16(out, 0);       // questions
    put16(out, 1);       // answers
    put16(out, 0);       // authority
    put16(out, 1);       // additional
    const std::size_t serviceAt = out.size();
    putName(out, service);
    put16(out, 12);  // PTR
    put16(out, 1);   // IN
    put32(out, 120);
    std::string data;
    data += static_cast<char>(std::min<std::size_t>(instance.size(), 63));
    data += instance.substr(0, 63);
    data += static_cast<char>(0xC0 | (serviceAt >> 8));
    data += static_cast<char>(serviceAt & 0xFF);
    put16(out, static_cast<unsigned>(data.size()));
    out += data;
    putName(out, std::string(host) + ".local");
    put16(out, 1);       // A
    put16(out, 0x8001);  // IN, cache flush
    put32(out, 120);
    put16(out, 4);
    for (const auto o : octets(address)) out += static_cast<char>(o);
    return out;
}

}  // namespace oculon::sim
