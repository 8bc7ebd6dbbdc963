// Text from devices and files as a message shows it: characters that would
// act (line breaks, terminal escapes, direction overrides) written as
// escapes, bytes that are no UTF-8 read as Latin-1, long texts cut at a
// character, markup left as text.
#include "platform/ShownText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using oculon::platform::shownText;

TEST(ShownText, ControlAndDirectionCharactersBecomeEscapesAndOtherBytesLatin1) {
    EXPECT_EQ(shownText("HTTP/1.1 500 <h1>Down</h1> <a href=\"http://x.example/\">fix</a>"),
              "HTTP/1.1 500 <h1>Down</h1> <a href=\"http://x.example/\">fix</a>");
    EXPECT_EQ(shownText("a\r\nb\tc\x1b[2Jd\x7f"), "a\\x0D\\x0Ab\\x09c\\x1B[2Jd\\x7F");
    EXPECT_EQ(shownText("T\xC3\xBCr \xE2\x80\xAEgpj.exe"),
              "T\xC3\xBCr \\u202Egpj.exe");                          // "Tür", right-to-left override
    EXPECT_EQ(shownText("\xC2\x85 \xE2\x80\xA8"), "\\x85 \\u2028");  // C1 NEL, line separator
    // A stray continuation byte, a cut sequence, an overlong "/", a
    // surrogate: Latin-1 letters and C1 controls, none of them acting.
    EXPECT_EQ(shownText("\x80|\xE2\x82|\xC0\xAF|\xED\xA0\x80"), "\\x80|\u00E2\\x82|\u00C0\u00AF|\u00ED\u00A0\\x80");
    // A name in Latin-1 bytes, also beside UTF-8 the program put after it;
    // its soft hyphen and C1 controls (a terminal's CSI) still act.
    EXPECT_EQ(shownText("Haust\xFCr - Aper\xC3\xA7u"), "Haust\u00FCr - Aper\u00E7u");
    EXPECT_EQ(shownText("T\xF6r\xAD\x9B"
                        "2J\x85"),
              "T\u00F6r\\xAD\\x9B"
              "2J\\x85");
    EXPECT_EQ(shownText(std::string("a\0b", 3)), "a\\x00b");
    // Every printable character of one byte stays as it is.
    for (int c = 0x20; c < 0x7F; ++c) EXPECT_EQ(shownText(std::string(1, static_cast<char>(c))), std::string(1, c));
}

TEST(ShownText, EveryDirectionMarkAndInvisibleCharacterBecomesAnEscape) {
    // The Arabic letter mark reorders the numbers of a status line: shown as
    // it is, "Door (1) 2 3 [4]" would read "Door [4] 3 2 (1)".
    EXPECT_EQ(shownText("Door \u061C(1) \u061C2 3 \u061C[4]"), "Door \\u061C(1) \\u061C2 3 \\u061C[4]");
    // A soft hyphen, an emoji's variation selector and a plane-14 selector
    // hide a word's true letters; each escape takes the width of its code point.
    EXPECT_EQ(shownText("pay\u00ADpal\uFE0F\U000E0100"), "pay\\xADpal\\uFE0F\\U000E0100");
    // Every Bidi_Control character, the invisible joiners, fillers and
    // selectors, the byte-order mark, tags from the first to the last.
    for (const char* acting :
         {"\u034F",     "\u061C",     "\u115F",     "\u17B4",     "\u180E",     "\u180F",    "\u200B", "\u200E",
          "\u200F",     "\u202A",     "\u202E",     "\u2060",     "\u2065",     "\u2066",    "\u2069", "\u206A",
          "\u206F",     "\u3164",     "\uFE00",     "\uFEFF",     "\uFFA0",     "\uFFF0",    "\uFFF8", "\U0001BCA0",
          "\U0001D173", "\U0001D17A", "\U000E0000", "\U000E0041", "\U000E007F", "\U000E0FFF"})
        EXPECT_EQ(shownText(acting).front(), '\\') << shownText(acting);
    // Their neighbours show as they are: a not-sign, an Arabic comma and
    // digit, dashes, a presentation form, musical symbols, plane 14's end.
    for (const char* shown : {"\u00AC", "\u00AE", "\u034E", "\u060C", "\u0660", "\u180A", "\u2010", "\u2027", "\u2070",
                              "\uFE10", "\uFEFC", "\uFFF9", "\U0001D172", "\U0001D17B", "\U000E1000"})
        EXPECT_EQ(shownText(shown), shown);
}

// Every code point against Unicode's own list of the default-ignorable ones,
// as the system's Perl (part of every Debian system) knows it: exactly those,
// the controls and the line and paragraph separators become escapes.
TEST(ShownText, EscapesExactlyTheDefaultIgnorableCodePointsBesideControlsAndSeparators) {
    std::unique_ptr<FILE, int (*)(FILE*)> perl(
        ::popen("perl -e 'for (0 .. 0x10FFFF) { printf \"%04X\\n\", $_ if chr($_) =~ "
                "/\\p{Default_Ignorable_Code_Point}/ }' 2>/dev/null",
                "r"),
        ::pclose);
    std::vector<bool> ignorable(0x110000);
    unsigned point = 0;
    std::size_t listed = 0;
    while (perl && std::fscanf(perl.get(), "%X", &point) == 1 && point < ignorable.size())
        ignorable[point] = true, ++listed;
    if (perl == nullptr || ::pclose(perl.release()) != 0 || listed == 0) GTEST_SKIP() << "no perl to list them";

    const auto utf8 = [](char32_t c) {
        if (c < 0x80) return std::string(1, static_cast<char>(c));
        const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        std::string bytes(1, static_cast<char>((0xFF00 >> (tail + 1)) | (c >> (6 * tail))));
        for (int i = tail - 1; i >= 0; --i) bytes += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
        return bytes;
    };
    int wrong = 0;
    for (char32_t c = 0; c < 0x110000 && wrong < 10; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const bool acts = c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029 || ignorable[c];
        const std::string text = utf8(c);
        const std::string shown = shownText(text, 1);
        if ((shown != text) != acts) ++wrong, ADD_FAILURE() << std::hex << "U+" << unsigned(c) << " shown as " << shown;
    }
}

TEST(ShownText, LongTextIsCutAtACharacterWithAnEllipsis) {
    EXPECT_EQ(shownText(std::string(300, 'x')), std::string(300, 'x'));
    EXPECT_EQ(shownText(std::string(301, 'x')), std::string(300, 'x') + "\u2026");
    std::string umlauts;
    for (int i = 0; i < 400; ++i) umlauts += "\xC3\xA4";
    const std::string cut = shownText(umlauts);
    EXPECT_EQ(cut, umlauts.substr(0, 600) + "\u2026");  // 300 characters, never half of one
    EXPECT_EQ(shownText("\x01\x02\x03", 2), "\\x01\\x02\u2026");
    EXPECT_EQ(shownText(std::string(10 << 20, '<')).size(), 300u + 3);
}
