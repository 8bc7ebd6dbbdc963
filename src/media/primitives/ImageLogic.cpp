#include "media/primitives/ImageLogic.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/PorterDuff.h"

namespace oculon::primitives {

namespace {

namespace ew = elementwise;
using std::ptrdiff_t;

// --- Operations --------------------------------------------------------------

struct And {
    template <typename T>
    T operator()(T x, T y) const {
        return static_cast<T>(x & y);
    }
};
struct Or {
    template <typename T>
    T operator()(T x, T y) const {
        return static_cast<T>(x | y);
    }
};
struct Xor {
    template <typename T>
    T operator()(T x, T y) const {
        return static_cast<T>(x ^ y);
    }
};
// |x - y| always fits the sample type; as a difference of the larger and
// the smaller it stays in the sample's own lanes.
struct AbsDiff {
    template <typename T>
    T operator()(T x, T y) const {
        return static_cast<T>(x > y ? x - y : y - x);
    }
};
// x y scaled so that the full value acts as 1.
struct MulScale {
    template <typename T>
    T operator()(T x, T y) const {
        return static_cast<T>(porter_duff::mul<8 * sizeof(T)>(x, y));
    }
};
// A count of 8 or more shifts every bit out.
struct LShift {
    Ipp8u operator()(Ipp8u x, Ipp32u n) const { return n >= 8 ? 0 : static_cast<Ipp8u>(x << n); }
};
struct RShift {
    Ipp8u operator()(Ipp8u x, Ipp32u n) const { return n >= 8 ? 0 : static_cast<Ipp8u>(x >> n); }
};

// --- Row loops -----------------------------------------------------------------

template <typename T, typename Op>
OCULON_HOT_LOOP void twoRow(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, ptrdiff_t n) {
    ew::map2<T>(a, b, d, n, Op{});
}

template <typename Op>
OCULON_HOT_LOOP void twoRowColour(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, ptrdiff_t n) {
    ew::map2Colour(a, b, d, n, Op{});
}

template <typename T, typename Op, typename V>
OCULON_HOT_LOOP void constRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, V value) {
    ew::map1<T>(s, d, n, [value](T x) { return Op{}(x, static_cast<T>(value)); });
}

template <int Pixel, int Channels, typename Op, typename V>
OCULON_HOT_LOOP void channelRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, const V* value) {
    ew::mapChannels<Pixel, Channels>(s, d, n, value, Op{});
}

// --- Checks --------------------------------------------------------------------

IppStatus checkTwo(const void* a, int aStep, const void* b, int bStep, const void* d, int dStep, IppiSize roi) {
    if (!a || !b || !d) return ippStsNullPtrErr;
    if (aStep < 1 || bStep < 1 || dStep < 1) return ippStsStepErr;
    return region::badSize(roi) ? ippStsSizeErr : ippStsNoErr;
}

IppStatus checkConst(const void* s, int sStep, const void* value, const void* d, int dStep, IppiSize roi) {
    if (!s || !value || !d) return ippStsNullPtrErr;
    if (sStep < 1 || dStep < 1) return ippStsStepErr;
    return region::badSize(roi) ? ippStsSizeErr : ippStsNoErr;
}

// --- Two images ----------------------------------------------------------------

template <typename T, typename Op>
IppStatus twoC1(const T* a, int aStep, const T* b, int bStep, T* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkTwo(a, aStep, b, bStep, d, dStep, roi)) return st;
    region::eachRow(a, aStep, b, bStep, d, dStep, sizeof(T), roi, twoRow<T, Op>);
    return ippStsNoErr;
}

template <typename Op>
IppStatus twoAC4(const Ipp8u* a, int aStep, const Ipp8u* b, int bStep, Ipp8u* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkTwo(a, aStep, b, bStep, d, dStep, roi)) return st;
    region::eachRow(a, aStep, b, bStep, d, dStep, 4, roi, twoRowColour<Op>);
    return ippStsNoErr;
}

