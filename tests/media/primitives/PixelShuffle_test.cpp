// Every instruction set's kernels give the bytes of the byte loops: widths
// around the group sizes, pointers at odd offsets, padded and gapless rows,
// in buffers that end at the last byte moved.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "TestImage.h"
#include "media/primitives/PixelShuffle.h"

namespace oculon::primitives::pixels {
namespace {

using test::noise;

// The bytes of an image from `offset` to its last moved byte.
size_t extent(int offset, int step, int width, int height, int pixel, int lastByte) {
    return static_cast<size_t>(offset + (height - 1) * step + (width - 1) * pixel + lastByte + 1);
}

std::vector<Isa> vectorIsas() {
    std::vector<Isa> isas;
    for (Isa isa : {Isa::Ssse3, Isa::Avx2, Isa::Avx512})
        if (kernelsFor(isa)) isas.push_back(isa);
    if (isas.empty()) ADD_FAILURE() << "this CPU runs no vector kernels; only the byte loops were tested";
    return isas;
}

TEST(PixelShuffle, EveryInstructionSetMovesTheBytesOfTheByteLoops) {
    const int x = -1;  // the destination byte stays
    const Layout layouts[] = {
        {3, 1, {0}},          {4, 1, {0}},          {4, 1, {3}},          {1, 3, {0, x, x}},    {1, 4, {0, x, x, x}},
        {1, 4, {x, x, x, 0}}, {3, 4, {0, 1, 2, x}}, {4, 3, {0, 1, 2}},    {3, 3, {2, 1, 0}},    {3, 3, {1, 1, 0}},
        {4, 4, {2, 0, 1, x}}, {4, 4, {0, x, x, x}}, {4, 4, {x, 2, x, x}}, {0, 2, {0, 1}},       {0, 3, {0, x, x}},
        {0, 3, {0, 1, 2}},    {0, 4, {0, 1, 2, x}}, {0, 4, {x, x, 0, x}}, {0, 4, {0, 1, 2, 3}}, {2, 1, {1}},
    };
    const Kernels& bytes = *kernelsFor(Isa::Scalar);
    for (Isa isa : vectorIsas())
        for (const Layout& l : layouts)
            for (int w : {1, 4, 15, 16, 17, 33, 63, 64, 65, 97, 129, 200})
                for (int offset : {0, 1, 3})
                    for (int pad : {0, 7})
                        for (bool inPlace : {false, true}) {
                            if (inPlace && l.srcBytes != l.dstBytes) continue;
                            SCOPED_TRACE(testing::Message()
                                         << "isa " << static_cast<int>(isa) << " layout " << l.srcBytes << l.dstBytes
                                         << " map " << l.map[0] << l.map[1] << l.map[2] << l.map[3] << " width " << w
                                         << " offset " << offset << " pad " << pad);
                            const int h = 3, ss = w * l.srcBytes + (l.srcBytes ? pad : 0), ds = w * l.dstBytes + pad;
                            // The last source byte read and destination byte written.
                            int lastSrc = 0, lastDst = 0;
                            for (int k = 0; k < l.dstBytes; ++k)
                                if (l.map[k] >= 0) lastSrc = std::max(lastSrc, l.map[k]), lastDst = k;
                            const int lastByte = inPlace ? std::max(lastSrc, lastDst) : lastSrc;
                            const auto src = noise(extent(offset, ss, w, h, l.srcBytes, lastByte), 1);
                            const auto dst = inPlace ? src : noise(extent(offset, ds, w, h, l.dstBytes, lastDst), 2);
                            auto want = dst, got = dst;
                            const Ipp8u* from = src.data() + offset;
                            bytes.move(l, inPlace ? want.data() + offset : from, ss, want.data() + offset, ds, {w, h});
                            kernelsFor(isa)->move(l, inPlace ? got.data() + offset : from, ss, got.data() + offset, ds,
                                                  {w, h});
                            ASSERT_EQ(got, want);
                        }
}

// Long fills write a start with vectors and copy it on: runs and rows around
// the lengths where that begins, padded rows (copied from the first), rows
// that overlap, and bytes past the last one moved that must stay.
TEST(PixelShuffle, EveryInstructionSetFillsLongRowsLikeTheByteLoop) {
    const Ipp8u value[4] = {0x12, 0x9A, 0x34, 0xBC};
    const Kernels& bytes = *kernelsFor(Isa::Scalar);
    for (Isa isa : vectorIsas())
        for (const Layout& l : {Layout{0, 2, {0, 1}}, Layout{0, 3, {0, 1, 2}}, Layout{0, 4, {0, 1, 2, 3}}})
            for (int w : {341, 683, 1001, 1366, 2731, 2739})
                for (int h : {1, 2, 5})
                    for (int pad : {0, 5, 64, -7})
                        for (int offset : {0, 1, 3}) {
                            SCOPED_TRACE(testing::Message()
                                         << "isa " << static_cast<int>(isa) << " pixel " << l.dstBytes << " width " << w
                                         << " height " << h << " pad " << pad << " offset " << offset);
                            const int step = w * l.dstBytes + pad;
                            const auto size = extent(offset, step, w, h, l.dstBytes, l.dstBytes - 1) + 70;
                            auto want = noise(size, 7), got = want;
                            bytes.move(l, value, 0, want.data() + offset, step, {w, h});
                            kernelsFor(isa)->move(l, value, 0, got.data() + offset, step, {w, h});
                            ASSERT_EQ(got, want);
                        }
}

TEST(PixelShuffle, EveryInstructionSetInterleavesPlanesLikeTheByteLoop) {
    const Kernels& bytes = *kernelsFor(Isa::Scalar);
    for (Isa isa : vectorIsas())
        for (Stores stores : {Stores::Cached, Stores::Streamed})
            for (int w : {1, 15, 16, 17, 31, 32, 33, 95, 129, 200})
                for (int pad : {0, 3})
                    for (int offset : {0, 1, 2}) {
                        SCOPED_TRACE(testing::Message()
                                     << "isa " << static_cast<int>(isa) << " streamed " << (stores == Stores::Streamed)
                                     << " width " << w << " pad " << pad << " offset " << offset);
                        const int h = 2, ps = w + pad, ds = 3 * w + pad;
                        const auto a = noise(extent(0, ps, w, h, 1, 0), 3), b = noise(a.size(), 4),
                                   c = noise(a.size(), 5);
                        const Ipp8u* planes[3] = {a.data(), b.data(), c.data()};
                        auto want = noise(extent(offset, ds, w, h, 3, 2), 6), got = want;
                        bytes.interleave(planes, ps, want.data() + offset, ds, {w, h}, Stores::Cached);
                        kernelsFor(isa)->interleave(planes, ps, got.data() + offset, ds, {w, h}, stores);
                        ASSERT_EQ(got, want);
                    }
}

TEST(PixelShuffle, OnlyADestinationBeyondTheLastLevelCacheIsStreamed) {
    EXPECT_EQ(storesFor(64), Stores::Cached);
    const bool known = sysconf(_SC_LEVEL3_CACHE_SIZE) > 0 || sysconf(_SC_LEVEL2_CACHE_SIZE) > 0;
    EXPECT_EQ(storesFor(SIZE_MAX), known ? Stores::Streamed : Stores::Cached);
}

TEST(PixelShuffle, TheChosenKernelsAreTheBestThisCpuRuns) {
    const Kernels* best = kernelsFor(Isa::Avx512);
    if (!best) best = kernelsFor(Isa::Avx2);
    if (!best) best = kernelsFor(Isa::Ssse3);
    if (!best) best = kernelsFor(Isa::Scalar);
    EXPECT_EQ(&kernels(), best);
}

}  // namespace
}  // namespace oculon::primitives::pixels
