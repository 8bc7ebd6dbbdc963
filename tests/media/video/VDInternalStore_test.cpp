// The pixel stores: geometry of every format at odd and even sizes, the
// store classes the factory makes, cloning with the time data, and the
// per-pixel accessors.

#include "media/video/VDInternalStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "media/pins/SGErrors.h"
#include "media/pins/SGSmartBuffer.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;

struct GeometryCase {
    F format;
    std::uint32_t w, h;
    std::uint32_t ext, step, size;
    std::uint32_t chromaOffset0 = 0, chromaOffset1 = 0, chromaStep = 0, chromaRows = 0;
};

TEST(VDStoreGeometry, RowsPlanesAndBlockSizesOfEveryFormat) {
    const GeometryCase cases[] = {
        {F::vfRGB24, 5, 3, 8, 24, 72},
        {F::vfRGB24, 6, 4, 8, 24, 96},
        {F::vfRGB24, 8, 2, 8, 24, 48},
        {F::vfRGBA32, 5, 3, 5, 20, 60},
        {F::vfRGBA32, 6, 4, 6, 24, 96},
        {F::vfYUY2, 5, 3, 8, 10, 30},
        {F::vfYUY2, 6, 4, 8, 12, 48},
        {F::vfUYVY, 5, 3, 8, 10, 30},
        {F::vfUYVY, 6, 4, 8, 12, 48},
        // Narrow and odd planar frames get what their planes need.
        {F::vfYV12, 5, 3, 8, 8, 40, 24, 32, 4, 2},
        {F::vfYV12, 6, 4, 8, 8, 48, 32, 40, 4, 2},
        {F::vfYV12, 1, 1, 4, 4, 8, 4, 6, 2, 1},
        {F::vfYV12, 640, 480, 640, 640, 614400, 307200, 384000, 320, 240},
        {F::vfIYUV, 5, 3, 8, 8, 40, 24, 32, 4, 2},
        {F::vfIYUV, 642, 4, 644, 644, 5136, 2576, 3220, 322, 2},
        {F::vfRGB565, 5, 3, 5, 10, 30},
        {F::vfRGB565, 6, 4, 6, 12, 48},
        {F::vfRGB555, 5, 3, 5, 10, 30},
        {F::vfGrayScale, 5, 3, 5, 5, 15},
        {F::vfGrayScale, 6, 4, 6, 6, 24},
        {F::vfGray16, 5, 3, 5, 10, 30},
        {F::vfGray16, 6, 4, 6, 12, 48},
        // A value past the last format lays out RGB24.
        {static_cast<F>(10), 5, 1, 8, 24, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(VDFormatName(c.format)) + " " + std::to_string(c.w) + "x" + std::to_string(c.h));
        const TVDStoreGeometry g = VDStoreGeometry(c.format, c.w, c.h);
        EXPECT_EQ(g.ExtWidth, c.ext);
        EXPECT_EQ(g.Step, c.step);
        EXPECT_EQ(g.Size, c.size);
        EXPECT_EQ(g.ChromaOffset[0], c.chromaOffset0);
        EXPECT_EQ(g.ChromaOffset[1], c.chromaOffset1);
        EXPECT_EQ(g.ChromaStep, c.chromaStep);
        EXPECT_EQ(g.ChromaRows, c.chromaRows);

        const auto store = VDCreateStore(c.format, c.w, c.h);
        EXPECT_EQ(store->Format(), VDStoreFormat(c.format));
        EXPECT_EQ(store->GetStep(), c.step);
        EXPECT_EQ(store->GetCharSize(), c.size);
        EXPECT_EQ(store->AllocatedSize(), c.size);
        EXPECT_EQ(store->RawData(), store->GetData());
        EXPECT_EQ(store->GetPlane(1) != nullptr, c.chromaStep != 0);
        if (c.chromaStep) {
            EXPECT_EQ(store->GetPlane(2) - store->GetData(), c.chromaOffset1);
        }
    }
}

// Every byte a converter may write lies inside the block, and planes never
// share a byte, whatever the size.
TEST(VDStoreGeometry, EveryPixelAndChromaSampleFitsItsBlock) {
    for (int f = 0; f < kVDFormatCount; ++f)
        for (std::uint32_t w = 1; w <= 13; ++w)
            for (std::uint32_t h = 1; h <= 5; ++h) {
                SCOPED_TRACE(std::string(VDFormatName(VDFormatAt(f))) + " " + std::to_string(w) + "x" +
                             std::to_string(h));
                const TVDStoreGeometry g = VDStoreGeometry(VDFormatAt(f), w, h);
                EXPECT_GE(g.ExtWidth, w);
                EXPECT_EQ(g.ExtWidth % 4 == 0 || g.ExtWidth == w, true);
                const std::uint64_t rowBytes = g.Planar() ? w : (g.Step == 2 * w ? 2 * w : w * g.BytesPerPixel);
                EXPECT_LE(rowBytes, g.Step);
                if (!g.Planar()) {
                    EXPECT_LE(std::uint64_t{g.Step} * (h - 1) + rowBytes, g.Size);
                    continue;
                }
                const std::uint64_t chromaCols = (w + 1) / 2, chromaRows = (h + 1) / 2;
                EXPECT_EQ(g.ChromaRows, chromaRows);
                EXPECT_GE(g.ChromaStep, chromaCols);
                EXPECT_LE(std::uint64_t{g.Step} * h, g.ChromaOffset[0]);
                EXPECT_LE(g.ChromaOffset[0] + std::uint64_t{g.ChromaStep} * chromaRows, g.ChromaOffset[1]);
                EXPECT_LE(g.ChromaOffset[1] + std::uint64_t{g.ChromaStep} * chromaRows, g.Size);
                EXPECT_GE(g.Size, 2 * w * h);
            }
}

