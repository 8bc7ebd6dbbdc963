// Image copies between layouts, fills and channel swaps: every byte of the
// destination is compared, so bytes the operation must not touch (other
// channels, alpha, row padding) are checked too.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "TestImage.h"
#include "media/primitives/ImageCopy.h"

namespace oculon::primitives {
namespace {

using test::noise;

using CopyFn = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize);

// A copy moves `channels` bytes per pixel from byte srcCh of a srcPixel-byte
// pixel to byte dstCh of a dstPixel-byte pixel (the channel pointer forms get
// pointers offset by the channel).
struct ChannelCopy {
    const char* name;
    CopyFn fn;
    int srcPixel, dstPixel, channels, srcCh, dstCh;
};

IppStatus copy32s(const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize roi) {
    return ippiCopy_32s_C1R(reinterpret_cast<const Ipp32s*>(s), ss, reinterpret_cast<Ipp32s*>(d), ds, roi);
}

const ChannelCopy kCopies[] = {
    {"C1R", ippiCopy_8u_C1R, 1, 1, 1, 0, 0},       {"C3R", ippiCopy_8u_C3R, 3, 3, 3, 0, 0},
    {"C4R", ippiCopy_8u_C4R, 4, 4, 4, 0, 0},       {"32s_C1R", copy32s, 4, 4, 4, 0, 0},
    {"AC4R", ippiCopy_8u_AC4R, 4, 4, 3, 0, 0},     {"C4CR", ippiCopy_8u_C4CR, 4, 4, 1, 2, 2},
    {"C1C3R", ippiCopy_8u_C1C3R, 1, 3, 1, 0, 1},   {"C1C4R", ippiCopy_8u_C1C4R, 1, 4, 1, 0, 3},
    {"C3C1R", ippiCopy_8u_C3C1R, 3, 1, 1, 2, 0},   {"C4C1R", ippiCopy_8u_C4C1R, 4, 1, 1, 1, 0},
    {"C3AC4R", ippiCopy_8u_C3AC4R, 3, 4, 3, 0, 0}, {"AC4C3R", ippiCopy_8u_AC4C3R, 4, 3, 3, 0, 0},
};

TEST(ImageCopy, EveryLayoutMovesOnlyItsBytes) {
    for (const ChannelCopy& c : kCopies)
        for (int w : {1, 3, 8, 10, 17, 40})
            for (int h : {1, 4})
                for (int srcPad : {0, 3})
                    for (int dstPad : {0, 5}) {
                        SCOPED_TRACE(testing::Message()
                                     << c.name << " " << w << "x" << h << " pads " << srcPad << "/" << dstPad);
                        // Four-byte steps keep the 32-bit copy aligned.
                        const int ss = w * c.srcPixel + srcPad * (c.fn == copy32s ? 4 : 1);
                        const int ds = w * c.dstPixel + dstPad * (c.fn == copy32s ? 4 : 1);
                        auto src = noise(static_cast<size_t>(ss) * h, 1);
                        auto dst = noise(static_cast<size_t>(ds) * h, 2);
                        auto want = dst;
                        for (int r = 0; r < h; ++r)
                            for (int x = 0; x < w; ++x)
                                for (int k = 0; k < c.channels; ++k)
                                    want[r * ds + x * c.dstPixel + c.dstCh + k] =
                                        src[r * ss + x * c.srcPixel + c.srcCh + k];
                        ASSERT_EQ(c.fn(src.data() + c.srcCh, ss, dst.data() + c.dstCh, ds, {w, h}), ippStsNoErr);
                        ASSERT_EQ(dst, want);
                    }
}

TEST(ImageCopy, ChecksPointersThenSizeAndNeverTheSteps) {
    Ipp8u buf[64] = {};
    for (const ChannelCopy& c : kCopies) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.fn(nullptr, 4, buf, 4, {0, 0}), ippStsNullPtrErr);
        EXPECT_EQ(c.fn(buf, 4, nullptr, 4, {1, 1}), ippStsNullPtrErr);
        EXPECT_EQ(c.fn(buf, 4, buf + 32, 4, {0, 1}), ippStsSizeErr);
        EXPECT_EQ(c.fn(buf, 4, buf + 32, 4, {1, -2}), ippStsSizeErr);
        EXPECT_EQ(c.fn(buf, 0, buf + 32, -4, {1, 2}), ippStsNoErr);
    }
}

