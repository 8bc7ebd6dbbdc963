#include "media/video/VDAVIFormat.h"

#include <algorithm>
#include <limits>

#include "media/primitives/ImageMirror.h"

namespace oculon::mediavideo {

TVDAVIVideoHeader VDAVIVideoHeader(std::int32_t width, std::int32_t height, std::int64_t frameDelay) {
    // The header's rate has 32 bits: a shorter delay would overflow it.
    const std::int64_t delay =
        std::max<std::int64_t>(static_cast<std::int32_t>(frameDelay), TVDAVIVideoHeader::kMinFrameDelay);
    constexpr std::int64_t scaledSecond = std::int64_t{TVDAVIVideoHeader::kScale} * 10'000'000;
    TVDAVIVideoHeader header;
    header.Rate = static_cast<std::uint32_t>((scaledSecond + delay / 2) / delay);
    header.KeyFrameEvery = header.Rate;
    header.Width = width;
    header.Height = height;
    // Uncompressed 24-bit bytes per second, which 32 bits hold only up to
    // about 1400 x 1000 at 1000 frames per second: held at the largest value.
    const long double perSecond =
        static_cast<long double>(std::max(width, 0)) * std::max(height, 0) * 3 * header.Rate / header.Scale;
    header.BytesPerSecond = perSecond >= std::numeric_limits<std::uint32_t>::max()
                                ? std::numeric_limits<std::uint32_t>::max()
                                : static_cast<std::uint32_t>(perSecond);
    return header;
}

TVDColorBits VDRunningColorBits(TVDColorBits chosen, TVDVideoFormat streamFormat) {
    if (chosen != TVDColorBits::cbAuto) return chosen;
    switch (streamFormat) {
        case TVDVideoFormat::vfGrayScale: return TVDColorBits::cb8;
        case TVDVideoFormat::vfRGBA32: return TVDColorBits::cb32;
        case TVDVideoFormat::vfRGB555: return TVDColorBits::cb16_555;
        case TVDVideoFormat::vfRGB565: return TVDColorBits::cb16_565;
        default: return TVDColorBits::cb24;
    }
}

TVDVideoFormat VDColorBitsFormat(TVDColorBits bits) {
    switch (bits) {
        case TVDColorBits::cb8: return TVDVideoFormat::vfGrayScale;
        case TVDColorBits::cb16_555: return TVDVideoFormat::vfRGB555;
        case TVDColorBits::cb16_565: return TVDVideoFormat::vfRGB565;
        case TVDColorBits::cb32: return TVDVideoFormat::vfRGBA32;
        default: return TVDVideoFormat::vfRGB24;
    }
}

platform::BitmapLayout VDColorBitsLayout(TVDColorBits bits) {
    switch (bits) {
        case TVDColorBits::cb8: return platform::BitmapLayout::gray8;
        case TVDColorBits::cb16_555: return platform::BitmapLayout::rgb555;
        case TVDColorBits::cb16_565: return platform::BitmapLayout::rgb565;
        case TVDColorBits::cb32: return platform::BitmapLayout::bgrx32;
        default: return platform::BitmapLayout::bgr24;
    }
}

std::uint32_t VDBitmapRowSize(std::uint32_t width, TVDColorBits bits) {
    return static_cast<std::uint32_t>(VDBitmapFrameSize(width, 1, bits));
}

std::uint64_t VDBitmapFrameSize(std::uint32_t width, std::uint32_t height, TVDColorBits bits) {
    const auto bytes = static_cast<std::uint64_t>(platform::bytesPerPixel(VDColorBitsLayout(bits)));
    return ((width * bytes + 3) & ~std::uint64_t{3}) * height;
}

void VDMirrorToBitmap(const TVDImageBuffer& frame, TVDColorBits bits, std::uint8_t* rows, std::uint32_t rowSize) {
    using namespace primitives;
    const IppiSize size{static_cast<int>(frame.GetWidth()), static_cast<int>(frame.GetHeight())};
    const std::uint8_t* source = frame.Read();
    const int sourceStep = static_cast<int>(frame.GetStep());
    const int step = static_cast<int>(rowSize);
    switch (bits) {
        case TVDColorBits::cb8: ippiMirror_8u_C1R(source, sourceStep, rows, step, size, ippAxsHorizontal); break;
        case TVDColorBits::cb16_555:
        case TVDColorBits::cb16_565:
            ippiMirror_16u_C1R(reinterpret_cast<const Ipp16u*>(source), sourceStep, reinterpret_cast<Ipp16u*>(rows),
                               step, size, ippAxsHorizontal);
            break;
        case TVDColorBits::cb32: ippiMirror_8u_C4R(source, sourceStep, rows, step, size, ippAxsHorizontal); break;
        default: ippiMirror_8u_C3R(source, sourceStep, rows, step, size, ippAxsHorizontal); break;
    }
}

}  // namespace oculon::mediavideo