// C3 and C4: the size first, then the one-channel routine over the wider row.
template <int Channels, typename Op>
IppStatus twoWide(const Ipp8u* a, int aStep, const Ipp8u* b, int bStep, Ipp8u* d, int dStep, IppiSize roi) {
    if (region::badSize(roi) || !ew::widen(roi, Channels)) return ippStsSizeErr;
    return twoC1<Ipp8u, Op>(a, aStep, b, bStep, d, dStep, roi);
}

// --- Image and constant --------------------------------------------------------

template <typename T, typename Op, typename V>
IppStatus constC1(const T* s, int sStep, V value, T* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkConst(s, sStep, &value, d, dStep, roi)) return st;
    region::eachRow(s, sStep, sizeof(T), d, dStep, sizeof(T), roi,
                    [value](const Ipp8u* sr, Ipp8u* dr, ptrdiff_t n) { constRow<T, Op>(sr, dr, n, value); });
    return ippStsNoErr;
}

template <int Pixel, int Channels, typename Op, typename V>
void channelRows(const Ipp8u* s, int sStep, const V* value, Ipp8u* d, int dStep, IppiSize roi) {
    region::eachRow(s, sStep, Pixel, d, dStep, Pixel, roi, [value](const Ipp8u* sr, Ipp8u* dr, ptrdiff_t n) {
        channelRow<Pixel, Channels, Op>(sr, dr, n, value);
    });
}

// C3 and C4: equal constants run the one-channel routine over the wider row.
template <int Pixel, typename Op>
IppStatus constMulti(const Ipp8u* s, int sStep, const Ipp8u* value, Ipp8u* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkConst(s, sStep, value, d, dStep, roi)) return st;
    if (ew::allEqual<Ipp8u, Pixel>(value)) {
        if (!ew::widen(roi, Pixel)) return ippStsSizeErr;
        return constC1<Ipp8u, Op>(s, sStep, value[0], d, dStep, roi);
    }
    channelRows<Pixel, Pixel, Op>(s, sStep, value, d, dStep, roi);
    return ippStsNoErr;
}

template <typename Op>
IppStatus constAC4(const Ipp8u* s, int sStep, const Ipp8u* value, Ipp8u* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkConst(s, sStep, value, d, dStep, roi)) return st;
    channelRows<4, 3, Op>(s, sStep, value, d, dStep, roi);
    return ippStsNoErr;
}

// --- Shifts --------------------------------------------------------------------

template <typename Op>
IppStatus shiftC1(const Ipp8u* s, int sStep, Ipp32u n, Ipp8u* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkConst(s, sStep, &n, d, dStep, roi)) return st;
    if (n >= 8) return _px_ippiSet_8u_C1R(0, d, dStep, roi);
    if (n == 0) return _px_ippiCopy_8u_C1R(s, sStep, d, dStep, roi);
    return constC1<Ipp8u, Op>(s, sStep, n, d, dStep, roi);
}

template <int Pixel, typename Op>
IppStatus shiftMulti(const Ipp8u* s, int sStep, const Ipp32u* n, Ipp8u* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkConst(s, sStep, n, d, dStep, roi)) return st;
    if (ew::allEqual<Ipp32u, Pixel>(n)) {
        if (!ew::widen(roi, Pixel)) return ippStsSizeErr;
        return shiftC1<Op>(s, sStep, n[0], d, dStep, roi);
    }
    if (std::all_of(n, n + Pixel, [](Ipp32u c) { return c >= 8; })) {
        const Ipp8u zeros[4] = {};
        return Pixel == 3 ? _px_ippiSet_8u_C3R(zeros, d, dStep, roi) : _px_ippiSet_8u_C4R(zeros, d, dStep, roi);
    }
    channelRows<Pixel, Pixel, Op>(s, sStep, n, d, dStep, roi);
    return ippStsNoErr;
}

