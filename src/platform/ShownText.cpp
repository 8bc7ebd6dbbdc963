#include "platform/ShownText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

namespace oculon::platform {

namespace {

// The code point at `at` and its length in bytes; length 0 when the bytes
// there are no well-formed UTF-8 (overlong forms and surrogates included).
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t point = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, point = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, point = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, point = lead & 0x07, smallest = 0x10000;
    } else {
        return {0, 0};
    }
    if (at + length > text.size()) return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return {0, 0};
        point = (point << 6) | (byte(i) & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return {0, 0};
    return {point, length};
}

bool defaultIgnorable(char32_t c) {
    const auto* after =
        std::upper_bound(std::begin(kDefaultIgnorable), std::end(kDefaultIgnorable), c,
                         [](char32_t point, const CodePointRange& range) { return point < range.first; });
    return after != std::begin(kDefaultIgnorable) && c <= after[-1].last;
}

// Characters that act on the text around them instead of showing: controls,
// line and paragraph separators, and the default-ignorable ones (direction
// marks, embeddings, overrides and isolates among them).
bool acts(char32_t c) {
    // ASCII and most of Latin-1 are settled without the search.
    if (c < 0xAD) return c < 0x20 || (c >= 0x7F && c < 0xA0);
    return c == 0x2028 || c == 0x2029 || defaultIgnorable(c);
}

std::string escaped(char32_t c) {
    char text[12];
    const char* form = c < 0x100 ? "\\x%02X" : c < 0x10000 ? "\\u%04X" : "\\U%08X";
    std::snprintf(text, sizeof text, form, static_cast<unsigned>(c));
    return text;
}

}  // namespace

bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = decodeUtf8(text, at).second;
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string utf8OrLatin1(std::string_view text) {
    if (isUtf8(text)) return std::string(text);
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

std::string shownText(std::string_view text, std::size_t limit) {
    std::string shown;
    shown.reserve(std::min(text.size(), limit * 4));
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        if (characters == limit) {
            shown += "\u2026";
            break;
        }
        const auto [point, length] = decodeUtf8(text, at);
        if (length == 0) {
            shown += escaped(static_cast<std::uint8_t>(text[at]));
            ++at;
            continue;
        }
        if (acts(point)) shown += escaped(point);
        else shown.append(text.substr(at, length));
        at += length;
    }
    return shown;
}

}  // namespace oculon::platform