TEST(ImageCopy, PlanesInterleaveIntoPixels) {
    for (int pad : {0, 2}) {
        const int w = 5, h = 3, ps = w + pad, ds = 3 * w + pad;
        const std::vector<Ipp8u> p[3] = {noise(ps * h, 3), noise(ps * h, 4), noise(ps * h, 5)};
        auto dst = noise(ds * h, 6);
        auto want = dst;
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) want[r * ds + 3 * x + k] = p[k][r * ps + x];
        const Ipp8u* planes[3] = {p[0].data(), p[1].data(), p[2].data()};
        ASSERT_EQ(ippiCopy_8u_P3C3R(planes, ps, dst.data(), ds, {w, h}), ippStsNoErr);
        EXPECT_EQ(dst, want);
    }
    Ipp8u px[3];
    const Ipp8u* missing[3] = {px, nullptr, px};
    EXPECT_EQ(ippiCopy_8u_P3C3R(missing, 1, px, 3, {0, 1}), ippStsNullPtrErr);  // planes before size
    EXPECT_EQ(ippiCopy_8u_P3C3R(nullptr, 1, px, 3, {0, 1}), ippStsNullPtrErr);
    const Ipp8u* planes[3] = {px, px, px};
    EXPECT_EQ(ippiCopy_8u_P3C3R(planes, 1, nullptr, 3, {1, 1}), ippStsNullPtrErr);
    EXPECT_EQ(ippiCopy_8u_P3C3R(planes, 1, px, 3, {0, 1}), ippStsSizeErr);
}

// A fill writes `channels` value bytes from byte `ch` of every pixel.
struct Fill {
    const char* name;
    std::function<IppStatus(const Ipp8u* value, Ipp8u* dst, int step, IppiSize)> fn;
    int pixel, channels, ch;
    bool valuePointer;
};

std::vector<Fill> fills() {
    return {
        {"C1R", [](const Ipp8u* v, Ipp8u* d, int s, IppiSize r) { return ippiSet_8u_C1R(v[0], d, s, r); }, 1, 1, 0,
         false},
        {"C3R", ippiSet_8u_C3R, 3, 3, 0, true},
        {"AC4R", ippiSet_8u_AC4R, 4, 3, 0, true},
        {"C4R", ippiSet_8u_C4R, 4, 4, 0, true},
        {"C3CR", [](const Ipp8u* v, Ipp8u* d, int s, IppiSize r) { return ippiSet_8u_C3CR(v[0], d, s, r); }, 3, 1, 1,
         false},
        {"C4CR", [](const Ipp8u* v, Ipp8u* d, int s, IppiSize r) { return ippiSet_8u_C4CR(v[0], d, s, r); }, 4, 1, 3,
         false},
        {"16s_C1R",
         [](const Ipp8u* v, Ipp8u* d, int s, IppiSize r) {
             return ippiSet_16s_C1R(static_cast<Ipp16s>(v[0] | v[1] << 8), reinterpret_cast<Ipp16s*>(d), s, r);
         },
         2, 2, 0, false},
    };
}

TEST(ImageFill, WritesTheValueIntoItsBytesOnly) {
    const Ipp8u value[4] = {0x11, 0x22, 0x33, 0x44};
    for (const Fill& f : fills())
        for (int w : {1, 2, 9, 40})
            for (int pad : {0, 6}) {
                SCOPED_TRACE(testing::Message() << f.name << " width " << w << " pad " << pad);
                const int h = 3, step = w * f.pixel + pad;
                auto dst = noise(static_cast<size_t>(step) * h, 7);
                auto want = dst;
                for (int r = 0; r < h; ++r)
                    for (int x = 0; x < w; ++x)
                        for (int k = 0; k < f.channels; ++k) want[r * step + x * f.pixel + f.ch + k] = value[k];
                ASSERT_EQ(f.fn(value, dst.data() + f.ch, step, {w, h}), ippStsNoErr);
                ASSERT_EQ(dst, want);
            }
}

