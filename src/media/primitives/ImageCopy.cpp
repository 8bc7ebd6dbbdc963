#include "media/primitives/ImageCopy.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "media/primitives/ImageRegion.h"
#include "media/primitives/PixelShuffle.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

IppStatus checkCopy(const void* pSrc, const void* pDst, IppiSize roi) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    return region::badSize(roi) ? ippStsSizeErr : ippStsNoErr;
}

IppStatus checkFill(const void* pDst, const void* pValue, int dstStep, IppiSize roi) {
    if (!pDst || !pValue) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    return dstStep < 1 ? ippStsStepErr : ippStsNoErr;
}

// Copies whole pixels of `pixel` bytes row by row.
IppStatus copyPixels(const void* pSrc, int srcStep, void* pDst, int dstStep, IppiSize roi, ptrdiff_t pixel) {
    if (IppStatus st = checkCopy(pSrc, pDst, roi)) return st;
    region::eachRow(pSrc, srcStep, pixel, pDst, dstStep, pixel, roi, [pixel](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
        std::memmove(d, s, static_cast<std::size_t>(n * pixel));
    });
    return ippStsNoErr;
}

// Byte k of a pixel moves to byte k for the first `channels` bytes.
constexpr std::array<int, 4> firstBytes(int channels) {
    std::array<int, 4> map{};
    for (int k = 0; k < 4; ++k) map[static_cast<std::size_t>(k)] = k < channels ? k : -1;
    return map;
}

// Copies `Channels` bytes of every pixel, from pixels of `From` bytes into
// pixels of `To` bytes; the other bytes of the destination stay as they are.
template <int From, int To, int Channels>
IppStatus copyChannels(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (IppStatus st = checkCopy(pSrc, pDst, roi)) return st;
    pixels::kernels().move({From, To, firstBytes(Channels)}, pSrc, srcStep, pDst, dstStep, roi);
    return ippStsNoErr;
}

// Writes the `Channels` bytes of value into every pixel of `Pixel` bytes.
template <int Pixel, int Channels>
IppStatus fillChannels(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (IppStatus st = checkFill(pDst, value, dstStep, roi)) return st;
    if constexpr (Pixel == 1) {
        region::eachRow(pDst, dstStep, 1, roi,
                        [v = *value](Ipp8u* d, ptrdiff_t n) { std::memset(d, v, static_cast<std::size_t>(n)); });
    } else {
        // A value inside the destination is read once, before it is written.
        Ipp8u v[Channels];
        std::memcpy(v, value, Channels);
        pixels::kernels().move({0, Pixel, firstBytes(Channels)}, v, 0, pDst, dstStep, roi);
    }
    return ippStsNoErr;
}

IppStatus checkOrder(const int order[3]) {
    for (int k = 0; k < 3; ++k)
        if (order[k] < 0 || order[k] > 2) return ippStsChannelOrderErr;
    return ippStsNoErr;
}

template <int Pixel>
IppStatus swapChannels(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, const int order[3]) {
    if (!pSrc || !pDst || !order) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
    if (IppStatus st = checkOrder(order)) return st;
    pixels::kernels().move({Pixel, Pixel, {order[0], order[1], order[2], -1}}, pSrc, srcStep, pDst, dstStep, roi);
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiCopy_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyPixels(pSrc, srcStep, pDst, dstStep, roi, 1);
}

IppStatus _px_ippiCopy_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyPixels(pSrc, srcStep, pDst, dstStep, roi, 3);
}

IppStatus _px_ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyPixels(pSrc, srcStep, pDst, dstStep, roi, 4);
}

IppStatus _px_ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roi) {
    return copyPixels(pSrc, srcStep, pDst, dstStep, roi, 4);
}

