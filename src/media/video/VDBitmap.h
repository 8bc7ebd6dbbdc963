#pragma once
// Device-independent bitmaps: the header records of a BMP file, the
// program's own memory bitmap (top-down rows of B, G, R(, A) bytes, the
// layout of the image buffers' RGB stores, so whole rows move between the
// two) and the BMP file writer.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace oculon::mediavideo {

// Pixel formats of the window layer's bitmaps. A memory bitmap takes only
// pf24bit and pf32bit.
enum class TPixelFormat : std::uint8_t {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};

// The 40-byte header of a device-independent bitmap; a negative biHeight
// means the first row is the top line.
struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;  // 0: uncompressed RGB
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
    friend bool operator==(const BITMAPINFOHEADER&, const BITMAPINFOHEADER&) = default;
};
inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
inline constexpr std::uint32_t kBitmapFileHeaderSize = 14;

// Bytes of one scan line of `width` pixels at `bitCount` bits per pixel,
// padded to a multiple of 4 bytes.
constexpr std::uint64_t DIBScanLineBytes(std::uint64_t width, unsigned bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// A bitmap in memory. It gets its bits with its first size that is not empty
// (both width and height above 0); from then on every change of size or
// pixel format replaces them, keeping the overlapping part of the picture
// when the pixel format stays. New bits are zero.
class TVDBasicBitmap {
public:
    TVDBasicBitmap() = default;
    virtual ~TVDBasicBitmap() = default;
    TVDBasicBitmap(const TVDBasicBitmap&) = delete;
    TVDBasicBitmap& operator=(const TVDBasicBitmap&) = delete;

    std::int32_t Width() const { return FWidth; }
    std::int32_t Height() const { return FHeight; }
    // Once the bitmap has bits, a size or format they cannot have (a zero or
    // negative side, more than 1 GiB of bits) throws std::runtime_error
    // "Cannot create device-independant bitmap" and leaves the bitmap as it
    // was.
    void SetWidth(std::int32_t value);
    void SetHeight(std::int32_t value);
    TPixelFormat GetPixelFormat() const { return FPixelFormat; }
    // Anything but pf24bit and pf32bit is taken as pf24bit.
    void SetPixelFormat(TPixelFormat value);

    // False until the bitmap first has a size that is not empty.
    bool HasBits() const { return !FBits.empty(); }
    std::uint8_t* RawData() { return FBits.data(); }
    const std::uint8_t* RawData() const { return FBits.data(); }
    // Bytes from one row to the next: width x 4, or width x 3 rounded up to
    // a multiple of 4; 0 without bits.
    std::uint32_t RowBytes() const;
    // The header of the current bits; all zero without them.
    const BITMAPINFOHEADER& BitmapInfo() const { return FBitmapInfo; }

    // Row by row, top first, the pixel bytes of each row (width x 3 or x 4)
    // from the source, which advances by `sourceStep`. Nothing without bits.
    void FromBuffer(const std::uint8_t* source, std::ptrdiff_t sourceStep);
    // The same into the destination.
    void ToBuffer(std::uint8_t* dest, std::ptrdiff_t destStep) const;

    // A BMP file of the bitmap, replacing a file of that name; EFileError
    // (media/pins/SGErrors.h) when it cannot be created or written.
    void SaveToFile(const std::string& fileName) const;
    void SaveToStream(std::ostream& stream) const { WriteStream(stream, false); }
    // The 14-byte file header, the 40-byte bitmap header and the bits, all
    // little-endian; `withSizePrefix` puts the file size as 32 bits first.
    // Without bits only the file header, with its sizes 0.
    void WriteStream(std::ostream& stream, bool withSizePrefix) const;

private:
    void ResizeBitmap(std::int32_t width, std::int32_t height, TPixelFormat format);

    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    TPixelFormat FPixelFormat = TPixelFormat::pf24bit;
    BITMAPINFOHEADER FBitmapInfo;
    std::vector<std::uint8_t> FBits;
};

class TVDBitmap : public TVDBasicBitmap {
public:
    using TVDBasicBitmap::TVDBasicBitmap;
};

}  // namespace oculon::mediavideo
