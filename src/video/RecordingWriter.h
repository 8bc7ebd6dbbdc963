#pragma once
// The recording of one live stream, written on its folder's worker: the
// stream's thread hands every camera picture over with the moment it came
// and goes on with the next at once, whether the folder answers or not.
// While a picture waits for a folder that does not answer (the worker stuck
// in one call, or so far behind that pictures are lost) the recording counts
// as failing, for that reason; the pictures that waited are written once it
// answers again, and those lost to the memory bound are counted and told.
// The file is opened on the worker whenever it answers: a recording that
// begins while the folder naps is not lost.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/FolderWorker.h"
#include "video/StreamRecording.h"

namespace oculon::video {

class RecordingWriter {
public:
    // Runs on the worker or the stream's thread whenever failure() or lost()
    // changes: it may only post a message.
    using Changed = std::function<void()>;

    // Pictures the recording lost while its folder did not answer: how many,
    // and the times of the first and the last of them.
    struct Lost {
        std::uint64_t pictures = 0;
        StreamRecording::TimePoint first, last;
    };

    // Opens the first file on the worker. `folderShown` names the folder in
    // a failure that concerns the whole folder (one that does not answer).
    RecordingWriter(std::string cameraName, StreamRecording::Settings settings, std::string folderShown,
                    std::shared_ptr<platform::FolderWorker> worker, Changed changed);
    // The recording is finished on the worker; nothing waits for it.
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // One thread at a time: a camera picture, stamped now.
    void frame(std::span<const std::uint8_t> jpeg);

    // Any thread.
    std::optional<RecordingFailure> failure() const;
    std::string fileName() const;
    Lost lost() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<platform::FolderWorker> worker_;
    const platform::FolderWorker::Holder holder_ = platform::FolderWorker::newHolder();
};

}  // namespace oculon::video
