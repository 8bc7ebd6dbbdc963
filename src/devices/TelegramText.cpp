#include "devices/TelegramText.h"

namespace oculon::devices {

namespace {

std::optional<unsigned> hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return std::nullopt;
}

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::optional<std::uint8_t> hexByte(char high, char low) {
    const auto h = hexDigit(high);
    const auto l = hexDigit(low);
    if (!h || !l) return std::nullopt;
    return static_cast<std::uint8_t>(*h * 16 + *l);
}

std::optional<std::uint8_t> hexByte(std::string_view twoDigits) {
    if (twoDigits.size() != 2) return std::nullopt;
    return hexByte(twoDigits[0], twoDigits[1]);
}

std::string upperHex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
    return out;
}

std::uint8_t additiveSum(std::string_view bytes) {
    unsigned sum = 0;
    for (const char c : bytes) sum += static_cast<unsigned char>(c);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void appendAdditiveChecksum(std::string& telegram) { telegram += upperHex(additiveSum(telegram), 2); }

bool additiveChecksumValid(std::string_view telegram) {
    if (telegram.size() < 2) return false;
    const auto stated = hexByte(telegram.substr(telegram.size() - 2));
    return stated && *stated == additiveSum(telegram.substr(0, telegram.size() - 2));
}

std::string trimRightBlanks(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string withoutBlanks(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (!isBlank(c)) out += c;
    return out;
}

}  // namespace oculon::devices
