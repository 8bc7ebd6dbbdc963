#pragma once
// Byte layout of the ".kvd" recording and the search for its records: where
// the last complete record ends and where record n starts. Works on a
// read-only view of the file, so TMJPEGFile's reader and its repair share it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "video/MJPEGFile.h"

namespace oculon::video::kvd {

constexpr std::string_view kMagic = "KRVID";
constexpr std::uint8_t kVersion = 1;
constexpr std::int64_t kHeaderSize = 14;
constexpr std::int64_t kFrameCountOffset = 6;
constexpr std::int64_t kRecordHeaderSize = 20;
constexpr std::string_view kBoundary = "---KorvatFileBoundary";
constexpr std::int64_t kBoundarySize = static_cast<std::int64_t>(kBoundary.size());
constexpr std::int64_t kRecordOverhead = kRecordHeaderSize + kBoundarySize;

struct FileHeader {
    std::int32_t frames = 0;
    std::int32_t interval = 0;
};

struct RecordHeader {
    TTimeStamp stamp;
    std::int64_t length = 0;
    std::int32_t number = 0;
};

// A record whose header and closing boundary were both found where they belong.
struct Record {
    std::int64_t pos = 0;
    RecordHeader header;
    std::int64_t end() const { return pos + kRecordOverhead + header.length; }
};

void packFileHeader(std::uint8_t (&out)[kHeaderSize], const FileHeader& header);
void packCounts(std::uint8_t (&out)[8], const FileHeader& header);  // the fields at offset 6
void packRecordHeader(std::uint8_t (&out)[kRecordHeaderSize], const RecordHeader& header);
RecordHeader unpackRecordHeader(const std::uint8_t (&in)[kRecordHeaderSize]);

// pread until `size` bytes or the end of the file; returns the count read.
// EINTR is retried, other errors raise std::system_error.
std::size_t readAt(int fd, void* buffer, std::size_t size, std::int64_t offset);
// pwrite all of `size` bytes or raise std::system_error.
void writeAt(int fd, const void* buffer, std::size_t size, std::int64_t offset);

// The header fields, checked in the order the format fixes, with its messages.
FileHeader readFileHeader(int fd);

struct Budget;  // what the look-back from the end may cost

// Finds records in the bytes [0, limit) of an open file. Every record it
// returns is complete: its length fits the limit and `maxFrameLength`, its
// number can be true for a file of that size, and the boundary closes it.
//
// A reader meets the records as a chain: from the start, each record is the
// one that follows the record before, or, where that one is damaged, the
// first record after a later boundary text whose header checks out, its
// number above the one before. Stepping from record to record never takes a
// boundary text inside a picture for a record boundary; only the search past
// damage can, and then only where a whole record header follows it.
class RecordScanner {
public:
    RecordScanner(int fd, std::int64_t limit, std::int64_t maxFrameLength);

    std::optional<Record> recordAt(std::int64_t pos) const;
    // The chain's record after one numbered `after` that ended at `from`.
    std::optional<Record> next(std::int64_t from, std::int32_t after) const;
    // The record ending exactly at the limit, when a short look back finds one.
    std::optional<Record> recordEndingAtLimit() const;
    // The first record numbered `number` or more between two records of the
    // chain (inclusive), found by interpolation and confirmed by its header.
    std::optional<Record> findRecord(std::int32_t number, Record low, Record high) const;

private:
    std::optional<Record> checked(std::int64_t pos, const RecordHeader& header) const;
    std::optional<Record> headerAt(std::int64_t pos) const;  // checked, boundary not
    std::optional<Record> recordEndingAt(std::int64_t end, Budget& budget) const;
    std::optional<Record> nextRecordFrom(std::int64_t from, std::int64_t before, std::int32_t minNumber) const;

    int fd_;
    std::int64_t limit_;
    std::int64_t maxFrameLength_;
};

// What a reader or the repair needs to know about a file: the header, the
// first and last records of the chain and whether the header agrees with them.
struct Layout {
    FileHeader header;
    Record first;
    Record last;
    std::int32_t frames = 0;    // last record's number + 1
    std::int32_t interval = 1;  // the header's when it holds, else the mean, at least 1
    bool consistent = false;    // header and file end agree; nothing to repair
    std::int64_t validEnd() const { return last.end(); }
};

// Raises the format exceptions for a bad header and "File is empty" when no
// complete record exists. A header whose frame count matches a first record
// at the start and a last one at the end of the file is believed without
// walking the chain; damage between them is met, and passed over, while
// reading.
Layout analyse(int fd, std::int64_t fileSize, std::int64_t maxFrameLength);

// Mean time between frames in milliseconds, truncated, at least 1: a zero or
// negative interval would make the file look unfinished for ever.
std::int32_t meanInterval(const TTimeStamp& first, const TTimeStamp& last, std::int32_t frames);
// The same from the time between the first and the last frame.
std::int32_t meanInterval(std::int64_t elapsedMs, std::int32_t frames);

}  // namespace oculon::video::kvd
