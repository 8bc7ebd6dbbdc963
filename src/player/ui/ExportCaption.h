#pragma once
// The caption of an exported picture as the user sees it: the frame's date
// and time in the user's format and the camera's name, black on white at the
// top left, in the window layer's default font.

#include <QString>

#include <string>

#include "player/FrameExport.h"

namespace oculon::player::ui {

// Writes `text` on the picture with its top left at (x, y).
void drawCaption(video::Image& picture, int x, int y, const QString& text);

// "date-time camera" at (5, 5). Safe on any thread: it paints on the
// picture's own pixels.
CaptionPainter captionPainter(const std::string& cameraName);

// The rows from the top of the picture that captionPainter(cameraName) can
// touch, an even number: the font's line with the lowest reach of the
// camera's name and of any date and time, and a margin for the smoothing.
int captionRows(const std::string& cameraName);

}  // namespace oculon::player::ui
