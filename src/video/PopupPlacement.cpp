#include "video/PopupPlacement.h"

#include <algorithm>

namespace oculon::video {

namespace {

bool inside(const PixelRect& r, const PixelRect& area) {
    return r.left >= area.left && r.top >= area.top && r.left + r.width <= area.left + area.width &&
           r.top + r.height <= area.top + area.height;
}

// How many steps from `first` on stay inside: at least one step when `first` does.
int stepsInside(PixelRect first, int dx, int dy, const PixelRect& area) {
    int count = 0;
    // Every step moves by dx + dy > 0, so the walk leaves the area.
    for (; inside(first, area); ++count) {
        first.left += dx;
        first.top += dy;
    }
    return count;
}

}  // namespace

PixelRect furtherPopupPlace(const PixelRect& main, int listed, const std::optional<ScreenRoom>& room) {
    PixelRect popup = main;
    if (room) {
        popup.width = std::max(1, std::min(popup.width, room->area.width - room->frame.width));
        popup.height = std::max(1, std::min(popup.height, room->area.height - room->frame.height));
    }
    const int dx = popup.width / 2;
    const int dy = popup.height / 2;
    const int step = listed + 1;
    popup.left = main.left + step * dx;
    popup.top = main.top + step * dy;
    if (!room || dx + dy == 0) return popup;

    const auto frameAt = [&](int left, int top) {
        return PixelRect{left, top, popup.width + room->frame.width, popup.height + room->frame.height};
    };
    // The steps from the main popup that fit, then rounds from the corner.
    const int fromMain = stepsInside(frameAt(main.left + dx, main.top + dy), dx, dy, room->area);
    if (step <= fromMain) return popup;
    const int perRound = std::max(1, stepsInside(frameAt(room->area.left, room->area.top), dx, dy, room->area));
    const int inRound = (step - fromMain - 1) % perRound;
    popup.left = room->area.left + inRound * dx;
    popup.top = room->area.top + inRound * dy;
    return popup;
}

PixelRect keepInside(const PixelRect& outer, const PixelRect& area) {
    PixelRect moved = outer;
    moved.left = std::max(area.left, std::min(outer.left, area.left + area.width - outer.width));
    moved.top = std::max(area.top, std::min(outer.top, area.top + area.height - outer.height));
    return moved;
}

}  // namespace oculon::video
