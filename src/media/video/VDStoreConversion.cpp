#include "media/video/VDStoreConversion.h"

#include <algorithm>
#include <optional>

#include "media/pins/SGBlockPool.h"
#include "media/pins/SGErrors.h"
#include "media/primitives/ColourConversion.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/Packed422Kernels.h"
#include "media/primitives/Pixel16Conversion.h"
#include "media/primitives/SampleScaling.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::mediavideo {

using namespace primitives;
using F = TVDVideoFormat;

namespace {

// An intermediate image: a pool block of `bytes`, given back when it goes.
class Scratch {
public:
    explicit Scratch(std::uint64_t bytes)
        : FSize(bounded(bytes)), FData(static_cast<Ipp8u*>(pins::SGBufferAllocate(FSize))) {}
    ~Scratch() { pins::SGBufferDeallocate(FData, FSize); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    Ipp8u* data() const { return FData; }

private:
    static std::uint32_t bounded(std::uint64_t bytes) {
        if (bytes > pins::kSGLargestBlock) throw pins::EBufferTooLarge(bytes);
        return static_cast<std::uint32_t>(bytes);
    }
    const std::uint32_t FSize;
    Ipp8u* const FData;
};

}  // namespace

IppStatus ippiUYVYToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (roiSize.width < 1 || roiSize.height < 1) return ippStsSizeErr;
    if (srcStep < 1) return ippStsStepErr;
    const std::uint64_t bytes = std::uint64_t(srcStep) * static_cast<std::uint64_t>(roiSize.height);
    const Scratch swapped(bytes);
    ippsSwapBytes_16u(reinterpret_cast<const Ipp16u*>(pSrc), reinterpret_cast<Ipp16u*>(swapped.data()),
                      static_cast<int>(bytes / 2));
    return ippiYUV422ToRGB_8u_C2C3R(swapped.data(), srcStep, pDst, dstStep, roiSize);
}

TVDYCbCrPlanes VDYCbCrPlanes(const TVDSmartImageBuffer& store) {
    const bool iyuv = store.Format() == F::vfIYUV;
    const int cb = iyuv ? 2 : 1, cr = iyuv ? 1 : 2;
    return TVDYCbCrPlanes{{store.GetPlane(0), store.GetPlane(cb), store.GetPlane(cr)},
                          {static_cast<int>(store.GetPlaneStep(0)), static_cast<int>(store.GetPlaneStep(cb)),
                           static_cast<int>(store.GetPlaneStep(cr))}};
}

platform::Yuv420Planes VDJpegPlanes(const TVDSmartImageBuffer& store) {
    const bool iyuv = store.Format() == F::vfIYUV;
    const auto step = [&store](int plane) { return static_cast<std::ptrdiff_t>(store.GetPlaneStep(plane)); };
    const int cb = iyuv ? 1 : 2, cr = iyuv ? 2 : 1;
    return {store.GetPlane(0), step(0), store.GetPlane(cb), step(cb), store.GetPlane(cr), step(cr)};
}

void VDFullRangeToBgr(const TVDSmartImageBuffer& store, std::uint32_t x0, std::uint32_t y0, IppiSize roi, Ipp8u* bgr,
                      int bgrStep) {
    platform::fullRangeYuv420ToBgr(VDJpegPlanes(store), static_cast<int>(x0), static_cast<int>(y0), roi.width,
                                   roi.height, bgr, bgrStep, 3);
}

namespace {

// The planes of a planar store from luma row `row0` (even) on.
TVDYCbCrPlanes planesFrom(const TVDSmartImageBuffer& store, std::uint32_t row0) {
    TVDYCbCrPlanes p = VDYCbCrPlanes(store);
    p.Plane[0] += std::uint64_t{row0} * static_cast<std::uint32_t>(p.Step[0]);
    for (int k = 1; k < 3; ++k) p.Plane[k] += std::uint64_t{row0 / 2} * static_cast<std::uint32_t>(p.Step[k]);
    return p;
}

Ipp8u* rowOf(const TVDSmartImageBuffer& store, std::uint32_t row) {
    return store.GetData() + std::uint64_t{row} * store.GetStep();
}

// One band of rows of a conversion: the two stores and the region of the
// band, which starts at row `row0` (even, so 4:2:0 blocks stay whole).
struct Job {
    const TVDSmartImageBuffer& src;
    TVDSmartImageBuffer& dst;
    std::uint32_t row0;
    IppiSize roi;

