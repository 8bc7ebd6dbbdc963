#pragma once
// The surveillance page: the small preview of the chosen wall layout made
// of one tile per wall camera position, the tiles' menu commands that go to
// the wall as TSurvChange, and the rules of the frame-rate and
// recording-length controls.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "video/PictureSink.h"

namespace oculon::settings {

inline constexpr int kPreviewWidth = 236;
inline constexpr int kPreviewHeight = 145;

struct PreviewTile {
    int number = 0;  // position in the layout, from 0
    video::PixelRect place;
    std::string label;  // the number, and the wall camera's name on a second line
    bool configured = false;
    int recording = 0;  // 0 never, 1 always, 2 the user starts it
};

struct Preview {
    int width = 0;  // of the panel holding the tiles
    int height = 0;
    std::vector<PreviewTile> tiles;
};

// Where the tiles of `layout` go (labels are the bare numbers).
Preview previewGeometry(config::TLayoutTyp layout);
// The same with the stored wall cameras.
Preview previewOf(config::TLayoutTyp layout, const config::TVideoConfig& settings);

// A tile menu's command for the wall: remove the camera, or set its
// recording mode (0, 1 or 2).
std::unique_ptr<config::TSurvChange> removeCamera(int tile);
std::unique_ptr<config::TSurvChange> setRecording(int tile, int recording);

// The stored frame-rate divisor as one of 1, 2, 4 or 8.
int frameRateDivisor(std::int32_t stored);
// The recording length typed into the minute edit: no number counts as 0,
// and the slider keeps to 1..360.
int recordLengthOf(const std::string& text);
inline constexpr int kMaxRecordLength = 360;
// Minutes marked on the recording-length control.
inline constexpr std::array<int, 8> kRecordLengthTicks = {1, 10, 20, 30, 60, 120, 240, 360};

}  // namespace oculon::settings
