#pragma once
// The logic under the wall's door video frame (TmainVideoFrame) without its
// widget: what its startVideo sets up from a station, and where the picture
// and the controls go for a frame size.

#include <string>

#include "video/HauptProgrammModel.h"
#include "video/VideoCall.h"

namespace oculon::video {

// The frame's start for a station; `appId` is the wall's stream id for
// type-6 cameras, drawn once for the wall's life.
CallSetup frameSetup(const config::TSingleConfig& station, bool show, const CallOptions& options,
                     const std::string& appId);

// The stream path by type only: types 5 and 9 take the stored path.
std::string frameStreamPath(const config::TSingleConfig& station, const std::string& appId);

inline constexpr int kFrameBarHeight = 30;
inline constexpr int kFrameDatePanelWidth = 180;
inline constexpr int kFrameCloseButtonSize = 30;

struct FrameLayout {
    Rect picture;
    Rect namePanel;
    Rect dateTimePanel;
    Rect saveBtn;
    Rect moxaPanel;
    Rect closeButton;
};

// `aspect` is the picture's width / height; without one yet (0) the picture
// fills the space below the bar.
FrameLayout frameLayout(Size frame, double aspect, const DoorPanelLayout& door, bool ohneBT);

}  // namespace oculon::video
