#pragma once
// Buffered reading of a byte stream: bounded lines, blocks up to a delimiter,
// exact counts. Used over sockets, HTTP bodies and, in tests and fuzzers,
// over plain memory.

#include <cstddef>
#include <string>
#include <string_view>

namespace oculon::platform {

// Where the bytes come from. readSome blocks for at least one byte and
// returns 0 only at the end of the data; time-outs and failures are raised.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t readSome(char* destination, std::size_t capacity) = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view data) : data_(data) {}
    std::size_t readSome(char* destination, std::size_t capacity) override;

private:
    std::string_view data_;
};

// Bytes that a failed read (a time-out) brought in stay buffered, so the
// next call goes on where the last one stopped.
class BufferedReader {
public:
    explicit BufferedReader(ByteSource& source) : source_(source) {}
    BufferedReader(const BufferedReader&) = delete;
    BufferedReader& operator=(const BufferedReader&) = delete;

    // The bytes before the next `terminator`, which is consumed.
    // LineTooLongError when more than `maxLength` bytes come before it,
    // ConnectionClosedError when the data ends first.
    std::string readUntil(std::string_view terminator, std::size_t maxLength);
    // A line ended by LF; a CR right before the LF is dropped too.
    std::string readLn(std::size_t maxLength);
    // Exactly `count` bytes; ConnectionClosedError when the data ends first.
    // Memory grows with what arrives, not with what was announced; a count
    // taken from the peer must still be bounded by the caller first.
    std::string readExact(std::size_t count);
    // Everything up to the end of the data; LineTooLongError beyond `maxLength`.
    std::string readToEnd(std::size_t maxLength);
    // Up to `capacity` bytes, buffered ones first; 0 at the end of the data.
    std::size_t readSome(char* destination, std::size_t capacity);

    std::size_t buffered() const { return buffer_.size() - start_; }
    // True when nothing is buffered and the source has ended (reads to find out).
    bool atEnd();

private:
    bool fill();  // false at the end of the data
    void consume(std::size_t count);

    ByteSource& source_;
    std::string buffer_;
    std::size_t start_ = 0;
    bool ended_ = false;
};

}  // namespace oculon::platform
