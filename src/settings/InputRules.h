#pragma once
// What the settings dialog accepts from its edits: device addresses and
// ports, and the video-server name that the device keeps in its 18-byte
// record (no blanks, no umlauts).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oculon::settings {

// Exactly four dot-separated parts of one to three decimal digits, each 0..255.
bool isValidIP(std::string_view text);

// A port of 1..65535 written in decimal digits only; nullopt otherwise.
std::optional<std::uint16_t> parsePort(std::string_view text);

inline constexpr std::size_t kServerNameLength = 18;

struct EditedText {
    std::u32string text;
    int caret = 0;
};

// The name edit's rewrite on every change: " " to "_" and the German
// umlauts and sharp s spelled out, cut to kServerNameLength characters. The
// caret keeps its distance from the end of the text.
EditedText rewriteServerName(std::u32string text, int caret);

}  // namespace oculon::settings
