#pragma once
// Lines of the relay-server link: each is Base64 of
// "<SOT>" kind ";" address ";" payload "<EOT>", one telegram that the relay
// server received from a device on its own network.

#include <optional>
#include <string>
#include <string_view>

namespace oculon::devices {

// Which read handler a relayed telegram belongs to.
enum class RelayKind { CAM, IDP, STA, T46, MOB, AXI, KOR, HIK };

struct RelayTelegram {
    RelayKind kind = RelayKind::CAM;
    std::string address;  // the device, dotted IPv4
    std::string payload;  // the telegram's own bytes
};

// nullopt for a line that is not Base64 of the framed form, whose kind is not
// one we handle or whose address is not a dotted IPv4 address.
std::optional<RelayTelegram> parseRelayLine(std::string_view line);

// The line a relay server sends for a telegram (without the line end).
std::string buildRelayLine(std::string_view kind, std::string_view address, std::string_view payload);

}  // namespace oculon::devices
