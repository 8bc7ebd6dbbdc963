// Mirrors of 1-, 2-, 3- and 4-byte pixels about each axis, into a second image
// and in place, against a pixel-by-pixel reference, with odd sizes and row
// padding that must stay untouched.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "media/primitives/ImageMirror.h"

namespace oculon::primitives {
namespace {

// A test image: rows of `step` bytes (padding after the pixels), filled with
// noise.
struct Image {
    int w, h, pixel, step;
    std::vector<Ipp8u> bytes;

    Image(int w_, int h_, int pixel_, int pad, unsigned seed) : w(w_), h(h_), pixel(pixel_), step(w_ * pixel_ + pad) {
        bytes.resize(static_cast<size_t>(step) * h);
        std::mt19937 rng(seed);
        for (auto& b : bytes) b = static_cast<Ipp8u>(rng());
    }
    Ipp8u* px(int r, int c) { return bytes.data() + r * step + c * pixel; }
};

// Where the reference mirror sends source pixel (r, c).
void mirrorReference(Image& src, Image& dst, IppiAxis axis, int moved) {
    for (int r = 0; r < src.h; ++r)
        for (int c = 0; c < src.w; ++c) {
            const int dr = axis == ippAxsVertical ? r : src.h - 1 - r;
            const int dc = axis == ippAxsHorizontal ? c : src.w - 1 - c;
            std::memcpy(dst.px(dr, dc), src.px(r, c), moved);
        }
}

using CopyFn = std::function<IppStatus(const void*, int, void*, int, IppiSize, IppiAxis)>;
using InPlaceFn = std::function<IppStatus(void*, int, IppiSize, IppiAxis)>;

struct Form {
    const char* name;
    int pixel;
    int moved;  // 3 for AC4: the fourth byte never moves
    CopyFn copy;
    InPlaceFn inPlace;
};

template <typename T, typename F>
CopyFn copyForm(F f) {
    return [f](const void* s, int ss, void* d, int ds, IppiSize roi, IppiAxis a) {
        return f(static_cast<const T*>(s), ss, static_cast<T*>(d), ds, roi, a);
    };
}

InPlaceFn inPlaceForm(IppStatus (*f)(Ipp8u*, int, IppiSize, IppiAxis)) {
    return [f](void* p, int s, IppiSize roi, IppiAxis a) { return f(static_cast<Ipp8u*>(p), s, roi, a); };
}

std::vector<Form> forms() {
    return {
        {"8u_C1", 1, 1, copyForm<Ipp8u>(ippiMirror_8u_C1R), inPlaceForm(ippiMirror_8u_C1IR)},
        {"16u_C1", 2, 2, copyForm<Ipp16u>(ippiMirror_16u_C1R), nullptr},
        {"8u_C3", 3, 3, copyForm<Ipp8u>(ippiMirror_8u_C3R), inPlaceForm(ippiMirror_8u_C3IR)},
        {"8u_C4", 4, 4, copyForm<Ipp8u>(ippiMirror_8u_C4R), inPlaceForm(ippiMirror_8u_C4IR)},
        {"8u_AC4", 4, 3, copyForm<Ipp8u>(ippiMirror_8u_AC4R), inPlaceForm(ippiMirror_8u_AC4IR)},
    };
}

const IppiAxis kAxes[] = {ippAxsHorizontal, ippAxsVertical, ippAxsBoth};

TEST(ImageMirror, IntoASecondImageMatchesThePixelMap) {
    for (const Form& f : forms())
        for (IppiAxis axis : kAxes)
            for (int w : {1, 2, 3, 7, 33})
                for (int h : {1, 2, 3, 6})
                    for (int pad : {0, 5}) {
                        SCOPED_TRACE(testing::Message()
                                     << f.name << " axis " << axis << " " << w << "x" << h << " pad " << pad);
                        Image src(w, h, f.pixel, pad, 1);
                        Image dst(w, h, f.pixel, pad + 1, 2);  // another step than the source
                        Image want = dst;
                        mirrorReference(src, want, axis, f.moved);
                        ASSERT_EQ(f.copy(src.bytes.data(), src.step, dst.bytes.data(), dst.step, {w, h}, axis),
                                  ippStsNoErr);
                        ASSERT_EQ(dst.bytes, want.bytes);
                    }
}

TEST(ImageMirror, InPlaceMatchesThePixelMap) {
    for (const Form& f : forms()) {
        if (!f.inPlace) continue;
        for (IppiAxis axis : kAxes)
            for (int w : {1, 2, 3, 4, 7})
                for (int h : {1, 2, 3, 5})
                    for (int pad : {0, 3}) {
                        SCOPED_TRACE(testing::Message() << f.name << " axis " << axis << " " << w << "x" << h);
                        Image img(w, h, f.pixel, pad, 3);
                        Image want = img;
                        Image orig = img;
                        mirrorReference(orig, want, axis, f.moved);
                        ASSERT_EQ(f.inPlace(img.bytes.data(), img.step, {w, h}, axis), ippStsNoErr);
                        ASSERT_EQ(img.bytes, want.bytes);
                    }
    }
}

TEST(ImageMirror, TheSameImageAsSourceAndDestinationIsMirroredInPlace) {
    for (const Form& f : forms())
        for (IppiAxis axis : kAxes) {
            SCOPED_TRACE(testing::Message() << f.name << " axis " << axis);
            Image img(5, 3, f.pixel, 2, 4);
            Image want = img;
            Image orig = img;
            mirrorReference(orig, want, axis, f.moved);
            ASSERT_EQ(f.copy(img.bytes.data(), img.step, img.bytes.data(), img.step, {5, 3}, axis), ippStsNoErr);
            ASSERT_EQ(img.bytes, want.bytes);
        }
}

TEST(ImageMirror, HalfTurnOfThreeByThreeKeepsTheCentre) {
    Image img(3, 3, 3, 0, 5);
    const Image orig = img;
    ASSERT_EQ(ippiMirror_8u_C3IR(img.bytes.data(), img.step, {3, 3}, ippAxsBoth), ippStsNoErr);
    EXPECT_EQ(0, std::memcmp(img.px(1, 1), orig.bytes.data() + 1 * 9 + 3, 3));
    EXPECT_EQ(0, std::memcmp(img.px(0, 0), orig.bytes.data() + 2 * 9 + 6, 3));
}

TEST(ImageMirror, BottomUpStepsWork) {
    // A negative step walks the rows upwards from the last row in memory.
    Image src(4, 3, 4, 0, 6), dst(4, 3, 4, 0, 7);
    ASSERT_EQ(ippiMirror_8u_C4R(src.px(2, 0), -src.step, dst.px(2, 0), -dst.step, {4, 3}, ippAxsHorizontal),
              ippStsNoErr);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(0, std::memcmp(dst.px(r, 0), src.px(2 - r, 0), 16));
}

TEST(ImageMirror, ChecksPointersThenSizeThenAxisAndWritesNothing) {
    for (const Form& f : forms()) {
        SCOPED_TRACE(f.name);
        Image src(3, 2, f.pixel, 0, 8), dst(3, 2, f.pixel, 0, 9);
        const auto before = dst.bytes;
        const auto bad = static_cast<IppiAxis>(3);
        auto copy = [&](const void* s, void* d, IppiSize roi, IppiAxis a) {
            return f.copy(s, src.step, d, dst.step, roi, a);
        };
        EXPECT_EQ(copy(nullptr, dst.bytes.data(), {0, 0}, bad), ippStsNullPtrErr);
        EXPECT_EQ(copy(src.bytes.data(), nullptr, {3, 2}, ippAxsBoth), ippStsNullPtrErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {0, 2}, bad), ippStsSizeErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {3, -1}, ippAxsBoth), ippStsSizeErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {3, 2}, bad), ippStsMirrorFlipErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {3, 2}, static_cast<IppiAxis>(-1)), ippStsMirrorFlipErr);
        EXPECT_EQ(dst.bytes, before);
        if (f.inPlace) {
            EXPECT_EQ(f.inPlace(nullptr, dst.step, {0, 0}, bad), ippStsNullPtrErr);
            EXPECT_EQ(f.inPlace(dst.bytes.data(), dst.step, {3, 0}, bad), ippStsSizeErr);
            EXPECT_EQ(f.inPlace(dst.bytes.data(), dst.step, {3, 2}, bad), ippStsMirrorFlipErr);
            EXPECT_EQ(dst.bytes, before);
        }
    }
}

}  // namespace
}  // namespace oculon::primitives
