#include "video/StreamRecording.h"

#include "platform/Log.h"
#include "video/SnapshotNames.h"

namespace oculon::video {

namespace {

std::tm localTime(StreamRecording::TimePoint when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

}  // namespace

StreamRecording::StreamRecording(std::string cameraName, Settings settings, Clock clock)
    : cameraName_(std::move(cameraName)), settings_(std::move(settings)), clock_(std::move(clock)) {
    open();
}

StreamRecording::~StreamRecording() { close(); }

std::string StreamRecording::fileName() const { return file_ ? file_->FileName() : std::string(); }

void StreamRecording::open() {
    started_ = clock_();
    try {
        const std::string folder = settings_.folder ? settings_.folder(cameraName_) : std::string();
        file_ = std::make_unique<TMJPEGFile>(folder + GetFileName(localTime(started_), cameraName_) + ".kvd",
                                             TMJPEGFile::kWrite);
    } catch (const std::exception& e) {
        log::warning(log::Category::video, "recording of %s not started: %s", cameraName_.c_str(), e.what());
        file_.reset();
    }
}

void StreamRecording::close() {
    if (!file_) return;
    try {
        file_->close();
    } catch (const std::exception& e) {
        log::warning(log::Category::video, "recording %s not finished: %s", file_->FileName().c_str(), e.what());
    }
    file_.reset();
}

bool StreamRecording::splitDue(TimePoint now) const {
    // Never below one minute: every frame would otherwise start a file, and
    // files begun in the same second would share a name.
    const std::int32_t minutes = std::max<std::int32_t>(1, settings_.lengthMinutes ? settings_.lengthMinutes() : 30);
    // Whole minutes on the absolute clock, so a recording that runs over
    // midnight is split like any other.
    return std::chrono::floor<std::chrono::minutes>(now - started_).count() >= minutes;
}

void StreamRecording::writeFrame(std::span<const std::uint8_t> jpeg) {
    if (!file_) return;
    const TimePoint now = clock_();
    // A clock set back starts the count again rather than holding the file open.
    if (now < started_) started_ = now;
    if (splitDue(now)) {
        close();
        open();
        if (!file_) return;
    }
    try {
        file_->writeFrame(jpeg);
    } catch (const std::exception& e) {
        log::warning(log::Category::video, "recording %s stopped: %s", file_->FileName().c_str(), e.what());
        close();
    }
}

}  // namespace oculon::video
