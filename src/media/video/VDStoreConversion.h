#pragma once
// The conversions between the pixel stores: a 10 x 10 table of paths, each a
// short run of image primitives, through an RGB image of B, G, R bytes (or an
// 8-bit grey image) where no primitive joins the two formats directly. The
// intermediate images are pool blocks given back before the call returns.
//
// RGB24 and RGBA stores hold B, G, R in memory; the 4:2:2 primitives work on
// R, G, B, so every 4:2:2 path swaps channels. The 4:2:0 primitives are fed
// B, G, R as their R, G, B, which is why the plane a YV12 store passes as Cb
// carries the red-difference samples.

#include "media/primitives/IppDefs.h"
#include "media/video/VDInternalStore.h"
#include "platform/FullRangeYuv.h"

namespace oculon::mediavideo {

// Blue, green, red: the weights of every grey value.
inline constexpr primitives::Ipp32f kVDGreyWeights[3] = {0.114f, 0.587f, 0.299f};
// Exchanges channels 0 and 2.
inline constexpr int kVDChannelOrder[3] = {2, 1, 0};

// Fills `target` with the picture of `source`, a store of another format and
// the same size; nothing for an empty picture. Reads only the geometry,
// block and planes of `target`, so a store under construction may call it.
void VDConvertPixels(const TVDSmartImageBuffer& source, TVDSmartImageBuffer& target);

// The planes of a planar store in the order the 4:2:0 primitives take them:
// luma, Cb, Cr (memory planes 0, 1, 2 for YV12; 0, 2, 1 for IYUV).
struct TVDYCbCrPlanes {
    primitives::Ipp8u* Plane[3];
    int Step[3];
};
TVDYCbCrPlanes VDYCbCrPlanes(const TVDSmartImageBuffer& store);

// The planes of a full-range planar store (FullRange) as a JPEG picture's
// luma, Cb and Cr: memory planes 0, 1, 2 for IYUV; 0, 2, 1 for YV12.
platform::Yuv420Planes VDJpegPlanes(const TVDSmartImageBuffer& store);

// The pixels of a full-range planar store (FullRange) from (x0, y0) on as
// B, G, R bytes, each pixel with the chroma of its 2 x 2 block, in the
// integer arithmetic of the JPEG library's colour conversion:
// R = Y + 1.402 Cr', G = Y - 0.34414 Cb' - 0.71414 Cr', B = Y + 1.772 Cb'.
void VDFullRangeToBgr(const TVDSmartImageBuffer& store, std::uint32_t x0, std::uint32_t y0, primitives::IppiSize roi,
                      primitives::Ipp8u* bgr, int bgrStep);

// Packed U Y0 V Y1 to R, G, B bytes: the pairs byte-swapped into a pool
// block, then the 4:2:2 primitive. Arguments and result as that primitive's.
primitives::IppStatus ippiUYVYToRGB_8u_C2C3R(const primitives::Ipp8u* pSrc, int srcStep, primitives::Ipp8u* pDst,
                                             int dstStep, primitives::IppiSize roiSize);

}  // namespace oculon::mediavideo
