#include "video/tuerVideoModel.h"

namespace oculon::video {

using namespace config;

std::string frameStreamPath(const TSingleConfig& s, const std::string& appId) {
    if (cameraTraits(s.typ).frameUsesStoredPath) return s.videoPath;
    return builtInStreamPath(s.typ, s.resString, appId).value_or(s.videoPath);
}

CallSetup frameSetup(const TSingleConfig& s, bool show, const CallOptions& o, const std::string& appId) {
    CallSetup c;
    fillCommonSetup(c, s, show, o, s.Name);
    c.main.Path = frameStreamPath(s, appId);
    c.main.aufzeichnen = o.storeVideo;
    c.firstPictureCallback = true;
    return c;
}

FrameLayout frameLayout(Size frame, double aspect, const DoorPanelLayout& door, bool ohneBT) {
    const int w = frame.width;
    const int h = frame.height;
    const int below = h - kFrameBarHeight;
    FrameLayout l;
    l.picture = pictureAtAspect({0, kFrameBarHeight, w, below}, aspect);
    const int nameWidth = w - (ohneBT ? kFrameDatePanelWidth + kFrameCloseButtonSize : kFrameDatePanelWidth);
    l.namePanel = {0, 0, nameWidth, kFrameBarHeight};
    l.dateTimePanel = {nameWidth, 0, kFrameDatePanelWidth, kFrameBarHeight};
    l.saveBtn = {0, h - 25, 125, 25};
    l.moxaPanel = {w - kMoxaPanelWidth, door.panelTop(h), kMoxaPanelWidth, door.panelHeight};
    l.closeButton = {w - kFrameCloseButtonSize, 0, kFrameCloseButtonSize, kFrameCloseButtonSize};
    return l;
}

}  // namespace oculon::video
