#pragma once
// The UDP protocol between the gateway library and the gateways: a search
// broadcast, and per-device requests (read settings, check a password, set
// one value, save and restart) each answered by one reply. Fixed-size
// little-endian messages; anything that does not match a layout exactly is
// rejected.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oculon::neci {

inline constexpr std::uint16_t kPort = 48010;
inline constexpr std::size_t kNameField = 40;      // zero-terminated inside
inline constexpr std::size_t kPasswordField = 32;  // zero-terminated inside
inline constexpr std::uint8_t kReplyBit = 0x80;

using Mac = std::array<std::uint8_t, 6>;

enum class Op : std::uint8_t { search = 1, get = 2, login = 3, set = 4, saveAndRestart = 5 };
enum class Field : std::uint8_t { ip = 1, netmask = 2, gateway = 3, ipConfig = 4, name = 5, password = 6 };
enum class Status : std::uint8_t { refused = 0, ok = 1, badValue = 2 };

// Everything a gateway reports about itself.
struct Settings {
    std::uint32_t apid = 256;
    std::uint16_t hwid = 0;
    std::uint16_t ifid = 1;
    std::string name;
    bool dhcp = false;
    std::uint32_t ip = 0;  // first octet in the lowest byte
    std::uint32_t netmask = 0;
    std::uint32_t gateway = 0;
    std::uint32_t firmware = 0;
    std::uint32_t bios = 0;
    std::uint32_t serial = 0;
    bool hasPassword = false;
};

struct Request {
    Op op = Op::search;
    std::uint16_t sequence = 0;
    Mac mac{};                // not in a search
    std::string password;     // login, set, saveAndRestart
    Field field = Field::ip;  // set
    std::uint16_t ifid = 0;   // set
    std::uint32_t value = 0;  // set: address, mask, gateway or mode
    std::string text;         // set: name or password
};

struct Reply {
    Op op = Op::search;  // of the request it answers
    std::uint16_t sequence = 0;
    Mac mac{};
    Status status = Status::ok;  // login, set, saveAndRestart
    Settings settings;           // search (identity fields only) and get
};

// Nullopt when a text does not fit its field.
std::optional<std::string> encode(const Request& request);
std::optional<std::string> encode(const Reply& reply);
std::optional<Request> decodeRequest(std::string_view datagram);
std::optional<Reply> decodeReply(std::string_view datagram);

}  // namespace oculon::neci
