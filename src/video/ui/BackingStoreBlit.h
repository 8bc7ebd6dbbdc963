#pragma once
// Copying a control's bitmap into the window's backing store without
// reading the backing store first. A wall repaints a tile for every picture,
// and by then the tile's place in the backing store (megabytes for the whole
// window) has long left the caches: an ordinary copy reads every line of it
// from memory before writing it, which costs more than the copy itself.
// Streaming stores write whole lines without that read.

#include <QImage>
#include <QRegion>

#include <cstddef>
#include <cstdint>

class QPainter;

namespace oculon::video::ui {

// Copies `rows` rows of `rowBytes` bytes with stores that bypass the caches
// where the processor has them (a plain copy elsewhere); the destination is
// not read. The two areas do not overlap.
void streamRows(std::uint8_t* to, std::size_t toStride, const std::uint8_t* from, std::size_t fromStride,
                std::size_t rowBytes, int rows);

// Paints `bitmap` at the origin of the painter's widget, limited to `region`
// (widget coordinates), by copying its bytes straight into the raster image
// the painter draws on: the backing store during a widget's repaint. Done
// only where that gives the very pixels a drawImage would (an opaque 32-bit
// bitmap onto a 32-bit image, no scaling, no rotation, one device pixel per
// pixel, nothing set on the painter); false, with nothing painted, otherwise.
bool blitOpaque(QPainter& painter, const QImage& bitmap, const QRegion& region);

}  // namespace oculon::video::ui
