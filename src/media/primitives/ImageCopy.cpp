#include "media/primitives/ImageCopy.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "media/primitives/ImageRegion.h"

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

// d[i] = s[3 i]. The compiler does not vectorize a stride of three well, so
// eight bytes are picked out of three 64-bit words at a time. A block reads
// up to s[3 i + 23], which stays below s[3 (n - 1)] while i + 9 < n.
void gatherEveryThird(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    ptrdiff_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 9 < n; i += 8) {
            std::uint64_t a, b, c;
            std::memcpy(&a, s + 3 * i, 8);
            std::memcpy(&b, s + 3 * i + 8, 8);
            std::memcpy(&c, s + 3 * i + 16, 8);
            const std::uint64_t out = (a & 0xFF) | ((a >> 16) & 0xFF00) | ((a >> 32) & 0xFF0000) |
                                      ((b << 16) & 0xFF000000) | (b & 0xFF00000000) | ((b >> 16) & 0xFF0000000000) |
                                      ((c << 32) & 0xFF000000000000) | ((c << 16) & 0xFF00000000000000);
            std::memcpy(d + i, &out, 8);
        }
    }
    for (; i < n; ++i) d[i] = s[3 * i];
}

// Copies `channels` bytes of every pixel, from pixels of `from` bytes into
// pixels of `to` bytes; the other bytes of the destination stay as they are.
template <int From, int To, int Channels>
IppStatus copyChannels(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (IppStatus st = checkCopy(pSrc, pDst, roi)) return st;
    region::eachRow(pSrc, srcStep, From, pDst, dstStep, To, roi, [](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
        if constexpr (From == 3 && To == 1) {
            gatherEveryThird(s, d, n);
        } else {
            for (ptrdiff_t i = 0; i < n; ++i)
                for (int k = 0; k < Channels; ++k) d[i * To + k] = s[i * From + k];
        }
    });
    return ippStsNoErr;
}

// Writes the `pixel` bytes of value into every pixel.
template <int Pixel>
void fillPattern(Ipp8u* d, ptrdiff_t n, const Ipp8u* value) {
    for (ptrdiff_t i = 0; i < n; ++i) std::memcpy(d + i * Pixel, value, Pixel);
}

template <int Pixel, int Channels>
IppStatus fillChannels(const Ipp8u* value, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (IppStatus st = checkFill(pDst, value, dstStep, roi)) return st;
    Ipp8u v[Channels];
    std::memcpy(v, value, Channels);
    region::eachRow(pDst, dstStep, Pixel, roi, [&v](Ipp8u* d, ptrdiff_t n) {
        if constexpr (Pixel == 1) std::memset(d, v[0], static_cast<std::size_t>(n));
        else if constexpr (Channels == Pixel) fillPattern<Pixel>(d, n, v);
        else
            for (ptrdiff_t i = 0; i < n; ++i)
                for (int k = 0; k < Channels; ++k) d[i * Pixel + k] = v[k];
    });
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
    const int o0 = order[0], o1 = order[1], o2 = order[2];
    region::eachRow(pSrc, srcStep, Pixel, pDst, dstStep, Pixel, roi, [=](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
        for (ptrdiff_t i = 0; i < n; ++i) {
            const Ipp8u* sp = s + i * Pixel;
            const Ipp8u c0 = sp[o0], c1 = sp[o1], c2 = sp[o2];
            Ipp8u* dp = d + i * Pixel;
            dp[0] = c0;
            dp[1] = c1;
            dp[2] = c2;
        }
    });
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
    auto interleave = [](const Ipp8u* a, const Ipp8u* b, const Ipp8u* c, Ipp8u* d, ptrdiff_t n) {
        for (ptrdiff_t i = 0; i < n; ++i) {
            d[3 * i] = a[i];
            d[3 * i + 1] = b[i];
            d[3 * i + 2] = c[i];
        }
    };
    const ptrdiff_t w = roi.width;
    if (srcStep == w && dstStep == 3 * w) {
        interleave(p0, p1, p2, pDst, w * roi.height);
        return ippStsNoErr;
    }
    for (ptrdiff_t r = 0; r < roi.height; ++r)
        interleave(region::row(p0, srcStep, r), region::row(p1, srcStep, r), region::row(p2, srcStep, r),
                   region::row(pDst, dstStep, r), w);
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