template <typename Op>
IppStatus shiftAC4(const Ipp8u* s, int sStep, const Ipp32u* n, Ipp8u* d, int dStep, IppiSize roi) {
    if (IppStatus st = checkConst(s, sStep, n, d, dStep, roi)) return st;
    if (std::all_of(n, n + 3, [](Ipp32u c) { return c >= 8; })) {
        const Ipp8u zeros[3] = {};
        return _px_ippiSet_8u_AC4R(zeros, d, dStep, roi);
    }
    if (n[0] == 0 && n[1] == 0 && n[2] == 0) return _px_ippiCopy_8u_AC4R(s, sStep, d, dStep, roi);
    channelRows<4, 3, Op>(s, sStep, n, d, dStep, roi);
    return ippStsNoErr;
}

const Ipp8u kAllOnes[3] = {255, 255, 255};

// 2 x width in 64 bits: a width near the int limit cannot pass for a short one.
IppStatus checkAbsDiffSteps(ptrdiff_t rowBytes, std::initializer_list<int> steps) {
    for (int s : steps)
        if (s < rowBytes) return ippStsStepErr;
    return ippStsNoErr;
}

}  // namespace

// Two-image logic: C1, C3, AC4 and 16-bit out of place, and their in-place
// forms, for one operation.
#define OCULON_LOGIC_TWO(Name, Op)                                                                                     \
    IppStatus _px_ippi##Name##_8u_C1R(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r) {  \
        return twoC1<Ipp8u, Op>(a, as, b, bs, d, ds, r);                                                               \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_C3R(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r) {  \
        return twoWide<3, Op>(a, as, b, bs, d, ds, r);                                                                 \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_AC4R(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r) { \
        return twoAC4<Op>(a, as, b, bs, d, ds, r);                                                                     \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_16u_C1R(const Ipp16u* a, int as, const Ipp16u* b, int bs, Ipp16u* d, int ds,            \
                                       IppiSize r) {                                                                   \
        return twoC1<Ipp16u, Op>(a, as, b, bs, d, ds, r);                                                              \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_C1IR(const Ipp8u* s, int ss, Ipp8u* sd, int sds, IppiSize r) {                       \
        return twoC1<Ipp8u, Op>(s, ss, sd, sds, sd, sds, r);                                                           \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_C3IR(const Ipp8u* s, int ss, Ipp8u* sd, int sds, IppiSize r) {                       \
        return twoWide<3, Op>(s, ss, sd, sds, sd, sds, r);                                                             \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_C4IR(const Ipp8u* s, int ss, Ipp8u* sd, int sds, IppiSize r) {                       \
        return twoWide<4, Op>(s, ss, sd, sds, sd, sds, r);                                                             \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_AC4IR(const Ipp8u* s, int ss, Ipp8u* sd, int sds, IppiSize r) {                      \
        return twoAC4<Op>(s, ss, sd, sds, sd, sds, r);                                                                 \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_16u_C1IR(const Ipp16u* s, int ss, Ipp16u* sd, int sds, IppiSize r) {                    \
        return twoC1<Ipp16u, Op>(s, ss, sd, sds, sd, sds, r);                                                          \
    }

// Constant logic: C1, C3, C4, AC4 out of place and C3, C4, AC4 in place.
#define OCULON_LOGIC_CONST(Name, Op)                                                                              \
    IppStatus _px_ippi##Name##C_8u_C1R(const Ipp8u* s, int ss, Ipp8u v, Ipp8u* d, int ds, IppiSize r) {           \
        return constC1<Ipp8u, Op>(s, ss, v, d, ds, r);                                                            \
    }                                                                                                             \
    IppStatus _px_ippi##Name##C_8u_C3R(const Ipp8u* s, int ss, const Ipp8u v[3], Ipp8u* d, int ds, IppiSize r) {  \
        return constMulti<3, Op>(s, ss, v, d, ds, r);                                                             \
    }                                                                                                             \
    IppStatus _px_ippi##Name##C_8u_C4R(const Ipp8u* s, int ss, const Ipp8u v[4], Ipp8u* d, int ds, IppiSize r) {  \
        return constMulti<4, Op>(s, ss, v, d, ds, r);                                                             \
    }                                                                                                             \
    IppStatus _px_ippi##Name##C_8u_AC4R(const Ipp8u* s, int ss, const Ipp8u v[3], Ipp8u* d, int ds, IppiSize r) { \
        return constAC4<Op>(s, ss, v, d, ds, r);                                                                  \
    }                                                                                                             \
    IppStatus _px_ippi##Name##C_8u_C3IR(const Ipp8u v[3], Ipp8u* sd, int sds, IppiSize r) {                       \
        return constMulti<3, Op>(sd, sds, v, sd, sds, r);                                                         \
    }                                                                                                             \
    IppStatus _px_ippi##Name##C_8u_C4IR(const Ipp8u v[4], Ipp8u* sd, int sds, IppiSize r) {                       \
        return constMulti<4, Op>(sd, sds, v, sd, sds, r);                                                         \
    }                                                                                                             \
    IppStatus _px_ippi##Name##C_8u_AC4IR(const Ipp8u v[3], Ipp8u* sd, int sds, IppiSize r) {                      \
        return constAC4<Op>(sd, sds, v, sd, sds, r);                                                              \
    }

