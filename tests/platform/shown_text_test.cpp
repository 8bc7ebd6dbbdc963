// Text from devices and files as a message shows it: characters that would
// act (line breaks, terminal escapes, direction overrides) and broken UTF-8
// written as escapes, long texts cut at a character, markup left as text.
#include "platform/ShownText.h"

#include <gtest/gtest.h>

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
