#include "media/primitives/SampleWidthScaling.h"

#include <algorithm>
#include <cstdint>

#include "media/primitives/SampleWalk.h"

namespace oculon::primitives {

namespace {

using std::int64_t;

// s x to / from, truncated toward zero and held to the destination's range.
template <typename Src, typename Dst, int64_t to, int64_t from>
void rescale(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    static constexpr int64_t lo = -to - 1;
    samples::walk<Src::kBytes, Dst::kBytes>(pSrc, srcStep, pDst, dstStep, samples::count(roi),
                                            [](const Ipp8u* s, Ipp8u* d) {
                                                const int64_t v = int64_t{Src::load(s)} * to / from;
                                                Dst::store(d, static_cast<Ipp32s>(std::clamp(v, lo, to)));
                                            });
}

constexpr int64_t k16 = 32767;
constexpr int64_t k24 = 8388607;
constexpr int64_t k32 = 2147483647;

// 8-bit samples seen as their distance from the zero level.
struct Centred8 {
    static constexpr int kBytes = 1;
    static Ipp32s load(const Ipp8u* p) { return *p - 127; }
    static void store(Ipp8u* p, Ipp32s v) { *p = static_cast<Ipp8u>(v + 127); }
};

}  // namespace

void ippiScale_8u24s_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    rescale<Centred8, samples::Packed24, k24, 127>(pSrc, srcStep, pDst, dstStep, roi);
}

void ippiScale_16s24s_C1R(const Ipp16s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    rescale<samples::Shorts, samples::Packed24, k24, k16>(samples::bytes(pSrc), srcStep, pDst, dstStep, roi);
}

void ippiScale_16s32s_C1R(const Ipp16s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roi) {
    rescale<samples::Shorts, samples::Longs, k32, k16>(samples::bytes(pSrc), srcStep, samples::bytes(pDst), dstStep,
                                                       roi);
}

void ippiScale_24s32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roi) {
    rescale<samples::Packed24, samples::Longs, k32, k24>(pSrc, srcStep, samples::bytes(pDst), dstStep, roi);
}

void ippiScale_24s8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppHintAlgorithm) {
    rescale<samples::Packed24, Centred8, 127, k24>(pSrc, srcStep, pDst, dstStep, roi);
}

void ippiScale_24s16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi, IppHintAlgorithm) {
    rescale<samples::Packed24, samples::Shorts, k16, k24>(pSrc, srcStep, samples::bytes(pDst), dstStep, roi);
}

void ippiScale_32s16s_C1R(const Ipp32s* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi, IppHintAlgorithm) {
    rescale<samples::Longs, samples::Shorts, k16, k32>(samples::bytes(pSrc), srcStep, samples::bytes(pDst), dstStep,
                                                       roi);
}

void ippiScale_32s24s_C1R(const Ipp32s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppHintAlgorithm) {
    rescale<samples::Longs, samples::Packed24, k24, k32>(samples::bytes(pSrc), srcStep, pDst, dstStep, roi);
}

}  // namespace oculon::primitives
