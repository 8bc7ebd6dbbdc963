#include "player/FrameExport.h"

#include <stdexcept>
#include <string_view>

#include "platform/TemporaryFile.h"
#include "video/SnapshotNames.h"
#include "video/WriteFailureText.h"

namespace oculon::player {

namespace {

// Day number of 1970-01-01 when 0001-01-01 is day 1.
constexpr std::int64_t kUnixEpochDay = 719163;

// The JPEG library's own default, which the exports keep.
constexpr int kDefaultJpegQuality = 75;

// Exported files are the user's documents: readable as the umask allows.
constexpr mode_t kDocumentMode = 0666;

}  // namespace

std::tm calendarOf(const video::TTimeStamp& stamp) {
    // Days since 1970 to a civil date (the proleptic Gregorian calendar).
    const std::int64_t z = stamp.Date - kUnixEpochDay + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2);

    std::tm t{};
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_mon = static_cast<int>(month) - 1;
    t.tm_mday = static_cast<int>(day);
    const std::int32_t seconds = stamp.Time / 1000;
    t.tm_hour = seconds / 3600;
    t.tm_min = seconds / 60 % 60;
    t.tm_sec = seconds % 60;
    t.tm_isdst = -1;
    return t;
}

std::string exportFileName(const video::TTimeStamp& stamp, const std::string& cameraName) {
    return video::GetFileName(calendarOf(stamp), " " + cameraName);
}

std::string namedAsChosen(std::string error, const std::string& temporary, const std::string& fileName) {
    if (temporary.empty()) return error;
    for (std::size_t at = error.find(temporary); at != std::string::npos;
         at = error.find(temporary, at + fileName.size()))
        error.replace(at, temporary.size(), fileName);
    return error;
}

void refuseTheRecording(const std::string& recording, const std::string& fileName) {
    if (platform::sameFile(recording, fileName))
        throw std::runtime_error(fileName + " is the recording being exported; choose another name.");
}

void exportFrame(const video::Image& picture, const video::TTimeStamp& time, const CaptionPainter& caption,
                 const std::string& fileName, const std::string& recording) {
    refuseTheRecording(recording, fileName);
    video::Image stamped = picture;
    if (caption) caption(stamped, time);
    const std::vector<std::uint8_t> jpeg = video::encodeJpeg(video::viewOf(stamped), kDefaultJpegQuality);
    const platform::FileFailure failure = platform::writeFileThroughTemporary(
        fileName, std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()), kDocumentMode);
    if (failure.failed()) throw std::runtime_error(video::fileFailureText(failure, fileName));
}

}  // namespace oculon::player
