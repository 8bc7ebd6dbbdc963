#pragma once
// JPEG decoding and encoding on libjpeg with an error manager of our own: a
// corrupt or truncated picture raises JpegError (the library never ends the
// program), warnings are counted and do not stop a decode, and a picture's
// size is checked against a bound before any pixel memory is taken.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/FullRangeYuv.h"

namespace oculon::video {

class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Pixel layouts that the GUI wraps without a copy:
//   Bgrx32: 4 bytes per pixel in memory order B, G, R, 0xFF, which is one
//           0xFFRRGGBB word on a little-endian machine: QImage::Format_RGB32.
//   Rgb24:  3 bytes per pixel R, G, B, rows padded to a multiple of 4 bytes:
//           QImage::Format_RGB888 with the image's stride as bytesPerLine.
enum class PixelFormat { Bgrx32, Rgb24 };

int bytesPerPixel(PixelFormat format);

struct Image {
    int width = 0;
    int height = 0;
    std::size_t stride = 0;  // bytes from one row to the next
    PixelFormat format = PixelFormat::Bgrx32;
    std::vector<std::uint8_t> pixels;

    std::uint8_t* row(int y) { return pixels.data() + stride * static_cast<std::size_t>(y); }
    const std::uint8_t* row(int y) const { return pixels.data() + stride * static_cast<std::size_t>(y); }
    // Sizes the buffer for the given picture, reusing its memory when it can.
    void reshape(int newWidth, int newHeight, PixelFormat newFormat);
};

// Borrowed pixels to encode; rows may be padded.
struct ImageView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    PixelFormat format = PixelFormat::Bgrx32;
};

inline ImageView viewOf(const Image& image) {
    return {image.pixels.data(), image.width, image.height, image.stride, image.format};
}

struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
};

struct DecodeOptions {
    PixelFormat format = PixelFormat::Bgrx32;
    // The live stream's setting: fast integer inverse DCT and plain
    // (replicating) chroma upsampling, at a small cost in quality.
    bool fast = false;
    // 1, 2, 4 or 8: the library scales by 1/scaleDenom while decoding, which
    // is much cheaper than decoding whole and shrinking afterwards.
    int scaleDenom = 1;
    // Pictures with more source pixels are refused before decoding.
    std::int64_t maxPixels = 8192LL * 8192;
};

// Size of the picture that a decode with 1/scaleDenom produces.
int scaledDimension(int dimension, int scaleDenom);
// The largest of 1, 2, 4, 8 that keeps the picture at least as large as the
// target in both directions, for previews and thumbnails.
int scaleDenomFor(int width, int height, int targetWidth, int targetHeight);

// Where a 4:2:0 picture's planes go, given its size: the samples as the
// picture stores them (full-range Y, Cb, Cr).
using YCbCr420Target = std::function<std::optional<platform::Yuv420Planes>(int width, int height)>;

// Decodes picture after picture with one libjpeg object, as the stream
// decoder does for every part of a camera stream.
class JpegDecoder {
public:
    explicit JpegDecoder(DecodeOptions options = {});
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    const DecodeOptions& options() const { return options_; }
    void setOptions(const DecodeOptions& options);

    // Reads only the headers.
    JpegInfo readInfo(std::span<const std::uint8_t> jpeg);
    // Decodes into `out`, reusing its buffer.
    void decode(std::span<const std::uint8_t> jpeg, Image& out);
    // The scale (1, 2, 4 or 8) for one picture, chosen from its headers.
    using ScaleChoice = std::function<int(const JpegInfo& info)>;
    // Decodes at the scale `choose` gives for this picture, reading its
    // headers once; the options' scale stays as it is.
    void decode(std::span<const std::uint8_t> jpeg, Image& out, const ScaleChoice& choose);
    // Decodes a 4:2:0 colour picture straight into its planes, without the
    // upsampling and colour conversion of decode; a 4:2:2 one gets the mean
    // of each pair of chroma rows. `target` gives the planes for the
    // picture's size, or nothing to decline it. False, with nothing decoded,
    // for a picture of other sampling, a scaled decode, a declined size, or
    // planes whose steps do not hold the library's whole blocks (a row is
    // written to a multiple of 16 luma samples); errors as decode.
    bool decodeYCbCr420(std::span<const std::uint8_t> jpeg, const YCbCr420Target& target);
    // Warnings of the last readInfo or decode (damaged but decodable data).
    int warnings() const;

private:
    void decodeAt(std::span<const std::uint8_t> jpeg, Image& out, const ScaleChoice* choose);

    struct State;
    DecodeOptions options_;
    std::unique_ptr<State> state_;
};

Image decodeJpeg(std::span<const std::uint8_t> jpeg, const DecodeOptions& options = {});
JpegInfo readJpegInfo(std::span<const std::uint8_t> jpeg);

// JPEG file bytes at the given quality (snapshots use 90), with the comment
// as a COM marker when it is not empty (at most 65533 bytes).
std::vector<std::uint8_t> encodeJpeg(const ImageView& image, int quality = 90, std::string_view comment = {});

}  // namespace oculon::video
