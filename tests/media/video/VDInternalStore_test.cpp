// The pixel stores: geometry of every format at odd and even sizes, the
// store classes the factory makes, cloning with the time data, and the
// per-pixel accessors.

#include "media/video/VDInternalStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "media/pins/SGErrors.h"
#include "media/pins/SGSmartBuffer.h"
#include "media/video/StoreTestKit.h"

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
        {F::vfRGBA32, 5, 3, 5, 20, 60},
        {F::vfRGBA32, 6, 4, 6, 24, 96},
        {F::vfYUY2, 5, 3, 8, 10, 30},
        {F::vfYUY2, 6, 4, 8, 12, 48},
        // Narrow and odd planar frames get what their planes need.
        {F::vfYV12, 5, 3, 8, 8, 40, 24, 32, 4, 2},
        {F::vfYV12, 6, 4, 8, 8, 48, 32, 40, 4, 2},
        {F::vfYV12, 1, 1, 4, 4, 8, 4, 6, 2, 1},
        {F::vfYV12, 640, 480, 640, 640, 614400, 307200, 384000, 320, 240},
        {F::vfIYUV, 642, 4, 644, 644, 5136, 2576, 3220, 322, 2},
        {F::vfRGB565, 5, 3, 5, 10, 30},
        {F::vfRGB555, 5, 3, 5, 10, 30},
        {F::vfGrayScale, 5, 3, 5, 5, 15},
        {F::vfGray16, 5, 3, 5, 10, 30},
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
    // An empty picture converts to an empty store.
    const auto empty = VDCreateStore(F::vfYV12, 0, 4);
    EXPECT_EQ(empty->GetCharSize(), 0u);
    EXPECT_EQ(VDCreateStore(F::vfRGBA32, *empty, true)->GetCharSize(), 0u);
}

// The store classes' own behaviour is the accessors' and conversions' tests.
TEST(VDInternalStore, CloneKeepsTheStoreClassWithTheTimeData) {
    const auto classOf = [](const TVDSmartImageBuffer& s) -> const std::type_info& { return typeid(s); };
    for (int f = 0; f < kVDFormatCount; ++f) {
        SCOPED_TRACE(VDFormatName(VDFormatAt(f)));
        pins::TSGContainerRef held(testkit::randomStore(VDFormatAt(f), 7, 3, f), true);
        auto& store = dynamic_cast<TVDSmartImageBuffer&>(*held.get());
        store.SetTimeStampBegin(400000);
        store.SetTimeCodeData({true, 12, 34, 56, 7});
        store.SetDateTimeData({true, 999, 59, 58, 23, 31, 12, 2024});
        for (bool copy : {false, true}) {
            const auto clone = store.CloneStore(copy);
            EXPECT_EQ(classOf(*clone), classOf(store));
            EXPECT_EQ(clone->GetWidth(), 7u);
            EXPECT_EQ(clone->GetCharSize(), store.GetCharSize());
            EXPECT_NE(clone->GetData(), store.GetData());
            EXPECT_EQ(clone->GetTimeStampBegin(), 400000);
            EXPECT_EQ(clone->GetTimeCodeData(), store.GetTimeCodeData());
            EXPECT_EQ(clone->GetDateTimeData(), store.GetDateTimeData());
            EXPECT_EQ(copy, std::equal(store.GetData(), store.GetData() + store.GetCharSize(), clone->GetData()));
            EXPECT_EQ(clone->CountTransports(), 0);
        }
        EXPECT_EQ(dynamic_cast<TVDSmartImageBuffer&>(*store.Clone(true)).GetTimeCodeData().Frame, 12);
    }
}

// Per-pixel reads give what the whole-image conversions give, for the pixel
// pairs of 4:2:2 and 4:2:0 and a lone last pixel of an odd width included.
TEST(VDInternalStore, AccessorsReadWhatTheConversionsGive) {
    for (const auto& [w, h] : {std::pair{1u, 1u}, std::pair{3u, 1u}, std::pair{7u, 5u}, std::pair{8u, 6u}})
        for (int f = 0; f < kVDFormatCount; ++f) {
            SCOPED_TRACE(std::string(VDFormatName(VDFormatAt(f))) + " " + std::to_string(w) + "x" + std::to_string(h));
            const auto store = testkit::randomStore(VDFormatAt(f), w, h, f * 100 + w);
            const auto rgb = VDCreateStore(F::vfRGB24, *store, true);
            const auto grey = VDCreateStore(F::vfGrayScale, *store, true);
            for (std::uint32_t y = 0; y < h; ++y)
                for (std::uint32_t x = 0; x < w; ++x) {
                    EXPECT_EQ(store->GetPixel(x, y), rgb->GetPixel(x, y)) << x << "," << y;
                    EXPECT_EQ(VDColor(store->GetRed(x, y), store->GetGreen(x, y), store->GetBlue(x, y)),
                              rgb->GetPixel(x, y));
                    EXPECT_EQ(store->GetGrayScale(x, y), grey->GetData()[x + y * w]);
                }
        }
}