#define OCULON_SHIFT(Name, Op)                                                                                     \
    IppStatus _px_ippi##Name##C_8u_C1R(const Ipp8u* s, int ss, Ipp32u n, Ipp8u* d, int ds, IppiSize r) {           \
        return shiftC1<Op>(s, ss, n, d, ds, r);                                                                    \
    }                                                                                                              \
    IppStatus _px_ippi##Name##C_8u_C3R(const Ipp8u* s, int ss, const Ipp32u n[3], Ipp8u* d, int ds, IppiSize r) {  \
        return shiftMulti<3, Op>(s, ss, n, d, ds, r);                                                              \
    }                                                                                                              \
    IppStatus _px_ippi##Name##C_8u_C4R(const Ipp8u* s, int ss, const Ipp32u n[4], Ipp8u* d, int ds, IppiSize r) {  \
        return shiftMulti<4, Op>(s, ss, n, d, ds, r);                                                              \
    }                                                                                                              \
    IppStatus _px_ippi##Name##C_8u_AC4R(const Ipp8u* s, int ss, const Ipp32u n[3], Ipp8u* d, int ds, IppiSize r) { \
        return shiftAC4<Op>(s, ss, n, d, ds, r);                                                                   \
    }                                                                                                              \
    IppStatus _px_ippi##Name##C_8u_C3IR(const Ipp32u n[3], Ipp8u* sd, int sds, IppiSize r) {                       \
        return shiftMulti<3, Op>(sd, sds, n, sd, sds, r);                                                          \
    }                                                                                                              \
    IppStatus _px_ippi##Name##C_8u_C4IR(const Ipp32u n[4], Ipp8u* sd, int sds, IppiSize r) {                       \
        return shiftMulti<4, Op>(sd, sds, n, sd, sds, r);                                                          \
    }                                                                                                              \
    IppStatus _px_ippi##Name##C_8u_AC4IR(const Ipp32u n[3], Ipp8u* sd, int sds, IppiSize r) {                      \
        return shiftAC4<Op>(sd, sds, n, sd, sds, r);                                                               \
    }

OCULON_LOGIC_TWO(And, And)
OCULON_LOGIC_TWO(Or, Or)
OCULON_LOGIC_TWO(Xor, Xor)
OCULON_LOGIC_CONST(And, And)
OCULON_LOGIC_CONST(Or, Or)
OCULON_LOGIC_CONST(Xor, Xor)
OCULON_SHIFT(LShift, LShift)
OCULON_SHIFT(RShift, RShift)

#undef OCULON_LOGIC_TWO
#undef OCULON_LOGIC_CONST
#undef OCULON_SHIFT

IppStatus _px_ippiXorC_8u_C1IR(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiXorC_8u_C1R(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi);
}

