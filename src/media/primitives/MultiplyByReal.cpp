#include "media/primitives/MultiplyByReal.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "media/primitives/SampleWalk.h"

namespace oculon::primitives {

namespace {

// Below 2^51 in magnitude, adding 1.5 x 2^52 rounds v to a whole number (to
// nearest, ties to even) and leaves it in the low mantissa bits, whose low 32
// bits are the rounded value modulo 2^32: no conversion instruction needed.
constexpr double kRoundShift = 0x1.8p52;
constexpr double kFastLimit = 0x1p51;

Ipp32s lowBitsFast(double v) {
    return static_cast<Ipp32s>(static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(v + kRoundShift)));
}

Ipp32s lowBitsAnySize(double v) {
    if (!std::isfinite(v)) return 0;  // the low bits of ever larger values are 0
    if (std::fabs(v) < kFastLimit) return lowBitsFast(v);
    // Up to 2^52 v may still end in a half, which the conversion would cut
    // off; rint rounds it to even. fmod then keeps the low bits exactly.
    return static_cast<Ipp32s>(static_cast<std::uint32_t>(static_cast<std::int64_t>(std::fmod(std::rint(v), 0x1p32))));
}

template <typename Kind>
void multiply(double factor, const Ipp8u* pSrc, Ipp8u* pDst, int step, IppiSize roi, double largestSample) {
    if (factor == 1.0 || std::isnan(factor)) return;
    const std::ptrdiff_t n = samples::count(roi);
    // Every product of this call stays below the limit: the loop without a
    // branch, which the compiler vectorises.
    if (std::fabs(factor) * largestSample < kFastLimit)
        samples::walk<Kind::kBytes, Kind::kBytes>(pSrc, step, pDst, step, n, [factor](const Ipp8u* s, Ipp8u* d) {
            Kind::store(d, lowBitsFast(Kind::load(s) * factor));
        });
    else
        samples::walk<Kind::kBytes, Kind::kBytes>(pSrc, step, pDst, step, n, [factor](const Ipp8u* s, Ipp8u* d) {
            Kind::store(d, lowBitsAnySize(Kind::load(s) * factor));
        });
}

constexpr double k8 = 255.0;
constexpr double k16 = 32768.0;
constexpr double k24 = 8388608.0;
constexpr double k32 = 2147483648.0;

}  // namespace

void MultiplyByReal8uI(double factor, Ipp8u* pSrcDst, int step, IppiSize roi) {
    multiply<samples::Bytes>(factor, pSrcDst, pSrcDst, step, roi, k8);
}

void MultiplyByReal16sI(double factor, Ipp16s* pSrcDst, int step, IppiSize roi) {
    multiply<samples::Shorts>(factor, samples::bytes(pSrcDst), samples::bytes(pSrcDst), step, roi, k16);
}

void MultiplyByReal24sI(double factor, Ipp8u* pSrcDst, int step, IppiSize roi) {
    multiply<samples::Packed24>(factor, pSrcDst, pSrcDst, step, roi, k24);
}

void MultiplyByReal32sI(double factor, Ipp32s* pSrcDst, int step, IppiSize roi) {
    multiply<samples::Longs>(factor, samples::bytes(pSrcDst), samples::bytes(pSrcDst), step, roi, k32);
}

void MultiplyByReal8u(double factor, const Ipp8u* pSrc, Ipp8u* pDst, int step, IppiSize roi) {
    multiply<samples::Bytes>(factor, pSrc, pDst, step, roi, k8);
}

void MultiplyByReal16s(double factor, const Ipp16s* pSrc, Ipp16s* pDst, int step, IppiSize roi) {
    multiply<samples::Shorts>(factor, samples::bytes(pSrc), samples::bytes(pDst), step, roi, k16);
}

void MultiplyByReal24s(double factor, const Ipp8u* pSrc, Ipp8u* pDst, int step, IppiSize roi) {
    multiply<samples::Packed24>(factor, pSrc, pDst, step, roi, k24);
}

void MultiplyByReal32s(double factor, const Ipp32s* pSrc, Ipp32s* pDst, int step, IppiSize roi) {
    multiply<samples::Longs>(factor, samples::bytes(pSrc), samples::bytes(pDst), step, roi, k32);
}

}  // namespace oculon::primitives