TEST(VDStoreGeometry, SizesBeyondTheLargestBlockAreRefused) {
    EXPECT_THROW(VDStoreGeometry(F::vfRGBA32, 65536, 65536), pins::EBufferTooLarge);
    EXPECT_THROW(VDStoreGeometry(F::vfRGB24, 0xFFFFFFFF, 0), pins::EBufferTooLarge);
    EXPECT_THROW(VDStoreGeometry(F::vfYV12, 0xFFFFFFFF, 1), pins::EBufferTooLarge);
    EXPECT_EQ(VDStoreGeometry(F::vfGrayScale, 0, 0xFFFFFFFF).Size, 0u);
    const auto empty = VDCreateStore(F::vfYV12, 0, 0);
    EXPECT_EQ(empty->GetCharSize(), 0u);
}

TEST(VDInternalStore, FactoryPicksTheStoreClassOfEachFormat) {
    const auto is = [](F f, auto* typed) {
        const auto s = VDCreateStore(f, 4, 2);
        return dynamic_cast<decltype(typed)>(s.get()) != nullptr;
    };
    EXPECT_TRUE(is(F::vfRGB24, static_cast<TVDSmartRGBBuffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfRGBA32, static_cast<TVDSmartRGBABuffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfYUY2, static_cast<TVDSmartYUY2Buffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfUYVY, static_cast<TVDSmartUYVYBuffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfYV12, static_cast<TVDSmartYV12Buffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfIYUV, static_cast<TVDSmartIYUVBuffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfRGB565, static_cast<TVDSmartRGB565Buffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfRGB555, static_cast<TVDSmartRGB555Buffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfGrayScale, static_cast<TVDSmartGrayScaleBuffer*>(nullptr)));
    EXPECT_TRUE(is(F::vfGray16, static_cast<TVDSmartGrayScale16Buffer*>(nullptr)));
    EXPECT_TRUE(is(static_cast<F>(200), static_cast<TVDSmartRGBBuffer*>(nullptr)));
    EXPECT_FALSE(is(F::vfYV12, static_cast<TVDSmartIYUVBuffer*>(nullptr)));
}

TEST(VDInternalStore, CloneKeepsClassSizeAndTimeDataAndCopiesPixelsOnlyWhenAsked) {
    for (int f = 0; f < kVDFormatCount; ++f) {
        SCOPED_TRACE(VDFormatName(VDFormatAt(f)));
        pins::TSGContainerRef held(VDCreateStore(VDFormatAt(f), 7, 3), true);
        auto& store = static_cast<TVDSmartImageBuffer&>(*held.get());
        for (std::uint32_t i = 0; i < store.GetCharSize(); ++i) store.GetData()[i] = static_cast<std::uint8_t>(i * 7);
        store.SetTimeStampAvailable(true);
        store.SetTimeStampBegin(400000);
        store.SetTimeCodeData({true, 12, 34, 56, 7});
        store.SetDateTimeData({true, 999, 59, 58, 23, 31, 12, 2024});

        for (bool copy : {false, true}) {
            const auto clone = store.CloneStore(copy);
            EXPECT_EQ(clone->Format(), store.Format());
            EXPECT_EQ(clone->GetWidth(), 7u);
            EXPECT_EQ(clone->GetCharSize(), store.GetCharSize());
            EXPECT_NE(clone->GetData(), store.GetData());
            EXPECT_EQ(clone->GetTimeStampBegin(), 400000);
            EXPECT_EQ(clone->GetTimeCodeData(), store.GetTimeCodeData());
            EXPECT_EQ(clone->GetDateTimeData(), store.GetDateTimeData());
            if (copy) {
                EXPECT_TRUE(std::equal(store.GetData(), store.GetData() + store.GetCharSize(), clone->GetData()));
            }
            EXPECT_EQ(clone->CountTransports(), 0);
        }
        // The generic clone is the same, as a container.
        const auto generic = store.Clone(true);
        EXPECT_EQ(dynamic_cast<TVDSmartImageBuffer&>(*generic).GetTimeCodeData().Frame, 12);
    }
}

}  // namespace
}  // namespace oculon::mediavideo
