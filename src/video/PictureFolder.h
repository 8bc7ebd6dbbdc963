#pragma once
// The live side's file work on the picture folder: every stream's recording
// and every call's snapshots go through the program's one worker for that
// folder, in the order they come, so that a share that stops answering
// holds up neither a call nor a picture.

#include <string>

#include "platform/FolderWorker.h"

namespace oculon::video {

// Made at its first use; never freed, since a job may be stuck in it when
// the program ends.
platform::FolderWorker& pictureFolderWorker();

// Whether the picture folder `root` was missing when the worker last looked
// (not known yet counts as there), and has the worker look again: a call
// asks on the event loop, where no look at the folder may wait.
bool pictureFolderMissing(const std::string& root);

}  // namespace oculon::video
