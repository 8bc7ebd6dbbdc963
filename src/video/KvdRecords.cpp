#include "video/KvdRecords.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "platform/LittleEndian.h"

namespace oculon::video::kvd {

// What looking back from the end may cost before it gives up.
struct Budget {
    std::int64_t bytes;
    std::int64_t candidates;
    bool spent() const { return bytes < 0 || candidates < 0; }
};

namespace {

// Large enough that a typical picture lies within one or two reads.
constexpr std::int64_t kChunk = 64 * 1024;
// Candidate records the look-back from the end may test. A real recording
// needs one or two; a file that needs more is read by walking its records.
constexpr std::int64_t kTailCandidates = 64;
// Below this many frames between two known records, stepping from record to
// record is cheaper than another estimate.
constexpr std::int32_t kWalkSpan = 16;

void put32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put64(std::uint8_t* out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(const std::uint8_t* in) { return platform::readLittle(in, 4); }
std::uint64_t get64(const std::uint8_t* in) { return platform::readLittle<std::uint64_t>(in, 8); }

std::string_view asText(const std::vector<char>& buffer) { return {buffer.data(), buffer.size()}; }

// Walks the occurrences of the boundary text in [lowest, end) from right to
// left, reading the file in chunks that overlap by one boundary length less
// one byte so that no occurrence falls between two chunks.
class BackwardBoundaries {
public:
    BackwardBoundaries(int fd, std::int64_t lowest, std::int64_t end, Budget& budget)
        : fd_(fd), lowest_(std::max<std::int64_t>(lowest, 0)), searchEnd_(end), budget_(budget) {}

    // Offset of the next occurrence to the left, or nothing at the start or
    // when the budget is spent (see exhausted()).
    std::optional<std::int64_t> previous() {
        for (;;) {
            if (loaded_) {
                const std::int64_t hi = std::min(searchEnd_, bufStart_ + static_cast<std::int64_t>(buf_.size()));
                if (hi - bufStart_ >= kBoundarySize) {
                    const auto at = asText(buf_).substr(0, hi - bufStart_).rfind(kBoundary);
                    if (at != std::string_view::npos) {
                        const std::int64_t found = bufStart_ + static_cast<std::int64_t>(at);
                        searchEnd_ = found + kBoundarySize - 1;
                        return found;
                    }
                }
                if (bufStart_ <= lowest_) return std::nullopt;
            }
            const std::int64_t nextEnd = loaded_ ? std::min(searchEnd_, bufStart_ + kBoundarySize - 1) : searchEnd_;
            const std::int64_t nextStart = std::max(lowest_, nextEnd - kChunk);
            if (nextEnd - nextStart < kBoundarySize) return std::nullopt;
            budget_.bytes -= nextEnd - nextStart;
            if (budget_.spent()) {
                exhausted_ = true;
                return std::nullopt;
            }
            buf_.resize(static_cast<std::size_t>(nextEnd - nextStart));
            buf_.resize(readAt(fd_, buf_.data(), buf_.size(), nextStart));
            bufStart_ = nextStart;
            loaded_ = true;
        }
    }
    bool exhausted() const { return exhausted_; }

private:
    int fd_;
    std::int64_t lowest_;
    std::int64_t searchEnd_;  // occurrences must end at or before this
    Budget& budget_;
    std::vector<char> buf_;
    std::int64_t bufStart_ = 0;
    bool loaded_ = false;
    bool exhausted_ = false;
};

std::int32_t clampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void packFileHeader(std::uint8_t (&out)[kHeaderSize], const FileHeader& header) {
    std::memcpy(out, kMagic.data(), kMagic.size());
    out[5] = kVersion;
    std::uint8_t counts[8];
    packCounts(counts, header);
    std::memcpy(out + kFrameCountOffset, counts, sizeof counts);
}

void packCounts(std::uint8_t (&out)[8], const FileHeader& header) {
    put32(out, static_cast<std::uint32_t>(header.frames));
    put32(out + 4, static_cast<std::uint32_t>(header.interval));
}

void packRecordHeader(std::uint8_t (&out)[kRecordHeaderSize], const RecordHeader& header) {
    put32(out, static_cast<std::uint32_t>(header.stamp.Time));
    put32(out + 4, static_cast<std::uint32_t>(header.stamp.Date));
    put64(out + 8, static_cast<std::uint64_t>(header.length));
    put32(out + 16, static_cast<std::uint32_t>(header.number));
}

RecordHeader unpackRecordHeader(const std::uint8_t (&in)[kRecordHeaderSize]) {
    RecordHeader header;
    header.stamp.Time = static_cast<std::int32_t>(get32(in));
    header.stamp.Date = static_cast<std::int32_t>(get32(in + 4));
    header.length = static_cast<std::int64_t>(get64(in + 8));
    header.number = static_cast<std::int32_t>(get32(in + 16));
    return header;
}

namespace {

// pread or pwrite until `size` bytes or the end of the file, retrying EINTR.
template <typename Transfer, typename Byte>
std::size_t transferAt(Transfer transfer, int fd, Byte* buffer, std::size_t size, std::int64_t offset,
                       const char* what) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = transfer(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), what);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

std::size_t readAt(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    return transferAt(::pread, fd, static_cast<char*>(buffer), size, offset, "read");
}

void writeAt(int fd, const void* buffer, std::size_t size, std::int64_t offset) {
    if (transferAt(::pwrite, fd, static_cast<const char*>(buffer), size, offset, "write") != size) {
        throw std::system_error(EIO, std::generic_category(), "write");
    }
}

FileHeader readFileHeader(int fd) {
    std::uint8_t raw[kHeaderSize];
    const std::size_t got = readAt(fd, raw, sizeof raw, 0);
    if (got < kMagic.size() || std::memcmp(raw, kMagic.data(), kMagic.size()) != 0 || got < 6) {
        throw EFileFormatException("Wrong FileFormat");
    }
    if (raw[5] != kVersion) throw EFileVersionException("Wrong File Version");
    if (got < static_cast<std::size_t>(kHeaderSize)) throw EFileFormatException("Wrong FileFormat");
    return {static_cast<std::int32_t>(get32(raw + 6)), static_cast<std::int32_t>(get32(raw + 10))};
}

RecordScanner::RecordScanner(int fd, std::int64_t limit, std::int64_t maxFrameLength)
    : fd_(fd), limit_(limit), maxFrameLength_(maxFrameLength) {}

std::optional<Record> RecordScanner::checked(std::int64_t pos, const RecordHeader& h) const {
    if (pos < kHeaderSize || pos > limit_ - kRecordOverhead) return std::nullopt;
    if (h.length < 0 || h.length > maxFrameLength_ || h.length > limit_ - pos - kRecordOverhead) return std::nullopt;
    // the records before this one take at least kRecordOverhead bytes each;
    // the bound depends on the position alone, so cutting the file after a
    // record never changes which records are found
    if (h.number < 0 || h.number > (pos - kHeaderSize) / kRecordOverhead) return std::nullopt;
    return Record{pos, h};
}

std::optional<Record> RecordScanner::headerAt(std::int64_t pos) const {
    if (pos < kHeaderSize || pos > limit_ - kRecordOverhead) return std::nullopt;
    std::uint8_t raw[kRecordHeaderSize];
    if (readAt(fd_, raw, sizeof raw, pos) != sizeof raw) return std::nullopt;
    return checked(pos, unpackRecordHeader(raw));
}

std::optional<Record> RecordScanner::recordAt(std::int64_t pos) const {
    const auto record = headerAt(pos);
    if (!record) return std::nullopt;
    char boundary[kBoundarySize];
    if (readAt(fd_, boundary, sizeof boundary, pos + kRecordHeaderSize + record->header.length) != sizeof boundary ||
        std::string_view(boundary, sizeof boundary) != kBoundary) {
        return std::nullopt;
    }
    return record;
}

std::optional<Record> RecordScanner::next(std::int64_t from, std::int32_t after) const {
    if (const auto record = recordAt(from)) {
        if (record->header.number > after) return record;
    } else if (const auto damaged = headerAt(from)) {
        // Only its boundary may be damaged: the record that follows it would
        // otherwise be lost with it, having no boundary before it.
        if (auto following = recordAt(damaged->end()); following && following->header.number > after) {
            return following;
        }
    }
    return nextRecordFrom(from, limit_, after + 1);
}

std::optional<Record> RecordScanner::recordEndingAt(std::int64_t end, Budget& budget) const {
    // The record ending here starts right after an earlier boundary, or at
    // the header; its own length field must bridge exactly to `end`. A
    // boundary text overlapping the header's counts closes no record: the
    // header is rewritten by a repair, which would make or break it.
    const std::int64_t lowest = std::max(kHeaderSize, end - kRecordOverhead - maxFrameLength_ - kBoundarySize);
    BackwardBoundaries earlier(fd_, lowest, end - kRecordOverhead, budget);
    for (;;) {
        const auto b = earlier.previous();
        const std::int64_t start = b ? *b + kBoundarySize : kHeaderSize;
        if (!b && earlier.exhausted()) return std::nullopt;
        --budget.candidates;
        if (auto record = recordAt(start); record && record->end() == end) return record;
        if (!b || budget.spent()) return std::nullopt;
    }
}

std::optional<Record> RecordScanner::recordEndingAtLimit() const {
    char tail[kBoundarySize];
    if (limit_ < kHeaderSize + kRecordOverhead ||
        readAt(fd_, tail, sizeof tail, limit_ - kBoundarySize) != sizeof tail ||
        std::string_view(tail, sizeof tail) != kBoundary) {
        return std::nullopt;
    }
    // enough to pass the last picture, whatever it holds
    Budget budget{maxFrameLength_ + 2 * kChunk, kTailCandidates};
    return recordEndingAt(limit_, budget);
}

std::optional<Record> RecordScanner::nextRecordFrom(std::int64_t from, std::int64_t before,
                                                    std::int32_t minNumber) const {
    from = std::max(from, kHeaderSize);
    if (from == kHeaderSize && from < before) {
        if (auto record = recordAt(kHeaderSize); record && record->header.number >= minNumber) return record;
    }
    std::vector<char> buf;
    // boundary texts begin after the header, as in recordEndingAt
    std::int64_t chunkStart = std::max(from - kBoundarySize, kHeaderSize);
    while (chunkStart + kBoundarySize < before) {
        const std::int64_t chunkEnd = std::min(chunkStart + kChunk, before - 1);
        buf.resize(static_cast<std::size_t>(chunkEnd - chunkStart));
        buf.resize(readAt(fd_, buf.data(), buf.size(), chunkStart));
        const std::string_view text = asText(buf);
        for (auto at = text.find(kBoundary); at != std::string_view::npos; at = text.find(kBoundary, at + 1)) {
            const auto headerOffset = at + kBoundary.size();
            const std::int64_t start = chunkStart + static_cast<std::int64_t>(headerOffset);
            if (start < from || start >= before) continue;
            // Most boundary texts that start no record (damage, a run of
            // them) fail on the header already in hand.
            if (headerOffset + kRecordHeaderSize <= text.size()) {
                std::uint8_t raw[kRecordHeaderSize];
                std::memcpy(raw, text.data() + headerOffset, sizeof raw);
                const auto header = unpackRecordHeader(raw);
                if (header.number < minNumber || !checked(start, header)) continue;
            }
            if (auto record = recordAt(start); record && record->header.number >= minNumber) return record;
        }
        if (static_cast<std::int64_t>(buf.size()) < chunkEnd - chunkStart) break;  // file shrank
        chunkStart = chunkEnd - kBoundarySize + 1;
    }
    return std::nullopt;
}

std::optional<Record> RecordScanner::findRecord(std::int32_t number, Record low, Record high) const {
    if (number <= low.header.number) return low;
    if (number > high.header.number) return std::nullopt;
    if (number == high.header.number) return high;
    // Each round moves one bound strictly inward, so this ends; numbers that
    // do not rise with the position (damage) end it early.
    while (high.header.number - low.header.number > kWalkSpan) {
        const double span = static_cast<double>(high.pos - low.pos);
        const double frames = static_cast<double>(high.header.number - low.header.number);
        const double ahead = static_cast<double>(number - low.header.number);
        // aim half a record early, so the first record found is n rather than n + 1
        const auto estimate = low.pos + static_cast<std::int64_t>(span * ahead / frames - span / frames / 2);
        const auto found = nextRecordFrom(std::max(estimate, low.end()), high.pos, low.header.number + 1);
        if (!found || found->header.number >= high.header.number) break;
        if (found->header.number == number) return found;
        (found->header.number < number ? low : high) = *found;
    }
    for (auto record = std::optional(low); record && record->pos < high.pos;
         record = next(record->end(), record->header.number)) {
        if (record->header.number >= number) return record;
    }
    return high;
}

Layout analyse(int fd, std::int64_t fileSize, std::int64_t maxFrameLength) {
    Layout layout;
    layout.header = readFileHeader(fd);
    const FileHeader& header = layout.header;
    const RecordScanner scanner(fd, fileSize, maxFrameLength);
    if (header.frames > 0 && header.interval > 0) {
        const auto first = scanner.recordAt(kHeaderSize);
        const auto last = first ? scanner.recordEndingAtLimit() : std::nullopt;
        if (last && last->header.number == header.frames - 1 && first->header.number <= last->header.number) {
            layout.first = *first;
            layout.last = *last;
            layout.frames = header.frames;
            layout.interval = header.interval;
            layout.consistent = true;
            return layout;
        }
    }
    const auto first = scanner.next(kHeaderSize, -1);
    if (!first) throw EFileEmptyException("File is empty");
    Record last = *first;
    while (const auto record = scanner.next(last.end(), last.header.number)) last = *record;
    layout.first = *first;
    layout.last = last;
    layout.frames = last.header.number + 1;
    layout.consistent = header.frames == layout.frames && header.interval > 0 && layout.validEnd() == fileSize;
    layout.interval = layout.consistent ? header.interval
                                        : meanInterval(first->header.stamp, last.header.stamp,
                                                       last.header.number - first->header.number + 1);
    return layout;
}

std::int32_t meanInterval(const TTimeStamp& first, const TTimeStamp& last, std::int32_t frames) {
    return meanInterval(timeStampToMSecs(last) - timeStampToMSecs(first), frames);
}

std::int32_t meanInterval(std::int64_t elapsedMs, std::int32_t frames) {
    if (frames <= 1) return 1;
    return std::max(clampToInt32(elapsedMs / (frames - 1)), 1);
}

}  // namespace oculon::video::kvd
