#pragma once
// The recording of one live stream, written on the picture folder's worker:
// the stream's thread hands every camera picture over with the moment it
// came and goes on with the next at once, whether the folder answers or not.
// While the folder does not answer (the worker stuck in one call, or so far
// behind that no more pictures are taken) the recording counts as failing,
// for that reason; pictures taken meanwhile are written once it answers
// again, those not taken are lost and the failure said so.

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
    // Runs on the worker or the stream's thread whenever failure() changes:
    // it may only post a message.
    using Changed = std::function<void()>;

    // Opens the first file on the worker. `folderShown` names the folder in
    // a failure that concerns the whole folder (one that does not answer).
    RecordingWriter(std::string cameraName, StreamRecording::Settings settings, std::string folderShown,
                    platform::FolderWorker& worker, Changed changed);
    // The recording is finished on the worker; nothing waits for it.
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // One thread at a time: a camera picture, stamped now.
    void frame(std::span<const std::uint8_t> jpeg);

    // Any thread.
    std::optional<RecordingFailure> failure() const;
    std::string fileName() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    platform::FolderWorker& worker_;
};

}  // namespace oculon::video
