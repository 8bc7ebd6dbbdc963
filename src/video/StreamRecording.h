#pragma once
// The recording of one live stream: the camera's raw JPEG parts go into
// ".kvd" files in the camera's dated folder, a new file beginning whenever
// the current one has run for the configured number of minutes.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "video/MJPEGFile.h"

namespace oculon::video {

class StreamRecording {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    using Clock = std::function<TimePoint()>;
    // Where files go and how long each runs; asked afresh for every file and
    // every frame, so a change of the settings takes effect at once.
    struct Settings {
        std::function<std::string(const std::string& cameraName)> folder;  // ends with '/'
        std::function<std::int32_t()> lengthMinutes;
    };

    // Opens the first file at once.
    StreamRecording(std::string cameraName, Settings settings, Clock clock = &std::chrono::system_clock::now);
    ~StreamRecording();
    StreamRecording(const StreamRecording&) = delete;
    StreamRecording& operator=(const StreamRecording&) = delete;

    // False once the recording has failed (folder not writable, disk full);
    // the frames written until then stay in their file.
    bool isOpen() const { return file_ != nullptr; }
    // Starts the next file when the current one is due, then appends.
    void writeFrame(std::span<const std::uint8_t> jpeg);
    // Finishes the current file (a file without frames is removed).
    void close();
    std::string fileName() const;

private:
    void open();
    bool splitDue(TimePoint now) const;

    std::string cameraName_;
    Settings settings_;
    Clock clock_;
    TimePoint started_;
    std::unique_ptr<TMJPEGFile> file_;
};

}  // namespace oculon::video
