#pragma once
// Files that could not be written, in the words the user reads: snapshots,
// exports and recordings.

#include <string>

#include "platform/TemporaryFile.h"
#include "video/StreamRecording.h"

namespace oculon::video {

// A file that could not be written or put in place: the file the user chose
// and the system's reason, or what was in the way, in the user's language.
std::string fileFailureText(const platform::FileFailure& failure, const std::string& fileName);

// Why a recording does not write: "Not recording: " and the reason, in the
// catalogue's words for a full disk and for a folder that is missing or
// closed to us, otherwise in the system's.
std::string recordingFailureText(const RecordingFailure& failure);

}  // namespace oculon::video
