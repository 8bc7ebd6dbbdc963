#pragma once
// Resizing a region of an image by an x and a y factor: nearest neighbour,
// linear, cubic, area averaging (super-sampling) and Lanczos. The entry
// points only choose between the general driver and the area reduction; the
// driver checks and clips, maps every destination column and row onto the
// source once, and hands the rows to one kernel of its table.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// A source region in pixels, passed by value.
struct TVDImageRect {
    int X;
    int Y;
    int Width;
    int Height;
};

// Interpolation codes of the resize entry points.
inline constexpr int kResizeNearest = 1;
inline constexpr int kResizeLinear = 2;
inline constexpr int kResizeCubic = 4;
inline constexpr int kResizeSuper = 8;
inline constexpr int kResizeLanczos = 16;

// Warning: the region starts right of or below the image; nothing written.
inline constexpr IppStatus kResizeRegionOutside = 29;
// Error: the scaled region is smaller than half a destination pixel.
inline constexpr IppStatus kResizeTooSmall = -201;

// Only min(dstRoiSize, trunc(region size x factor + 1e-7)) pixels are written
// (at least one where the product reaches 0.5); the rest of the destination
// region is left as it was. Interpolation 8 with both factors at most 1.0
// averages areas; with a factor above 1.0 it is refused (-22).
OCULON_IPP_ENTRY(ippiResize_8u_C3R,
                 (const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp8u* pDst, int dstStep,
                  IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation));
OCULON_IPP_ENTRY(ippiResize_8u_C4R,
                 (const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp8u* pDst, int dstStep,
                  IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation));
OCULON_IPP_ENTRY(ippiResize_8u_C1R,
                 (const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp8u* pDst, int dstStep,
                  IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation));
OCULON_IPP_ENTRY(ippiResize_16u_C1R,
                 (const Ipp16u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp16u* pDst, int dstStep,
                  IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation));
// Scales the region so that source point (xCenter, yCenter) lands on the
// centre of the destination region; only the part that lands inside it is
// written.
OCULON_IPP_ENTRY(ippiResizeCenter_8u_C4R, (const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi,
                                           Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                                           double yFactor, double xCenter, double yCenter, int interpolation));

// Sample type codes of the drivers.
inline constexpr int kSample8u = 0;
inline constexpr int kSample16u = 1;
inline constexpr int kSample32f = 2;

// The general driver. `src` and `dst` are the first pixels of the images, or
// arrays of plane pointers when `planar` is non-zero (three planes for layout
// 3, four otherwise). `channels` is the pixel stride in samples, `layout` the
// number of channels worked (1: one plane; 3 with 4 channels leaves the
// fourth sample alone). The shifts move the first destination pixel by a
// fraction of a source pixel.
IppStatus ownpiResize(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst, int dstStep,
                      IppiSize dstRoiSize, double xFactor, double yFactor, double xShift, double yShift, int channels,
                      int layout, int sampleType, int planar, int interpolation);

// Where a region lands when source point (xCenter, yCenter) is put on the
// destination centre: the destination rectangle, the source region that
// fills it and the fractional start of that region.
IppStatus ownpiResizeCenter(IppiSize srcSize, TVDImageRect srcRoi, IppiSize dstRoiSize, double xFactor, double yFactor,
                            double xCenter, double yCenter, TVDImageRect* dstRect, TVDImageRect* srcRegion,
                            double* xShift, double* yShift);

// Area-averaging reduction, both factors at most 1.0. Arguments as
// ownpiResize without shifts and interpolation.
IppStatus ownpiDecimateSuper(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst,
                             int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int channels, int layout,
                             int sampleType, int planar);

}  // namespace oculon::primitives
