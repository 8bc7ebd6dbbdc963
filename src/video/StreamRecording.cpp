#include "video/StreamRecording.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "config/SavePath.h"
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

// The frame's own time, not the time its write comes to: a frame may wait
// for a folder that is slow to answer.
TTimeStamp stampOf(StreamRecording::TimePoint when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    return timeStampFromLocal(localTime(when), static_cast<int>(ms < 0 ? ms + 1000 : ms));
}

std::optional<int> errorOf(const std::optional<RecordingFailure>& failure) {
    return failure ? std::optional(failure->error) : std::nullopt;
}

}  // namespace

StreamRecording::StreamRecording(std::string cameraName, Settings settings, Clock clock, SteadyClock steady)
    : cameraName_(std::move(cameraName)),
      settings_(std::move(settings)),
      clock_(std::move(clock)),
      steady_(std::move(steady)) {
    open(clock_());
}

StreamRecording::~StreamRecording() { close(); }

std::string StreamRecording::fileName() const { return file_ ? file_->FileName() : std::string(); }

void StreamRecording::open(TimePoint now) {
    started_ = now;
    const config::SaveFolder folder = settings_.folder ? settings_.folder(cameraName_) : config::makeSaveFolder({}, {});
    // The folder's own error tells a full disk from a drive that is not there.
    if (folder.failed()) {
        fail({folder.error, folder.failedPath, std::strerror(folder.error)});
        return;
    }
    const std::string nameInFolder = GetFileName(localTime(now), cameraName_) + ".kvd";
    const std::string name = folder.shown(nameInFolder);
    try {
        file_ = std::make_unique<TMJPEGFile>(folder, nameInFolder);
        if (file_->FileName() != name)
            log::info(log::Category::video, "recording of %s goes into %s: the name %s is taken", cameraName_.c_str(),
                      file_->FileName().c_str(), name.c_str());
    } catch (const ENoFreeNameException& e) {
        fail({e.code().value(), name, e.what(), e.intruder()});
    } catch (const std::system_error& e) {
        fail({e.code().value(), name, e.what()});
    } catch (const std::exception& e) {
        fail({0, name, e.what()});
    }
}

void StreamRecording::fail(RecordingFailure failure) {
    if (!failure_) {
        log::warning(log::Category::video, "recording of %s fails, tried again every %lld s: %s", cameraName_.c_str(),
                     static_cast<long long>(kRetryInterval.count()), failure.what.c_str());
    }
    failure_ = std::move(failure);
}

void StreamRecording::closeFile() {
    if (!file_) return;
    try {
        file_->close();
    } catch (const std::exception& e) {
        // What it holds is read all the same: the player repairs its header.
        log::warning(log::Category::video, "recording %s not finished: %s", file_->FileName().c_str(), e.what());
    }
    file_.reset();
}

void StreamRecording::close() {
    closeFile();
    closed_ = true;
}

bool StreamRecording::splitDue(TimePoint now) const {
    // Never below one minute: every frame would otherwise start a file, and
    // files begun in the same second would share a name.
    const std::int32_t minutes = std::max<std::int32_t>(1, settings_.lengthMinutes ? settings_.lengthMinutes() : 30);
    // Whole minutes on the absolute clock, so a recording that runs over
    // midnight is split like any other.
    return std::chrono::floor<std::chrono::minutes>(now - started_).count() >= minutes;
}

bool StreamRecording::writeFrame(std::span<const std::uint8_t> jpeg) {
    if (closed_) return false;
    const std::optional<int> before = errorOf(failure_);
    const TimePoint now = clock_();
    // A clock set back starts the count again rather than holding the file
    // open, or the next attempt off.
    if (now < started_) started_ = now;
    if (file_ ? splitDue(now) : now - started_ >= kRetryInterval) {
        closeFile();
        open(now);
    }
    if (file_) append(jpeg, now);
    return errorOf(failure_) != before;
}

void StreamRecording::append(std::span<const std::uint8_t> jpeg, TimePoint now) {
    try {
        file_->writeFrame(jpeg, stampOf(now), steady_());
        if (failure_) {
            log::info(log::Category::video, "recording of %s goes on in %s", cameraName_.c_str(),
                      file_->FileName().c_str());
            failure_.reset();
        }
        return;
    } catch (const std::length_error& e) {
        // A picture the format cannot hold; the next one may fit.
        log::warning(log::Category::video, "a picture of %s not recorded: %s", cameraName_.c_str(), e.what());
        return;
    } catch (const std::system_error& e) {
        fail({e.code().value(), file_->FileName(), e.what()});
    } catch (const std::exception& e) {
        fail({0, file_->FileName(), e.what()});
    }
    // The frames before stay playable in the file; the next attempt makes a new one.
    started_ = now;
    closeFile();
}

}  // namespace oculon::video
