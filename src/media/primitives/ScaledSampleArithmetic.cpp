#include "media/primitives/ScaledSampleArithmetic.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/HotLoop.h"
#include "media/primitives/SampleFillCopy.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

enum class Op { Add, Sub, Mul };

template <typename T>
constexpr bool kIs8u = std::is_same_v<T, Ipp8u>;

template <typename T>
constexpr int kLo = kIs8u<T> ? 0 : -32768;
template <typename T>
constexpr int kHi = kIs8u<T> ? 255 : 32767;
// Beyond this left shift every nonzero saturated value saturates again, and
// the product still fits 32 bits.
template <typename T>
constexpr int kMaxShift = kIs8u<T> ? 8 : 16;

// The first scale factor at which every rounded result is 0: one below it,
// the largest exact result still rounds to 1 (8u Add: 510 / 2^9).
template <typename T>
constexpr int cutOff(Op op) {
    if constexpr (kIs8u<T>) return op == Op::Add ? 10 : op == Op::Sub ? 9 : 17;
    else return op == Op::Mul ? 31 : 17;
}

template <typename T>
T saturate(int v) {
    return static_cast<T>(std::min(std::max(v, kLo<T>), kHi<T>));
}

template <typename T, Op op>
int exact(int a, int b) {
    if constexpr (op == Op::Add) return a + b;
    else if constexpr (op == Op::Mul) return a * b;
    else if constexpr (kIs8u<T>) return std::max(a - b, 0);
    else return a - b;
}

// A constant operand, indexed like a row.
struct Constant {
    int value;
    int operator[](ptrdiff_t) const { return value; }
};

// The product of two 16-bit samples, saturated, from its low and high
// halves: the compiler keeps these in 16-bit lanes (one multiply for each
// half), where the clamp of the 32-bit product widens every lane.
[[gnu::always_inline]] inline Ipp16s saturatedProduct16(int a, int b) {
    const auto lo = static_cast<Ipp16s>(a * b);
    const auto hi = static_cast<Ipp16s>((a * b) >> 16);
    // The product fits when its high half only extends the low half's sign;
    // otherwise the high half's sign picks the limit.
    return hi == static_cast<Ipp16s>(lo >> 15) ? lo : static_cast<Ipp16s>((hi >> 15) ^ 0x7FFF);
}

// (a + b) / 2 rounded half to even, in 16-bit lanes: the floor of the
// halved sum without the 17-bit sum, plus one on a tie when the floor is odd.
[[gnu::always_inline]] inline Ipp16s halvedSum16(int a, int b) {
    const auto floorHalf = static_cast<Ipp16s>((a & b) + ((a ^ b) >> 1));
    return static_cast<Ipp16s>(floorHalf + ((a ^ b) & floorHalf & 1));
}

// d[i] = a[i] op b[i], scaled by 2^-sf (below the cut-off). Each branch is
// its own loop so that the compiler vectorises it with sf invariant.
template <typename T, Op op, typename B>
OCULON_HOT_LOOP void scaleRow(const T* a, B b, T* d, ptrdiff_t n, int sf) {
    if constexpr (!kIs8u<T> && op == Op::Mul) {
        if (sf == 0) {
            for (ptrdiff_t i = 0; i < n; ++i) d[i] = saturatedProduct16(a[i], b[i]);
            return;
        }
    }
    if constexpr (!kIs8u<T> && op == Op::Add) {
        if (sf == 1) {
            for (ptrdiff_t i = 0; i < n; ++i) d[i] = halvedSum16(a[i], b[i]);
            return;
        }
    }
    if (sf == 0) {
        for (ptrdiff_t i = 0; i < n; ++i) d[i] = saturate<T>(exact<T, op>(a[i], b[i]));
    } else if (sf > 0) {
        // Adding 2^(sf-1) - 1, plus 1 when the quotient is odd, rounds a tie
        // to the even neighbour; >> floors, so negative values round alike.
        const int bias = (1 << (sf - 1)) - 1;
        for (ptrdiff_t i = 0; i < n; ++i) {
            const int v = exact<T, op>(a[i], b[i]);
            d[i] = saturate<T>((v + bias + ((v >> sf) & 1)) >> sf);
        }
    } else {
        // Saturating first keeps the scaled value within 32 bits and gives
        // the same result: anything beyond the range stays beyond it.
        // Compared before negating: -INT_MIN does not exist.
        const int factor = 1 << (sf < -kMaxShift<T> ? kMaxShift<T> : -sf);
        for (ptrdiff_t i = 0; i < n; ++i) d[i] = saturate<T>(saturate<T>(exact<T, op>(a[i], b[i])) * factor);
    }
}

template <typename T>
const T* as(const Ipp8u* p) {
    return reinterpret_cast<const T*>(p);
}
template <typename T>
T* as(Ipp8u* p) {
    return reinterpret_cast<T*>(p);
}

