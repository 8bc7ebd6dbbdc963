// The wall's grid: tile counts and numbering of every layout, the 2-pixel
// gaps, the big tile, separators that stop at it, the controls on each tile
// and the minimum client size.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "video/ueberwachungLayout.h"

namespace oculon::video {
namespace {

using namespace config;

constexpr std::array<int, kLayoutCount> kTiles{4, 2, 2, 6, 6, 9, 12, 12, 16, 6, 8};

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

TEST(WallLayout, EveryLayoutTilesItsClientAreaRowByRow) {
    for (int l = 0; l < kLayoutCount; ++l) {
        const auto layout = static_cast<TLayoutTyp>(l);
        const LayoutRow& row = layoutRow(layout);
        EXPECT_EQ(tileCount(layout), kTiles[l]) << l;
        for (const PixelSize client : {PixelSize{640, 480}, PixelSize{1000, 777}, PixelSize{601, 599}}) {
            const WallGeometry g = wallGeometry(layout, client);
            ASSERT_EQ(static_cast<int>(g.tiles.size()), kTiles[l]) << l;
            EXPECT_EQ(static_cast<int>(g.separators.size()), row.columns - 1 + row.rows - 1);
            const int cellW = row.columns > 1 ? (client.width - (row.columns - 1) * kGap) / row.columns : client.width;
            const int cellH = row.rows > 1 ? (client.height - (row.rows - 1) * kGap) / row.rows : client.height;
            EXPECT_EQ(g.doorPanel, g.tiles[0].tile);
            for (std::size_t t = 0; t < g.tiles.size(); ++t) {
                const PixelRect& r = g.tiles[t].tile;
                SCOPED_TRACE("layout " + std::to_string(l) + " tile " + std::to_string(t));
                EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.width <= client.width &&
                            r.top + r.height <= client.height);
                // Cells sit on the grid of cell size plus gap.
                EXPECT_EQ(r.left % (cellW + kGap), 0);
                EXPECT_EQ(r.top % (cellH + kGap), 0);
                if (t > 0 || row.bigSpan == 0) {
                    EXPECT_EQ(r.width, cellW);
                    EXPECT_EQ(r.height, cellH);
                } else {
                    const int span = row.columns - row.bigSpan;
                    EXPECT_EQ(r.width, span * cellW);
                    EXPECT_EQ(r.height, span * cellH);
                }
                // A tile below another sits one grid step lower per cell the
                // one above covers: the big tile leaves its inner gaps below it.
                const PixelRect* above = nullptr;
                for (std::size_t u = 0; u < t; ++u) {
                    const PixelRect& o = g.tiles[u].tile;
                    if (o.left == r.left && o.top < r.top && (!above || o.top > above->top)) above = &o;
                }
                if (above) {
                    EXPECT_EQ(r.top, above->top + above->height / cellH * (cellH + kGap));
                }
                for (std::size_t u = 0; u < t; ++u) EXPECT_FALSE(overlap(r, g.tiles[u].tile)) << u;
                const TileGeometry& tg = g.tiles[t];
                EXPECT_EQ(tg.recBtn, (PixelRect{r.left + r.width - 82, r.top + r.height - 26, 81, 25}));
                EXPECT_EQ(tg.caption, (PixelRect{r.left, r.top, r.width, 18}));
                EXPECT_EQ(tg.recStatus, (PixelRect{r.left, r.top + r.height - 45, r.width, 18}));
            }
        }
    }
}

TEST(WallLayout, BigTileAndTheSeparatorsThatStopAtIt) {
    // 3 x 3 with one big tile on 640 x 480: cells 212 x 158.
    const WallGeometry g = wallGeometry(r3x3G, {640, 480});
    ASSERT_EQ(g.tiles.size(), 6u);
    EXPECT_EQ(g.tiles[0].tile, (PixelRect{0, 0, 424, 316}));  // two cells, without the gap between
    const PixelRect small[] = {
        {428, 0, 212, 158}, {428, 160, 212, 158}, {0, 320, 212, 158}, {214, 320, 212, 158}, {428, 320, 212, 158}};
    for (int t = 1; t < 6; ++t) EXPECT_EQ(g.tiles[t].tile, small[t - 1]) << t;
    ASSERT_EQ(g.separators.size(), 4u);
    EXPECT_EQ(g.separators[0], (PixelRect{212, 319, 2, 160}));  // through the last row only
    EXPECT_EQ(g.separators[1], (PixelRect{425, 0, 2, 480}));    // left of the last column
    EXPECT_EQ(g.separators[2], (PixelRect{425, 159, 213, 2}));  // right of the big tile only
    EXPECT_EQ(g.separators[3], (PixelRect{0, 319, 640, 2}));
}

TEST(WallLayout, MinimumSizeAndTileKeys) {
    EXPECT_EQ(minimumClientSize(r4x3), (PixelSize{600, 450}));
    EXPECT_EQ(minimumClientSize(r1x2), (PixelSize{150, 300}));
    EXPECT_EQ(minimumClientSize(static_cast<TLayoutTyp>(200)), minimumClientSize(r2x2));

    EXPECT_EQ(
        std::vector<int>({tileOfKey("0", r2x2), tileOfKey("3", r2x2), tileOfKey("15", r4x4), tileOfKey("7", r4x4G)}),
        std::vector<int>({0, 3, 15, 7}));
    for (const char* bad : {"4", "8", "16", "07", "+1", "-1", "", "1a", " 1", "99999999999"})
        EXPECT_EQ(tileOfKey(bad, r2x2), -1) << bad;
    EXPECT_EQ(tileOfKey("8", r4x4G), -1);
}

}  // namespace
}  // namespace oculon::video
