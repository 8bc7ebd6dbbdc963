#include "video/PopupPlacement.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

#include "video/HauptProgrammModel.h"

namespace oculon::video {

namespace {

using Place = std::pair<int, int>;  // left, top of a popup's frame

// The area `a` and `b` have in common.
long long overlap(const PixelRect& a, const PixelRect& b) {
    const long long width = std::min(a.left + a.width, b.left + b.width) - std::max(a.left, b.left);
    const long long height = std::min(a.top + a.height, b.top + b.height) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// The largest whole number of `step`s not above `value`; `step` > 0.
int floorDiv(int value, int step) { return value >= 0 ? value / step : -((-value + step - 1) / step); }

// `origin` plus whole steps, those within [lo, hi], in ascending order.
std::vector<int> onGrid(int origin, int step, int lo, int hi) {
    std::vector<int> values;
    for (int v = origin - floorDiv(origin - lo, step) * step; v <= hi; v += step) values.push_back(v);
    return values;
}

// What a popup on the screen wants to keep in sight: its title bar to move
// it by with the header row below it, which names the station, and its
// door buttons; and its frame.
struct InSight {
    PixelRect outer;
    PixelRect header;
    PixelRect doorButtons;
};

InSight inSightOf(const PixelRect& popup, PixelSize frame) {
    // The side borders are thin; the rest of the frame's height is the title.
    const int side = frame.width / 2;
    const int title = std::max(0, frame.height - side);
    const int clientLeft = popup.left + side;
    const int clientTop = popup.top + title;
    const int doorWidth = std::min(popup.width, kPopupDoorCorner.width);
    const int doorHeight = std::min(popup.height, kPopupDoorCorner.height);
    return {{popup.left, popup.top, popup.width + frame.width, popup.height + frame.height},
            {popup.left, popup.top, popup.width + frame.width, title + std::min(popup.height, kPopupHeaderHeight)},
            {clientLeft + popup.width - doorWidth, clientTop + popup.height - doorHeight, doorWidth, doorHeight}};
}

// What a frame at `outer`, lying on top, hides of the open popups, in the
// order that counts: a popup hidden whole weighs most, door buttons more
// than a header, which keeps its other end to move the popup by; then the
// area of the popups it covers. {0, 0} covers nothing.
using Hidden = std::pair<int, long long>;

Hidden hidden(const PixelRect& outer, const std::vector<InSight>& open) {
    constexpr int kWhole = 100, kDoor = 2, kHeader = 1;
    Hidden weight{0, 0};
    for (const InSight& o : open) {
        if (o.outer.left == outer.left && o.outer.top == outer.top) weight.first += kWhole;
        if (overlap(outer, o.doorButtons) > 0) weight.first += kDoor;
        if (overlap(outer, o.header) > 0) weight.first += kHeader;
        weight.second += overlap(outer, o.outer);
    }
    return weight;
}

std::vector<InSight> inSightOfAll(const OpenPopups& open, PixelSize frame) {
    std::vector<InSight> all;
    if (open.main) all.push_back(inSightOf(*open.main, frame));
    for (const PixelRect& p : open.further) all.push_back(inSightOf(p, frame));
    return all;
}

// The places for a further popup's frame among the popups open in a free
// area.
class PlaceSearch {
public:
    PlaceSearch(const ScreenRoom& room, Place anchor, std::vector<InSight> open)
        : room_(room), anchor_(anchor), open_(std::move(open)) {}

    struct Found {
        Place place;
        Hidden weight;
    };

    // Where a popup of `client` size hides nothing of the others and covers
    // least of them; none where every place hides something. Where one
    // place is free, one that can move no further left or up is too: the
    // places right of and below what the others keep in sight, and the
    // area's corner, are enough.
    std::optional<Found> freePlace(PixelSize client) const {
        const std::optional<Found> found = best(client, false);
        if (found && found->weight.first == 0) return found;
        return std::nullopt;
    }
    // Where a popup of `client` size hides least.
    Place leastHiding(PixelSize client) const { return best(client, true).value_or(Found{anchor_, {}}).place; }

private:
    std::optional<Found> best(PixelSize client, bool onTheFineGrid) const {
        const PixelSize outer{client.width + room_.frame.width, client.height + room_.frame.height};
        std::optional<Found> best;
        for (const Place& p : places(outer, onTheFineGrid)) {
            const Hidden weight = hidden({p.first, p.second, outer.width, outer.height}, open_);
            if (!best || weight < best->weight) best = Found{p, weight};
            if (weight == Hidden{0, 0}) break;
        }
        return best;
    }

    // The places a frame of size `outer` can take, in the order they are
    // tried: the half-popup steps down the diagonal from the anchor, the
    // rest of the half-popup grid around it row by row, the places right of
    // and below what the open popups keep in sight; on the fine grid also
    // the places a title bar apart over the area, row by row, and along its
    // right and bottom edges.
    std::vector<Place> places(PixelSize outer, bool onTheFineGrid) const {
        const PixelRect& area = room_.area;
        const int right = area.left + area.width - outer.width;
        const int bottom = area.top + area.height - outer.height;
        std::vector<Place> order;
        std::set<Place> listed;
        const auto add = [&](int left, int top) {
            if (left >= area.left && top >= area.top && left <= right && top <= bottom &&
                listed.insert({left, top}).second)
                order.push_back({left, top});
        };
        // Two steps clear a whole popup.
        const PixelSize half{std::max(1, (outer.width + 1) / 2), std::max(1, (outer.height + 1) / 2)};
        for (int k = 1; anchor_.first + k * half.width <= right && anchor_.second + k * half.height <= bottom; ++k)
            add(anchor_.first + k * half.width, anchor_.second + k * half.height);
        const std::vector<int> halfColumns = onGrid(anchor_.first, half.width, area.left, right);
        for (const int top : onGrid(anchor_.second, half.height, area.top, bottom))
            for (const int left : halfColumns) add(left, top);
        std::set<int> columns{area.left}, rows{area.top};
        for (const InSight& o : open_) {
            for (const PixelRect& r : {o.outer, o.header, o.doorButtons}) {
                columns.insert(r.left + r.width);
                rows.insert(r.top + r.height);
            }
        }
        // In line with the main popup first.
        for (const int left : columns) add(left, anchor_.second);
        for (const int top : rows)
            for (const int left : columns) add(left, top);
        if (!onTheFineGrid) return order;
        const int step = std::max(1, inSightOf({0, 0, 0, 0}, room_.frame).header.height);
        std::vector<int> fineColumns = onGrid(area.left, step, area.left, right);
        std::vector<int> fineRows = onGrid(area.top, step, area.top, bottom);
        fineColumns.push_back(right);
        fineRows.push_back(bottom);
        for (const int top : fineRows)
            for (const int left : fineColumns) add(left, top);
        return order;
    }

    ScreenRoom room_;
    Place anchor_;
    std::vector<InSight> open_;
};

// The sizes a further popup may take, from `full` down to half its picture,
// the header row kept.
std::vector<PixelSize> smallerSizes(PixelSize full) {
    constexpr int kSteps = 10;
    const int picture = std::max(0, full.height - kPopupHeaderHeight);
    std::vector<PixelSize> sizes;
    for (int k = 0; k <= kSteps; ++k) {
        const int of = 2 * kSteps - k;  // in twentieths
        sizes.push_back({full.width * of / (2 * kSteps), picture * of / (2 * kSteps) + kPopupHeaderHeight});
    }
    return sizes;
}

// The first of `sizes` (largest first) where `place` finds one; a size
// smaller than one with a place has a place too.
template <typename PlaceFor>
std::optional<PixelRect> largestWithPlace(const std::vector<PixelSize>& sizes, PlaceFor place) {
    std::size_t lo = 0, hi = sizes.size();
    std::optional<PixelRect> found;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (const std::optional<Place> p = place(sizes[mid])) {
            found = PixelRect{p->first, p->second, sizes[mid].width, sizes[mid].height};
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return found;
}

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

PixelRect furtherPopupPlace(const PixelRect& stored, const OpenPopups& open, const std::optional<ScreenRoom>& room) {
    if (!room) {
        std::vector<PixelRect> shown = open.further;
        if (open.main) shown.push_back(*open.main);
        const auto taken = [&](int left, int top) {
            return std::ranges::any_of(shown, [&](const PixelRect& p) { return p.left == left && p.top == top; });
        };
        int step = 1;
        while (taken(stored.left + step * (stored.width / 2), stored.top + step * (stored.height / 2)) &&
               step <= static_cast<int>(shown.size()))
            ++step;
        return {stored.left + step * (stored.width / 2), stored.top + step * (stored.height / 2), stored.width,
                stored.height};
    }
    // Further popups take the main popup's size as it shows, its picture's
    // aspect and the screen applied: the places found are the places they
    // take then.
    const PixelRect full = popupOnScreen(open.main.value_or(stored), *room);
    const PlaceSearch search(*room, {full.left, full.top}, inSightOfAll(open, room->frame));
    // Rather a smaller popup beside the others than one over them; rather
    // one over their pictures than one that hides their title bars or
    // door buttons.
    const std::vector<PixelSize> sizes = smallerSizes({full.width, full.height});
    const auto free = [&](bool coveringNothing) {
        return [&, coveringNothing](PixelSize size) -> std::optional<Place> {
            const std::optional<PlaceSearch::Found> found = search.freePlace(size);
            if (!found || (coveringNothing && found->weight.second > 0)) return std::nullopt;
            return found->place;
        };
    };
    if (std::optional<PixelRect> place = largestWithPlace(sizes, free(true))) return *place;
    if (std::optional<PixelRect> place = largestWithPlace(sizes, free(false))) return *place;
    const Place place = search.leastHiding({full.width, full.height});
    return {place.first, place.second, full.width, full.height};
}

std::optional<PixelRect> furtherPopupMove(const PixelRect& popup, const PixelRect& stored, const OpenPopups& others,
                                          const ScreenRoom& room) {
    const std::vector<InSight> open = inSightOfAll(others, room.frame);
    const auto hides = [&](const PixelRect& p) { return hidden(inSightOf(p, room.frame).outer, open).first != 0; };
    if (!hides(popup)) return std::nullopt;
    const PixelRect place = furtherPopupPlace(stored, others, room);
    // Where no place is free, a popup that jumped would only hide another.
    if (hides(place)) return std::nullopt;
    return place;
}

PixelRect keepInside(const PixelRect& outer, const PixelRect& area) {
    PixelRect moved = outer;
    moved.left = std::max(area.left, std::min(outer.left, area.left + area.width - outer.width));
    moved.top = std::max(area.top, std::min(outer.top, area.top + area.height - outer.height));
    return moved;
}

}  // namespace oculon::video
