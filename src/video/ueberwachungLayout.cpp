#include "video/ueberwachungLayout.h"

#include <array>
#include <charconv>

namespace oculon::video {

using config::TLayoutTyp;

namespace {

constexpr std::array<LayoutRow, config::kLayoutCount> kLayouts{{
    {2, 2, 0},  // r2x2
    {1, 2, 0},  // r1x2
    {2, 1, 0},  // r2x1
    {3, 2, 0},  // r3x2
    {2, 3, 0},  // r2x3
    {3, 3, 0},  // r3x3
    {3, 4, 0},  // r3x4
    {4, 3, 0},  // r4x3
    {4, 4, 0},  // r4x4
    {3, 3, 1},  // r3x3G
    {4, 4, 1},  // r4x4G
}};

// In floating point, each result truncated, so the tiles of one row may
// differ by a pixel but never add up to more than the length.
int part(int length, int count, int times) { return static_cast<int>(static_cast<double>(length) / count * times); }

}  // namespace

const LayoutRow& layoutRow(TLayoutTyp layout) {
    const auto index = static_cast<std::size_t>(layout);
    return index < kLayouts.size() ? kLayouts[index] : kLayouts[0];
}

int tileCount(TLayoutTyp layout) {
    const LayoutRow& l = layoutRow(layout);
    if (l.bigSpan == 0) return l.columns * l.rows;
    return l.columns * l.rows - (l.columns - l.bigSpan) * (l.rows - l.bigSpan) + 1;
}

std::string tileKey(int tile) { return std::to_string(tile); }

int tileOfKey(const std::string& key, TLayoutTyp layout) {
    int tile = -1;
    const char* end = key.data() + key.size();
    const auto [p, error] = std::from_chars(key.data(), end, tile);
    if (error != std::errc() || p != end || tile < 0 || tile >= tileCount(layout)) return -1;
    // "07" or "+7" are keys the wall never writes.
    if (key != tileKey(tile)) return -1;
    return tile;
}

WallGeometry wallGeometry(TLayoutTyp layout, PixelSize client) {
    const LayoutRow& l = layoutRow(layout);
    const int W = client.width;
    const int H = client.height;
    const int C = l.columns;
    const int R = l.rows;
    const int G = l.bigSpan;
    WallGeometry g;

    // Separators next to the big tile stop where it ends. The layouts with a
    // big tile are square, so per-column and per-row steps agree.
    for (int i = 1; i < C; ++i) {
        PixelRect s{part(W, C, i) - 1, 0, kGap, H};
        if (G > 0 && i < C - G) {
            s.top = part(H, R, R - G) - 1;
            s.height = part(H, R, G);
        }
        g.separators.push_back(s);
    }
    for (int j = 1; j < R; ++j) {
        PixelRect s{0, part(H, R, j) - 1, W, kGap};
        if (G > 0 && j < R - G) {
            s.left = part(W, C, C - G) - 1;
            s.width = part(W, C, G);
        }
        g.separators.push_back(s);
    }

    const int tileW = C > 1 ? static_cast<int>(static_cast<double>(W - (C - 1) * kGap) / C) : W;
    const int tileH = R > 1 ? static_cast<int>(static_cast<double>(H - (R - 1) * kGap) / R) : H;
    auto add = [&](int c, int r, int w, int h) {
        TileGeometry t;
        t.tile = {c * kGap + c * tileW, r * kGap + r * tileH, w, h};
        t.recBtn = {t.tile.left + t.tile.width - (kRecBtnWidth + 1), t.tile.top + t.tile.height - (kRecBtnHeight + 1),
                    kRecBtnWidth, kRecBtnHeight};
        t.caption = {t.tile.left, t.tile.top, t.tile.width, kCaptionHeight};
        t.recStatus = {t.tile.left, t.recBtn.top - 1 - kCaptionHeight, t.tile.width, kCaptionHeight};
        g.tiles.push_back(t);
    };
    for (int r = 0; r < R; ++r) {
        int c = 0;
        if (G > 0 && r < R - G) {
            // The big tile is as many cells as it covers, without the gaps
            // between them: its neighbours keep their places in the grid.
            if (r == 0) add(0, 0, (C - G) * tileW, (R - G) * tileH);
            c = C - G;
        }
        for (; c < C; ++c) add(c, r, tileW, tileH);
    }
    g.doorPanel = g.tiles.front().tile;
    return g;
}

PixelSize minimumClientSize(TLayoutTyp layout) {
    const LayoutRow& l = layoutRow(layout);
    return {l.columns * kMinCellSize, l.rows * kMinCellSize};
}

}  // namespace oculon::video
