#pragma once
// Stores of random bytes for the pixel store tests.

#include <random>

#include "media/video/VDInternalStore.h"

namespace oculon::mediavideo::testkit {

// Every byte random, but 555 words keep bit 15 clear as every such store
// does; with `canonical`, also opaque RGBA and 16-bit grey made from 8-bit
// values, the forms that survive a lossless round trip.
inline std::unique_ptr<TVDSmartImageBuffer> randomStore(TVDVideoFormat f, std::uint32_t w, std::uint32_t h,
                                                        unsigned seed, bool canonical = false) {
    auto s = VDCreateStore(f, w, h);
    std::mt19937 rng(seed);
    for (std::uint32_t i = 0; i < s->GetCharSize(); ++i) s->GetData()[i] = static_cast<std::uint8_t>(rng());
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            if (f == TVDVideoFormat::vfRGB555) s->GetData()[2 * (x + y * w) + 1] &= 0x7F;
            if (canonical && f == TVDVideoFormat::vfRGBA32) s->SetAlpha(x, y, 255);
            if (canonical && f == TVDVideoFormat::vfGray16) s->SetGrayScale(x, y, s->GetData()[2 * (x + y * w)]);
        }
    return s;
}

}  // namespace oculon::mediavideo::testkit
