#pragma once
// The 16-byte identifiers that name stream types and their interfaces, with
// a compile-time parser for the braced registry text, so a type is declared
// as `constexpr TGUID kFloat = PNGuid("{67F6997B-...}")`.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace oculon::pins {

struct TGUID {
    std::uint32_t D1 = 0;
    std::uint16_t D2 = 0;
    std::uint16_t D3 = 0;
    std::array<std::uint8_t, 8> D4{};

    constexpr bool isNull() const { return *this == TGUID{}; }
    friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
};

inline constexpr TGUID GUID_NULL{};

namespace detail {
constexpr unsigned hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    throw "not a hexadecimal digit";  // a compile error where used in constant evaluation
}
constexpr std::uint32_t hexField(std::string_view s, std::size_t at, std::size_t digits) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < digits; ++i) v = v << 4 | hexDigit(s[at + i]);
    return v;
}
}  // namespace detail

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; anything else fails to compile.
consteval TGUID PNGuid(std::string_view s) {
    if (s.size() != 38 || s[0] != '{' || s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-' || s[37] != '}')
        throw "GUID text must read {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    TGUID g;
    g.D1 = detail::hexField(s, 1, 8);
    g.D2 = static_cast<std::uint16_t>(detail::hexField(s, 10, 4));
    g.D3 = static_cast<std::uint16_t>(detail::hexField(s, 15, 4));
    g.D4[0] = static_cast<std::uint8_t>(detail::hexField(s, 20, 2));
    g.D4[1] = static_cast<std::uint8_t>(detail::hexField(s, 22, 2));
    for (std::size_t i = 0; i < 6; ++i) g.D4[2 + i] = static_cast<std::uint8_t>(detail::hexField(s, 25 + 2 * i, 2));
    return g;
}

// The registry form of an identifier, upper-case: {6D054E38-F733-4212-8D5A-0E866802F866}.
std::string PNGetStreamGUIDFromID(const TGUID& id);

}  // namespace oculon::pins
