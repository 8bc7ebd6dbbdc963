#pragma once
// The live side's file work on the picture folder: every stream's recording
// and every call's snapshots go through the program's one worker for that
// folder, in the order they come, so that a share that stops answering
// holds up neither a call nor a picture.

#include <functional>
#include <string>

#include "platform/FolderWorker.h"

namespace oculon::video {

// Made at its first use; never freed, since a job may be stuck in it when
// the program ends.
platform::FolderWorker& pictureFolderWorker();

// Has the worker look whether the picture folder `root` is there now, and
// hands what it found to `answer` on the event loop; nothing when the worker
// does not take the look. A call asks this as it starts, on the event loop,
// where no look at the folder may wait, and goes on meanwhile as though the
// folder were there.
void lookAtPictureFolder(const std::string& root, std::function<void(bool missing)> answer);

}  // namespace oculon::video
