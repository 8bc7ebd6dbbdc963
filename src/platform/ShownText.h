#pragma once
// Text from a device or a file made fit to show a person: cut to a length a
// message can hold, and every character that would act rather than show (line
// breaks, terminal escapes, direction marks and overrides, invisible joiners,
// fillers, selectors and tags, broken UTF-8) written as an escape, so what a
// host or a file says cannot change how a message reads.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace oculon::platform {

inline constexpr std::size_t kShownTextLimit = 300;

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Unicode 14.0's Default_Ignorable_Code_Point: what a renderer may draw as
// nothing. It holds every Bidi_Control character, so one set covers the marks
// that reorder text and those that only hide. The system's Perl lists it:
//   perl -e 'for (0 .. 0x10FFFF) { printf "%04X\n", $_ if chr($_) =~ /\p{Default_Ignorable_Code_Point}/ }'
// and runs of neighbours are joined into the ranges below.
inline constexpr CodePointRange kDefaultIgnorable[] = {
    {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},   {0x17B4, 0x17B5},   {0x180B, 0x180F},
    {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F},   {0x3164, 0x3164},   {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
};
// The lookup searches by halves.
static_assert(std::ranges::adjacent_find(kDefaultIgnorable, [](const CodePointRange& a, const CodePointRange& b) {
                  return a.first > a.last || a.last >= b.first;
              }) == std::end(kDefaultIgnorable));

// `text` (UTF-8) with control characters, line and paragraph separators and
// default-ignorable code points as "\xNN", "\uNNNN" or "\UNNNNNNNN" and bytes
// that are no UTF-8 as "\xNN"; past `limit` characters the rest is left out
// and "…" ends the text.
std::string shownText(std::string_view text, std::size_t limit = kShownTextLimit);

// True when `text` is well-formed UTF-8 throughout.
bool isUtf8(std::string_view text);

// `text` as it stands when it is UTF-8; otherwise read as Latin-1, the
// encoding names from older systems come in, and written as UTF-8, so a
// name keeps its letters where a UTF-8 reader would put U+FFFD.
std::string utf8OrLatin1(std::string_view text);

}  // namespace oculon::platform
