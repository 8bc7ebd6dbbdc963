#pragma once
// Exports of a recording, the parts that both share: the name proposed for
// the exported file, the caption each exported picture carries, and the
// export of the shown frame as a JPEG picture.

#include <ctime>
#include <functional>
#include <string>

#include "platform/TemporaryFile.h"
#include "video/Jpeg.h"
#include "video/MJPEGFile.h"

namespace oculon::player {

// Writes the caption of an exported picture, the frame's date and time and
// the camera's name, at (5, 5). The window layer supplies it: fonts and the
// user's date format belong to it. Called on the exporting thread.
using CaptionPainter = std::function<void(video::Image& picture, const video::TTimeStamp& time)>;

// A recording's time stamp as calendar date and time of day.
std::tm calendarOf(const video::TTimeStamp& stamp);

// "YYYY-MM-DD_hh-mm-ss_ camera" (with the blank after the underscore), the
// camera's name made safe as a file name and, when it is not UTF-8, read as
// Latin-1: the name is proposed in a dialog, as Unicode text.
std::string exportFileName(const video::TTimeStamp& stamp, const std::string& cameraName);

// An export's error as the user reads it: the temporary file it wrote
// first is named as the file the user chose.
std::string namedAsChosen(std::string error, const std::string& temporary, const std::string& fileName);

// Raises std::runtime_error when `fileName` leads to the recording itself
// (the same file, also through a link): written over, the recording would
// be replaced by its own export.
void refuseTheRecording(const std::string& recording, const std::string& fileName);

// The picture with its caption as a JPEG file at the encoder's default
// quality. The file appears whole or not at all (an existing one is replaced
// only by a complete new one); the recording it comes from, and what must
// not be replaced (whatBlocksTarget), never is. Raises std::runtime_error
// with the reason.
void exportFrame(const video::Image& picture, const video::TTimeStamp& time, const CaptionPainter& caption,
                 const std::string& fileName, const std::string& recording);

}  // namespace oculon::player
