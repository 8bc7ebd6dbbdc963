#pragma once
// Reading the window layer's bitmaps as device-independent bits. The window
// layer's bitmap (a QImage in the program, adapted in ui/VDQImageBitmap.h)
// is seen here only through TBitmap, so the image buffers and their tests
// stay free of the toolkit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "media/video/VDBitmap.h"

namespace oculon::mediavideo {

// A bitmap of the window layer, as the image buffers use it.
class TBitmap {
public:
    virtual ~TBitmap() = default;

    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    virtual TPixelFormat PixelFormat() const = 0;

    // A bitmap of that size (the picture is not kept) and of that format
    // (the picture is converted); the window layer's own formats other than
    // pf24bit and pf32bit may be refused, which leaves the format.
    virtual void SetSize(std::int32_t width, std::int32_t height) = 0;
    virtual void SetPixelFormat(TPixelFormat format) = 0;
    // Row y (0 = top) of a pf24bit or pf32bit bitmap: B, G, R(, A) per pixel.
    virtual std::uint8_t* ScanLine(std::int32_t y) = 0;

    // The whole picture as top-down rows of 24 or 32 bits per pixel (B, G,
    // R(, A)), whatever the bitmap's own format: `first` is the top row,
    // rows are `step` bytes apart, and `keep` holds them. Nothing for other
    // bit counts or an empty bitmap.
    struct Rows {
        const std::uint8_t* first = nullptr;
        std::ptrdiff_t step = 0;
        std::shared_ptr<const void> keep;
    };
    virtual std::optional<Rows> DIBRows(unsigned bitCount) const = 0;

    // The header of the device-independent bitmap the bitmap is kept in, for
    // a bitmap that is one (a memory bitmap, TVDBasicBitmap); nothing for
    // one the window layer keeps its own way.
    virtual std::optional<BITMAPINFOHEADER> DIBSectionHeader() const { return std::nullopt; }
};

// A memory bitmap seen as a window-layer bitmap: its rows and its header.
class TVDBasicBitmapView final : public TBitmap {
public:
    explicit TVDBasicBitmapView(TVDBasicBitmap& bitmap) : bitmap_(bitmap) {}
    std::int32_t Width() const override { return bitmap_.Width(); }
    std::int32_t Height() const override { return bitmap_.Height(); }
    TPixelFormat PixelFormat() const override { return bitmap_.GetPixelFormat(); }
    void SetSize(std::int32_t width, std::int32_t height) override;
    void SetPixelFormat(TPixelFormat format) override { bitmap_.SetPixelFormat(format); }
    std::uint8_t* ScanLine(std::int32_t y) override;
    std::optional<Rows> DIBRows(unsigned bitCount) const override;
    std::optional<BITMAPINFOHEADER> DIBSectionHeader() const override;

private:
    TVDBasicBitmap& bitmap_;
};

// A header for reading `bitmap` at `bitCount` bits per pixel: the bitmap's
// own header when it is kept as a device-independent bitmap (its resolution
// and the sign of its height included), otherwise one of its width and
// height (positive: bottom-up); then one plane, no colour table, and the size
// of its rows padded to 4 bytes. False for an empty bitmap.
bool SGInitializeBitmapInfoHeader(const TBitmap& bitmap, BITMAPINFOHEADER& header, unsigned bitCount);

// Reads `bitmap` top-down into `bits` at `bitCount` (24 or 32) bits per
// pixel, row r at r x rowWidth pixels, so that a caller whose rows are wider
// than the bitmap (an image buffer's rows rounded up to 4 pixels) gets them
// at its own step. The header is left as SGInitializeBitmapInfoHeader made
// it, with the height negated. The rows come top-down whatever the sign. False, with nothing written, for
// an empty bitmap, another bit count, a row width below the bitmap's width,
// or `bits` too small for the rows.
bool SGGetDIB(const TBitmap& bitmap, BITMAPINFOHEADER& header, unsigned bitCount, std::uint32_t rowWidth,
              std::span<std::uint8_t> bits);

}  // namespace oculon::mediavideo
