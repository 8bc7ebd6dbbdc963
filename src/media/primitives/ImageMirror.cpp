#include "media/primitives/ImageMirror.h"

#include <algorithm>
#include <cstring>

#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

// Row operations for pixels of `Pixel` bytes of which the first `Moved` bytes
// move (Moved < Pixel: the alpha byte stays where it is).
template <int Pixel, int Moved>
struct Rows {
    static constexpr bool kWhole = Pixel == Moved;

    static void copyPixel(Ipp8u* d, const Ipp8u* s) { std::memcpy(d, s, Moved); }

    static void swapPixel(Ipp8u* a, Ipp8u* b) {
        Ipp8u t[Moved];
        std::memcpy(t, a, Moved);
        std::memcpy(a, b, Moved);
        std::memcpy(b, t, Moved);
    }

    static void copy(const Ipp8u* s, Ipp8u* d, ptrdiff_t w) {
        if constexpr (kWhole) {
            std::memcpy(d, s, static_cast<std::size_t>(w * Pixel));
        } else {
            for (ptrdiff_t j = 0; j < w; ++j) copyPixel(d + j * Pixel, s + j * Pixel);
        }
    }

    static void copyReversed(const Ipp8u* s, Ipp8u* d, ptrdiff_t w) {
        Ipp8u* last = d + (w - 1) * Pixel;
        for (ptrdiff_t j = 0; j < w; ++j) copyPixel(last - j * Pixel, s + j * Pixel);
    }

    static void swap(Ipp8u* a, Ipp8u* b, ptrdiff_t w) {
        if constexpr (kWhole) {
            std::swap_ranges(a, a + w * Pixel, b);
        } else {
            for (ptrdiff_t j = 0; j < w; ++j) swapPixel(a + j * Pixel, b + j * Pixel);
        }
    }

    // Pixel j of a changes places with pixel w-1-j of b.
    static void swapReversed(Ipp8u* a, Ipp8u* b, ptrdiff_t w) {
        Ipp8u* last = b + (w - 1) * Pixel;
        for (ptrdiff_t j = 0; j < w; ++j) swapPixel(a + j * Pixel, last - j * Pixel);
    }

    static void reverse(Ipp8u* a, ptrdiff_t w) {
        for (ptrdiff_t j = 0, k = w - 1; j < k; ++j, --k) swapPixel(a + j * Pixel, a + k * Pixel);
    }
};

IppStatus checkAxis(IppiAxis flip) {
    return flip == ippAxsHorizontal || flip == ippAxsVertical || flip == ippAxsBoth ? ippStsNoErr : ippStsMirrorFlipErr;
}

template <int Pixel, int Moved>
IppStatus mirrorInPlace(void* pSrcDst, int step, IppiSize roi, IppiAxis flip) {
    using R = Rows<Pixel, Moved>;
    if (!pSrcDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (IppStatus st = checkAxis(flip)) return st;
    const ptrdiff_t w = roi.width, h = roi.height;
    switch (flip) {
        case ippAxsHorizontal:
            for (ptrdiff_t i = 0; i < h / 2; ++i)
                R::swap(region::row(pSrcDst, step, i), region::row(pSrcDst, step, h - 1 - i), w);
            break;
        case ippAxsVertical:
            for (ptrdiff_t i = 0; i < h; ++i) R::reverse(region::row(pSrcDst, step, i), w);
            break;
        case ippAxsBoth:
            for (ptrdiff_t i = 0; i < h / 2; ++i)
                R::swapReversed(region::row(pSrcDst, step, i), region::row(pSrcDst, step, h - 1 - i), w);
            if (h % 2) R::reverse(region::row(pSrcDst, step, h / 2), w);
            break;
    }
    return ippStsNoErr;
}

template <int Pixel, int Moved>
IppStatus mirrorCopy(const void* pSrc, int srcStep, void* pDst, int dstStep, IppiSize roi, IppiAxis flip) {
    using R = Rows<Pixel, Moved>;
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (IppStatus st = checkAxis(flip)) return st;
    // Reading and writing the same rows would smear them; mirroring the image
    // in place gives what the caller asked for.
    if (pSrc == pDst && srcStep == dstStep) return mirrorInPlace<Pixel, Moved>(pDst, dstStep, roi, flip);
    const ptrdiff_t w = roi.width, h = roi.height;
    for (ptrdiff_t i = 0; i < h; ++i) {
        const Ipp8u* s = region::row(pSrc, srcStep, i);
        switch (flip) {
            case ippAxsHorizontal: R::copy(s, region::row(pDst, dstStep, h - 1 - i), w); break;
            case ippAxsVertical: R::copyReversed(s, region::row(pDst, dstStep, i), w); break;
            case ippAxsBoth: R::copyReversed(s, region::row(pDst, dstStep, h - 1 - i), w); break;
        }
    }
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiMirror_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAxis flip) {
    return mirrorCopy<1, 1>(pSrc, srcStep, pDst, dstStep, roi, flip);
}

IppStatus _px_ippiMirror_16u_C1R(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi,
                                 IppiAxis flip) {
    return mirrorCopy<2, 2>(pSrc, srcStep, pDst, dstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAxis flip) {
    return mirrorCopy<3, 3>(pSrc, srcStep, pDst, dstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppiAxis flip) {
    return mirrorCopy<4, 4>(pSrc, srcStep, pDst, dstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                 IppiAxis flip) {
    return mirrorCopy<4, 3>(pSrc, srcStep, pDst, dstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_C1IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, IppiAxis flip) {
    return mirrorInPlace<1, 1>(pSrcDst, srcDstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, IppiAxis flip) {
    return mirrorInPlace<3, 3>(pSrcDst, srcDstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, IppiAxis flip) {
    return mirrorInPlace<4, 4>(pSrcDst, srcDstStep, roi, flip);
}

IppStatus _px_ippiMirror_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, IppiAxis flip) {
    return mirrorInPlace<4, 3>(pSrcDst, srcDstStep, roi, flip);
}

OCULON_IPP_DEFINE(ippiMirror_8u_C1R);
OCULON_IPP_DEFINE(ippiMirror_16u_C1R);
OCULON_IPP_DEFINE(ippiMirror_8u_C3R);
OCULON_IPP_DEFINE(ippiMirror_8u_C4R);
OCULON_IPP_DEFINE(ippiMirror_8u_AC4R);
OCULON_IPP_DEFINE(ippiMirror_8u_C1IR);
OCULON_IPP_DEFINE(ippiMirror_8u_C3IR);
OCULON_IPP_DEFINE(ippiMirror_8u_C4IR);
OCULON_IPP_DEFINE(ippiMirror_8u_AC4IR);

}  // namespace oculon::primitives
