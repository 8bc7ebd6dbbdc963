#include "media/primitives/AlphaComposition.h"

#include <cstddef>
#include <iterator>

#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

// x y / 255 for two bytes, exact for multiples of 255.
constexpr unsigned scaled(unsigned p) { return (p + (p >> 8) + 1) >> 8; }
constexpr unsigned mul(unsigned x, unsigned y) { return scaled(x * y); }
constexpr unsigned sat(unsigned v) { return v < 255 ? v : 255; }

enum class Kernel { Over, In, Out, ATop, Xor, Plus };

// One colour channel from the premultiplied colours a and b. The straight
// kernels never exceed 255, so saturating every result changes only the
// premultiplied ones, which need it.
template <Kernel K>
constexpr unsigned colour(unsigned a, unsigned aA, unsigned b, unsigned aB) {
    switch (K) {
        case Kernel::Over: return sat(a + mul(b, 255 - aA));
        case Kernel::In: return mul(a, aB);
        case Kernel::Out: return mul(a, 255 - aB);
        case Kernel::ATop: return sat(mul(aB, a) + mul(b, 255 - aA));
        case Kernel::Xor: return sat(mul(a, 255 - aB) + mul(b, 255 - aA));
        case Kernel::Plus: return sat(a + b);
    }
    return 0;
}

template <Kernel K>
constexpr unsigned alpha(unsigned aA, unsigned aB) {
    switch (K) {
        case Kernel::Over: return aA + mul(aB, 255 - aA);
        case Kernel::In: return mul(aB, aA);
        case Kernel::Out: return mul(aA, 255 - aB);
        case Kernel::ATop: return aB;
        case Kernel::Xor: return mul(255 - aB, aA) + mul(255 - aA, aB);
        case Kernel::Plus: return sat(aA + aB);
    }
    return 0;
}

template <Kernel K, bool Premultiplied>
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
            out[c] = static_cast<Ipp8u>(colour<K>(pa, aA, pb, aB));
        }
        out[3] = static_cast<Ipp8u>(alpha<K>(aA, aB));
    }
}

using RowKernel = void (*)(const Ipp8u*, const Ipp8u*, Ipp8u*, ptrdiff_t);

// Indexed by IppiAlphaType.
constexpr RowKernel kKernels[12] = {
    composeRow<Kernel::Over, false>, composeRow<Kernel::In, false>,  composeRow<Kernel::Out, false>,
    composeRow<Kernel::ATop, false>, composeRow<Kernel::Xor, false>, composeRow<Kernel::Plus, false>,
    composeRow<Kernel::Over, true>,  composeRow<Kernel::In, true>,   composeRow<Kernel::Out, true>,
    composeRow<Kernel::ATop, true>,  composeRow<Kernel::Xor, true>,  composeRow<Kernel::Plus, true>,
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
