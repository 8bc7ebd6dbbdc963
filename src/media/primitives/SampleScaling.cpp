#include "media/primitives/SampleScaling.h"

#include <cstddef>
#include <cstdint>

#include "media/primitives/ImageRegion.h"
#include "media/primitives/HotLoop.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

template <typename S, typename D, typename Fn>
OCULON_HOT_LOOP void mapRow(const S* src, D* dst, ptrdiff_t n, Fn fn) {
    for (ptrdiff_t i = 0; i < n; ++i) dst[i] = fn(src[i]);
}

// dst = fn(src) element by element over the region.
template <typename S, typename D, typename Fn>
IppStatus mapImage(const S* pSrc, int srcStep, D* pDst, int dstStep, IppiSize roi, Fn fn) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
    region::eachRow(pSrc, srcStep, sizeof(S), pDst, dstStep, sizeof(D), roi,
                    [fn](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
                        mapRow(reinterpret_cast<const S*>(s), reinterpret_cast<D*>(d), n, fn);
                    });
    return ippStsNoErr;
}

// 0..65535 to 0..255. 257 is odd, so no quotient is an exact half: the
// accurate form is the rounded quotient, (u + 128) / 257, computed as
// (u - (u + 128) / 256 + 128) / 256, which keeps every step below 2^16 and
// so the vector lanes 16 bits wide. The fast form is off by one for 128 of
// the inputs (128 gives 1).
template <typename S>
IppStatus narrow16(const S* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppHintAlgorithm hint,
                   int offset) {
    using u16 = std::uint16_t;
    if (hint == ippAlgHintAccurate)
        return mapImage(pSrc, srcStep, pDst, dstStep, roi, [offset](S s) {
            const auto u = static_cast<u16>(s + offset);
            const auto roundedHigh = static_cast<u16>(((u >> 1) + 64) >> 7);
            return static_cast<Ipp8u>(static_cast<u16>(u - roundedHigh + 128) >> 8);
        });
    return mapImage(pSrc, srcStep, pDst, dstStep, roi, [offset](S s) {
        const auto u = static_cast<u16>(s + offset);
        return static_cast<Ipp8u>(static_cast<u16>(u - (u >> 8) + 128) >> 8);
    });
}

}  // namespace

IppStatus _px_ippiScale_8u16u_C1R(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return mapImage(pSrc, srcStep, pDst, dstStep, roi, [](Ipp8u s) { return static_cast<Ipp16u>(s * 257); });
}

IppStatus _px_ippiScale_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi) {
    return mapImage(pSrc, srcStep, pDst, dstStep, roi, [](Ipp8u s) { return static_cast<Ipp16s>(s * 257 - 32768); });
}

IppStatus _px_ippiScale_8u32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roi) {
    // 0 gives -2^31 and 255 gives 2^31 - 1; formed modulo 2^32.
    return mapImage(pSrc, srcStep, pDst, dstStep, roi,
                    [](Ipp8u s) { return static_cast<Ipp32s>(s * 16843009u + 0x80000000u); });
}

IppStatus _px_ippiScale_16u8u_C1R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                  IppHintAlgorithm hint) {
    return narrow16(pSrc, srcStep, pDst, dstStep, roi, hint, 0);
}

IppStatus _px_ippiScale_16s8u_C1R(const Ipp16s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                  IppHintAlgorithm hint) {
    return narrow16(pSrc, srcStep, pDst, dstStep, roi, hint, 32768);
}

IppStatus _px_ippiScale_32s8u_C1R(const Ipp32s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                  IppHintAlgorithm hint) {
    auto unsign = [](Ipp32s s) { return static_cast<std::uint32_t>(s) ^ 0x80000000u; };
    if (hint == ippAlgHintAccurate)
        return mapImage(pSrc, srcStep, pDst, dstStep, roi, [unsign](Ipp32s s) {
            return static_cast<Ipp8u>((std::uint64_t{unsign(s)} + 8421504u) / 16843009u);
        });
    return mapImage(pSrc, srcStep, pDst, dstStep, roi, [unsign](Ipp32s s) {
        const std::uint32_t u = unsign(s);
        return static_cast<Ipp8u>((u - (u >> 8) + 8388608u) >> 24);
    });
}

IppStatus _px_ippiConvert_8u32f_C1R(const Ipp8u* pSrc, int srcStep, Ipp32f* pDst, int dstStep, IppiSize roi) {
    return mapImage(pSrc, srcStep, pDst, dstStep, roi, [](Ipp8u s) { return static_cast<Ipp32f>(s); });
}

IppStatus _px_ippiConvert_32f8u_C1R(const Ipp32f* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                    IppRoundMode roundMode) {
    // NaN fails v > 0 and becomes 0 with the negative values.
    auto clamp = [](Ipp32f v) { return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f; };
    if (roundMode == ippRndNear)
        return mapImage(pSrc, srcStep, pDst, dstStep, roi, [clamp](Ipp32f v) {
            // Adding 2^23 leaves no fraction bits in a float, so the sum is
            // rounded to nearest with ties to even (the default rounding).
            constexpr Ipp32f kRound = 8388608.0f;
            return static_cast<Ipp8u>((clamp(v) + kRound) - kRound);
        });
    return mapImage(pSrc, srcStep, pDst, dstStep, roi, [clamp](Ipp32f v) { return static_cast<Ipp8u>(clamp(v)); });
}

OCULON_IPP_DEFINE(ippiScale_8u16u_C1R);
OCULON_IPP_DEFINE(ippiScale_8u16s_C1R);
OCULON_IPP_DEFINE(ippiScale_8u32s_C1R);
OCULON_IPP_DEFINE(ippiScale_16u8u_C1R);
OCULON_IPP_DEFINE(ippiScale_16s8u_C1R);
OCULON_IPP_DEFINE(ippiScale_32s8u_C1R);
OCULON_IPP_DEFINE(ippiConvert_8u32f_C1R);
OCULON_IPP_DEFINE(ippiConvert_32f8u_C1R);

}  // namespace oculon::primitives
