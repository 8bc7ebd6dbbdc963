#pragma once
// The live side's file work on the picture folder: every stream's recording
// and every call's snapshots go through the program's one worker for that
// folder, in the order they come, so that a share that stops answering
// holds up neither a call nor a picture.

#include "platform/FolderWorker.h"

namespace oculon::video {

// Made at its first use; never freed, since a job may be stuck in it when
// the program ends.
platform::FolderWorker& pictureFolderWorker();

}  // namespace oculon::video