TEST(ImageFill, ChecksPointersThenSizeThenStep) {
    const Ipp8u value[4] = {1, 2, 3, 4};
    Ipp8u buf[16] = {};
    for (const Fill& f : fills()) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(f.fn(value, nullptr, 0, {0, 0}), ippStsNullPtrErr);
        if (f.valuePointer) {
            EXPECT_EQ(f.fn(nullptr, buf, 0, {0, 0}), ippStsNullPtrErr);
        }
        EXPECT_EQ(f.fn(value, buf, 0, {0, 1}), ippStsSizeErr);
        EXPECT_EQ(f.fn(value, buf, 0, {1, 1}), ippStsStepErr);
        EXPECT_EQ(f.fn(value, buf, -8, {1, 1}), ippStsStepErr);
        for (Ipp8u b : buf) ASSERT_EQ(b, 0);
    }
}

using SwapFn = std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize, const int*)>;

TEST(ImageSwapChannels, ReordersEveryPixel) {
    const int orders[][3] = {{2, 1, 0}, {0, 0, 0}, {1, 2, 0}, {2, 2, 1}};
    struct Form {
        const char* name;
        int pixel;
        SwapFn fn;
        bool inPlace;
    };
    const Form forms[] = {
        {"C3R", 3, ippiSwapChannels_8u_C3R, false},
        {"AC4R", 4, ippiSwapChannels_8u_AC4R, false},
        {"C3IR", 3,
         [](const Ipp8u*, int, Ipp8u* d, int ds, IppiSize r, const int* o) {
             return ippiSwapChannels_8u_C3IR(d, ds, r, o);
         },
         true},
    };
    for (const Form& f : forms)
        for (const auto& order : orders)
            for (int pad : {0, 2}) {
                SCOPED_TRACE(testing::Message() << f.name << " " << order[0] << order[1] << order[2] << " pad " << pad);
                const int w = 7, h = 3, step = w * f.pixel + pad;
                const auto src = noise(step * h, 8);
                auto dst = f.inPlace ? src : noise(step * h, 9);
                auto want = dst;
                for (int r = 0; r < h; ++r)
                    for (int x = 0; x < w; ++x)
                        for (int k = 0; k < 3; ++k)
                            want[r * step + x * f.pixel + k] = src[r * step + x * f.pixel + order[k]];
                ASSERT_EQ(f.fn(src.data(), step, dst.data(), step, {w, h}, order), ippStsNoErr);
                ASSERT_EQ(dst, want);
            }
}

TEST(ImageSwapChannels, ChecksPointersSizeStepThenOrder) {
    Ipp8u img[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    Ipp8u out[12] = {};
    const int good[3] = {2, 1, 0};
    const int three[3] = {0, 1, 3};
    const int negative[3] = {-1, 1, 2};
    EXPECT_EQ(ippiSwapChannels_8u_C3IR(nullptr, 0, {0, 0}, three), ippStsNullPtrErr);
    EXPECT_EQ(ippiSwapChannels_8u_C3IR(img, 6, {2, 2}, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippiSwapChannels_8u_C3IR(img, 0, {0, 2}, three), ippStsSizeErr);
    EXPECT_EQ(ippiSwapChannels_8u_C3IR(img, 0, {2, 2}, three), ippStsStepErr);
    EXPECT_EQ(ippiSwapChannels_8u_C3IR(img, 6, {2, 2}, three), ippStsChannelOrderErr);
    EXPECT_EQ(ippiSwapChannels_8u_C3IR(img, 6, {2, 2}, negative), ippStsChannelOrderErr);
    EXPECT_EQ(img[0], 1);
    EXPECT_EQ(img[2], 3);
    EXPECT_EQ(ippiSwapChannels_8u_C3R(img, 6, nullptr, 6, {2, 2}, good), ippStsNullPtrErr);
    EXPECT_EQ(ippiSwapChannels_8u_C3R(img, 6, out, 0, {2, 2}, three), ippStsStepErr);
    EXPECT_EQ(ippiSwapChannels_8u_AC4R(img, 0, out, 8, {2, 1}, good), ippStsStepErr);
    EXPECT_EQ(ippiSwapChannels_8u_AC4R(img, 8, out, 8, {2, 1}, negative), ippStsChannelOrderErr);
    for (Ipp8u b : out) ASSERT_EQ(b, 0);
}

}  // namespace
}  // namespace oculon::primitives