IppStatus fillImage(Ipp8u v, Ipp8u* dst, int step, IppiSize roi) { return ippiSet_8u_C1R(v, dst, step, roi); }
IppStatus fillImage(Ipp16s v, Ipp16s* dst, int step, IppiSize roi) { return ippiSet_16s_C1R(v, dst, step, roi); }

template <typename T, Op op>
IppStatus imageOp(const T* pSrc, int srcStep, T* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    if (!pSrc || !pSrcDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (sf >= cutOff<T>(op)) return fillImage(T{0}, pSrcDst, srcDstStep, roi);
    region::eachRow(
        pSrc, srcStep, sizeof(T), pSrcDst, srcDstStep, sizeof(T), roi,
        [sf](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { scaleRow<T, op>(as<T>(d), as<T>(s), as<T>(d), n, sf); });
    return ippStsNoErr;
}

// Where a constant form reads and writes: a vector (one row of roi.width
// elements) or an image. Shortcuts and cut-offs go to the fill and copy
// routines of the same shape.
template <typename T>
struct Target {
    const T* src;
    int srcStep;
    T* dst;
    int dstStep;
    IppiSize roi;
    bool vector;

    bool inPlace() const { return src == dst && srcStep == dstStep; }

    IppStatus fill(T v) const {
        if (!vector) return fillImage(v, dst, dstStep, roi);
        if constexpr (kIs8u<T>) return v == 0 ? ippsZero_8u(dst, roi.width) : ippsSet_8u(v, dst, roi.width);
        else return ippsZero_16s(dst, roi.width);
    }

    IppStatus copy() const {
        if (inPlace()) return ippStsNoErr;
        if constexpr (kIs8u<T>)
            return vector ? ippsCopy_8u(src, dst, roi.width) : ippiCopy_8u_C1R(src, srcStep, dst, dstStep, roi);
        else return vector ? _px_ippsCopy_16s(src, dst, roi.width) : ippiCopy_16s_C1R(src, srcStep, dst, dstStep, roi);
    }
};

template <typename T>
Target<T> vectorTarget(const T* src, T* dst, int len) {
    return {src, 0, dst, 0, IppiSize{len, 1}, true};
}

template <typename T>
Target<T> imageTarget(const T* src, int srcStep, T* dst, int dstStep, IppiSize roi) {
    return {src, srcStep, dst, dstStep, roi, false};
}

template <typename T, Op op>
IppStatus constOp(const Target<T>& t, int value, int sf) {
    if (!t.src || !t.dst) return ippStsNullPtrErr;
    if (region::badSize(t.roi)) return ippStsSizeErr;
    if (sf == 0 && value == (op == Op::Mul ? 1 : 0)) return t.copy();
    if (op == Op::Mul && value == 0) return t.fill(0);
    if (kIs8u<T> && op == Op::Add && value != 0 && sf <= -8) return t.fill(static_cast<T>(255));
    if (sf >= cutOff<T>(op)) return t.fill(0);
    region::eachRow(t.src, t.srcStep, sizeof(T), t.dst, t.dstStep, sizeof(T), t.roi,
                    [value, sf](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
                        scaleRow<T, op>(as<T>(s), Constant{value}, as<T>(d), n, sf);
                    });
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiAdd_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return imageOp<Ipp8u, Op::Add>(pSrc, srcStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiAdd_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi,
                                  int sf) {
    return imageOp<Ipp16s, Op::Add>(pSrc, srcStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiSub_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return imageOp<Ipp8u, Op::Sub>(pSrc, srcStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiSub_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi,
                                  int sf) {
    return imageOp<Ipp16s, Op::Sub>(pSrc, srcStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiMul_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return imageOp<Ipp8u, Op::Mul>(pSrc, srcStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiMul_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi,
                                  int sf) {
    return imageOp<Ipp16s, Op::Mul>(pSrc, srcStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippsAddC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int sf) {
    return constOp<Ipp8u, Op::Add>(vectorTarget<Ipp8u>(pSrcDst, pSrcDst, len), val, sf);
}

IppStatus _px_ippsAddC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int sf) {
    return constOp<Ipp8u, Op::Add>(vectorTarget(pSrc, pDst, len), val, sf);
}

IppStatus _px_ippiAddC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return constOp<Ipp8u, Op::Add>(imageTarget<Ipp8u>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi), value, sf);
}

IppStatus _px_ippiAddC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi,
                                 int sf) {
    return constOp<Ipp8u, Op::Add>(imageTarget(pSrc, srcStep, pDst, dstStep, roi), value, sf);
}

IppStatus _px_ippsAddC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int sf) {
    return constOp<Ipp16s, Op::Add>(vectorTarget<Ipp16s>(pSrcDst, pSrcDst, len), val, sf);
}

IppStatus _px_ippsAddC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int sf) {
    return constOp<Ipp16s, Op::Add>(vectorTarget(pSrc, pDst, len), val, sf);
}

IppStatus _px_ippiAddC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return constOp<Ipp16s, Op::Add>(imageTarget<Ipp16s>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi), value, sf);
}

