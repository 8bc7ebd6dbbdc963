// Cutting a camera's multipart stream: boundaries as cameras write them, parts
// with and without length, what a length protects, and the limits that keep a
// hostile stream from taking memory.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "video/MultipartParser.h"

using namespace oculon::video;

namespace {

// Feeds `stream` in slices of `slice` bytes and lists the steps:
// "pre", "L:<line>", "P:<picture bytes>", "skip".
std::vector<std::string> cut(const std::string& boundary, const std::string& stream, std::size_t slice) {
    MultipartParser parser(boundary);
    std::vector<std::string> steps;
    for (std::size_t at = 0; at < stream.size(); at += slice) {
        parser.append(std::string_view(stream).substr(at, slice));
        while (const auto e = parser.next()) {
            switch (e.step) {
                case MultipartParser::Step::preamble: steps.push_back("pre"); break;
                case MultipartParser::Step::line: steps.push_back("L:" + std::string(e.line)); break;
                case MultipartParser::Step::picture:
                    steps.push_back("P:" + std::string(reinterpret_cast<const char*>(e.data.data()), e.data.size()));
                    break;
                case MultipartParser::Step::skipped: steps.push_back("skip"); break;
                case MultipartParser::Step::none: break;
            }
        }
    }
    return steps;
}

std::vector<std::string> pictures(const std::vector<std::string>& steps) {
    std::vector<std::string> out;
    for (const auto& s : steps)
        if (s.starts_with("P:")) out.push_back(s.substr(2));
    return out;
}

}  // namespace

TEST(StreamContentType, BoundaryAsCamerasWriteIt) {
    struct Case {
        const char* line;
        bool multipart;
        const char* boundary;
    };
    const Case cases[] = {
        {"Content-Type: multipart/x-mixed-replace;boundary=myboundary", true, "--myboundary"},
        {"Content-Type: multipart/x-mixed-replace; boundary=\"quoted\"", true, "--quoted"},
        {"content-type: multipart/x-mixed-replace;boundary=--dashed", true, "--dashed"},
        {"Content-Type: multipart/x-mixed-replace;boundary=\"--dashed\"", true, "--dashed"},
        {"Content-Type: multipart/x-mixed-replace;charset=x; boundary=named", true, "--named"},
        {"Content-Type: multipart/x-mixed-replace;bare", true, "--bare"},
        {"Content-Type: multipart/x-mixed-replace;boundary=b; foo=bar", true, "--b"},
        {"Content-Type: multipart/x-mixed-replace;", true, ""},
        // No parameter at all, another type, another case: not a stream.
        {"Content-Type: multipart/x-mixed-replace", false, ""},
        {"Content-Type: multipart/mixed;boundary=x", false, "--x"},
        {"Content-Type: Multipart/X-Mixed-Replace;boundary=x", false, "--x"},
        {"Content-Type:multipart/x-mixed-replace;boundary=x", false, ""},
    };
    for (const auto& c : cases) {
        const StreamContentType t = parseStreamContentType(c.line);
        EXPECT_EQ(t.multipart, c.multipart) << c.line;
        if (c.multipart) {
            EXPECT_EQ(t.boundary, c.boundary) << c.line;
        }
    }
}

TEST(StreamStatus, OnlyTheExactOkPlays) {
    using enum StreamStatus;
    // clang-format off
    const std::pair<const char*, StreamStatus> lines[] = {
        {"HTTP/1.1 200 OK", ok}, {"HTTP/1.0 200 OK", ok}, {"HTTP/1.1 200 Ok", other}, {"HTTP/1.1 200 OK ", other},
        {"HTTP/1.1 401 Unauthorized", unauthorized}, {"HTTP/1.0 401 Authorization Required", unauthorized},
        {"HTTP/1.1 509 ", tooMany}, {"HTTP/1.1 509", tooMany}, {"HTTP/1.1 5090 x", other}, {"HTTP/2 401 x", other},
        {"", other}};
    // clang-format on
    for (const auto& [line, status] : lines) EXPECT_EQ(classifyStatusLine(line), status) << line;
}

TEST(MultipartParser, CutsPartsWithAndWithoutLengthInAnySlicing) {
    const std::string stream =
        "preamble junk --b\r\n"
        "Content-Type: image/jpeg\r\n"
        "Content-Length: 5\r\n"
        "\r\n"
        "ABCDE\r\n"
        "--b\r\n"
        "content-type: image/jpeg\r\n"
        "\r\n"
        "no length\r\n"
        "--b\r\n"
        "Content-Type: image/jpeg\r\n"
        "Content-Length: 3\r\n"
        "\r\n"
        "xyz";
    // clang-format off
    const std::vector<std::string> expected = {
        "pre", "L:", "L:Content-Type: image/jpeg", "L:Content-Length: 5", "P:ABCDE",
        "L:", "L:--b", "L:content-type: image/jpeg", "P:no length",
        "L:", "L:Content-Type: image/jpeg", "L:Content-Length: 3", "P:xyz"};
    // clang-format on
    for (const std::size_t slice : {1u, 2u, 3u, 7u, 1000u}) EXPECT_EQ(cut("--b", stream, slice), expected) << slice;
}

