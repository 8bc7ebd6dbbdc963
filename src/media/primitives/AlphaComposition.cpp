#include "media/primitives/AlphaComposition.h"

#include <cstddef>
#include <iterator>

#include "media/primitives/ImageRegion.h"
#include "media/primitives/PorterDuff.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

namespace pd = porter_duff;
using pd::Rule;

constexpr unsigned mul(unsigned x, unsigned y) { return pd::mul<8>(x, y); }

template <Rule K, bool Premultiplied>
void composeRow(const Ipp8u* s1, const Ipp8u* s2, Ipp8u* d, ptrdiff_t pixels) {
    for (ptrdiff_t i = 0; i < pixels; ++i) {
        const Ipp8u* a = s1 + 4 * i;
        const Ipp8u* b = s2 + 4 * i;
        Ipp8u* out = d + 4 * i;
        const unsigned aA = a[3];
        const unsigned aB = b[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned pa = Premultiplied ? a[c] : mul(a[c], aA);
            const unsigned pb = Premultiplied ? b[c] : mul(b[c], aB);
            out[c] = static_cast<Ipp8u>(pd::colour<8, K>(pa, aA, pb, aB));
        }
        out[3] = static_cast<Ipp8u>(pd::opacity<8, K>(aA, aB));
    }
}

using RowKernel = void (*)(const Ipp8u*, const Ipp8u*, Ipp8u*, ptrdiff_t);

// Indexed by IppiAlphaType.
constexpr RowKernel kKernels[12] = {
    composeRow<Rule::Over, false>, composeRow<Rule::In, false>,  composeRow<Rule::Out, false>,
    composeRow<Rule::ATop, false>, composeRow<Rule::Xor, false>, composeRow<Rule::Plus, false>,
    composeRow<Rule::Over, true>,  composeRow<Rule::In, true>,   composeRow<Rule::Out, true>,
    composeRow<Rule::ATop, true>,  composeRow<Rule::Xor, true>,  composeRow<Rule::Plus, true>,
};

}  // namespace

IppStatus _px_ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                    int dstStep, IppiSize roiSize, IppiAlphaType alphaType) {
    if (!pSrc1 || !pSrc2 || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roiSize)) return ippStsSizeErr;
    if (static_cast<unsigned>(alphaType) >= std::size(kKernels)) return ippStsAlphaTypeErr;
    const RowKernel kernel = kKernels[alphaType];
    for (ptrdiff_t r = 0; r < roiSize.height; ++r)
        kernel(region::row(pSrc1, src1Step, r), region::row(pSrc2, src2Step, r), region::row(pDst, dstStep, r),
               roiSize.width);
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippiAlphaComp_8u_AC4R);

}  // namespace oculon::primitives
