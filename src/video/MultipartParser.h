#pragma once
// Cuts the body of a "multipart/x-mixed-replace" camera answer into its
// header lines and pictures. A pure parser: the caller reads the socket into
// the space the parser offers (no copy on the way), then asks for the next
// complete step. Every length from the stream is bounded before memory is
// taken for it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace oculon::video {

// The stream breaks a limit or cannot be cut (a part without length and no
// boundary to find its end).
class MultipartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MultipartParser {
public:
    // A header line or a boundary line, without its LF.
    static constexpr std::size_t kMaxLineLength = 512000;
    // A part without Content-Length is read up to the boundary, at most this much.
    static constexpr std::size_t kMaxUnlengthedPart = 512000;
    // No camera picture comes near this; a larger Content-Length is refused
    // before anything is allocated for it.
    static constexpr std::int64_t kMaxContentLength = 16LL << 20;
    // Lines between two bodies (boundary, header and empty lines): a part
    // needs a handful, a stream that sends nothing but lines is no camera.
    static constexpr std::size_t kMaxPartLines = 100;
    // How far past a boundary inside a part without length the parser looks
    // for the line end and the next header name that confirm it.
    static constexpr std::size_t kConfirmLookahead = 256;

    // What the bytes still to come will complete.
    enum class Need {
        preamble,        // everything up to the first boundary, dropped
        line,            // a header line
        body,            // a part of known length
        bodyToBoundary,  // a part without length, ended by the boundary
    };

    enum class Step {
        none,      // more bytes are needed
        preamble,  // the first boundary has gone by
        line,      // one line read (a header, a boundary line, an empty line)
        picture,   // an "image/jpeg" part: its bytes
        skipped,   // a part of another type with a length, dropped unread
    };

    struct Event {
        Step step = Step::none;
        std::string_view line;               // Step::line: CRs removed
        std::span<const std::uint8_t> data;  // Step::picture: valid until the next prepare()
        explicit operator bool() const { return step != Step::none; }
    };

    // `boundary` as it appears in the stream, with its leading "--"; empty
    // when the answer named none (then there is no preamble, and parts must
    // carry a length).
    explicit MultipartParser(std::string boundary);
    ~MultipartParser();
    MultipartParser(const MultipartParser&) = delete;
    MultipartParser& operator=(const MultipartParser&) = delete;

    // Room for at least `minimum` more bytes at the end of the buffered data;
    // write into it, then commit() what was written. Invalidates the data of
    // the last event.
    std::span<char> prepare(std::size_t minimum);
    void commit(std::size_t count);
    void append(std::string_view bytes);

    // The next complete step from the buffered bytes; Step::none when more
    // are needed. MultipartError when the stream breaks a limit; the parser is
    // then unusable.
    Event next();

    Need need() const { return need_; }
    // Bytes buffered towards the current need (0: nothing of it has come yet).
    std::size_t pending() const { return end_ - begin_; }
    // Up to `maxLength` of those bytes, for fault reports.
    std::string_view pendingText(std::size_t maxLength) const;
    // A good size for the next read: the rest of a part of known length, or
    // a socket-sized block.
    std::size_t readHint() const;

    const std::string& boundary() const { return boundary_; }
    // Header values of the part being read.
    const std::string& contentType() const { return contentType_; }
    std::int64_t contentLength() const { return contentLength_; }

private:
    Event nextPreamble();
    Event nextLine();
    Event nextBody();
    Event nextBodyToBoundary();
    void headerLine();
    // Where the boundary starts in the buffered bytes, or npos while it has
    // not come; MultipartError when more than `limit` bytes come first. With
    // `confirmed`, only a boundary that the next part's header confirms counts.
    std::size_t findBoundary(std::size_t limit, bool confirmed = false);
    void consume(std::size_t count);
    std::string_view buffered() const { return {data_.get() + begin_, end_ - begin_}; }
    void resetPart();

    std::string boundary_;
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;    // first unconsumed byte
    std::size_t end_ = 0;      // end of the bytes written
    std::size_t scanned_ = 0;  // bytes after begin_ known to hold no terminator start
    Need need_;
    bool skipBody_ = false;  // the current body is of another type
    std::size_t lines_ = 0;  // since the last body
    std::string line_;
    std::string contentType_;
    std::int64_t contentLength_ = 0;
};

// The head of the camera's answer.
enum class StreamStatus {
    ok,            // "HTTP/1.0 200 OK" or "HTTP/1.1 200 OK", exactly
    unauthorized,  // 401
    tooMany,       // exactly "HTTP/1.1 509 ": the server's connection limit
    other,
};
StreamStatus classifyStatusLine(std::string_view statusLine);

// The stream's "Content-Type" header line as received. `multipart` is false
// unless the value before the first ';' is exactly "multipart/x-mixed-replace";
// `boundary` then is the boundary parameter, unquoted and with "--" in front
// (empty when the parameter is empty).
struct StreamContentType {
    bool multipart = false;
    std::string boundary;
};
StreamContentType parseStreamContentType(std::string_view headerLine);

// The header name of a line, in the stream's own rule: the text up to and
// including the colon of the first ": " (empty when there is none).
std::string_view headerName(std::string_view line);
// The text after that ": ".
std::string_view headerValue(std::string_view line);

}  // namespace oculon::video