TEST(MultipartParser, ALengthIsTrustedOverBoundariesInsideThePicture) {
    const std::string picture = "\xFF\xD8 data\r\n--b\r\nContent-Type: image/jpeg\r\n\r\nmore \xFF\xD9";
    const std::string stream = "--b\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(picture.size()) +
                               "\r\n\r\n" + picture + "\r\n--b\r\n";
    EXPECT_EQ(pictures(cut("--b", stream, 5)), std::vector<std::string>{picture});

    // A part of another type with a length is passed over whole, whatever it holds.
    const std::string text = "\r\n--b\r\nContent-Type: image/jpeg\r\n\r\nfake\r\n--b";
    const std::string other = "--b\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(text.size()) +
                              "\r\n\r\n" + text +
                              "\r\n--b\r\nContent-Type: image/jpeg\r\nContent-Length: 4\r\n\r\nreal";
    const auto steps = cut("--b", other, 3);
    EXPECT_EQ(pictures(steps), std::vector<std::string>{"real"});
    EXPECT_EQ(std::count(steps.begin(), steps.end(), "skip"), 1);
}

TEST(MultipartParser, ABoundaryInsideAPartWithoutLengthCountsWhereTheNextHeaderConfirmsIt) {
    // Inside the first picture the boundary text is followed by more text on
    // its line, by a line that is no header, by a line beginning with a colon.
    const std::string first = "A--bB\r\n--b\r\n\x01x\r\n--b  \r\n:no\r\nend";
    const std::string stream = "--b\r\nContent-Type: image/jpeg\r\n\r\n" + first +
                               "\r\n--b\r\nContent-Type: image/jpeg\r\n\r\nsecond\r\n--b--\r\n";
    for (const std::size_t slice : {1u, 3u, 1000u})
        EXPECT_EQ(pictures(cut("--b", stream, slice)), (std::vector<std::string>{first, "second"})) << slice;
}

TEST(MultipartParser, HeaderValuesAsCamerasSendThem) {
    // Trailing characters after the digits are cut off; an unreadable value
    // keeps the last; "image/JPEG" is not a picture.
    const std::string stream =
        "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 4 \r\nContent-Length: x\r\n\r\nabcd"
        "\r\n--b\r\nContent-Type: image/JPEG\r\n\r\n1234\r\n"
        "--b\r\nContent-Type: image/jpeg; q=1\r\nContent-length: 2abc\r\n\r\nok";
    const auto steps = cut("--b", stream, 4);
    EXPECT_EQ(pictures(steps), (std::vector<std::string>{"abcd", "ok"}));
    EXPECT_NE(std::find(steps.begin(), steps.end(), "L:1234"), steps.end());
}

TEST(MultipartParser, ALengthDoesNotCarryOverToTheNextPart) {
    // The first part's header has a length but is not a picture; the next
    // part has none and must be read up to the boundary, not by that length.
    const std::string stream =
        "--b\r\nContent-Type: text/plain\r\nContent-Length: 100\r\n"
        "--b\r\nContent-Type: image/jpeg\r\n\r\nshort\r\n--b\r\nContent-Type: image/jpeg\r\n";
    EXPECT_EQ(pictures(cut("--b", stream, 1)), std::vector<std::string>{"short"});
}

TEST(MultipartParser, LimitsHoldBeforeMemoryIsTaken) {
    const auto throwsOn = [](const std::string& boundary, const std::string& stream) {
        MultipartParser parser(boundary);
        try {
            for (std::size_t at = 0; at < stream.size(); at += 65536) {
                parser.append(std::string_view(stream).substr(at, 65536));
                while (parser.next()) {}
            }
        } catch (const MultipartError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(throwsOn("--b", "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 99999999999\r\n"));
    EXPECT_TRUE(throwsOn("--b", "--b\r\nContent-Length: 123456789012345678901234567890\r\n"));
    EXPECT_TRUE(throwsOn("--b", "--b\r\n" + std::string(MultipartParser::kMaxLineLength + 2, 'x')));
    EXPECT_TRUE(throwsOn("--b", std::string(MultipartParser::kMaxLineLength + 10, 'x')));
    EXPECT_TRUE(throwsOn(
        "--b", "--b\r\nContent-Type: image/jpeg\r\n\r\n" + std::string(MultipartParser::kMaxUnlengthedPart + 10, 'x')));
    EXPECT_TRUE(throwsOn("", "Content-Type: image/jpeg\r\n\r\nno end"));
    // Lines between two bodies are capped, blank ones too.
    const auto lines = [](int n, const std::string& line) {
        std::string s;
        for (int i = 0; i < n; ++i) s += line;
        return s;
    };
    EXPECT_TRUE(throwsOn("--b", "--b\r\n" + lines(100, "X-Filler: 1\r\n")));
    EXPECT_TRUE(throwsOn("--b", "--b\r\n" + lines(200, "\r\n")));
    EXPECT_TRUE(throwsOn("--b", "--b\r\n" + lines(120, "--b\r\n")));
    EXPECT_FALSE(throwsOn("--b", "--b\r\n" + lines(99, "X-Filler: 1\r\n")));

    // At the limits themselves it still plays.
    EXPECT_FALSE(throwsOn("--b", "--b\r\n" + std::string(MultipartParser::kMaxLineLength, 'x') + "\r\n"));
    MultipartParser parser("--b");
    parser.append("--b\r\nContent-Type: image/jpeg\r\nContent-Length: 16777216\r\n\r\n");
    while (parser.next()) {}
    EXPECT_EQ(parser.need(), MultipartParser::Need::body);
    EXPECT_EQ(parser.readHint(), 16777216u);
}