// The 16-bit RGB words hold blue in bits 0-4, as the conversions and the
// 16-bit AVI bit masks have it; a channel setter keeps the other bits.
TEST(VDInternalStore, SixteenBitRGBFieldsAndSetters) {
    auto s565 = VDCreateStore(F::vfRGB565, 2, 1), s555 = VDCreateStore(F::vfRGB555, 2, 1);
    auto* w565 = reinterpret_cast<std::uint16_t*>(s565->GetData());
    auto* w555 = reinterpret_cast<std::uint16_t*>(s555->GetData());
    const std::tuple<TColor, unsigned, unsigned> pure[] = {{VDColor(0, 0, 255), 0x001F, 0x001F},
                                                           {VDColor(0, 255, 0), 0x07E0, 0x03E0},
                                                           {VDColor(255, 0, 0), 0xF800, 0x7C00}};
    for (const auto& [colour, word565, word555] : pure) {
        s565->SetPixel(1, 0, colour);
        s555->SetPixel(1, 0, colour);
        EXPECT_EQ(w565[1], word565);
        EXPECT_EQ(w555[1], word555);
    }
    // Low bits are lost: 3, 2, 3 in 565 and 3 in every 555 channel.
    s565->SetPixel(0, 0, VDColor(0xFF, 0xFF, 0xFF));
    s555->SetPixel(0, 0, VDColor(0x8F, 0x8F, 0x8F));
    EXPECT_EQ(s565->GetPixel(0, 0), VDColor(0xF8, 0xFC, 0xF8));
    EXPECT_EQ(s555->GetPixel(0, 0), VDColor(0x88, 0x88, 0x88));
    s565->SetBlue(0, 0, 0);
    EXPECT_EQ(w565[0], 0xFFE0);
    s565->SetBlue(0, 0, 0x48);
    s565->SetRed(0, 0, 0);
    s565->SetGreen(0, 0, 0x0C);
    EXPECT_EQ(w565[0], 0x0069);
    w555[0] = 0xFFFF;
    s555->SetRed(0, 0, 0);
    s555->SetGreen(0, 0, 0);
    EXPECT_EQ(w555[0], 0x801F);
}

TEST(VDInternalStore, ByteRGBAccessors) {
    for (F f : {F::vfRGB24, F::vfRGBA32}) {
        SCOPED_TRACE(VDFormatName(f));
        auto s = VDCreateStore(f, 3, 2);
        s->SetAlpha(2, 1, 77);
        s->SetPixel(2, 1, VDColor(1, 2, 3));
        s->SetGreen(2, 1, 9);
        EXPECT_EQ(s->GetPixel(2, 1), VDColor(1, 9, 3));
        EXPECT_EQ(s->GetAlpha(2, 1), f == F::vfRGBA32 ? 77 : 255);
        EXPECT_EQ(s->GetData()[(2 + 1 * s->GetExtWidth()) * s->GetBytesPerPixel()], 3);  // blue first
        s->SetGrayScale(1, 0, 200);
        EXPECT_EQ(s->GetPixel(1, 0), VDGreyColor(200));
    }
}

TEST(VDInternalStore, YUVStoresIgnoreEveryWrite) {
    for (F f : {F::vfYUY2, F::vfUYVY, F::vfYV12, F::vfIYUV}) {
        SCOPED_TRACE(VDFormatName(f));
        auto s = testkit::randomStore(f, 6, 4, 3);
        const std::vector<std::uint8_t> before(s->GetData(), s->GetData() + s->GetCharSize());
        for (std::uint32_t x = 0; x < 6; ++x) {
            s->SetPixel(x, 1, VDColor(1, 2, 3));
            s->SetRed(x, 1, 4), s->SetGreen(x, 1, 5), s->SetBlue(x, 1, 6), s->SetAlpha(x, 1, 7);
            s->SetGrayScale(x, 1, 8);
            EXPECT_EQ(s->GetAlpha(x, 1), 255);
        }
        EXPECT_TRUE(std::equal(before.begin(), before.end(), s->GetData()));
    }
}

// The 16-bit grey store's 8-bit accessors address sample x (not byte x),
// write v x 257 and read back v; the 8-bit one stores a colour's red.
TEST(VDInternalStore, GreyAccessorsAddressWholeSamples) {
    auto g16 = VDCreateStore(F::vfGray16, 256, 2), g8 = VDCreateStore(F::vfGrayScale, 256, 2);
    const auto* samples = reinterpret_cast<const std::uint16_t*>(g16->GetData()) + 256;
    for (std::uint32_t v = 0; v < 256; ++v) {
        g16->SetGrayScale(v, 1, static_cast<std::uint8_t>(v));
        g8->SetPixel(v, 1, VDColor(static_cast<std::uint8_t>(v), 1, 2));
    }
    for (std::uint32_t v = 0; v < 256; ++v) {
        EXPECT_EQ(samples[v], v * 257);
        EXPECT_EQ(g16->GetPixel(v, 1), VDGreyColor(static_cast<std::uint8_t>(v)));
        EXPECT_EQ(g8->GetBlue(v, 1), v);
    }
    g16->SetPixel(255, 0, VDColor(9, 200, 200));
    EXPECT_EQ(g16->GetRed(255, 0), 9);
}

}  // namespace
}  // namespace oculon::mediavideo
