// Reading HTTP answers and bounded lines from memory: framing, limits and
// malformed input, without sockets.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/Base64.h"
#include "platform/ByteReader.h"
#include "platform/HttpResponseParser.h"

using namespace oculon::platform;

namespace {

// Hands out at most `step` bytes per read, so every parser path sees
// terminators split across reads.
class TrickleSource : public ByteSource {
public:
    TrickleSource(std::string data, std::size_t step) : data_(std::move(data)), step_(step) {}
    std::size_t readSome(char* destination, std::size_t capacity) override {
        const std::size_t n = std::min({capacity, step_, data_.size() - pos_});
        std::memcpy(destination, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    std::string data_;
    std::size_t step_;
    std::size_t pos_ = 0;
};

struct Parsed {
    HttpResponseHead head;
    std::string body;
};

Parsed parse(const std::string& wire, std::size_t step = 1, HttpLimits limits = {}, std::string method = "GET") {
    TrickleSource source(wire, step);
    BufferedReader in(source);
    Parsed p;
    p.head = readResponseHead(in, limits);
    p.body = readBody(in, bodyLayout(p.head, method), limits);
    return p;
}

}  // namespace

TEST(BufferedReader, LinesAndDelimitersSplitAcrossReads) {
    TrickleSource source("first\r\nsecond\nthird--BOUNDARYrest", 1);
    BufferedReader in(source);
    EXPECT_EQ(in.readLn(100), "first");  // CR before LF dropped
    EXPECT_EQ(in.readLn(100), "second");
    EXPECT_EQ(in.readUntil("--BOUNDARY", 100), "third");
    EXPECT_EQ(in.readExact(4), "rest");
    EXPECT_TRUE(in.atEnd());
    EXPECT_THROW(in.readLn(10), ConnectionClosedError);
}

TEST(BufferedReader, OverLongLineIsAnErrorAtTheExactBound) {
    for (const auto& [text, fits] : {std::pair{"12345\n", true}, {"12345\r\n", true}, {"123456\n", false}}) {
        MemorySource source(text);
        BufferedReader in(source);
        if (fits) {
            EXPECT_EQ(in.readLn(5), "12345");
        } else {
            EXPECT_THROW(in.readLn(5), LineTooLongError);
        }
    }
    // Never-ending data without a terminator stops at the bound, not at memory.
    const std::string endless(1 << 20, 'x');
    MemorySource source(endless);
    BufferedReader in(source);
    EXPECT_THROW(in.readUntil("--b", 1000), LineTooLongError);
    EXPECT_LT(in.buffered(), 64u * 1024);
    MemorySource shortSource("short");
    BufferedReader shortIn(shortSource);
    EXPECT_THROW(shortIn.readExact(std::size_t(1) << 40), ConnectionClosedError);
}

TEST(Base64, KnownValuesRoundTripAndRejects) {
    EXPECT_EQ(base64Encode("u:p"), "dTpw");
    EXPECT_EQ(base64Encode("root:pass"), "cm9vdDpwYXNz");
    EXPECT_EQ(base64Encode("a"), "YQ==");
    EXPECT_EQ(base64Encode("ab"), "YWI=");
    EXPECT_EQ(base64Encode(""), "");
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(base64Decode(base64Encode(all)), all);
    EXPECT_EQ(base64Decode("YQ"), "a");  // padding left out
    EXPECT_EQ(base64Decode("YWI="), "ab");
    for (const char* bad : {"Y", "YQ=a", "Y===", "YR==" /* stray low bits */, "dTpw\n", "dT!w"})
        EXPECT_FALSE(base64Decode(bad)) << bad;
}

TEST(HttpResponseParser, StatusLineHeadersAndLengthBody) {
    const auto p =
        parse("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\nX-Long: a\r\n  b\r\ncontent-length: 5\r\n\r\nhelloEXTRA");
    EXPECT_EQ(p.head.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(p.head.version, "HTTP/1.0");
    EXPECT_EQ(p.head.status, 200);
    EXPECT_EQ(p.head.reason, "OK");
    EXPECT_EQ(p.head.headers.get("CONTENT-TYPE"), "image/jpeg");
    EXPECT_EQ(p.head.headers.get("x-long"), "a b");  // folded line joined
    EXPECT_EQ(p.body, "hello");
}

TEST(HttpResponseParser, InterimAnswersSkippedAndReasonMayBeMissing) {
    const auto p = parse("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204\r\nX: y\r\n\r\n");
    EXPECT_EQ(p.head.status, 204);
    EXPECT_EQ(p.head.reason, "");
    EXPECT_EQ(p.body, "");
}

TEST(HttpResponseParser, ChunkedBodyWithExtensionsAndTrailers) {
    const auto p = parse(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5;name=x\r\nhello\r\n1A\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\nTrailer: 1\r\n\r\n");
    EXPECT_EQ(p.body, "helloabcdefghijklmnopqrstuvwxyz");
}

TEST(HttpResponseParser, BodyUntilCloseAndNoBodyForHead) {
    EXPECT_EQ(parse("HTTP/1.0 200 OK\r\n\r\nall of it").body, "all of it");
    EXPECT_EQ(parse("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", 1, {}, "HEAD").body, "");
}

TEST(HttpResponseParser, MalformedAnswersAreProtocolErrors) {
    const char* bad[] = {
        "SIP/2.0 200 OK\r\n\r\n",
        "HTTP/1.1 2x0 OK\r\n\r\n",
        "HTTP/1.1 200OK\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello!",
        "HTTP/1.1 200 OK\r\nContent-Length: 12345678901234567890123\r\n\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1234567890ABCDEF0\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcX\r\n0\r\n\r\n",
    };
    for (const char* wire : bad) EXPECT_THROW(parse(wire), HttpProtocolError) << wire;
}

TEST(HttpResponseParser, EveryAnnouncedSizeIsBoundedBeforeAllocation) {
    HttpLimits limits;
    limits.maxLineLength = 64;
    limits.maxHeaderCount = 3;
    limits.maxBodyLength = 100;
    EXPECT_THROW(parse("HTTP/1.1 200 OK\r\nX: " + std::string(100, 'a') + "\r\n\r\n", 7, limits), HttpProtocolError);
    EXPECT_THROW(parse("HTTP/1.1 200 OK\r\nA: 1\r\nB: 2\r\nC: 3\r\nD: 4\r\n\r\n", 7, limits), HttpProtocolError);
    // A length far beyond the limit fails before a byte of body is read.
    EXPECT_THROW(parse("HTTP/1.1 200 OK\r\nContent-Length: 999999999999\r\n\r\n", 7, limits), HttpProtocolError);
    // Chunks that add up beyond the limit, and a body without length that does.
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i) chunked += "a\r\n0123456789\r\n";
    EXPECT_THROW(parse(chunked + "0\r\n\r\n", 7, limits), HttpProtocolError);
    EXPECT_THROW(parse("HTTP/1.0 200 OK\r\n\r\n" + std::string(101, 'x'), 7, limits), HttpProtocolError);
    EXPECT_EQ(parse("HTTP/1.0 200 OK\r\n\r\n" + std::string(100, 'x'), 7, limits).body.size(), 100u);
}

TEST(HttpResponseParser, BodyCutShortIsAClosedConnection) {
    EXPECT_THROW(parse("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf"), ConnectionClosedError);
    EXPECT_THROW(parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nhalf"), ConnectionClosedError);
}
