#include "video/PopupPlacement.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace oculon::video {

namespace {

using Place = std::pair<int, int>;  // left, top of a popup's frame

// The places the cascade of one size of popup can take in the free area.
class Cascade {
public:
    Cascade(const ScreenRoom& room, PixelSize client)
        : area_(room.area),
          outer_{client.width + room.frame.width, client.height + room.frame.height},
          step_{client.width / 2, client.height / 2},
          // A title bar: the frame's height, which is mostly the title.
          title_(room.frame.height > 0 ? room.frame.height : kFrameGuess.height) {}

    bool fits(Place p) const {
        return p.first >= area_.left && p.second >= area_.top && p.first + outer_.width <= area_.left + area_.width &&
               p.second + outer_.height <= area_.top + area_.height;
    }

    // The first `wanted` places further popups take after `main`, in order;
    // fewer when the area has no more.
    std::vector<Place> places(Place main, std::size_t wanted) const {
        std::vector<Place> found;
        std::set<Place> taken{main};
        const auto take = [&](Place p) {
            if (taken.insert(p).second) found.push_back(p);
            return found.size() >= wanted;
        };
        const auto round = [&](Place start) {
            for (Place p = start; fits(p); p = next(p)) {
                if (take(p)) return true;
                if (step_.width + step_.height == 0) break;
            }
            return false;
        };
        if (round(next(main))) return found;
        for (const Place& start : roundStarts())
            if (round(start)) return found;
        return found;
    }

private:
    Place next(Place p) const { return {p.first + step_.width, p.second + step_.height}; }

    // Where the rounds from the corner start: a title bar apart, first down
    // the diagonal, where each popup's title shows above the next one, then
    // on the rest of that grid, row by row.
    std::vector<Place> roundStarts() const {
        const int columns = std::max(0, (area_.width - outer_.width) / title_ + 1);
        const int rows = std::max(0, (area_.height - outer_.height) / title_ + 1);
        const auto at = [&](int column, int row) {
            return Place{area_.left + column * title_, area_.top + row * title_};
        };
        std::vector<Place> starts;
        for (int k = 0; k < std::min(columns, rows); ++k) starts.push_back(at(k, k));
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                if (column != row) starts.push_back(at(column, row));
        return starts;
    }

    PixelRect area_;
    PixelSize outer_;
    PixelSize step_;
    int title_;
};

}  // namespace

PixelSize largestPopupClient(const ScreenRoom& room) {
    return {std::max(1, room.area.width - room.frame.width), std::max(1, room.area.height - room.frame.height)};
}

PixelRect popupOnScreen(const PixelRect& popup, const ScreenRoom& room) {
    const PixelSize most = largestPopupClient(room);
    const int width = std::min(popup.width, most.width);
    const int height = std::min(popup.height, most.height);
    const PixelRect outer =
        keepInside({popup.left, popup.top, width + room.frame.width, height + room.frame.height}, room.area);
    return {outer.left, outer.top, width, height};
}

PixelRect furtherPopupPlace(const PixelRect& stored, const std::optional<PixelRect>& shownMain, int listed,
                            const std::optional<ScreenRoom>& room) {
    if (!room) {
        const int step = listed + 1;
        return {stored.left + step * (stored.width / 2), stored.top + step * (stored.height / 2), stored.width,
                stored.height};
    }
    // A stored size the free area cannot hold would make every further popup
    // fill the screen, and once their pictures had made them smaller they
    // would all lie on one place: they cascade from the main popup as it
    // shows then, its picture's aspect and the screen applied.
    const PixelSize most = largestPopupClient(*room);
    const bool storedFits = stored.width <= most.width && stored.height <= most.height;
    const PixelRect shown = popupOnScreen(storedFits || !shownMain ? stored : *shownMain, *room);
    const Cascade cascade(*room, {shown.width, shown.height});
    const std::size_t wanted = static_cast<std::size_t>(std::max(0, listed)) + 1;
    const std::vector<Place> places = cascade.places({shown.left, shown.top}, wanted);
    // Every place taken: the cascade goes round again on the same places.
    const Place place = places.empty() ? Place{shown.left, shown.top} : places[(wanted - 1) % places.size()];
    return {place.first, place.second, shown.width, shown.height};
}

PixelRect keepInside(const PixelRect& outer, const PixelRect& area) {
    PixelRect moved = outer;
    moved.left = std::max(area.left, std::min(outer.left, area.left + area.width - outer.width));
    moved.top = std::max(area.top, std::min(outer.top, area.top + area.height - outer.height));
    return moved;
}

}  // namespace oculon::video
