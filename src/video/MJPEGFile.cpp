#include "video/MJPEGFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>

#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "platform/TemporaryFile.h"
#include "video/KvdRecords.h"

namespace oculon::video {

namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Day number of 1970-01-01 when 0001-01-01 is day 1.
constexpr std::int64_t kUnixEpochDay = 719163;

[[noreturn]] void throwErrno(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

// A failure of the file system whose text says all as it stands.
class FileSystemError : public std::system_error {
public:
    FileSystemError(int code, std::string text)
        : std::system_error(code, std::generic_category()), text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

// Opens without blocking on a FIFO or device and insists on a regular file,
// whose size is returned in `size`.
platform::UniqueFd openRegular(const std::string& fileName, int flags, std::int64_t& size) {
    platform::UniqueFd fd(::open(fileName.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666));
    if (!fd) throwErrno(fileName);
    struct stat st {};
    const int error = ::fstat(fd.get(), &st) != 0 ? errno : (S_ISREG(st.st_mode) ? 0 : EINVAL);
    if (error != 0) throw std::system_error(error, std::generic_category(), fileName);
    size = st.st_size;
    return fd;
}

// False when another writer (or a repair) holds the file.
bool lockExclusive(int fd, const std::string& fileName) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    throwErrno(fileName);
}

void writeAllAt(int fd, iovec* iov, int count, std::int64_t offset) {
    while (count > 0) {
        const ssize_t n = ::pwritev(fd, iov, count, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno("write");
        }
        if (n == 0) throw std::system_error(EIO, std::generic_category(), "write");
        offset += n;
        auto left = static_cast<std::size_t>(n);
        while (count > 0 && left >= iov->iov_len) {
            left -= iov->iov_len;
            ++iov;
            --count;
        }
        if (count > 0) {
            iov->iov_base = static_cast<char*>(iov->iov_base) + left;
            iov->iov_len -= left;
        }
    }
}

}  // namespace

std::int64_t timeStampToMSecs(const TTimeStamp& stamp) {
    return static_cast<std::int64_t>(stamp.Date) * 86400000 + stamp.Time;
}

TTimeStamp timeStampFromLocal(const std::tm& local, int milliseconds) {
    const std::int64_t day = daysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                                           static_cast<unsigned>(local.tm_mday)) +
                             kUnixEpochDay;
    const int time = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + milliseconds;
    return {time, static_cast<std::int32_t>(day)};
}

TTimeStamp currentTimeStamp() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    // a leap second must not push the time of day past midnight
    local.tm_sec = std::min(local.tm_sec, 59);
    return timeStampFromLocal(local, static_cast<int>(now.tv_nsec / 1000000));
}

ENoFreeNameException::ENoFreeNameException(platform::Intruder intruder, std::string text)
    : std::system_error(EEXIST, std::generic_category()), intruder_(intruder), text_(std::move(text)) {}

TMJPEGFile::TMJPEGFile(std::string fileName, std::int32_t access)
    : myAccess_(access), myFileName_(std::move(fileName)) {
    if (access == kWrite) {
        folder_ = platform::openFolderOfFile(myFileName_, nameInFolder_);
        if (!folder_.fd) throwErrno(myFileName_);
        openForWriting();
    } else if (access == kRead) {
        openForReading();
    }
}

TMJPEGFile::TMJPEGFile(const platform::OpenFolder& folder, std::string name)
    : myAccess_(kWrite), myFileName_(folder.shown(name)), nameInFolder_(std::move(name)) {
    // Its own hold on the folder: the recording outlives the walk that opened it.
    folder_.fd.reset(::fcntl(folder.fd.get(), F_DUPFD_CLOEXEC, 0));
    folder_.path = folder.path;
    if (!folder_.fd) throwErrno(myFileName_);
    openForWriting();
}

TMJPEGFile::~TMJPEGFile() {
    try {
        close();
    } catch (...) {
        // a destructor cannot report; callers that care call close() themselves
    }
}

void TMJPEGFile::openForWriting() {
    platform::FileFailure failure;
    VideoFile_ = platform::createFileAtFreeName(folder_, nameInFolder_, O_RDWR, 0666, failure);
    myFileName_ = folder_.shown(nameInFolder_);
    if (!VideoFile_) {
        std::string text = failure.path + ": " + failure.reason();
        if (failure.intruder != platform::Intruder::none) throw ENoFreeNameException(failure.intruder, std::move(text));
        throw FileSystemError(failure.error, std::move(text));
    }
    try {
        // Someone may have got hold of our new file in the instant before.
        if (!lockExclusive(VideoFile_.get(), myFileName_))
            throw std::system_error(EBUSY, std::generic_category(), myFileName_ + " is being recorded");
        std::uint8_t header[kvd::kHeaderSize];
        kvd::packFileHeader(header, {});
        kvd::writeAt(VideoFile_.get(), header, sizeof header, 0);
    } catch (...) {
        // A recording without its header (a full disk) is no recording; the
        // file is ours, made a moment ago.
        removeOwnFile();
        VideoFile_.reset();
        throw;
    }
    position_ = kvd::kHeaderSize;
    StartTime_ = {};
    FrameNo_ = 0;
}

