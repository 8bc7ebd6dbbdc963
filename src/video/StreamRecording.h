#pragma once
// The recording of one live stream: the camera's raw JPEG parts go into
// ".kvd" files in the camera's dated folder, a new file beginning whenever
// the current one has run for the configured number of minutes. A recording
// that cannot write (a full disk, a folder that is missing or closed to us)
// keeps what it has written, tries a new file every kRetryInterval and goes
// on once that works.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "config/SavePath.h"
#include "video/MJPEGFile.h"

namespace oculon::video {

// Why a recording does not write.
struct RecordingFailure {
    int error = 0;     // the system's error number; 0 for a failure of another kind
    std::string path;  // the file or folder concerned
    std::string what;  // in English, for the log and where there is no error number
    // What of others' took every name the file could have had.
    platform::Intruder intruder = platform::Intruder::none;
};

class StreamRecording {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    using Clock = std::function<TimePoint()>;
    // The moment a frame came on a clock that does not jump: the intervals
    // stored with a file come from it, the names and stamps from `Clock`.
    using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
    // Where files go and how long each runs; asked afresh for every file and
    // every frame, so a change of the settings takes effect at once.
    struct Settings {
        // Made and walked (config::makeSaveFolder) for every file.
        std::function<config::SaveFolder(const std::string& cameraName)> folder;
        std::function<std::int32_t()> lengthMinutes;
    };
    // Shorter than the shortest file: a failed recording is tried again
    // before its next file would have begun.
    static constexpr std::chrono::seconds kRetryInterval{5};

    // Opens the first file at once.
    StreamRecording(std::string cameraName, Settings settings, Clock clock = &std::chrono::system_clock::now,
                    SteadyClock steady = &std::chrono::steady_clock::now);
    ~StreamRecording();
    StreamRecording(const StreamRecording&) = delete;
    StreamRecording& operator=(const StreamRecording&) = delete;

    // True while a file is open and takes the frames.
    bool isOpen() const { return file_ != nullptr; }
    // Set while the recording fails; the frames written until then stay in
    // their files.
    const std::optional<RecordingFailure>& failure() const { return failure_; }
    // Starts the next file when the current one is due (or, while failing,
    // when the retry is), then appends. True when this frame changed whether
    // the recording fails, or why.
    bool writeFrame(std::span<const std::uint8_t> jpeg);
    // Finishes the current file (a file without frames is removed) and
    // records no more.
    void close();
    std::string fileName() const;

private:
    void open(TimePoint now);
    void closeFile();
    void fail(RecordingFailure failure);
    // Hands the frame to the open file; a failure closes it.
    void append(std::span<const std::uint8_t> jpeg, TimePoint now);
    bool splitDue(TimePoint now) const;

    std::string cameraName_;
    Settings settings_;
    Clock clock_;
    SteadyClock steady_;
    // When the current file began, or, while failing, the last attempt.
    TimePoint started_;
    std::unique_ptr<TMJPEGFile> file_;
    std::optional<RecordingFailure> failure_;
    bool closed_ = false;
};

}  // namespace oculon::video
