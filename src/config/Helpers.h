#pragma once
// Small routines the whole program uses: the password hash, percent-encoding
// of URL parts, the XOR checksum of device strings, date-time conversion and
// the splitting of delimited id lists.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oculon::config {

// MD5 of the bytes, as 32 lower-case hexadecimal digits.
std::string Hash(std::string_view text);

// True for the bytes copied unchanged by EncodeURIComponent: 0-9, A-Z, a-z and
// ! ' ( ) * - . _ ~
bool IsSafeChar(unsigned char c);
// Every other byte becomes %XX with upper-case digits; a blank becomes %20.
std::string EncodeURIComponent(std::string_view text);

// XOR of all bytes; 0 for an empty text.
std::uint8_t checksum(std::string_view text);

// A date-time as days since 1899-12-30 (time of day as the fraction) to
// milliseconds since 1970-01-01, rounded to the nearest (ties to even). No
// time-zone conversion: a local time gives local milliseconds.
std::int64_t DateTimeToUnix(double value);

// Splits a list the way the settings' id list has always been read: entries
// end at the delimiter or at any blank or control character, unless they
// stand in double quotes ("" inside quotes is one quote); a trailing
// delimiter adds an empty entry; an empty text gives no entries.
std::vector<std::string> splitDelimitedText(std::string_view text, char delimiter);
// The text that splitDelimitedText reads back as `entries`: an entry with a
// blank, control character, quote or the delimiter stands in quotes.
std::string joinDelimitedText(const std::vector<std::string>& entries, char delimiter);

}  // namespace oculon::config
