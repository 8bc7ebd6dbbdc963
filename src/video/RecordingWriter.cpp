#include "video/RecordingWriter.h"

#include <cerrno>
#include <ctime>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/Log.h"

namespace oculon::video {

namespace {

std::string clockTime(StreamRecording::TimePoint when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace

struct RecordingWriter::Shared {
    Shared(std::string camera, std::string shown, Changed c)
        : cameraName(std::move(camera)), folderShown(std::move(shown)), changed(std::move(c)) {}

    // Worker only.
    std::unique_ptr<StreamRecording> recording;
    StreamRecording::TimePoint frameTime;
    std::chrono::steady_clock::time_point frameCame;

    const std::string cameraName;
    const std::string folderShown;
    const Changed changed;

    mutable std::mutex mutex;
    std::optional<RecordingFailure> failure;  // the recording's own
    std::string fileName;
    bool notAnswering = false;
    std::size_t queued = 0;  // pictures and steps taken by the worker and not done yet
    Lost lost;
    std::uint64_t lostTold = 0;  // in the log

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
                logLost();
            }
        }
        if (tell && changed) changed();
    }

    // Under the mutex.
    void logLost() {
        if (lost.pictures == lostTold) return;
        log::warning(log::Category::video, "recording of %s: %llu pictures lost from %s to %s: %s does not answer",
                     cameraName.c_str(), static_cast<unsigned long long>(lost.pictures - lostTold),
                     clockTime(lost.first).c_str(), clockTime(lost.last).c_str(), folderShown.c_str());
        lostTold = lost.pictures;
    }

    void stepTaken() {
        std::lock_guard lock(mutex);
        ++queued;
    }

    // A picture taken at `came` will not be written: the worker did not
    // take it, or gave its room to another recording's.
    void pictureLost(StreamRecording::TimePoint came) {
        bool tell = false;
        {
            std::lock_guard lock(mutex);
            --queued;
            if (lost.pictures == 0 || came < lost.first) lost.first = came;
            if (lost.pictures == 0 || came > lost.last) lost.last = came;
            ++lost.pictures;
            // Told as it begins; how many is told once it answers again.
            tell = !std::exchange(notAnswering, true);
        }
        if (tell && changed) changed();
    }

    void notAnsweringNow() {
        {
            std::lock_guard lock(mutex);
            // Only while a picture waits: a folder stuck in another's work
            // holds up nothing of this recording.
            if (notAnswering || queued == 0) return;
            notAnswering = true;
        }
        if (changed) changed();
    }
};

RecordingWriter::RecordingWriter(std::string cameraName, StreamRecording::Settings settings, std::string folderShown,
                                 std::shared_ptr<platform::FolderWorker> worker, Changed changed)
    : shared_(std::make_shared<Shared>(cameraName, std::move(folderShown), std::move(changed))),
      worker_(std::move(worker)) {
    const auto now = std::chrono::system_clock::now();
    const auto came = std::chrono::steady_clock::now();
    shared_->stepTaken();
    auto open = [shared = shared_, name = std::move(cameraName), settings = std::move(settings), now, came]() mutable {
        shared->frameTime = now;
        shared->frameCame = came;
        // The recording's clocks are those of the picture being written.
        Shared* s = shared.get();
        shared->recording = std::make_unique<StreamRecording>(
            std::move(name), std::move(settings), [s] { return s->frameTime; }, [s] { return s->frameCame; });
        // Told either way: until now nobody knew.
        shared->stepDone(true);
    };
    // Always taken, however full the queue: the pictures that follow then
    // have a file to go to once the folder answers.
    worker_->post(std::move(open), {0, holder_, nullptr}, platform::FolderWorker::Admission::always);
}

RecordingWriter::~RecordingWriter() {
    // Always taken: the file is finished there, and what the recording held
    // freed there, never on the thread that lets go of it.
    worker_->post([shared = shared_] { shared->recording.reset(); }, 0, platform::FolderWorker::Admission::always);
}

void RecordingWriter::frame(std::span<const std::uint8_t> jpeg) {
    const auto now = std::chrono::system_clock::now();
    const auto came = std::chrono::steady_clock::now();
    shared_->stepTaken();
    const bool taken = worker_->post(
        [shared = shared_, bytes = std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()), now, came] {
            bool changed = false;
            if (shared->recording) {
                shared->frameTime = now;
                shared->frameCame = came;
                changed = shared->recording->writeFrame(bytes);
            }
            shared->stepDone(changed);
        },
        {jpeg.size(), holder_, [shared = shared_, now] { shared->pictureLost(now); }});
    if (!taken) shared_->pictureLost(now);
    else if (worker_->stuck()) shared_->notAnsweringNow();
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

RecordingWriter::Lost RecordingWriter::lost() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->lost;
}

}  // namespace oculon::video
