#include "media/video/VDResize.h"

#include "media/primitives/ImageResize.h"

namespace oculon::mediavideo {

namespace prim = oculon::primitives;
using F = TVDVideoFormat;

namespace {

// The format a frame of `format` is resized in.
F resizeFormat(F format) {
    return format == F::vfRGBA32 || format == F::vfGrayScale || format == F::vfGray16 ? format : F::vfRGB24;
}

prim::IppiSize sizeOf(const TVDImageBuffer& frame) {
    return {static_cast<int>(frame.GetWidth()), static_cast<int>(frame.GetHeight())};
}

}  // namespace

IVDImageBuffer VDResizeBuffer(const IVDImageBuffer& source, std::uint32_t width, std::uint32_t height) {
    if (source->GetWidth() == width && source->GetHeight() == height) return source;
    IVDImageBuffer result = TVDImageBuffer::CreateCopy(source);
    result->SetImageSizeFormat(width, height, resizeFormat(source->GetFormat()));
    VDSubResizeBuffer(source, *result);
    return result;
}

void VDSubResizeBuffer(const IVDImageBuffer& source, TVDImageBuffer& destination) {
    const F format = resizeFormat(source->GetFormat());
    // The caller's frame object itself is brought to the resize format; its
    // old store stays with any other owner.
    source->SetFormat(format);
    const IVDImageBuffer& from = source;
    destination.SetFormat(format);
    if (from->GetWidth() == 0 || from->GetHeight() == 0 || destination.GetWidth() == 0 || destination.GetHeight() == 0)
        return;
    const prim::IppiSize fromSize = sizeOf(*from);
    const prim::IppiSize toSize = sizeOf(destination);
    const prim::TVDImageRect region{0, 0, fromSize.width, fromSize.height};
    const double xFactor = static_cast<double>(destination.GetWidth()) / from->GetWidth();
    const double yFactor = static_cast<double>(destination.GetHeight()) / from->GetHeight();
    const int fromStep = static_cast<int>(from->GetStep());
    const int toStep = static_cast<int>(destination.GetStep());
    std::uint8_t* to = destination.Write();
    switch (format) {
        case F::vfRGBA32:
            prim::ippiResize_8u_C4R(from->Read(), fromSize, fromStep, region, to, toStep, toSize, xFactor, yFactor,
                                    prim::kResizeLinear);
            break;
        case F::vfGrayScale:
            prim::ippiResize_8u_C1R(from->Read(), fromSize, fromStep, region, to, toStep, toSize, xFactor, yFactor,
                                    prim::kResizeLinear);
            break;
        case F::vfGray16:
            prim::ippiResize_16u_C1R(reinterpret_cast<const prim::Ipp16u*>(from->Read()), fromSize, fromStep, region,
                                     reinterpret_cast<prim::Ipp16u*>(to), toStep, toSize, xFactor, yFactor,
                                     prim::kResizeLinear);
            break;
        default:
            prim::ippiResize_8u_C3R(from->Read(), fromSize, fromStep, region, to, toStep, toSize, xFactor, yFactor,
                                    prim::kResizeLinear);
            break;
    }
}

}  // namespace oculon::mediavideo