void TMJPEGFile::openForReading() {
    std::int64_t size = 0;
    // Read-only: a recording on a medium we may not write to still plays.
    VideoFile_ = openRegular(myFileName_, O_RDONLY, size);
    kvd::Layout layout = kvd::analyse(VideoFile_.get(), size, kMaxFrameLength);
    if (!layout.consistent && repairForReader() == RepairResult::Repaired) {
        struct stat st {};
        if (::fstat(VideoFile_.get(), &st) != 0) throwErrno(myFileName_);
        layout = kvd::analyse(VideoFile_.get(), st.st_size, kMaxFrameLength);
    }
    Frames_ = layout.frames;
    FramesPerSecond_ = layout.interval;
    mustRepair_ = !layout.consistent;
    StartTime_ = layout.first.header.stamp;
    CurrentTime_ = StartTime_;
    LastTime_ = layout.last.header.stamp;
    FrameNo_ = 0;
    position_ = kvd::kHeaderSize;
    previousNumber_ = -1;
    validEnd_ = layout.validEnd();
    firstRecordPos_ = layout.first.pos;
    lastRecordPos_ = layout.last.pos;
}

void TMJPEGFile::close() {
    if (!VideoFile_) return;
    if (myAccess_ == kWrite) {
        try {
            finishWriting();
        } catch (...) {
            VideoFile_.reset();
            throw;
        }
    }
    VideoFile_.reset();
}

void TMJPEGFile::finishWriting() {
    const int fd = VideoFile_.get();
    if (FrameNo_ > 0) {
        std::uint8_t counts[8];
        const std::int32_t interval =
            lastCame_
                ? kvd::meanInterval(
                      std::chrono::duration_cast<std::chrono::milliseconds>(*lastCame_ - *firstCame_).count(), FrameNo_)
                : kvd::meanInterval(StartTime_, CurrentTime_, FrameNo_);
        kvd::packCounts(counts, {FrameNo_, interval});
        kvd::writeAt(fd, counts, sizeof counts, kvd::kFrameCountOffset);
        return;
    }
    if (!removeOwnFile()) throwErrno(myFileName_);
}

bool TMJPEGFile::removeOwnFile() {
    // Only if the name still means our file: in a folder others may write,
    // theirs may have taken its place.
    const int folder = folder_.fd.get();
    return !platform::namesFile(folder, nameInFolder_, VideoFile_.get()) ||
           ::unlinkat(folder, nameInFolder_.c_str(), 0) == 0;
}

void TMJPEGFile::requireAccess(std::int32_t access) const {
    if (myAccess_ != access) {
        throw EFileAccessException(access == kRead ? "File opened for write." : "File opened for read.");
    }
    if (!VideoFile_) throw std::logic_error(myFileName_ + " is closed");
}

void TMJPEGFile::writeFrame(std::span<const std::uint8_t> jpeg) { writeFrame(jpeg, currentTimeStamp()); }

void TMJPEGFile::writeFrame(std::string_view jpeg) { writeFrame(jpeg, currentTimeStamp()); }

void TMJPEGFile::writeFrame(std::string_view jpeg, const TTimeStamp& stamp) {
    writeFrame(std::span(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()), stamp);
}

void TMJPEGFile::writeFrame(std::span<const std::uint8_t> jpeg, const TTimeStamp& stamp,
                            std::chrono::steady_clock::time_point came) {
    const bool timed = FrameNo_ == 0 || lastCame_;
    appendFrame(jpeg, stamp);
    if (!timed) return;
    if (!firstCame_) firstCame_ = came;
    lastCame_ = came;
}

void TMJPEGFile::writeFrame(std::span<const std::uint8_t> jpeg, const TTimeStamp& stamp) {
    appendFrame(jpeg, stamp);
    // A frame without its moment: the stamps tell the interval.
    lastCame_.reset();
}

void TMJPEGFile::appendFrame(std::span<const std::uint8_t> jpeg, const TTimeStamp& stamp) {
    requireAccess(kWrite);
    if (static_cast<std::int64_t>(jpeg.size()) > kMaxFrameLength) {
        throw std::length_error("picture too large for a recording");
    }
    if (FrameNo_ == std::numeric_limits<std::int32_t>::max()) throw std::length_error("recording is full");

    std::uint8_t header[kvd::kRecordHeaderSize];
    kvd::packRecordHeader(header, {stamp, static_cast<std::int64_t>(jpeg.size()), FrameNo_});
    iovec parts[3] = {{header, sizeof header},
                      {const_cast<std::uint8_t*>(jpeg.data()), jpeg.size()},
                      {const_cast<char*>(kvd::kBoundary.data()), kvd::kBoundary.size()}};
    try {
        writeAllAt(VideoFile_.get(), parts, 3, position_);
    } catch (...) {
        // a half-written record would hide every later one from readers
        [[maybe_unused]] const int ignored = ::ftruncate(VideoFile_.get(), position_);
        throw;
    }
    position_ += kvd::kRecordOverhead + static_cast<std::int64_t>(jpeg.size());
    CurrentTime_ = stamp;
    if (FrameNo_ == 0) StartTime_ = stamp;
    ++FrameNo_;
}

