#include "media/primitives/Pixel16Conversion.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "media/primitives/ImageRegion.h"
#include "media/primitives/HotLoop.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

static_assert(std::endian::native == std::endian::little, "pixels are assembled as little-endian words");

struct Bgr {
    unsigned b, g, r;
};

// The two 16-bit layouts: green's width and red's position.
struct Rgb565 {
    static Bgr expand(unsigned p) { return {(p & 0x1F) << 3, ((p >> 5) & 0x3F) << 2, (p >> 11) << 3}; }
    static Ipp16u pack(unsigned b, unsigned g, unsigned r) {
        return static_cast<Ipp16u>((b >> 3) | (g >> 2) << 5 | (r >> 3) << 11);
    }
};

struct Rgb555 {
    static Bgr expand(unsigned p) { return {(p & 0x1F) << 3, ((p >> 5) & 0x1F) << 3, ((p >> 10) & 0x1F) << 3}; }
    static Ipp16u pack(unsigned b, unsigned g, unsigned r) {
        return static_cast<Ipp16u>((b >> 3) | (g >> 3) << 5 | (r >> 3) << 10);
    }
};

Ipp16u load16(const Ipp8u* p) {
    Ipp16u v;
    std::memcpy(&v, p, 2);
    return v;
}

void store16(Ipp8u* p, Ipp16u v) { std::memcpy(p, &v, 2); }

// 16-bit pixels to Pixel-byte pixels; a fourth byte gets alpha.
template <typename Layout, int Pixel>
OCULON_HOT_LOOP void expandRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, Ipp8u alpha) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        const Bgr c = Layout::expand(load16(s + 2 * i));
        if constexpr (Pixel == 4) {
            // One word per pixel, which the compiler vectorises where four
            // byte stores it does not.
            const std::uint32_t px = c.b | c.g << 8 | c.r << 16 | std::uint32_t{alpha} << 24;
            std::memcpy(d + 4 * i, &px, 4);
        } else {
            d[3 * i] = static_cast<Ipp8u>(c.b);
            d[3 * i + 1] = static_cast<Ipp8u>(c.g);
            d[3 * i + 2] = static_cast<Ipp8u>(c.r);
        }
    }
}

template <typename Layout, int Pixel>
OCULON_HOT_LOOP void packRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        const Ipp8u* px = s + Pixel * i;
        store16(d + 2 * i, Layout::pack(px[0], px[1], px[2]));
    }
}

template <typename Fn>
OCULON_HOT_LOOP void repackRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, Fn fn) {
    for (ptrdiff_t i = 0; i < n; ++i) store16(d + 2 * i, fn(load16(s + 2 * i)));
}

template <typename Layout, int Pixel>
IppStatus expand(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, Ipp8u alpha = 0) {
    if (region::badSize(roi)) return ippStsNoErr;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, Pixel, roi,
                    [alpha](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { expandRow<Layout, Pixel>(s, d, n, alpha); });
    return ippStsNoErr;
}

template <typename Layout, int Pixel>
IppStatus pack(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    if (region::badSize(roi)) return ippStsNoErr;
    region::eachRow(pSrc, srcStep, Pixel, pDst, dstStep, 2, roi,
                    [](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { packRow<Layout, Pixel>(s, d, n); });
    return ippStsNoErr;
}

template <typename Fn>
IppStatus repack(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi, Fn fn) {
    if (region::badSize(roi)) return ippStsNoErr;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, 2, roi,
                    [fn](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { repackRow(s, d, n, fn); });
    return ippStsNoErr;
}

}  // namespace

IppStatus ippiRGB565ToRGB_8u_C3R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb565, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB555ToRGB_8u_C3R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb555, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB565ToRGBA_8u_AC4R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb565, 4>(pSrc, srcStep, pDst, dstStep, roi, 255);
}

IppStatus ippiRGB555ToRGBA_8u_AC4R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb555, 4>(pSrc, srcStep, pDst, dstStep, roi, 127);
}

IppStatus ippiRGB_8u_C3RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb565, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB_8u_C3RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb555, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGBA_8u_AC4RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb565, 4>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGBA_8u_AC4RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb555, 4>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB565ToRGB555(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return repack(pSrc, srcStep, pDst, dstStep, roi,
                  [](Ipp16u p) { return static_cast<Ipp16u>((p & 0x1F) | ((p >> 1) & 0x7FE0)); });
}

IppStatus ippiRGB555ToRGB565(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return repack(pSrc, srcStep, pDst, dstStep, roi,
                  [](Ipp16u p) { return static_cast<Ipp16u>((p & 0x1F) | ((p & 0x7FE0) << 1)); });
}

}  // namespace oculon::primitives