    int width() const { return roi.width; }
    const Ipp8u* srcData() const { return rowOf(src, row0); }
    int srcStep() const { return static_cast<int>(src.GetStep()); }
    Ipp8u* dstData() const { return rowOf(dst, row0); }
    int dstStep() const { return static_cast<int>(dst.GetStep()); }
    const Ipp16u* srcWords() const { return reinterpret_cast<const Ipp16u*>(srcData()); }
    Ipp16u* dstWords() const { return reinterpret_cast<Ipp16u*>(dstData()); }
    TVDYCbCrPlanes srcPlanes() const { return planesFrom(src, row0); }
    TVDYCbCrPlanes dstPlanes() const { return planesFrom(dst, row0); }
    // The 16-bit units of the band's rows of a packed 4:2:2 target.
    int dstPairs() const { return dstStep() / 2 * roi.height; }
    std::uint64_t pixels() const { return std::uint64_t(roi.width) * static_cast<std::uint64_t>(roi.height); }
};

// An image of 3-byte pixels on the way between two stores.
struct RgbImage {
    Ipp8u* data;
    int step;
    bool scratch;  // ours to change in place (not the source store)
    bool grey;     // all three channels equal, so their order does not matter
};

// --- Sources to an RGB image of B, G, R bytes ------------------------------------

void greyToRgb(const Ipp8u* grey, int greyStep, Ipp8u* rgb, int rgbStep, IppiSize roi) {
    const Ipp8u* const planes[3] = {grey, grey, grey};
    ippiCopy_8u_P3C3R(planes, greyStep, rgb, rgbStep, roi);
}

// The 16-bit grey source narrowed into `grey` (row step: the width).
void narrowGrey16(const Job& job, Ipp8u* grey) {
    ippiScale_16u8u_C1R(job.srcWords(), job.srcStep(), grey, job.width(), job.roi, ippAlgHintFast);
}

// YUY2 straight to B, G, R bytes, in one pass; a conversion bound from a
// library writes R, G, B and takes the swap after it.
void packed422ToRgb(const Job& job, Ipp8u* rgb, int rgbStep) {
    if (job.src.Format() == F::vfYUY2 && ippiYUV422ToRGB_8u_C2C3R == &_px_ippiYUV422ToRGB_8u_C2C3R) {
        packed422::yuv422ToBgr(job.srcData(), job.srcStep(), rgb, rgbStep, job.roi);
        return;
    }
    if (job.src.Format() == F::vfYUY2) ippiYUV422ToRGB_8u_C2C3R(job.srcData(), job.srcStep(), rgb, rgbStep, job.roi);
    else ippiUYVYToRGB_8u_C2C3R(job.srcData(), job.srcStep(), rgb, rgbStep, job.roi);
    ippiSwapChannels_8u_C3IR(rgb, rgbStep, job.roi, kVDChannelOrder);
}

void planarToRgb(const Job& job, Ipp8u* rgb, int rgbStep) {
    if (job.src.FullRange()) {
        VDFullRangeToBgr(job.src, 0, job.row0, job.roi, rgb, rgbStep);
        return;
    }
    TVDYCbCrPlanes in = job.srcPlanes();
    const Ipp8u* const planes[3] = {in.Plane[0], in.Plane[1], in.Plane[2]};
    ippiYCbCr420ToRGB_8u_P3C3R(planes, in.Step, rgb, rgbStep, job.roi);
}

void decode(const Job& job, Ipp8u* rgb, int rgbStep) {
    switch (job.src.Format()) {
        case F::vfRGBA32: ippiCopy_8u_AC4C3R(job.srcData(), job.srcStep(), rgb, rgbStep, job.roi); break;
        case F::vfYUY2:
        case F::vfUYVY: packed422ToRgb(job, rgb, rgbStep); break;
        case F::vfYV12:
        case F::vfIYUV: planarToRgb(job, rgb, rgbStep); break;
        case F::vfRGB565: ippiRGB565ToRGB_8u_C3R(job.srcWords(), job.srcStep(), rgb, rgbStep, job.roi); break;
        case F::vfRGB555: ippiRGB555ToRGB_8u_C3R(job.srcWords(), job.srcStep(), rgb, rgbStep, job.roi); break;
        case F::vfGrayScale: greyToRgb(job.srcData(), job.srcStep(), rgb, rgbStep, job.roi); break;
        case F::vfGray16: {
            const Scratch grey(job.pixels());
            narrowGrey16(job, grey.data());
            greyToRgb(grey.data(), job.width(), rgb, rgbStep, job.roi);
            break;
        }
        case F::vfRGB24: ippiCopy_8u_C3R(job.srcData(), job.srcStep(), rgb, rgbStep, job.roi); break;
    }
}

bool isGrey(F format) { return format == F::vfGrayScale || format == F::vfGray16; }

// --- An RGB image of B, G, R bytes to targets ---------------------------------------

void setOpaque(const Job& job) { ippiSet_8u_C4CR(255, job.dstData() + 3, job.dstStep(), job.roi); }

void greyToRgba(const Job& job, const Ipp8u* grey, int greyStep) {
    for (int channel = 0; channel < 3; ++channel)
        ippiCopy_8u_C1C4R(grey, greyStep, job.dstData() + channel, job.dstStep(), job.roi);
    setOpaque(job);
}

void widenGrey(const Job& job, const Ipp8u* grey, int greyStep) {
    ippiScale_8u16u_C1R(grey, greyStep, job.dstWords(), job.dstStep(), job.roi);
}

void rgbToPacked422(const Job& job, RgbImage in) {
    std::optional<Scratch> swapped;
    if (!in.grey && ippiRGBToYUV422_8u_C3C2R == &_px_ippiRGBToYUV422_8u_C3C2R) {
        // Our encoder reads the B, G, R bytes as they are.
        packed422::bgrToYuv422(in.data, in.step, job.dstData(), job.dstStep(), job.roi);
    } else {
        // A bound encoder takes R, G, B.
        if (!in.grey && in.scratch) {
            ippiSwapChannels_8u_C3IR(in.data, in.step, job.roi, kVDChannelOrder);
        } else if (!in.grey) {
            swapped.emplace(3 * job.pixels());
            ippiSwapChannels_8u_C3R(in.data, in.step, swapped->data(), 3 * job.width(), job.roi, kVDChannelOrder);
            in = {swapped->data(), 3 * job.width(), true, false};
        }
        ippiRGBToYUV422_8u_C3C2R(in.data, in.step, job.dstData(), job.dstStep(), job.roi);
    }
    if (job.dst.Format() == F::vfUYVY) ippsSwapBytes_16u_I(job.dstWords(), job.dstPairs());
}

void rgbToPlanar(const Job& job, const RgbImage& in) {
    const TVDYCbCrPlanes out = job.dstPlanes();
    int steps[3] = {out.Step[0], out.Step[1], out.Step[2]};
    // The store's odd last column and row have chroma samples of their own.
    planar420::kernels().fromRgbCoveringEdges(in.data, in.step, out.Plane, steps, job.roi);
}

void encode(const Job& job, const RgbImage& in) {
    switch (job.dst.Format()) {
        case F::vfRGBA32:
            ippiCopy_8u_C3AC4R(in.data, in.step, job.dstData(), job.dstStep(), job.roi);
            setOpaque(job);
            break;
        case F::vfYUY2:
        case F::vfUYVY: rgbToPacked422(job, in); break;
        case F::vfYV12:
        case F::vfIYUV: rgbToPlanar(job, in); break;
        case F::vfRGB565: ippiRGB_8u_C3RToRGB565(in.data, in.step, job.dstWords(), job.dstStep(), job.roi); break;
        case F::vfRGB555: ippiRGB_8u_C3RToRGB555(in.data, in.step, job.dstWords(), job.dstStep(), job.roi); break;
        case F::vfGrayScale:
            ippiColorToGray_8u_C3C1R(in.data, in.step, job.dstData(), job.dstStep(), job.roi, kVDGreyWeights);
            break;
        case F::vfGray16: {
            const Scratch grey(job.pixels());
            ippiColorToGray_8u_C3C1R(in.data, in.step, grey.data(), job.width(), job.roi, kVDGreyWeights);
            widenGrey(job, grey.data(), job.width());
            break;
        }
        case F::vfRGB24: ippiCopy_8u_C3R(in.data, in.step, job.dstData(), job.dstStep(), job.roi); break;
    }
}

// --- Pairs joined without an RGB image ------------------------------------------------

using Path = void (*)(const Job&);

template <IppStatus (*Fn)(const Ipp16u*, int, Ipp8u*, int, IppiSize)>
void wordsToRgba(const Job& job) {
    Fn(job.srcWords(), job.srcStep(), job.dstData(), job.dstStep(), job.roi);
    setOpaque(job);
}

template <IppStatus (*Fn)(const Ipp8u*, int, Ipp16u*, int, IppiSize)>
void rgbaToWords(const Job& job) {
    Fn(job.srcData(), job.srcStep(), job.dstWords(), job.dstStep(), job.roi);
}

template <IppStatus (*Fn)(const Ipp16u*, int, Ipp16u*, int, IppiSize)>
void wordsToWords(const Job& job) {
    Fn(job.srcWords(), job.srcStep(), job.dstWords(), job.dstStep(), job.roi);
}

template <IppStatus (*&Fn)(const Ipp8u* const[3], int[3], Ipp16u*, int, IppiSize)>
void planarToWords(const Job& job) {
    TVDYCbCrPlanes in = job.srcPlanes();
    const Ipp8u* const planes[3] = {in.Plane[0], in.Plane[1], in.Plane[2]};
    Fn(planes, in.Step, job.dstWords(), job.dstStep(), job.roi);
}

// Planar 4:2:0 to RGBA in one pass, the alpha byte written with the colour:
// the same bytes as the conversion, channel copy and alpha fill of the road
// through an RGB image, which a conversion bound from a library still takes.
void planarToRgba(const Job& job) {
    if (ippiYCbCr420ToRGB_8u_P3C3R != &_px_ippiYCbCr420ToRGB_8u_P3C3R) {
        const Scratch rgb(3 * job.pixels());
        planarToRgb(job, rgb.data(), 3 * job.width());
        encode(job, {rgb.data(), 3 * job.width(), true, false});
        return;
    }
    const TVDYCbCrPlanes in = job.srcPlanes();
    const Ipp8u* const planes[3] = {in.Plane[0], in.Plane[1], in.Plane[2]};
    planar420::kernels().toRgbx(planes, in.Step, job.dstData(), job.dstStep(), job.roi);
}

void swapPairs(const Job& job) { ippsSwapBytes_16u(job.srcWords(), job.dstWords(), job.dstPairs()); }

// Luma to luma and Cb to Cb: the chroma planes change places in memory.
void exchangePlanes(const Job& job) {
    const TVDYCbCrPlanes in = job.srcPlanes(), out = job.dstPlanes();
    const IppiSize chroma{(job.roi.width + 1) / 2, (job.roi.height + 1) / 2};
    for (int k = 0; k < 3; ++k)
        ippiCopy_8u_C1R(in.Plane[k], in.Step[k], out.Plane[k], out.Step[k], k == 0 ? job.roi : chroma);
}

void greyToRgbaPath(const Job& job) { greyToRgba(job, job.srcData(), job.srcStep()); }

void grey16ToRgba(const Job& job) {
    const Scratch grey(job.pixels());
    narrowGrey16(job, grey.data());
    greyToRgba(job, grey.data(), job.width());
}

void rgbaToGrey(const Job& job) {
    ippiColorToGray_8u_AC4C1R(job.srcData(), job.srcStep(), job.dstData(), job.dstStep(), job.roi, kVDGreyWeights);
}

void grey16ToGrey(const Job& job) {
    ippiScale_16u8u_C1R(job.srcWords(), job.srcStep(), job.dstData(), job.dstStep(), job.roi, ippAlgHintFast);
}

void rgbaToGrey16(const Job& job) {
    const Scratch grey(job.pixels());
    ippiColorToGray_8u_AC4C1R(job.srcData(), job.srcStep(), grey.data(), job.width(), job.roi, kVDGreyWeights);
    widenGrey(job, grey.data(), job.width());
}

void greyToGrey16(const Job& job) { widenGrey(job, job.srcData(), job.srcStep()); }

struct DirectPath {
    F target, source;
    Path path;
};

// Every other pair goes through an RGB image: decoded straight into an
// RGB24 target, encoded straight from an RGB24 source.
constexpr DirectPath kDirectPaths[] = {
    {F::vfRGBA32, F::vfRGB565, wordsToRgba<ippiRGB565ToRGBA_8u_AC4R>},
    {F::vfRGBA32, F::vfRGB555, wordsToRgba<ippiRGB555ToRGBA_8u_AC4R>},
    {F::vfRGBA32, F::vfGrayScale, greyToRgbaPath},
    {F::vfRGBA32, F::vfGray16, grey16ToRgba},
    {F::vfRGBA32, F::vfYV12, planarToRgba},
    {F::vfRGBA32, F::vfIYUV, planarToRgba},
    {F::vfRGB565, F::vfRGBA32, rgbaToWords<ippiRGBA_8u_AC4RToRGB565>},
    {F::vfRGB565, F::vfYV12, planarToWords<ippiYCbCr420ToRGB565_8u16u_P3C3R>},
    {F::vfRGB565, F::vfIYUV, planarToWords<ippiYCbCr420ToRGB565_8u16u_P3C3R>},
    {F::vfRGB565, F::vfRGB555, wordsToWords<ippiRGB555ToRGB565>},
    {F::vfRGB555, F::vfRGBA32, rgbaToWords<ippiRGBA_8u_AC4RToRGB555>},
    {F::vfRGB555, F::vfYV12, planarToWords<ippiYCbCr420ToRGB555_8u16u_P3C3R>},
    {F::vfRGB555, F::vfIYUV, planarToWords<ippiYCbCr420ToRGB555_8u16u_P3C3R>},
    {F::vfRGB555, F::vfRGB565, wordsToWords<ippiRGB565ToRGB555>},
    {F::vfYUY2, F::vfUYVY, swapPairs},
    {F::vfUYVY, F::vfYUY2, swapPairs},
    {F::vfYV12, F::vfIYUV, exchangePlanes},
    {F::vfIYUV, F::vfYV12, exchangePlanes},
    {F::vfGrayScale, F::vfRGBA32, rgbaToGrey},
    {F::vfGrayScale, F::vfGray16, grey16ToGrey},
    {F::vfGray16, F::vfRGBA32, rgbaToGrey16},
    {F::vfGray16, F::vfGrayScale, greyToGrey16},
};

Path directPath(F target, F source) {
    for (const DirectPath& d : kDirectPaths)
        if (d.target == target && d.source == source) return d.path;
    return nullptr;
}

// Rows of one band: a whole frame runs through a path band by band, so
// that an intermediate image stays in the cache between the primitive that
// writes it and the one that reads it.
std::uint32_t bandRows(std::uint32_t width, std::uint32_t height) {
    constexpr std::uint64_t kIntermediateBytes = 96 * 1024;
    const std::uint64_t rows = std::max<std::uint64_t>(2, kIntermediateBytes / (3 * std::uint64_t{width})) & ~1u;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(rows, height));
}

}  // namespace

