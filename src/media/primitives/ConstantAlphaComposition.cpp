#include "media/primitives/ConstantAlphaComposition.h"

#include <cstddef>
#include <cstring>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/PorterDuff.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;
namespace pd = porter_duff;
using pd::Rule;

// Samples of T through memcpy: 16-bit rows may start at any byte the step
// gives.
template <typename T>
[[gnu::always_inline]] inline std::uint32_t load(const Ipp8u* row, ptrdiff_t i) {
    T v;
    std::memcpy(&v, row + i * static_cast<ptrdiff_t>(sizeof(T)), sizeof v);
    return v;
}

template <typename T>
[[gnu::always_inline]] inline void store(Ipp8u* row, ptrdiff_t i, std::uint32_t v) {
    const auto t = static_cast<T>(v);
    std::memcpy(row + i * static_cast<ptrdiff_t>(sizeof(T)), &t, sizeof t);
}

// n samples of one row. Straight rules first weight each sample by its own
// opacity; premultiplied ones take the samples as they are.
template <typename T, Rule R, bool Premultiplied>
OCULON_HOT_LOOP void composeRow(const Ipp8u* s1, const Ipp8u* s2, Ipp8u* d, ptrdiff_t n, std::uint32_t a,
                                std::uint32_t b) {
    constexpr int kBits = 8 * sizeof(T);
    for (ptrdiff_t i = 0; i < n; ++i) {
        const std::uint32_t x = load<T>(s1, i);
        const std::uint32_t pa = Premultiplied ? x : pd::mul<kBits>(x, a);
        std::uint32_t pb = 0;
        if constexpr (pd::readsSecond(R)) {
            const std::uint32_t y = load<T>(s2, i);
            pb = Premultiplied ? y : pd::mul<kBits>(y, b);
        }
        store<T>(d, i, pd::colour<kBits, R>(pa, a, pb, b));
    }
}

using RowFn = void (*)(const Ipp8u*, const Ipp8u*, Ipp8u*, ptrdiff_t, std::uint32_t, std::uint32_t);

// Indexed by IppiAlphaType: the rule picks its loop once per call.
template <typename T>
constexpr RowFn kRows[12] = {
    composeRow<T, Rule::Over, false>, composeRow<T, Rule::In, false>,  composeRow<T, Rule::Out, false>,
    composeRow<T, Rule::ATop, false>, composeRow<T, Rule::Xor, false>, composeRow<T, Rule::Plus, false>,
    composeRow<T, Rule::Over, true>,  composeRow<T, Rule::In, true>,   composeRow<T, Rule::Out, true>,
    composeRow<T, Rule::ATop, true>,  composeRow<T, Rule::Xor, true>,  composeRow<T, Rule::Plus, true>,
};

template <typename T, int Channels>
IppStatus compose(const T* pSrc1, int src1Step, T alpha1, const T* pSrc2, int src2Step, T alpha2, T* pDst, int dstStep,
                  IppiSize roi, IppiAlphaType alphaType) {
    if (!pSrc1 || !pSrc2 || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (static_cast<unsigned>(alphaType) > 11) return ippStsAlphaTypeErr;
    const RowFn row = kRows<T>[alphaType];
    const ptrdiff_t n = ptrdiff_t{Channels} * roi.width;
    for (ptrdiff_t r = 0; r < roi.height; ++r)
        row(region::row(pSrc1, src1Step, r), region::row(pSrc2, src2Step, r), region::row(pDst, dstStep, r), n, alpha1,
            alpha2);
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiAlphaCompC_8u_C1R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                    Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAlphaType alphaType) {
    return compose<Ipp8u, 1>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roi, alphaType);
}

IppStatus _px_ippiAlphaCompC_8u_C3R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                    Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAlphaType alphaType) {
    return compose<Ipp8u, 3>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roi, alphaType);
}

IppStatus _px_ippiAlphaCompC_8u_C4R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step,
                                    Ipp8u alpha2, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAlphaType alphaType) {
    return compose<Ipp8u, 4>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roi, alphaType);
}

IppStatus _px_ippiAlphaCompC_16u_C1R(const Ipp16u* pSrc1, int src1Step, Ipp16u alpha1, const Ipp16u* pSrc2,
                                     int src2Step, Ipp16u alpha2, Ipp16u* pDst, int dstStep, IppiSize roi,
                                     IppiAlphaType alphaType) {
    return compose<Ipp16u, 1>(pSrc1, src1Step, alpha1, pSrc2, src2Step, alpha2, pDst, dstStep, roi, alphaType);
}

OCULON_IPP_DEFINE(ippiAlphaCompC_8u_C1R);
OCULON_IPP_DEFINE(ippiAlphaCompC_8u_C3R);
OCULON_IPP_DEFINE(ippiAlphaCompC_8u_C4R);
OCULON_IPP_DEFINE(ippiAlphaCompC_16u_C1R);

}  // namespace oculon::primitives
