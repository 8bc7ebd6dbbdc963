#include "media/video/VDDIB.h"

#include <cstring>

namespace oculon::mediavideo {

bool SGInitializeBitmapInfoHeader(const TBitmap& bitmap, BITMAPINFOHEADER& header, unsigned bitCount) {
    if (bitmap.Empty()) return false;
    header = BITMAPINFOHEADER{};
    header.biSize = kBitmapInfoHeaderSize;
    header.biWidth = bitmap.Width();
    header.biHeight = bitmap.Height();
    header.biBitCount = static_cast<std::uint16_t>(bitCount);
    header.biPlanes = 1;
    header.biSizeImage =
        static_cast<std::uint32_t>(DIBScanLineBytes(static_cast<std::uint32_t>(header.biWidth), bitCount) *
                                   static_cast<std::uint32_t>(header.biHeight));
    return true;
}

bool SGGetDIB(const TBitmap& bitmap, BITMAPINFOHEADER& header, unsigned bitCount, std::uint32_t rowWidth,
              std::span<std::uint8_t> bits) {
    if (!SGInitializeBitmapInfoHeader(bitmap, header, bitCount)) return false;
    const std::uint64_t lines = static_cast<std::uint64_t>(header.biHeight);
    header.biHeight = -header.biHeight;
    if (bitCount != 24 && bitCount != 32) return false;
    const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
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

}  // namespace oculon::mediavideo
