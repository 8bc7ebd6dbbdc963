#pragma once
// The snapshots of a call, written on their folder's worker: the call takes
// the picture and goes on at once, the worker makes the dated folder and
// writes the file. A picture the user asked for that waits longer than the
// folder may take is told as not saved, once, and is not written any more
// unless its write had begun; one taken by itself (the call's first) waits
// within the workers' memory bound. A picture that fails once its call has
// ended is told to the user all the same. Main thread.

#include <QImage>

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "platform/FolderWorker.h"
#include "video/ui/VideoImage.h"

namespace oculon::video::ui {

class SnapshotWriter {
public:
    // A picture was not saved; `asked` when the user asked for it.
    using Failed = std::function<void(const SnapshotFailure& failure, bool asked)>;
    // A picture was saved.
    using Saved = std::function<void()>;

    // `noAnswer`: how long a picture may wait for the folder.
    SnapshotWriter(Failed failed, Saved saved, std::chrono::milliseconds noAnswer = platform::FolderWorker::kNoAnswer);
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    // `pictureFolder` as saveJpeg takes it.
    void save(const QImage& picture, const std::string& fileName, const std::string& comment, bool asked,
              const std::optional<std::string>& pictureFolder);
    // Has the worker make the folder `wanted` below `pictureFolder` (for a
    // dialog to open in) and calls `ready` once: with the folder to use
    // when it answered in time, with nothing when it did not.
    void whenFolderAnswers(const std::optional<std::string>& pictureFolder, const std::string& wanted,
                           std::function<void(const std::optional<std::string>& folder)> ready);
    // Tells of pictures and folders that have waited too long; call it now
    // and then.
    void checkOverdue();

    // "<file>: the picture folder does not answer", and its reason.
    static SnapshotFailure notAnswering(const std::string& fileName);

    struct Pending;
    struct Receiver;

private:
    std::shared_ptr<Receiver> receiver_;
    std::chrono::milliseconds noAnswer_;
    // The call's share of the folder workers' memory.
    const platform::FolderWorker::Holder holder_ = platform::FolderWorker::newHolder();
};

}  // namespace oculon::video::ui
