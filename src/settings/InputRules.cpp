#include "settings/InputRules.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace oculon::settings {

namespace {

// Up to `maxDigits` decimal digits and nothing else, as a number.
std::optional<unsigned> decimal(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    unsigned value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

bool isValidIP(std::string_view text) {
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.');
        if ((dot == std::string_view::npos) != (part == 3)) return false;
        const auto value = decimal(text.substr(0, dot), 3);
        if (!value || *value > 255) return false;
        text.remove_prefix(part == 3 ? text.size() : dot + 1);
    }
    return true;
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
    const auto value = decimal(text, 5);
    if (!value || *value < 1 || *value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

EditedText rewriteServerName(std::u32string text, int caret) {
    static const std::array<std::pair<char32_t, std::u32string_view>, 8> kSpelledOut = {{
        {U' ', U"_"},
        {U'ä', U"ae"},
        {U'ö', U"oe"},
        {U'ü', U"ue"},
        {U'Ä', U"Ae"},
        {U'Ö', U"Oe"},
        {U'Ü', U"Ue"},
        {U'ß', U"ss"},
    }};
    const int oldLength = static_cast<int>(text.size());
    for (const auto& [from, to] : kSpelledOut) {
        for (std::size_t at = text.find(from); at != std::u32string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, 1, to);
        }
    }
    caret += static_cast<int>(text.size()) - oldLength;
    if (text.size() > kServerNameLength) text.resize(kServerNameLength);
    caret = std::clamp(caret, 0, static_cast<int>(text.size()));
    return {std::move(text), caret};
}

}  // namespace oculon::settings
