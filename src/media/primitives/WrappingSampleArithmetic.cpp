#include "media/primitives/WrappingSampleArithmetic.h"

#include <cstdint>
#include <limits>

#include "media/primitives/SampleWalk.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;
using std::uint32_t;

enum class Op { Add, Sub, Mul, Div };

// Each kind reads samples as 32-bit integers and computes d op s.
struct ZeroLevel8 : samples::Bytes {
    static Ipp32s apply(Op op, Ipp32s d, Ipp32s s, bool&) {
        switch (op) {
            case Op::Add: return d + s - 127;
            case Op::Sub: return d - s + 127;
            case Op::Mul: return (s - 127) * (d - 127) + 127;
            case Op::Div: return s == 127 ? 127 : (d - 127) / (s - 127) + 127;
        }
        return d;
    }
};

// Two's complement arithmetic modulo 2^32; the quotient saturates where the
// processor would trap.
Ipp32s wrapping(Op op, Ipp32s d, Ipp32s s, Ipp32s lo, Ipp32s hi, bool& zero) {
    switch (op) {
        case Op::Add: return static_cast<Ipp32s>(static_cast<uint32_t>(d) + static_cast<uint32_t>(s));
        case Op::Sub: return static_cast<Ipp32s>(static_cast<uint32_t>(d) - static_cast<uint32_t>(s));
        case Op::Mul: return static_cast<Ipp32s>(static_cast<uint32_t>(d) * static_cast<uint32_t>(s));
        case Op::Div:
            if (s == 0) {
                zero = true;
                return d > 0 ? hi : d < 0 ? lo : 0;
            }
            if (s == -1 && d == std::numeric_limits<Ipp32s>::min()) return std::numeric_limits<Ipp32s>::max();
            return d / s;
    }
    return d;
}

struct Packed : samples::Packed24 {
    static Ipp32s apply(Op op, Ipp32s d, Ipp32s s, bool& zero) { return wrapping(op, d, s, kMin24, kMax24, zero); }
};

struct Whole : samples::Longs {
    static Ipp32s apply(Op op, Ipp32s d, Ipp32s s, bool& zero) {
        return wrapping(op, d, s, std::numeric_limits<Ipp32s>::min(), std::numeric_limits<Ipp32s>::max(), zero);
    }
};

IppStatus status(bool zero) { return zero ? ippStsDivByZero : ippStsNoErr; }

// The operation is a template argument so that each loop is compiled for one
// operation only.
template <typename Kind, Op op>
IppStatus withImage(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, ptrdiff_t n) {
    bool zero = false;
    samples::walk<Kind::kBytes, Kind::kBytes>(pSrc, srcStep, pSrcDst, srcDstStep, n, [&zero](const Ipp8u* s, Ipp8u* d) {
        Kind::store(d, Kind::apply(op, Kind::load(d), Kind::load(s), zero));
    });
    return status(zero);
}

template <typename Kind, Op op>
IppStatus withConstant(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, ptrdiff_t n) {
    bool zero = false;
    samples::walk<Kind::kBytes, Kind::kBytes>(pSrc, step, pDst, step, n, [value, &zero](const Ipp8u* s, Ipp8u* d) {
        Kind::store(d, Kind::apply(op, Kind::load(s), value, zero));
    });
    return status(zero);
}

ptrdiff_t vectorCount(int len) { return len < 1 ? 0 : len; }

}  // namespace

void ippiAdd_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<ZeroLevel8, Op::Add>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep,
                                   samples::count(roi));
}

void ippiSub_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<ZeroLevel8, Op::Sub>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep,
                                   samples::count(roi));
}

void ippiMul_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<ZeroLevel8, Op::Mul>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep,
                                   samples::count(roi));
}

void ippiDiv_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<ZeroLevel8, Op::Div>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep,
                                   samples::count(roi));
}

void ippiAdd_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<Packed, Op::Add>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep, samples::count(roi));
}

void ippiSub_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<Packed, Op::Sub>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep, samples::count(roi));
}

void ippiMul_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<Packed, Op::Mul>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep, samples::count(roi));
}

IppStatus ippiDiv_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int) {
    return withImage<Packed, Op::Div>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep,
                                      samples::count(roi));
}

void ippiAdd_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<Whole, Op::Add>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep, samples::count(roi));
}

void ippiSub_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<Whole, Op::Sub>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep, samples::count(roi));
}

void ippiMul_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi, int) {
    withImage<Whole, Op::Mul>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep, samples::count(roi));
}

IppStatus ippiDiv_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi, int) {
    return withImage<Whole, Op::Div>(samples::bytes(pSrc), srcStep, samples::bytes(pSrcDst), srcDstStep,
                                     samples::count(roi));
}

void ippsAddC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int) {
    withConstant<Packed, Op::Add>(pSrcDst, value, pSrcDst, 3, vectorCount(len));
}

void ippsAddC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int) {
    withConstant<Packed, Op::Add>(pSrc, value, pDst, 3, vectorCount(len));
}

void ippsSubC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int) {
    withConstant<Packed, Op::Sub>(pSrcDst, value, pSrcDst, 3, vectorCount(len));
}

void ippsSubC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int) {
    withConstant<Packed, Op::Sub>(pSrc, value, pDst, 3, vectorCount(len));
}

void ippsMulC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int) {
    withConstant<Packed, Op::Mul>(pSrcDst, value, pSrcDst, 3, vectorCount(len));
}

void ippsMulC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int) {
    withConstant<Packed, Op::Mul>(pSrc, value, pDst, 3, vectorCount(len));
}

IppStatus ippsDivC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int) {
    return withConstant<Packed, Op::Div>(pSrcDst, value, pSrcDst, 3, vectorCount(len));
}

IppStatus ippsDivC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int) {
    return withConstant<Packed, Op::Div>(pSrc, value, pDst, 3, vectorCount(len));
}

void ippiAddC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int) {
    withConstant<Packed, Op::Add>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step, samples::count(roi));
}

void ippiAddC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int) {
    withConstant<Packed, Op::Add>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

void ippiSubC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int) {
    withConstant<Packed, Op::Sub>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step, samples::count(roi));
}

void ippiSubC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int) {
    withConstant<Packed, Op::Sub>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

void ippiMulC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int) {
    withConstant<Packed, Op::Mul>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step, samples::count(roi));
}

void ippiMulC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int) {
    withConstant<Packed, Op::Mul>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

IppStatus ippiDivC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int) {
    return withConstant<Packed, Op::Div>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step,
                                         samples::count(roi));
}

IppStatus ippiDivC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int) {
    return withConstant<Packed, Op::Div>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

void ippiAddC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int) {
    withConstant<Whole, Op::Add>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step, samples::count(roi));
}

void ippiAddC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int) {
    withConstant<Whole, Op::Add>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

void ippiSubC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int) {
    withConstant<Whole, Op::Sub>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step, samples::count(roi));
}

void ippiSubC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int) {
    withConstant<Whole, Op::Sub>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

void ippiMulC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int) {
    withConstant<Whole, Op::Mul>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step, samples::count(roi));
}

void ippiMulC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int) {
    withConstant<Whole, Op::Mul>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

IppStatus ippiDivC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int) {
    return withConstant<Whole, Op::Div>(samples::bytes(pSrcDst), value, samples::bytes(pSrcDst), step,
                                        samples::count(roi));
}

IppStatus ippiDivC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int) {
    return withConstant<Whole, Op::Div>(samples::bytes(pSrc), value, samples::bytes(pDst), step, samples::count(roi));
}

}  // namespace oculon::primitives
