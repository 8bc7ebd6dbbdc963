// Decodes arbitrary bytes as JPEG with the option sets the program uses; the
// first byte picks the options.
#include <cstdint>
#include <span>

#include "video/Jpeg.h"

using namespace oculon::video;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    DecodeOptions options;
    options.format = data[0] & 1 ? PixelFormat::Rgb24 : PixelFormat::Bgrx32;
    options.fast = (data[0] & 2) != 0;
    options.scaleDenom = 1 << ((data[0] >> 2) & 3);
    options.maxPixels = 4096LL * 4096;  // keeps single runs short
    const std::span<const std::uint8_t> jpeg(data + 1, size - 1);
    try {
        JpegDecoder decoder(options);
        const JpegInfo info = decoder.readInfo(jpeg);
        Image image;
        decoder.decode(jpeg, image);
        if (image.width != scaledDimension(info.width, options.scaleDenom) ||
            image.pixels.size() < image.stride * static_cast<std::size_t>(image.height)) {
            __builtin_trap();
        }
    } catch (const JpegError&) {}
    return 0;
}
