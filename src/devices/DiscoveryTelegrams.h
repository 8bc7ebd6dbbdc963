#pragma once
// The UDP telegrams of the device search: the search broadcast and text
// query we send, the 62-byte device record `paket` that video servers answer
// with (and that we build ourselves for devices found other ways), the
// "IPREPLY" text answer of port 9999 and the state telegram of port 5000.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/sprachen.h"

namespace oculon::devices {

using config::TVideoServerType;

// 63 bytes, broadcast to ports 4000 and 4005.
std::string searchTelegram();
// "IPQUERY,0" without a terminating zero, broadcast to port 10000.
std::string textQuery();

// The device record, packed, byte order as it arrives.
class paket {
public:
    static constexpr std::size_t kSize = 62;
    // Field offsets and sizes.
    static constexpr std::size_t kGeraet = 0, kGeraetLen = 5;
    static constexpr std::size_t kVollst = 5;
    static constexpr std::size_t kIpAddr = 10;
    static constexpr std::size_t kSubnet = 20;
    static constexpr std::size_t kStdgat = 27;
    static constexpr std::size_t kName = 32, kNameLen = 18;
    static constexpr std::size_t kPort1 = 50, kPortLen = 5;
    static constexpr std::size_t kDhcp = 60;

    paket() { bytes_.fill(0); }
    // A record from the wire: 61 or 62 bytes (a missing last byte reads as
    // zero); nullopt for any other size.
    static std::optional<paket> fromBytes(std::string_view data);

    std::string_view bytes() const { return {reinterpret_cast<const char*>(bytes_.data()), kSize}; }

    // The type prefix: the characters of `geraet` up to the first zero byte.
    std::string geraet() const;
    std::uint8_t vollst() const { return bytes_[kVollst]; }
    std::string ipAddr() const { return dotted(kIpAddr); }
    std::string subnet() const { return dotted(kSubnet); }
    std::string stdgat() const { return dotted(kStdgat); }
    // The name up to its first zero byte, at most 18 characters.
    std::string name() const;
    // `port1` up to its first zero byte.
    std::string port1() const;
    // Every non-zero character of `port1`.
    std::string port1NonZero() const;
    bool dhcp() const { return bytes_[kDhcp] != 0; }

    // Builders for the records we make ourselves. Texts longer than the
    // field are cut; a shorter one is followed by zero bytes.
    void setGeraet(std::string_view prefix);
    void setName(std::string_view name, std::size_t maxChars = kNameLen);
    void setPort1(std::string_view port);
    void setVollst(std::uint8_t v) { bytes_[kVollst] = v; }
    void setIpAddr(const std::array<std::uint8_t, 4>& octets);

private:
    std::string dotted(std::size_t offset) const;
    std::string text(std::size_t offset, std::size_t size) const;
    void setText(std::size_t offset, std::size_t size, std::string_view value);

    std::array<std::uint8_t, kSize> bytes_;
};

TVideoServerType getType(const paket& record);
// The record prefix of a type, empty for the types no record names.
std::string_view typePrefix(TVideoServerType type);

// A record for a device whose name came by multicast DNS or over the relay:
// the prefix and the first 17 characters of the name (up to a zero byte).
paket namedRecord(std::string_view prefix, std::string_view name);

// The pieces of `text` between the separators, in order.
std::vector<std::string> splitstring(std::string_view text, char separator);

// "IPREPLY" answer of port 9999, turned into a record of prefix "T4615" with
// the device name and its HTTP port. nullopt for anything that is not such
// an answer with all the fields we read.
std::optional<paket> parseIpReply(std::string_view data);

// State telegram of port 5000 with a valid checksum.
struct StateTelegram {
    int sequence = 0;
    std::string kind;           // "A1" and "A2" are input states
    bool input1Active = false;  // "0" means active
    bool input2Active = false;
    bool isInputState() const { return kind == "A1" || kind == "A2"; }
};
inline constexpr std::size_t kStateTelegramSize = 32;
std::optional<StateTelegram> parseStateTelegram(std::string_view data);

}  // namespace oculon::devices
