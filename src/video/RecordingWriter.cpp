#include "video/RecordingWriter.h"

#include <cerrno>
#include <mutex>
#include <vector>

namespace oculon::video {

struct RecordingWriter::Shared {
    Shared(std::string shown, Changed c) : folderShown(std::move(shown)), changed(std::move(c)) {}

    // Worker only.
    std::unique_ptr<StreamRecording> recording;
    StreamRecording::TimePoint frameTime;

    const std::string folderShown;
    const Changed changed;

    mutable std::mutex mutex;
    std::optional<RecordingFailure> failure;  // the recording's own
    std::string fileName;
    bool notAnswering = false;
    std::size_t queued = 0;  // steps taken by the worker and not done yet

    // Worker, after a step on the recording; `changedByStep` as
    // StreamRecording::writeFrame says.
    void stepDone(bool changedByStep) {
        bool tell = changedByStep;
        {
            std::lock_guard lock(mutex);
            failure = recording ? recording->failure() : std::nullopt;
            fileName = recording ? recording->fileName() : std::string();
            // Answering again once it has caught up with every picture, not
            // with each one, or a slow folder would be told of at every picture.
            if (--queued == 0 && notAnswering) {
                notAnswering = false;
                tell = true;
            }
        }
        if (tell && changed) changed();
    }

    void stepTaken() {
        std::lock_guard lock(mutex);
        ++queued;
    }

    void notAnsweringNow() {
        {
            std::lock_guard lock(mutex);
            if (notAnswering) return;
            notAnswering = true;
        }
        if (changed) changed();
    }
};

RecordingWriter::RecordingWriter(std::string cameraName, StreamRecording::Settings settings, std::string folderShown,
                                 platform::FolderWorker& worker, Changed changed)
    : shared_(std::make_shared<Shared>(std::move(folderShown), std::move(changed))), worker_(worker) {
    const auto now = std::chrono::system_clock::now();
    shared_->stepTaken();
    auto open = [shared = shared_, name = std::move(cameraName), settings = std::move(settings), now]() mutable {
        shared->frameTime = now;
        // The recording's clock is the time of the picture being written.
        Shared* s = shared.get();
        shared->recording =
            std::make_unique<StreamRecording>(std::move(name), std::move(settings), [s] { return s->frameTime; });
        // Told either way: until now nobody knew.
        shared->stepDone(true);
    };
    if (!worker_.post(std::move(open))) {
        shared_->notAnsweringNow();
        std::lock_guard lock(shared_->mutex);
        --shared_->queued;
    }
}

RecordingWriter::~RecordingWriter() {
    // Always taken: the file is finished there, and what the recording held
    // freed there, never on the thread that lets go of it.
    worker_.post([shared = shared_] { shared->recording.reset(); }, 0, platform::FolderWorker::Admission::always);
}

void RecordingWriter::frame(std::span<const std::uint8_t> jpeg) {
    const auto now = std::chrono::system_clock::now();
    shared_->stepTaken();
    const bool taken = worker_.post(
        [shared = shared_, bytes = std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()), now] {
            bool changed = false;
            if (shared->recording) {
                shared->frameTime = now;
                changed = shared->recording->writeFrame(bytes);
            }
            shared->stepDone(changed);
        },
        jpeg.size());
    if (!taken) {
        std::lock_guard lock(shared_->mutex);
        --shared_->queued;
    }
    if (!taken || worker_.stuck()) shared_->notAnsweringNow();
}

std::optional<RecordingFailure> RecordingWriter::failure() const {
    std::lock_guard lock(shared_->mutex);
    if (shared_->notAnswering)
        return RecordingFailure{ETIMEDOUT, shared_->folderShown, "the picture folder does not answer"};
    return shared_->failure;
}

std::string RecordingWriter::fileName() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->fileName;
}

}  // namespace oculon::video
