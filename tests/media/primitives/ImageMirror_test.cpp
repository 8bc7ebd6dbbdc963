// Mirrors of 1-, 2-, 3- and 4-byte pixels about each axis, into a second image
// and in place, against a pixel-by-pixel reference, with odd sizes and row
// padding that must stay untouched.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "TestImage.h"
#include "media/primitives/ImageMirror.h"

namespace oculon::primitives {
namespace {

using test::kLayouts;
using test::TestImage;

// Where the reference mirror sends source pixel (r, c) of `pixel` bytes.
void mirrorReference(const TestImage& src, TestImage& dst, int pixel, IppiAxis axis, int moved) {
    const int w = src.rowBytes / pixel;
    for (int r = 0; r < src.rows; ++r)
        for (int c = 0; c < w; ++c) {
            const int dr = axis == ippAxsVertical ? r : src.rows - 1 - r;
            const int dc = axis == ippAxsHorizontal ? c : w - 1 - c;
            std::memcpy(dst.row(dr) + dc * pixel, src.row(r) + c * pixel, moved);
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

// Every layout: packed, padded, and bottom-up (a negative step from the last
// row in memory).
TEST(ImageMirror, IntoASecondImageMatchesThePixelMap) {
    for (const Form& f : forms())
        for (IppiAxis axis : kAxes)
            for (int w : {1, 2, 3, 7, 33})
                for (int h : {1, 2, 3, 6})
                    for (const test::Layout& l : kLayouts) {
                        SCOPED_TRACE(testing::Message() << f.name << " axis " << axis << " " << w << "x" << h << " gap "
                                                        << l.gap << " bottom-up " << l.bottomUp);
                        const TestImage src(w * f.pixel, h, l.gap, l.bottomUp, 1);
                        TestImage dst(w * f.pixel, h, l.gap + 1, false, 2);  // another step than the source
                        TestImage want = dst;
                        mirrorReference(src, want, f.pixel, axis, f.moved);
                        ASSERT_EQ(f.copy(src.row(0), src.step(), dst.origin(), dst.step(), {w, h}, axis), ippStsNoErr);
                        ASSERT_EQ(dst.bytes, want.bytes);
                    }
}

// In place, and through the copying form with one image as both source and
// destination.
TEST(ImageMirror, InPlaceMatchesThePixelMap) {
    for (const Form& f : forms())
        for (IppiAxis axis : kAxes)
            for (int w : {1, 2, 3, 4, 7})
                for (int h : {1, 2, 3, 5})
                    for (const test::Layout& l : kLayouts) {
                        SCOPED_TRACE(testing::Message() << f.name << " axis " << axis << " " << w << "x" << h);
                        const TestImage orig(w * f.pixel, h, l.gap, l.bottomUp, 3);
                        TestImage want = orig, img = orig, same = orig;
                        mirrorReference(orig, want, f.pixel, axis, f.moved);
                        if (f.inPlace) {
                            ASSERT_EQ(f.inPlace(img.origin(), img.step(), {w, h}, axis), ippStsNoErr);
                            ASSERT_EQ(img.bytes, want.bytes);
                        }
                        ASSERT_EQ(f.copy(same.origin(), same.step(), same.origin(), same.step(), {w, h}, axis),
                                  ippStsNoErr);
                        ASSERT_EQ(same.bytes, want.bytes);
                    }
}

TEST(ImageMirror, ChecksPointersThenSizeThenAxisAndWritesNothing) {
    for (const Form& f : forms()) {
        SCOPED_TRACE(f.name);
        TestImage src(3 * f.pixel, 2, 0, false, 8), dst(3 * f.pixel, 2, 0, false, 9);
        const auto before = dst.bytes;
        const auto bad = static_cast<IppiAxis>(3);
        auto copy = [&](const void* s, void* d, IppiSize roi, IppiAxis a) {
            return f.copy(s, src.step(), d, dst.step(), roi, a);
        };
        EXPECT_EQ(copy(nullptr, dst.bytes.data(), {0, 0}, bad), ippStsNullPtrErr);
        EXPECT_EQ(copy(src.bytes.data(), nullptr, {3, 2}, ippAxsBoth), ippStsNullPtrErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {0, 2}, bad), ippStsSizeErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {3, -1}, ippAxsBoth), ippStsSizeErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {3, 2}, bad), ippStsMirrorFlipErr);
        EXPECT_EQ(copy(src.bytes.data(), dst.bytes.data(), {3, 2}, static_cast<IppiAxis>(-1)), ippStsMirrorFlipErr);
        EXPECT_EQ(dst.bytes, before);
        if (f.inPlace) {
            EXPECT_EQ(f.inPlace(nullptr, dst.step(), {0, 0}, bad), ippStsNullPtrErr);
            EXPECT_EQ(f.inPlace(dst.bytes.data(), dst.step(), {3, 0}, bad), ippStsSizeErr);
            EXPECT_EQ(f.inPlace(dst.bytes.data(), dst.step(), {3, 2}, bad), ippStsMirrorFlipErr);
            EXPECT_EQ(dst.bytes, before);
        }
    }
}

}  // namespace
}  // namespace oculon::primitives
