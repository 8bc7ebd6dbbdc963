#pragma once
// The logic under the live-video popup (TVideobild) without its window: what
// startVideo sets up from a station, the popup's stream paths, its size rule
// that keeps the window at the picture's aspect, and where its controls go.

#include <random>
#include <string>

#include "video/PictureSink.h"
#include "video/VideoCall.h"

namespace oculon::video {

// Random stream ids of one popup, drawn once when it is created: 10000 <= n < 99999.
struct ApiIds {
    std::string apiid1;  // main camera of type 6
    std::string apiid2;  // second camera of type 6

    static ApiIds draw(std::mt19937& random);
};

// Step by step what the popup's startVideo computes for a station; `preview`
// when the user opened the picture from the tray menu.
CallSetup popupSetup(const config::TSingleConfig& station, bool preview, const CallOptions& options, const ApiIds& ids);

// The main stream path: the stored path when there is one, else the type's.
std::string popupStreamPath(const config::TSingleConfig& station, const CallOptions& options,
                            const std::string& apiid1);
// The second camera's stream path; a type without one of its own and no
// stored path gets an empty path (its request then fails with a fault).
std::string secondStreamPath(const config::TSingleConfig& station, const std::string& apiid2);

using Size = PixelSize;
using Rect = PixelRect;

// The window around the picture: `extra` is what the window adds to the
// picture area (borders, caption and header row).
struct PopupFrameExtra {
    int width = 8;
    int height = 72;
};

// The popup keeps its picture area at the picture's aspect: given the size
// the user or the system asks for, the size the window takes. Wide pictures
// (aspect above 1.5) fit to 16:9 thresholds, others to 4:3.
Size popupSizeRule(Size requested, double aspect, PopupFrameExtra extra = {});
// The size rule's answer, made smaller where it is larger than `most` (the
// screen's free area leaves no more): then the largest size `most` holds
// with the picture area at `aspect`. Where the rule's answer fits, that.
Size popupFitSize(Size requested, double aspect, PopupFrameExtra extra, Size most);
// The smallest popup: a window above 10 x 74 with the frame of
// `PopupFrameExtra{}`, that is a picture area of 3 x 3 pixels; with another
// `extra`, the size around that same picture area.
Size popupMinimumSize(PopupFrameExtra extra = {});

// The largest part of `area` that shows a picture of `aspect` (width /
// height) undistorted, centred in it; all of `area` where it is within a
// pixel of that aspect, or where there is no aspect yet (0).
Rect pictureAtAspect(const Rect& area, double aspect);

// Where the popup's controls go for the client area it has: the picture at
// its `aspect` below the header row, the door buttons in the bottom right
// corner of the client area.
struct PopupLayout {
    Rect image1;  // the main picture
    Rect panel2;  // the second camera's inset
    Rect saver;
    Rect moxaPanel;
    Rect panel1, namePanel, datePanel, timePanel;
    Rect bevel1, bevel2, bevel3, bevel4, bevel5;
};
inline constexpr int kPopupHeaderHeight = 45;
inline constexpr int kMoxaPanelWidth = 102;
// The room the door buttons take at most (door, light and input).
inline constexpr Size kPopupDoorCorner{kMoxaPanelWidth, 65};
PopupLayout popupLayout(Size client, double aspect, const DoorPanelLayout& door);

}  // namespace oculon::video
