// Text from devices and files made fit for a message: whatever comes in, what
// comes out is well-formed UTF-8 without a character that acts on the text
// around it, and no longer than the limit allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ShownText.h"

using namespace oculon::platform;

namespace {

// What must never reach a message as it is: controls, line and paragraph
// separators, and every default-ignorable code point (the Bidi_Control
// characters among them); a plain scan, apart from the escaping's search.
bool acting(char32_t c) {
    if (c <= 0x1F || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return true;
    for (const CodePointRange& range : kDefaultIgnorable)
        if (c >= range.first && c <= range.last) return true;
    return false;
}

// The code points of well-formed UTF-8, one after the other; aborts on
// anything else.
template <typename Visit>
void eachCodePoint(const std::string& text, Visit&& visit) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (at + length > text.size()) std::abort();
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) point = point << 6 | (static_cast<std::uint8_t>(text[at + i]) & 0x3F);
        visit(point);
        at += length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t limit = size > 0 ? data[0] % 40 : 0;
    const std::string shown = shownText(input, limit);
    // At most `limit` characters of up to 10 bytes each ("\U000E0041"), and the ellipsis.
    if (shown.size() > limit * 10 + 3) std::abort();
    // A second pass finds nothing left to escape or cut: the text is
    // well-formed and its characters show as they are.
    if (shownText(shown, shown.size()) != shown) std::abort();
    eachCodePoint(shown, [](char32_t c) {
        if (acting(c)) std::abort();
    });
    return 0;
}
