// Text from devices and files as a message shows it: characters that would
// act (line breaks, terminal escapes, direction overrides) and broken UTF-8
// written as escapes, long texts cut at a character, markup left as text.
#include "platform/ShownText.h"

#include <gtest/gtest.h>

#include <string>

using oculon::platform::shownText;

TEST(ShownText, ControlAndDirectionCharactersAndBrokenUtf8BecomeEscapes) {
    EXPECT_EQ(shownText("HTTP/1.1 500 <h1>Down</h1> <a href=\"http://x.example/\">fix</a>"),
              "HTTP/1.1 500 <h1>Down</h1> <a href=\"http://x.example/\">fix</a>");
    EXPECT_EQ(shownText("a\r\nb\tc\x1b[2Jd\x7f"), "a\\x0D\\x0Ab\\x09c\\x1B[2Jd\\x7F");
    EXPECT_EQ(shownText("T\xC3\xBCr \xE2\x80\xAEgpj.exe"),
              "T\xC3\xBCr \\u202Egpj.exe");                          // "Tür", right-to-left override
    EXPECT_EQ(shownText("\xC2\x85 \xE2\x80\xA8"), "\\x85 \\u2028");  // C1 NEL, line separator
    // A stray continuation byte, a cut sequence, an overlong "/", a surrogate.
    EXPECT_EQ(shownText("\x80|\xE2\x82|\xC0\xAF|\xED\xA0\x80"), "\\x80|\\xE2\\x82|\\xC0\\xAF|\\xED\\xA0\\x80");
    EXPECT_EQ(shownText(std::string("a\0b", 3)), "a\\x00b");
    // Every printable character of one byte stays as it is.
    for (int c = 0x20; c < 0x7F; ++c) EXPECT_EQ(shownText(std::string(1, static_cast<char>(c))), std::string(1, c));
}

TEST(ShownText, EveryDirectionMarkAndInvisibleCharacterBecomesAnEscape) {
    // The Arabic letter mark reorders the numbers of a status line: shown as
    // it is, "Door (1) 2 3 [4]" would read "Door [4] 3 2 (1)".
    EXPECT_EQ(shownText("Door \u061C(1) \u061C2 3 \u061C[4]"), "Door \\u061C(1) \\u061C2 3 \\u061C[4]");
    // Every Bidi_Control character, the invisible joiners and word joiners,
    // the byte-order mark, tags from the first to the last.
    for (const char* acting : {"\u061C", "\u200B", "\u200C", "\u200D", "\u200E", "\u200F", "\u202A", "\u202E", "\u2060",
                               "\u2064", "\u2066", "\u2069", "\uFEFF", "\U000E0000", "\U000E0041", "\U000E007F"}) {
        const std::string shown = shownText(acting);
        EXPECT_TRUE(shown.rfind("\\u", 0) == 0 || shown.rfind("\\U000E00", 0) == 0) << shown;
    }
    // Their neighbours show as they are: an Arabic comma and digit, dashes,
    // a presentation form, a variation selector.
    for (const char* shown : {"\u060C", "\u0660", "\u2010", "\u2027", "\u2070", "\uFEFC", "\U000E0100"})
        EXPECT_EQ(shownText(shown), shown);
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
