#include "media/video/VDDIB.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace oculon::mediavideo {

bool SGInitializeBitmapInfoHeader(const TBitmap& bitmap, BITMAPINFOHEADER& header, unsigned bitCount) {
    if (bitmap.Empty()) return false;
    const std::optional<BITMAPINFOHEADER> section = bitmap.DIBSectionHeader();
    if (section && section->biSize >= kBitmapInfoHeaderSize) {
        header = *section;
        header.biSize = kBitmapInfoHeaderSize;
    } else {
        header = BITMAPINFOHEADER{};
        header.biSize = kBitmapInfoHeaderSize;
        header.biWidth = bitmap.Width();
        header.biHeight = bitmap.Height();
    }
    header.biBitCount = static_cast<std::uint16_t>(bitCount);
    header.biPlanes = 1;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
    header.biSizeImage =
        static_cast<std::uint32_t>(DIBScanLineBytes(static_cast<std::uint32_t>(std::max(header.biWidth, 0)), bitCount) *
                                   static_cast<std::uint32_t>(std::abs(static_cast<std::int64_t>(header.biHeight))));
    return true;
}

bool SGGetDIB(const TBitmap& bitmap, BITMAPINFOHEADER& header, unsigned bitCount, std::uint32_t rowWidth,
              std::span<std::uint8_t> bits) {
    if (!SGInitializeBitmapInfoHeader(bitmap, header, bitCount)) return false;
    header.biHeight = -header.biHeight;
    if (bitCount != 24 && bitCount != 32) return false;
    // The bitmap's own size: a header of a section can say anything.
    const auto lines = static_cast<std::uint64_t>(bitmap.Height());
    const auto width = static_cast<std::uint64_t>(bitmap.Width());
    if (rowWidth < width) return false;
    const std::uint64_t pixelBytes = bitCount / 8;
    const std::uint64_t rowBytes = width * pixelBytes;
    const std::uint64_t step = rowWidth * pixelBytes;
    if ((lines - 1) * step + rowBytes > bits.size()) return false;
    const std::optional<TBitmap::Rows> rows = bitmap.DIBRows(bitCount);
    if (!rows) return false;
    for (std::uint64_t y = 0; y < lines; ++y)
        std::memcpy(bits.data() + y * step, rows->first + static_cast<std::ptrdiff_t>(y) * rows->step, rowBytes);
    return true;
}

void TVDBasicBitmapView::SetSize(std::int32_t width, std::int32_t height) {
    bitmap_.SetWidth(width);
    bitmap_.SetHeight(height);
}

std::uint8_t* TVDBasicBitmapView::ScanLine(std::int32_t y) {
    return bitmap_.HasBits() ? bitmap_.RawData() + static_cast<std::ptrdiff_t>(y) * bitmap_.RowBytes() : nullptr;
}

std::optional<TBitmap::Rows> TVDBasicBitmapView::DIBRows(unsigned bitCount) const {
    const unsigned own = bitmap_.GetPixelFormat() == TPixelFormat::pf32bit ? 32 : 24;
    if (bitCount != own || Empty() || !bitmap_.HasBits()) return std::nullopt;
    return Rows{bitmap_.RawData(), static_cast<std::ptrdiff_t>(bitmap_.RowBytes()), nullptr};
}

std::optional<BITMAPINFOHEADER> TVDBasicBitmapView::DIBSectionHeader() const {
    if (!bitmap_.HasBits()) return std::nullopt;
    return bitmap_.BitmapInfo();
}

}  // namespace oculon::mediavideo