IppStatus _px_ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<4, 4, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<4, 4, 1>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_C1C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<1, 3, 1>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_C1C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<1, 4, 1>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<3, 1, 1>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_C4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<4, 1, 1>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_C3AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<3, 4, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return copyChannels<4, 3, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiCopy_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    const Ipp8u* p0 = pSrc[0];
    const Ipp8u* p1 = pSrc[1];
    const Ipp8u* p2 = pSrc[2];
    if (!p0 || !p1 || !p2) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    const std::size_t written = static_cast<std::size_t>(roi.height) * static_cast<std::size_t>(roi.width) * 3;
    pixels::kernels().interleave(pSrc, srcStep, pDst, dstStep, roi, pixels::storesFor(written));
    return ippStsNoErr;
}

IppStatus _px_ippiSet_8u_C1R(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return fillChannels<1, 1>(&value, pDst, dstStep, roi);
}

IppStatus _px_ippiSet_8u_C3R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roi) {
    return fillChannels<3, 3>(value, pDst, dstStep, roi);
}

IppStatus _px_ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roi) {
    return fillChannels<4, 3>(value, pDst, dstStep, roi);
}

IppStatus _px_ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roi) {
    return fillChannels<4, 4>(value, pDst, dstStep, roi);
}

IppStatus _px_ippiSet_8u_C3CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return fillChannels<3, 1>(&value, pDst, dstStep, roi);
}

IppStatus _px_ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return fillChannels<4, 1>(&value, pDst, dstStep, roi);
}

IppStatus _px_ippiSet_16s_C1R(Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roi) {
    Ipp8u bytes[2];
    std::memcpy(bytes, &value, 2);
    return fillChannels<2, 2>(bytes, reinterpret_cast<Ipp8u*>(pDst), dstStep, roi);
}

IppStatus _px_ippiSwapChannels_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, const int dstOrder[3]) {
    return swapChannels<3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, dstOrder);
}

IppStatus _px_ippiSwapChannels_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                      const int dstOrder[3]) {
    return swapChannels<3>(pSrc, srcStep, pDst, dstStep, roi, dstOrder);
}

IppStatus _px_ippiSwapChannels_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                       const int dstOrder[3]) {
    return swapChannels<4>(pSrc, srcStep, pDst, dstStep, roi, dstOrder);
}

OCULON_IPP_DEFINE(ippiCopy_8u_C1R);
OCULON_IPP_DEFINE(ippiCopy_8u_C3R);
OCULON_IPP_DEFINE(ippiCopy_8u_C4R);
OCULON_IPP_DEFINE(ippiCopy_32s_C1R);
OCULON_IPP_DEFINE(ippiCopy_8u_AC4R);
OCULON_IPP_DEFINE(ippiCopy_8u_C4CR);
OCULON_IPP_DEFINE(ippiCopy_8u_C1C3R);
OCULON_IPP_DEFINE(ippiCopy_8u_C1C4R);
OCULON_IPP_DEFINE(ippiCopy_8u_C3C1R);
OCULON_IPP_DEFINE(ippiCopy_8u_C4C1R);
OCULON_IPP_DEFINE(ippiCopy_8u_C3AC4R);
OCULON_IPP_DEFINE(ippiCopy_8u_AC4C3R);
OCULON_IPP_DEFINE(ippiCopy_8u_P3C3R);
OCULON_IPP_DEFINE(ippiSet_8u_C1R);
OCULON_IPP_DEFINE(ippiSet_8u_C3R);
OCULON_IPP_DEFINE(ippiSet_8u_AC4R);
OCULON_IPP_DEFINE(ippiSet_8u_C4R);
OCULON_IPP_DEFINE(ippiSet_8u_C3CR);
OCULON_IPP_DEFINE(ippiSet_8u_C4CR);
OCULON_IPP_DEFINE(ippiSet_16s_C1R);
OCULON_IPP_DEFINE(ippiSwapChannels_8u_C3IR);
OCULON_IPP_DEFINE(ippiSwapChannels_8u_C3R);
OCULON_IPP_DEFINE(ippiSwapChannels_8u_AC4R);

}  // namespace oculon::primitives
