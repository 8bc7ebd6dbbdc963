#include "media/video/VDBitmap.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "media/pins/SGErrors.h"
#include "platform/LittleEndian.h"

namespace oculon::mediavideo {

namespace {

constexpr const char* kCannotCreateDib = "Cannot create device-independant bitmap";
// As much as one pool block of the data buffers holds.
constexpr std::uint64_t kLargestBits = std::uint64_t{1} << 30;

unsigned bitCountOf(TPixelFormat format) { return format == TPixelFormat::pf32bit ? 32 : 24; }

// Little-endian fields of the file and bitmap headers.
class HeaderBytes {
public:
    void u16(std::uint16_t v) { put(v, 2); }
    void u32(std::uint32_t v) { put(v, 4); }
    void s32(std::int32_t v) { put(static_cast<std::uint32_t>(v), 4); }
    void writeTo(std::ostream& stream) const {
        stream.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    }

private:
    void put(std::uint32_t v, int count) { platform::appendLittle(bytes_, v, count); }
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

void TVDBasicBitmap::SetWidth(std::int32_t value) {
    if (value != FWidth) ResizeBitmap(value, FHeight, FPixelFormat);
}

void TVDBasicBitmap::SetHeight(std::int32_t value) {
    if (value != FHeight) ResizeBitmap(FWidth, value, FPixelFormat);
}

void TVDBasicBitmap::SetPixelFormat(TPixelFormat value) {
    if (value != TPixelFormat::pf32bit) value = TPixelFormat::pf24bit;
    if (value != FPixelFormat) ResizeBitmap(FWidth, FHeight, value);
}

std::uint32_t TVDBasicBitmap::RowBytes() const {
    return HasBits() ? static_cast<std::uint32_t>(DIBScanLineBytes(FWidth, FBitmapInfo.biBitCount)) : 0;
}

void TVDBasicBitmap::ResizeBitmap(std::int32_t width, std::int32_t height, TPixelFormat format) {
    if (!HasBits() && (width == 0 || height == 0)) {
        FWidth = width;
        FHeight = height;
        FPixelFormat = format;
        return;
    }
    // Everything is checked and made before anything changes, so a refused
    // size leaves size, format and bits in agreement.
    if (width <= 0 || height <= 0) throw std::runtime_error(kCannotCreateDib);
    const unsigned bitCount = bitCountOf(format);
    const std::uint64_t rowBytes = DIBScanLineBytes(static_cast<std::uint64_t>(width), bitCount);
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height);
    if (imageBytes > kLargestBits) throw std::runtime_error(kCannotCreateDib);

    BITMAPINFOHEADER header;
    header.biSize = kBitmapInfoHeaderSize;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<std::uint16_t>(bitCount);
    header.biSizeImage = static_cast<std::uint32_t>(imageBytes);
    std::vector<std::uint8_t> bits(imageBytes);

    if (HasBits() && format == FPixelFormat) {
        const std::size_t oldRowBytes = RowBytes();
        const std::size_t keep = std::min(width, FWidth) * static_cast<std::size_t>(bitCount / 8);
        for (std::int32_t y = 0; y < std::min(height, FHeight); ++y)
            std::memcpy(bits.data() + y * rowBytes, FBits.data() + y * oldRowBytes, keep);
    }
    FBits = std::move(bits);
    FBitmapInfo = header;
    FWidth = width;
    FHeight = height;
    FPixelFormat = format;
}

void TVDBasicBitmap::FromBuffer(const std::uint8_t* source, std::ptrdiff_t sourceStep) {
    if (!HasBits()) return;
    const std::size_t rowBytes = RowBytes();
    const std::size_t pixelBytes = static_cast<std::size_t>(FWidth) * (FBitmapInfo.biBitCount / 8);
    for (std::int32_t y = 0; y < FHeight; ++y)
        std::memcpy(FBits.data() + y * rowBytes, source + y * sourceStep, pixelBytes);
}

void TVDBasicBitmap::ToBuffer(std::uint8_t* dest, std::ptrdiff_t destStep) const {
    if (!HasBits()) return;
    const std::size_t rowBytes = RowBytes();
    const std::size_t pixelBytes = static_cast<std::size_t>(FWidth) * (FBitmapInfo.biBitCount / 8);
    for (std::int32_t y = 0; y < FHeight; ++y)
        std::memcpy(dest + y * destStep, FBits.data() + y * rowBytes, pixelBytes);
}

void TVDBasicBitmap::WriteStream(std::ostream& stream, bool withSizePrefix) const {
    const std::uint32_t fileSize = HasBits() ? kBitmapFileHeaderSize + FBitmapInfo.biSize + FBitmapInfo.biSizeImage : 0;
    const std::uint32_t offBits = HasBits() ? kBitmapFileHeaderSize + FBitmapInfo.biSize : 0;
    HeaderBytes out;
    if (withSizePrefix) out.u32(fileSize);
    out.u16(0x4D42);  // "BM"
    out.u32(fileSize);
    out.u32(0);  // two reserved words
    out.u32(offBits);
    if (HasBits()) {
        const BITMAPINFOHEADER& h = FBitmapInfo;
        out.u32(h.biSize);
        out.s32(h.biWidth);
        out.s32(h.biHeight);
        out.u16(h.biPlanes);
        out.u16(h.biBitCount);
        out.u32(h.biCompression);
        out.u32(h.biSizeImage);
        out.s32(h.biXPelsPerMeter);
        out.s32(h.biYPelsPerMeter);
        out.u32(h.biClrUsed);
        out.u32(h.biClrImportant);
    }
    out.writeTo(stream);
    stream.write(reinterpret_cast<const char*>(FBits.data()), static_cast<std::streamsize>(FBits.size()));
}

void TVDBasicBitmap::SaveToFile(const std::string& fileName) const {
    std::ostringstream bytes(std::ios::binary);
    SaveToStream(bytes);
    pins::saveWholeFile(fileName, bytes.view(), 0666);
}

}  // namespace oculon::mediavideo
