#pragma once
// The live side's file work on the folders the user chose: every stream's
// recording and every call's snapshots go through the worker of their
// folder, in the order they come, so that a share that stops answering
// holds up neither a call nor a picture, nor the work for another folder
// (a snapshot saved in the home folder while the share naps).

#include <functional>
#include <memory>
#include <string>

#include "platform/FolderWorker.h"

namespace oculon::video {

// The worker for `folder`: the picture folder, or the folder of a file
// outside it. Made at its first use; at most a few exist, and one that
// nobody holds and that holds no job makes room for another folder's.
std::shared_ptr<platform::FolderWorker> folderWorker(const std::string& folder);

// Has the worker look whether the picture folder `root` is there now, and
// hands what it found to `answer` on the event loop; nothing when the worker
// does not take the look. A call asks this as it starts, on the event loop,
// where no look at the folder may wait, and goes on meanwhile as though the
// folder were there.
void lookAtPictureFolder(const std::string& root, std::function<void(bool missing)> answer);

}  // namespace oculon::video