IppStatus _px_ippiNot_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    if (region::badSize(roi) || !ew::widen(roi, 3)) return ippStsSizeErr;
    return _px_ippiXorC_8u_C1IR(255, pSrcDst, srcDstStep, roi);
}

IppStatus _px_ippiNot_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    if (region::badSize(roi) || !ew::widen(roi, 4)) return ippStsSizeErr;
    return _px_ippiXorC_8u_C1IR(255, pSrcDst, srcDstStep, roi);
}

IppStatus _px_ippiNot_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiXorC_8u_AC4IR(kAllOnes, pSrcDst, srcDstStep, roi);
}

IppStatus _px_ippiNot_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (region::badSize(roi) || !ew::widen(roi, 3)) return ippStsSizeErr;
    return _px_ippiXorC_8u_C1R(pSrc, srcStep, 255, pDst, dstStep, roi);
}

IppStatus _px_ippiNot_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return _px_ippiXorC_8u_AC4R(pSrc, srcStep, kAllOnes, pDst, dstStep, roi);
}

IppStatus _px_ippiAbsDiff_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                 int dstStep, IppiSize roi) {
    if (!pSrc1 || !pSrc2 || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (IppStatus st = checkAbsDiffSteps(roi.width, {src1Step, src2Step, dstStep})) return st;
    region::eachRow(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, 1, roi, twoRow<Ipp8u, AbsDiff>);
    return ippStsNoErr;
}

IppStatus _px_ippiAbsDiff_16u_C1R(const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step, Ipp16u* pDst,
                                  int dstStep, IppiSize roi) {
    if (!pSrc1 || !pSrc2 || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (IppStatus st = checkAbsDiffSteps(2 * ptrdiff_t{roi.width}, {src1Step, src2Step, dstStep})) return st;
    if ((src1Step | src2Step | dstStep) & 1) return ippStsNotEvenStepErr;
    region::eachRow(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, 2, roi, twoRow<Ipp16u, AbsDiff>);
    return ippStsNoErr;
}

IppStatus _px_ippiAbsDiffC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, int value) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (IppStatus st = checkAbsDiffSteps(roi.width, {srcStep, dstStep})) return st;
    const auto c = static_cast<Ipp8u>(std::clamp(value, 0, 255));
    region::eachRow(pSrc, srcStep, 1, pDst, dstStep, 1, roi,
                    [c](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { constRow<Ipp8u, AbsDiff>(s, d, n, c); });
    return ippStsNoErr;
}

IppStatus _px_ippiMulCScale_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                                   IppiSize roi) {
    return constC1<Ipp8u, MulScale>(pSrc, srcStep, value, pDst, dstStep, roi);
}
IppStatus _px_ippiMulCScale_16u_C1R(const Ipp16u* pSrc, int srcStep, Ipp16u value, Ipp16u* pDst, int dstStep,
                                    IppiSize roi) {
    return constC1<Ipp16u, MulScale>(pSrc, srcStep, value, pDst, dstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                   IppiSize roi) {
    return constMulti<3, MulScale>(pSrc, srcStep, value, pDst, dstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                                   IppiSize roi) {
    return constMulti<4, MulScale>(pSrc, srcStep, value, pDst, dstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                    IppiSize roi) {
    return constAC4<MulScale>(pSrc, srcStep, value, pDst, dstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_C1IR(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulCScale_8u_C1R(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulCScale_16u_C1IR(Ipp16u value, Ipp16u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulCScale_16u_C1R(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulCScale_8u_C3R(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulCScale_8u_C4R(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulCScale_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulCScale_8u_AC4R(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi);
}

IppStatus _px_ippiMulScale_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roi) {
    return twoC1<Ipp8u, MulScale>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi);
}
IppStatus _px_ippiMulScale_16u_C1R(const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step, Ipp16u* pDst,
                                   int dstStep, IppiSize roi) {
    return twoC1<Ipp16u, MulScale>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi);
}
IppStatus _px_ippiMulScale_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roi) {
    return twoWide<3, MulScale>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi);
}
IppStatus _px_ippiMulScale_8u_C4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roi) {
    return twoWide<4, MulScale>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi);
}
IppStatus _px_ippiMulScale_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                   int dstStep, IppiSize roi) {
    return twoAC4<MulScale>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi);
}
IppStatus _px_ippiMulScale_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulScale_8u_C1R(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulScale_16u_C1IR(const Ipp16u* pSrc, int srcStep, Ipp16u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulScale_16u_C1R(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulScale_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulScale_8u_C3R(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulScale_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulScale_8u_AC4R(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi);
}
IppStatus _px_ippiMulScale_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi) {
    return _px_ippiMulScale_8u_C4R(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi);
}

#define OCULON_DEFINE_FAMILY(Name)            \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C1R);   \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C3R);   \
    OCULON_IPP_DEFINE(ippi##Name##_8u_AC4R);  \
    OCULON_IPP_DEFINE(ippi##Name##_16u_C1R);  \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C1IR);  \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C3IR);  \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C4IR);  \
    OCULON_IPP_DEFINE(ippi##Name##_8u_AC4IR); \
    OCULON_IPP_DEFINE(ippi##Name##_16u_C1IR)
#define OCULON_DEFINE_CONST(Name)             \
    OCULON_IPP_DEFINE(ippi##Name##C_8u_C3R);  \
    OCULON_IPP_DEFINE(ippi##Name##C_8u_C3IR); \
    OCULON_IPP_DEFINE(ippi##Name##C_8u_C4IR); \
    OCULON_IPP_DEFINE(ippi##Name##C_8u_AC4IR)

OCULON_DEFINE_FAMILY(And);
OCULON_DEFINE_FAMILY(Or);
OCULON_DEFINE_FAMILY(Xor);
OCULON_DEFINE_CONST(And);
OCULON_DEFINE_CONST(Or);
OCULON_DEFINE_CONST(Xor);
OCULON_DEFINE_CONST(LShift);
OCULON_DEFINE_CONST(RShift);

#undef OCULON_DEFINE_FAMILY
#undef OCULON_DEFINE_CONST

OCULON_IPP_DEFINE(ippiNot_8u_C3IR);
OCULON_IPP_DEFINE(ippiNot_8u_C4IR);
OCULON_IPP_DEFINE(ippiNot_8u_AC4IR);
OCULON_IPP_DEFINE(ippiNot_8u_C3R);
OCULON_IPP_DEFINE(ippiNot_8u_AC4R);
OCULON_IPP_DEFINE(ippiAbsDiff_8u_C1R);
OCULON_IPP_DEFINE(ippiAbsDiff_16u_C1R);
OCULON_IPP_DEFINE(ippiAbsDiffC_8u_C1R);
OCULON_IPP_DEFINE(ippiMulCScale_8u_C1R);
OCULON_IPP_DEFINE(ippiMulCScale_16u_C1R);
OCULON_IPP_DEFINE(ippiMulCScale_8u_C3R);
OCULON_IPP_DEFINE(ippiMulCScale_8u_C4R);
OCULON_IPP_DEFINE(ippiMulCScale_8u_C1IR);
OCULON_IPP_DEFINE(ippiMulCScale_16u_C1IR);
OCULON_IPP_DEFINE(ippiMulCScale_8u_C3IR);
OCULON_IPP_DEFINE(ippiMulCScale_8u_C4IR);
OCULON_IPP_DEFINE(ippiMulCScale_8u_AC4IR);
OCULON_IPP_DEFINE(ippiMulScale_8u_C1IR);
OCULON_IPP_DEFINE(ippiMulScale_16u_C1IR);
OCULON_IPP_DEFINE(ippiMulScale_8u_C3IR);
OCULON_IPP_DEFINE(ippiMulScale_8u_AC4IR);
OCULON_IPP_DEFINE(ippiMulScale_8u_C4IR);

}  // namespace oculon::primitives
