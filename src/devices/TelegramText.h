#pragma once
// Text pieces shared by the device telegrams: two-digit hexadecimal fields
// and the additive checksum (sum of the bytes modulo 256) that the state,
// telephone and configuration telegrams end with.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oculon::devices {

// Two hexadecimal digits (either case) as a byte; nullopt for anything else.
std::optional<std::uint8_t> hexByte(char high, char low);
std::optional<std::uint8_t> hexByte(std::string_view twoDigits);

// A value as upper-case hexadecimal digits, at least `digits` of them.
std::string upperHex(unsigned value, int digits);

// Sum of the bytes modulo 256.
std::uint8_t additiveSum(std::string_view bytes);

// Appends the checksum of everything before it as two upper-case digits.
void appendAdditiveChecksum(std::string& telegram);

// True when the last two bytes are the hexadecimal sum of all bytes before
// them (digits in either case).
bool additiveChecksumValid(std::string_view telegram);

// Devices pad their text fields with blanks; these drop blanks and control
// characters at the end, or everywhere.
std::string trimRightBlanks(std::string_view text);
std::string withoutBlanks(std::string_view text);

}  // namespace oculon::devices
