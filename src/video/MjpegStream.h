#pragma once
// Reading a camera's MJPEG answer, the same way for the live decoder and for
// the probe: the connection whose reads are bounded by a read time-out and by
// a deadline for the next picture, the head of the answer with its boundary,
// and the body cut into steps by MultipartParser. Each caller writes its own
// request and words its own faults.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ByteReader.h"
#include "platform/Net.h"
#include "video/MultipartParser.h"

namespace oculon::platform {
class TcpClient;
}

namespace oculon::video {

// True when `text` can stand in a request line or header without adding
// lines or fields to the request.
bool safeInRequest(std::string_view text);

// What the head of a stream answer (the lines after the status line) says.
struct StreamHead {
    bool notMultipart = false;  // a Content-Type other than the stream's: reading stopped at it
    std::string boundary;       // with leading "--"; empty when none was named
    bool chunked = false;       // the body comes in chunks
};

// Reads header lines up to the empty one (stopping early at a Content-Type
// that is not a stream). Raises NetError subclasses, among them one for more
// than `maxLines` lines.
StreamHead readStreamHead(platform::BufferedReader& in, std::size_t maxLength, std::size_t maxLines);

// The body of a stream answer, in steps.
class MjpegBody {
public:
    MjpegBody(platform::BufferedReader& in, const StreamHead& head);
    ~MjpegBody();
    MjpegBody(const MjpegBody&) = delete;
    MjpegBody& operator=(const MjpegBody&) = delete;

    // The next step; Step::none once the data has ended. MultipartError when
    // the stream breaks a limit, NetError subclasses when a read fails.
    MultipartParser::Event next();
    const MultipartParser& parser() const { return parser_; }

private:
    std::unique_ptr<platform::ByteSource> source_;
    MultipartParser parser_;
};

// The TCP connection of one stream answer. A read waits at most the read
// time-out, and none goes on past the deadline: then TimeoutError.
class StreamConnection {
public:
    using Clock = std::chrono::steady_clock;

    StreamConnection(std::shared_ptr<platform::Interrupter> interrupter, platform::Millis readTimeout);
    ~StreamConnection();
    StreamConnection(const StreamConnection&) = delete;
    StreamConnection& operator=(const StreamConnection&) = delete;

    // Connects and sends `request` as it stands. NetError subclasses.
    void open(const std::string& host, std::uint16_t port, platform::Millis connectTimeout, std::string_view request);
    // From now on reads end at `deadline` at the latest; Clock::time_point::max() for none.
    void setDeadline(Clock::time_point deadline) { deadline_ = deadline; }
    // The answer from its status line on.
    platform::BufferedReader& reader() { return reader_; }

private:
    class Source : public platform::ByteSource {
    public:
        explicit Source(StreamConnection& owner) : owner_(owner) {}
        std::size_t readSome(char* destination, std::size_t capacity) override;

    private:
        StreamConnection& owner_;
    };

    std::unique_ptr<platform::TcpClient> tcp_;
    platform::Millis readTimeout_;
    Clock::time_point deadline_ = Clock::time_point::max();
    Source source_{*this};
    platform::BufferedReader reader_{source_};
};

}  // namespace oculon::video
