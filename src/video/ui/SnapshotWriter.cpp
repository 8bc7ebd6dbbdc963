#include "video/ui/SnapshotWriter.h"

#include <atomic>
#include <utility>
#include <vector>

#include "config/SavePath.h"
#include "config/sprachen.h"
#include "platform/FolderWorker.h"
#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "platform/UserNotice.h"
#include "video/PictureFolder.h"

namespace oculon::video::ui {

namespace {

using platform::FolderWorker;

// A job's way: the worker takes it up, or the call gives up on it first.
enum Phase : int { queued, running, abandoned };

}  // namespace

struct SnapshotWriter::Pending {
    std::atomic<int> phase{queued};
    // Main thread only from here on.
    FolderWorker::Clock::time_point since = FolderWorker::Clock::now();
    std::string fileName;  // the picture, or the folder a dialog waits for
    bool asked = false;
    bool told = false;  // as waiting too long
    // A dialog waiting for its folder.
    std::function<void(const std::optional<std::string>&)> ready;

    // Worker: true when the job is to be done.
    bool begin() {
        int expected = queued;
        return phase.compare_exchange_strong(expected, running);
    }
};

struct SnapshotWriter::Receiver {
    Failed failed;
    Saved saved;
    std::list<std::shared_ptr<Pending>> pending;
};

namespace {

// Main thread: the worker has written the picture, or failed to.
void pictureDone(const std::weak_ptr<SnapshotWriter::Receiver>& weak,
                 const std::shared_ptr<SnapshotWriter::Pending>& picture, const SnapshotFailure& failure) {
    const auto receiver = weak.lock();
    if (receiver) receiver->pending.remove(picture);
    // Told as not saved already: said once.
    if (picture->told) return;
    if (!failure.failed()) {
        if (receiver && receiver->saved) receiver->saved();
    } else if (receiver) {
        if (receiver->failed) receiver->failed(failure, picture->asked);
    } else {
        // Its call has ended: the user learns of it all the same.
        platform::tellUser(platform::Notice::pictureNotSaved, failure.text);
    }
}

}  // namespace

SnapshotWriter::SnapshotWriter(Failed failed, Saved saved, std::chrono::milliseconds noAnswer)
    : receiver_(std::make_shared<Receiver>()), noAnswer_(noAnswer) {
    receiver_->failed = std::move(failed);
    receiver_->saved = std::move(saved);
}

SnapshotWriter::~SnapshotWriter() = default;

SnapshotFailure SnapshotWriter::notAnswering(const std::string& fileName) {
    const std::string why = config::tr(config::txtFolderNotAnswering);
    return {fileName + ": " + why, platform::folderOfFile(fileName) + ": " + why};
}

void SnapshotWriter::save(const QImage& picture, const std::string& fileName, const std::string& comment, bool asked,
                          const std::optional<std::string>& pictureFolder) {
    auto pending = std::make_shared<Pending>();
    pending->fileName = fileName;
    pending->asked = asked;
    const std::weak_ptr<Receiver> receiver = receiver_;
    // Made room for another's picture or recording while the folder naps:
    // told as any picture not saved.
    auto dropped = [pending, receiver] {
        FolderWorker::report([pending, receiver] { pictureDone(receiver, pending, notAnswering(pending->fileName)); });
    };
    const bool taken = folderWorker(pictureFolder.value_or(platform::folderOfFile(fileName)))
                           ->post(
                               [pending, picture, fileName, comment, pictureFolder, receiver] {
                                   if (!pending->begin()) return;
                                   SnapshotFailure failure = saveJpeg(picture, fileName, comment, pictureFolder);
                                   FolderWorker::report([pending, receiver, failure = std::move(failure)] {
                                       pictureDone(receiver, pending, failure);
                                   });
                               },
                               {static_cast<std::size_t>(picture.sizeInBytes()), holder_, std::move(dropped)});
    if (!taken) {
        log::warning(log::Category::video, "snapshot not written: %s: the picture folder does not answer",
                     fileName.c_str());
        if (receiver_->failed) receiver_->failed(notAnswering(fileName), asked);
        return;
    }
    receiver_->pending.push_back(std::move(pending));
}

void SnapshotWriter::whenFolderAnswers(const std::optional<std::string>& pictureFolder, const std::string& wanted,
                                       std::function<void(const std::optional<std::string>& folder)> ready) {
    auto pending = std::make_shared<Pending>();
    pending->fileName = wanted;
    pending->ready = std::move(ready);
    const std::weak_ptr<Receiver> receiver = receiver_;
    const bool taken = folderWorker(pictureFolder.value_or(wanted))->post([pending, pictureFolder, wanted, receiver] {
        if (!pending->begin()) return;
        // A folder that cannot be made is the dialog's to say.
        const config::SaveFolder made = config::makeSaveFolder(pictureFolder.value_or(wanted), wanted);
        const std::string folder = made.failed() ? wanted : made.path;
        FolderWorker::report([pending, receiver, folder] {
            const auto owner = receiver.lock();
            if (!owner || pending->told) return;
            owner->pending.remove(pending);
            std::exchange(pending->ready, nullptr)(folder);
        });
    });
    if (!taken) return std::exchange(pending->ready, nullptr)(std::nullopt);
    receiver_->pending.push_back(std::move(pending));
}

void SnapshotWriter::checkOverdue() {
    const auto now = FolderWorker::Clock::now();
    std::vector<std::shared_ptr<Pending>> overdue;
    // A picture the user did not ask for just now (the call's first one, the
    // door's) waits for the folder within the memory bound: nobody waits
    // for it.
    for (const auto& pending : receiver_->pending)
        if (!pending->told && (pending->asked || pending->ready) && now - pending->since > noAnswer_)
            overdue.push_back(pending);
    // Told once each; one the worker has not begun is not written any more.
    // What is told may start new pictures.
    const std::weak_ptr<Receiver> alive = receiver_;
    for (const auto& pending : overdue) {
        pending->told = true;
        int expected = queued;
        const bool dropped = pending->phase.compare_exchange_strong(expected, abandoned);
        // One in the worker's hands reports back by itself.
        if (dropped || pending->ready) receiver_->pending.remove(pending);
        if (pending->ready) {
            std::exchange(pending->ready, nullptr)(std::nullopt);
        } else {
            log::warning(log::Category::video, "snapshot not written: %s: the picture folder does not answer",
                         pending->fileName.c_str());
            if (receiver_->failed) receiver_->failed(notAnswering(pending->fileName), pending->asked);
        }
        if (alive.expired()) return;
    }
}

}  // namespace oculon::video::ui