IppStatus _px_ippiAddC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                  IppiSize roi, int sf) {
    return constOp<Ipp16s, Op::Add>(imageTarget(pSrc, srcStep, pDst, dstStep, roi), value, sf);
}

IppStatus _px_ippsSubC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int sf) {
    return constOp<Ipp8u, Op::Sub>(vectorTarget<Ipp8u>(pSrcDst, pSrcDst, len), val, sf);
}

IppStatus _px_ippsSubC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int sf) {
    return constOp<Ipp8u, Op::Sub>(vectorTarget(pSrc, pDst, len), val, sf);
}

IppStatus _px_ippiSubC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return constOp<Ipp8u, Op::Sub>(imageTarget<Ipp8u>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi), value, sf);
}

IppStatus _px_ippiSubC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi,
                                 int sf) {
    return constOp<Ipp8u, Op::Sub>(imageTarget(pSrc, srcStep, pDst, dstStep, roi), value, sf);
}

IppStatus _px_ippsSubC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int sf) {
    return constOp<Ipp16s, Op::Sub>(vectorTarget<Ipp16s>(pSrcDst, pSrcDst, len), val, sf);
}

IppStatus _px_ippsSubC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int sf) {
    return constOp<Ipp16s, Op::Sub>(vectorTarget(pSrc, pDst, len), val, sf);
}

IppStatus _px_ippiSubC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return constOp<Ipp16s, Op::Sub>(imageTarget<Ipp16s>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi), value, sf);
}

IppStatus _px_ippiSubC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                  IppiSize roi, int sf) {
    return constOp<Ipp16s, Op::Sub>(imageTarget(pSrc, srcStep, pDst, dstStep, roi), value, sf);
}

IppStatus _px_ippsMulC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int sf) {
    return constOp<Ipp8u, Op::Mul>(vectorTarget<Ipp8u>(pSrcDst, pSrcDst, len), val, sf);
}

IppStatus _px_ippsMulC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int sf) {
    return constOp<Ipp8u, Op::Mul>(vectorTarget(pSrc, pDst, len), val, sf);
}

IppStatus _px_ippiMulC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return constOp<Ipp8u, Op::Mul>(imageTarget<Ipp8u>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi), value, sf);
}

IppStatus _px_ippiMulC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi,
                                 int sf) {
    return constOp<Ipp8u, Op::Mul>(imageTarget(pSrc, srcStep, pDst, dstStep, roi), value, sf);
}

IppStatus _px_ippsMulC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int sf) {
    return constOp<Ipp16s, Op::Mul>(vectorTarget<Ipp16s>(pSrcDst, pSrcDst, len), val, sf);
}

IppStatus _px_ippsMulC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int sf) {
    return constOp<Ipp16s, Op::Mul>(vectorTarget(pSrc, pDst, len), val, sf);
}

IppStatus _px_ippiMulC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return constOp<Ipp16s, Op::Mul>(imageTarget<Ipp16s>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi), value, sf);
}

IppStatus _px_ippiMulC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                  IppiSize roi, int sf) {
    return constOp<Ipp16s, Op::Mul>(imageTarget(pSrc, srcStep, pDst, dstStep, roi), value, sf);
}

OCULON_IPP_DEFINE(ippiAdd_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiAdd_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiSub_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiSub_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiMul_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiMul_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippsAddC_8u_ISfs);
OCULON_IPP_DEFINE(ippsAddC_8u_Sfs);
OCULON_IPP_DEFINE(ippiAddC_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiAddC_8u_C1RSfs);
OCULON_IPP_DEFINE(ippsAddC_16s_ISfs);
OCULON_IPP_DEFINE(ippsAddC_16s_Sfs);
OCULON_IPP_DEFINE(ippiAddC_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiAddC_16s_C1RSfs);
OCULON_IPP_DEFINE(ippsSubC_8u_ISfs);
OCULON_IPP_DEFINE(ippsSubC_8u_Sfs);
OCULON_IPP_DEFINE(ippiSubC_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiSubC_8u_C1RSfs);
OCULON_IPP_DEFINE(ippsSubC_16s_ISfs);
OCULON_IPP_DEFINE(ippsSubC_16s_Sfs);
OCULON_IPP_DEFINE(ippiSubC_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiSubC_16s_C1RSfs);
OCULON_IPP_DEFINE(ippsMulC_8u_ISfs);
OCULON_IPP_DEFINE(ippsMulC_8u_Sfs);
OCULON_IPP_DEFINE(ippiMulC_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiMulC_8u_C1RSfs);
OCULON_IPP_DEFINE(ippsMulC_16s_ISfs);
OCULON_IPP_DEFINE(ippsMulC_16s_Sfs);
OCULON_IPP_DEFINE(ippiMulC_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiMulC_16s_C1RSfs);

}  // namespace oculon::primitives
