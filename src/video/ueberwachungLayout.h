#pragma once
// The surveillance wall's grid without its window: the eleven layouts, how
// their tiles are numbered, and where tiles, separators, recording buttons
// (and their status lines), caption labels and the door frame go for a client area.

#include <string>
#include <vector>

#include "config/sprachen.h"
#include "video/PictureSink.h"

namespace oculon::video {

// One row of the layout table: columns, rows and how many cells of the
// right-hand columns and bottom rows stay outside the big tile (0: no big
// tile). The big tile is tile 0 and covers the top-left
// (columns - bigSpan) x (rows - bigSpan) cells.
struct LayoutRow {
    int columns = 0;
    int rows = 0;
    int bigSpan = 0;
};

inline constexpr int kGap = 2;            // between tiles; also the separator's thickness
inline constexpr int kMinCellSize = 150;  // the wall never gets smaller than this per cell
inline constexpr int kRecBtnWidth = 81;
inline constexpr int kRecBtnHeight = 25;
inline constexpr int kCaptionHeight = 18;

// The row of a layout; an unknown value reads as 2 x 2.
const LayoutRow& layoutRow(config::TLayoutTyp layout);
int tileCount(config::TLayoutTyp layout);
// The key under which a tile's camera is stored and its controls are kept.
std::string tileKey(int tile);
// The tile number of a key, or -1 when the key names no tile of the layout
// (only plain decimal numbers below the tile count do).
int tileOfKey(const std::string& key, config::TLayoutTyp layout);

struct TileGeometry {
    PixelRect tile;
    PixelRect recBtn;
    PixelRect caption;
    PixelRect recStatus;  // the tile's width, above the button: why the tile does not record
};

struct WallGeometry {
    std::vector<TileGeometry> tiles;    // by tile number
    std::vector<PixelRect> separators;  // vertical ones first, then horizontal
    PixelRect doorPanel;                // tile 0's place
};

// Where everything goes in a client area of `client` size.
WallGeometry wallGeometry(config::TLayoutTyp layout, PixelSize client);

// The smallest client area the layout accepts: 150 pixels per cell.
PixelSize minimumClientSize(config::TLayoutTyp layout);

}  // namespace oculon::video
