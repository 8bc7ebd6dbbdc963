#pragma once
// TMJPEGFile: the recorded-video file (".kvd"), a header and one record per
// camera picture with its time stamp. One object either writes a new
// recording (the stream decoder) or reads an existing one (the player).
// A recording that is still being written, or whose writer died, is read up
// to its last complete record, and a damaged record costs that frame only:
// reading goes on at the next record whose header checks out. Opening for
// reading repairs a damaged end unless a recorder still holds the file or it
// is another account's.

#include <cstdint>
#include <chrono>
#include <ctime>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/TemporaryFile.h"
#include "platform/UniqueFd.h"

struct stat;

namespace oculon::video {

// Milliseconds since local midnight and the day number (1 January of year 1
// is day 1), as the file stores them.
struct TTimeStamp {
    std::int32_t Time = 0;
    std::int32_t Date = 0;
    friend bool operator==(const TTimeStamp&, const TTimeStamp&) = default;
};

// Date × 86400000 + Time: differences of these work across midnight.
std::int64_t timeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp timeStampFromLocal(const std::tm& local, int milliseconds);
TTimeStamp currentTimeStamp();

// The format's own failures; each carries only its fixed message.
struct EFileFormatException : std::runtime_error {
    using runtime_error::runtime_error;
};
struct EFileVersionException : std::runtime_error {
    using runtime_error::runtime_error;
};
struct EFileAccessException : std::runtime_error {
    using runtime_error::runtime_error;
};
struct EFileEmptyException : std::runtime_error {
    using runtime_error::runtime_error;
};
struct EInvalidArgumentException : std::runtime_error {
    using runtime_error::runtime_error;
};

// No name was free for a new recording: entries of others took every one it
// could have; `intruder` is what stood at the name asked for.
class ENoFreeNameException : public std::system_error {
public:
    ENoFreeNameException(platform::Intruder intruder, std::string text);
    const char* what() const noexcept override { return text_.c_str(); }
    platform::Intruder intruder() const { return intruder_; }

private:
    platform::Intruder intruder_;
    std::string text_;
};

// Errors of the file system itself (missing file, no access, disk full, a
// recording already being written by someone else) are std::system_error.
class TMJPEGFile {
public:
    static constexpr std::int32_t kRead = 0;
    static constexpr std::int32_t kWrite = 1;
    // No camera picture comes near this; a larger length field is damage.
    static constexpr std::int64_t kMaxFrameLength = 64LL << 20;

    // kRead opens an existing recording. kWrite makes a new one and holds an
    // exclusive lock on it until closed: at the name, or where anything
    // stands there, at the next free one (platform::createFileAtFreeName;
    // FileName() tells which); what stood there stays as it was. Any other
    // mode opens nothing.
    TMJPEGFile(std::string fileName, std::int32_t access);
    // A new recording named `name` (or the next free name) in `folder`, made
    // through the folder as it is held open; FileName() shows it by the
    // folder's path.
    TMJPEGFile(const platform::OpenFolder& folder, std::string name);
    // Finishes a written recording like close(), swallowing its errors.
    ~TMJPEGFile();
    TMJPEGFile(const TMJPEGFile&) = delete;
    TMJPEGFile& operator=(const TMJPEGFile&) = delete;

    // Write mode: stores frame count and mean interval in the header, or
    // deletes the file when no frame was written. Then closes; idempotent.
    void close();

    // Appends one picture stamped with the current local time, or with `stamp`.
    // A failed write leaves no partial record behind.
    void writeFrame(std::span<const std::uint8_t> jpeg);
    void writeFrame(std::span<const std::uint8_t> jpeg, const TTimeStamp& stamp);
    // With the moment it came on a clock that does not jump: the stored
    // interval then comes from those moments, where a change of the clock
    // (daylight saving) would make the stamps lie about it.
    void writeFrame(std::span<const std::uint8_t> jpeg, const TTimeStamp& stamp,
                    std::chrono::steady_clock::time_point came);
    void writeFrame(std::string_view jpeg);
    void writeFrame(std::string_view jpeg, const TTimeStamp& stamp);

    // Reads the record at the current position, or past damage the next one
    // numbered above the frame read before; `jpeg` then holds exactly its
    // picture bytes. ActTime and FrameNumber take the record's values.
    // "WrongFileFormat" when no record follows.
    void readFrame(std::vector<std::uint8_t>& jpeg);
    // Positions so that the next readFrame returns frame n, or the first
    // frame after n when damage took n.
    void SetFrameNo(std::int32_t n);
    // The first frame, leaving the position on it.
    void getPreview(std::vector<std::uint8_t>& jpeg);

    std::int32_t VideoFrames() const { return Frames_; }
    std::int32_t FrameNumber() const { return FrameNo_; }
    // Despite the name: the mean interval between frames in milliseconds.
    std::int32_t VideoFPS() const { return FramesPerSecond_; }
    TTimeStamp BeginTime() const { return StartTime_; }
    TTimeStamp ActTime() const { return CurrentTime_; }
    TTimeStamp EndTime() const { return LastTime_; }
    // Read mode: the header on disk does not describe the file (a recording
    // still being written, or one that could not be repaired); the values
    // above are the true ones anyway.
    bool NeedsRepair() const { return mustRepair_; }
    std::int32_t Access() const { return myAccess_; }
    const std::string& FileName() const { return myFileName_; }

    enum class RepairResult { Intact, Repaired, InUse, NotOurs };
    // Cuts a damaged tail after the last complete record and writes the true
    // frame count and interval; damaged records before it stay for readers
    // to pass over. Refuses (InUse) while a writer holds the file, and
    // (NotOurs) another account's file.
    static RepairResult repair(const std::string& fileName);

private:
    // `sameAs`: repair only the file a reader holds open under that name.
    static RepairResult repairFile(const std::string& fileName, const struct stat* sameAs);
    // Never fails: a file it cannot repair is read as it is.
    RepairResult repairForReader() const;
    void openForWriting();
    void appendFrame(std::span<const std::uint8_t> jpeg, const TTimeStamp& stamp);
    void openForReading();
    void finishWriting();
    // Removes the file this object made, unless its name went to another
    // file meanwhile; false, errno set, when it cannot.
    bool removeOwnFile();
    void requireAccess(std::int32_t access) const;

    // Closing it releases the writer's lock with it.
    platform::UniqueFd VideoFile_;
    TTimeStamp StartTime_;
    TTimeStamp CurrentTime_;
    TTimeStamp LastTime_;
    std::int32_t Frames_ = 0;
    std::int32_t FramesPerSecond_ = 0;
    std::int32_t FrameNo_ = 0;
    // Of the first and the last frame written, while every frame had one.
    std::optional<std::chrono::steady_clock::time_point> firstCame_, lastCame_;
    bool mustRepair_ = false;
    std::int32_t myAccess_;
    std::string myFileName_;
    // Write mode: the folder the recording was made in, held open, and its
    // name there; it is removed through them, never through a path.
    platform::OpenFolder folder_;
    std::string nameInFolder_;

    std::int64_t position_ = 0;  // next record to read, or end of the data written
    // Read mode: the number of the record read last since the position was
    // set; a record found past damage must be numbered above it.
    std::int32_t previousNumber_ = -1;
    std::int64_t validEnd_ = 0;  // read mode: end of the last complete record
    std::int64_t firstRecordPos_ = 0;
    std::int64_t lastRecordPos_ = 0;
};

}  // namespace oculon::video
