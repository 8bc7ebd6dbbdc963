// The image buffer's transfers to and from bitmaps and BMP files.

#include <algorithm>
#include <cstring>

#include "media/video/VDBitmap.h"
#include "media/video/VDDIB.h"
#include "media/video/VDSimpleImageBuffer.h"
#include "platform/Log.h"

namespace oculon::mediavideo {

using F = TVDVideoFormat;

namespace {

std::uint32_t sideOf(std::int32_t value) { return static_cast<std::uint32_t>(std::max(value, 0)); }

}  // namespace

IVDImageBuffer TVDImageBuffer::CreateBmp(const TBitmap& bitmap) {
    const F format = bitmap.PixelFormat() == TPixelFormat::pf32bit ? F::vfRGBA32 : F::vfRGB24;
    auto frame = CreateSize(sideOf(bitmap.Width()), sideOf(bitmap.Height()), format);
    frame->FromBitmap(bitmap);
    return frame;
}

void TVDImageBuffer::FromBitmap(const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    const bool rgba = bitmap.PixelFormat() == TPixelFormat::pf32bit;
    SetImageSizeFormat(sideOf(bitmap.Width()), sideOf(bitmap.Height()), rgba ? F::vfRGBA32 : F::vfRGB24);
    BITMAPINFOHEADER header;
    std::uint8_t* bits = Write();
    if (!SGGetDIB(bitmap, header, rgba ? 32 : 24, GetExtWidth(), {bits, GetByteSize()}))
        log::warning(log::Category::media, "A %dx%d bitmap could not be read into a frame", bitmap.Width(),
                     bitmap.Height());
}

void TVDImageBuffer::ToBitmap(TBitmap& bitmap) {
    const bool rgba = FFormat == F::vfRGBA32;
    if (!rgba) SetFormat(F::vfRGB24);
    const TPixelFormat format = rgba ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
    const auto width = static_cast<std::int32_t>(GetWidth());
    const auto height = static_cast<std::int32_t>(GetHeight());
    bitmap.SetSize(width, height);
    bitmap.SetPixelFormat(format);
    if (bitmap.Width() != width || bitmap.Height() != height || bitmap.PixelFormat() != format) {
        log::warning(log::Category::media, "A bitmap refused the size or format of a %dx%d frame", width, height);
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (rgba ? 4 : 3);
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(bitmap.ScanLine(y), Read() + static_cast<std::size_t>(y) * GetStep(), rowBytes);
}

void TVDImageBuffer::FromBitmap(const TVDBasicBitmap& bitmap) {
    const bool rgba = bitmap.GetPixelFormat() == TPixelFormat::pf32bit;
    SetImageSizeFormat(sideOf(bitmap.Width()), sideOf(bitmap.Height()), rgba ? F::vfRGBA32 : F::vfRGB24);
    bitmap.ToBuffer(Write(), GetStep());
}

void TVDImageBuffer::ToBitmap(TVDBasicBitmap& bitmap) {
    const bool rgba = FFormat == F::vfRGBA32;
    if (!rgba) SetFormat(F::vfRGB24);
    bitmap.SetPixelFormat(rgba ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    bitmap.SetWidth(static_cast<std::int32_t>(GetWidth()));
    bitmap.SetHeight(static_cast<std::int32_t>(GetHeight()));
    bitmap.FromBuffer(Read(), GetStep());
}

void TVDImageBuffer::SaveToBitmapFile(const std::string& fileName) {
    TVDBitmap bitmap;
    ToBitmap(bitmap);
    bitmap.SaveToFile(fileName);
}

}  // namespace oculon::mediavideo
