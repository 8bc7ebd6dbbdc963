// Decodes arbitrary bytes as JPEG with the option sets the program uses; the
// first byte picks the options. Then straight into 4:2:0 planes laid out as
// the export's planar stores are, each plane a block of its own exact size.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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
    try {
        JpegDecoder decoder(options);
        std::vector<std::uint8_t> planes[3];
        decoder.decodeYCbCr420(jpeg, [&](int width, int height) -> std::optional<oculon::platform::Yuv420Planes> {
            if (width % 2 != 0 || height % 2 != 0) return std::nullopt;
            const std::ptrdiff_t lumaStep = (width + 3) & ~3;
            planes[0].resize(static_cast<std::size_t>(lumaStep * height));
            for (int k = 1; k < 3; ++k) planes[k].resize(static_cast<std::size_t>(lumaStep / 2 * (height / 2)));
            return oculon::platform::Yuv420Planes{planes[0].data(), lumaStep,         planes[1].data(),
                                                  lumaStep / 2,     planes[2].data(), lumaStep / 2};
        });
    } catch (const JpegError&) {}
    return 0;
}