void VDConvertPixels(const TVDSmartImageBuffer& source, TVDSmartImageBuffer& target) {
    const std::uint32_t w = source.GetWidth(), h = source.GetHeight();
    if (w == 0 || h == 0) return;
    const F from = source.Format(), to = target.Format();
    // The direct paths read planes as studio range: a JPEG's planes go through B, G, R bytes.
    const Path path = source.FullRange() ? nullptr : directPath(to, from);
    const std::uint32_t band = bandRows(w, h);
    const int rgbStep = static_cast<int>(3 * w);
    std::optional<Scratch> rgb;
    if (!path && to != F::vfRGB24 && from != F::vfRGB24) rgb.emplace(std::uint64_t{band} * 3 * w);
    for (std::uint32_t row0 = 0; row0 < h; row0 += band) {
        const Job job{source, target, row0, {static_cast<int>(w), static_cast<int>(std::min(band, h - row0))}};
        if (path) {
            path(job);
        } else if (to == F::vfRGB24) {
            decode(job, job.dstData(), job.dstStep());
        } else if (from == F::vfRGB24) {
            encode(job, {rowOf(source, row0), job.srcStep(), false, false});
        } else {
            decode(job, rgb->data(), rgbStep);
            encode(job, {rgb->data(), rgbStep, true, isGrey(from)});
        }
    }
}

}  // namespace oculon::mediavideo