void TMJPEGFile::readFrame(std::vector<std::uint8_t>& jpeg) {
    requireAccess(kRead);
    // A damaged record is passed over to the next one whose header checks out.
    const kvd::RecordScanner scanner(VideoFile_.get(), validEnd_, kMaxFrameLength);
    const auto record = scanner.next(position_, previousNumber_);
    if (!record) throw EFileFormatException("WrongFileFormat");
    const auto length = static_cast<std::size_t>(record->header.length);
    jpeg.resize(length);
    const std::size_t got = kvd::readAt(VideoFile_.get(), jpeg.data(), length, record->pos + kvd::kRecordHeaderSize);
    if (got != length) {
        jpeg.resize(got);  // cut by someone else meanwhile
        throw EFileFormatException("WrongFileFormat");
    }
    CurrentTime_ = record->header.stamp;
    FrameNo_ = record->header.number;
    previousNumber_ = FrameNo_;
    position_ = record->end();
}

void TMJPEGFile::SetFrameNo(std::int32_t n) {
    requireAccess(kRead);
    if (n < 0) throw EInvalidArgumentException("Frame must not be negative");
    if (n > Frames_ - 1) throw EInvalidArgumentException("Frame Number too large");
    previousNumber_ = -1;
    if (n == 0) {
        position_ = kvd::kHeaderSize;
        return;
    }
    // A frame lost to damage is stood in for by the next one that is there.
    const kvd::RecordScanner scanner(VideoFile_.get(), validEnd_, kMaxFrameLength);
    const auto first = scanner.recordAt(firstRecordPos_);
    const auto last = scanner.recordAt(lastRecordPos_);
    const auto found = first && last ? scanner.findRecord(n, *first, *last) : std::nullopt;
    if (!found) throw EFileFormatException("WrongFileFormat");
    position_ = found->pos;
}

void TMJPEGFile::getPreview(std::vector<std::uint8_t>& jpeg) {
    SetFrameNo(0);
    readFrame(jpeg);
    SetFrameNo(0);
}

TMJPEGFile::RepairResult TMJPEGFile::repairForReader() const {
    struct stat reading {};
    if (::fstat(VideoFile_.get(), &reading) != 0) throwErrno(myFileName_);
    try {
        return repairFile(myFileName_, &reading);
    } catch (const std::system_error& e) {
        // the reader sees the true frames without the repair as well
        log::info(log::Category::video, "%s left unrepaired: %s", myFileName_.c_str(), e.what());
        return RepairResult::InUse;
    }
}

TMJPEGFile::RepairResult TMJPEGFile::repair(const std::string& fileName) { return repairFile(fileName, nullptr); }

TMJPEGFile::RepairResult TMJPEGFile::repairFile(const std::string& fileName, const struct stat* sameAs) {
    std::int64_t size = 0;
    // A repair shortens the file: never one a link at the name points to.
    const platform::UniqueFd file = openRegular(fileName, O_RDWR | O_NOFOLLOW, size);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) throwErrno(fileName);
    // renamed or replaced since the reader opened it: not the reader's file
    if (sameAs && (st.st_dev != sameAs->st_dev || st.st_ino != sameAs->st_ino)) return RepairResult::InUse;
    // Another account's file is read as it is, never shortened.
    if (st.st_uid != ::geteuid()) return RepairResult::NotOurs;
    if (!lockExclusive(file.get(), fileName)) return RepairResult::InUse;
    // the size only counts once the lock is ours: a recorder that finished
    // just before has appended frames that must stay
    if (::fstat(file.get(), &st) != 0) throwErrno(fileName);
    // the reader's view: a header whose count the last record confirms
    // leaves nothing to repair
    const kvd::Layout layout = kvd::analyse(file.get(), st.st_size, kMaxFrameLength);
    if (layout.consistent) return RepairResult::Intact;
    if (::ftruncate(file.get(), layout.validEnd()) != 0) throwErrno(fileName);
    std::uint8_t counts[8];
    kvd::packCounts(counts, {layout.frames, layout.interval});
    kvd::writeAt(file.get(), counts, sizeof counts, kvd::kFrameCountOffset);
    if (::fdatasync(file.get()) != 0) throwErrno(fileName);
    return RepairResult::Repaired;
}

}  // namespace oculon::video
