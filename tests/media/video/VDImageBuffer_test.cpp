// The image buffer: copy-on-write over its store, checked casts, format and
// size changes, per-pixel and channel access, time data.

#include "media/video/VDSimpleImageBuffer.h"

#include <gtest/gtest.h>

#include "ImageTestKit.h"
#include "media/pins/SGErrors.h"
#include "media/pins/SGRealBuffer.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;
using testkit::pixels;
using testkit::randomFrame;

IVDImageBuffer copyOf(const IVDImageBuffer& frame) { return VDImageBuffer(frame->MakeCopy()); }

// Steps and sizes are the store's (see the store geometry test); a format
// past the last keeps its name over an RGB24 store.
TEST(VDImageBuffer, AnUnknownFormatLaysOutRGB24) {
    const auto odd = TVDImageBuffer::CreateSize(5, 3, static_cast<F>(10));
    EXPECT_EQ(odd->GetFormat(), static_cast<F>(10));
    EXPECT_EQ(odd->GetBuffer().Format(), F::vfRGB24);
    EXPECT_EQ(odd->GetStep(), 24u);
}

TEST(VDImageBuffer, CopiesShareTheStoreUntilOneOfThemWrites) {
    const auto first = randomFrame(640, 480, F::vfRGB24, 1);
    first->GetTimeCode().SetFrame(17);
    first->SetIsKeyFrame(true);
    const auto before = pixels(*first);
    const auto copy = copyOf(first);
    EXPECT_EQ(&copy->GetBuffer(), &first->GetBuffer());
    EXPECT_TRUE(copy->GetIsKeyFrame());
    EXPECT_EQ(copy->GetTimeCode().Frame(), 17);

    copy->Modify();
    EXPECT_NE(&copy->GetBuffer(), &first->GetBuffer());
    EXPECT_EQ(pixels(*copy), before);
    copy->SetPixel(3, 4, VDColor(1, 2, 3));
    EXPECT_EQ(pixels(*first), before);

    // So does a change of format, and the frame takes the time data along.
    const auto grey = copyOf(first);
    grey->SetFormat(F::vfGrayScale);
    EXPECT_EQ(grey->GetFormat(), F::vfGrayScale);
    EXPECT_EQ(grey->GetTimeCode().Frame(), 17);
    EXPECT_EQ(first->GetFormat(), F::vfRGB24);
    EXPECT_EQ(pixels(*first), before);
}

TEST(VDImageBuffer, OnlyImageBuffersCanBeCastOrAssigned) {
    const auto frame = randomFrame(4, 2, F::vfGrayScale, 2);
    const pins::ISGData real = pins::TSGRealBuffer::CreateSize(64);
    EXPECT_THROW(VDImageBuffer(real), pins::EIntfCastError);
    EXPECT_THROW(TVDImageBuffer::CreateUniversal(real), pins::EIntfCastError);
    EXPECT_THROW(TVDImageBuffer::CreateCopy(nullptr), pins::EIntfCastError);
    EXPECT_THROW(frame->Assign(real), pins::EIntfCastError);
    EXPECT_EQ(frame->GetFormat(), F::vfGrayScale);
    EXPECT_EQ(frame->GetByteSize(), 8u);

    const auto other = randomFrame(6, 3, F::vfRGBA32, 3);
    frame->Assign(other);
    EXPECT_EQ(frame->GetFormat(), F::vfRGBA32);
    EXPECT_EQ(&frame->GetBuffer(), &other->GetBuffer());
    EXPECT_EQ(TVDImageBuffer::CreateUniversal(other)->GetWidth(), 6u);

    // A store of another class brings its format along.
    pins::TSGContainerRef hold(VDCreateStore(F::vfYUY2, 2, 2), false);
    frame->SetBuffer(static_cast<TVDSmartImageBuffer&>(*hold.get()));
    EXPECT_EQ(frame->GetFormat(), F::vfYUY2);
    EXPECT_EQ(frame->GetStep(), 4u);
}

// A grey colour keeps a grey frame grey; a colour or alpha needs RGB.
TEST(VDImageBuffer, SettersConvertOnlyWhereTheFormatCannotHoldTheValue) {
    const auto grey = randomFrame(4, 2, F::vfGrayScale, 4);
    grey->SetPixel(1, 1, VDGreyColor(77));
    EXPECT_EQ(grey->GetFormat(), F::vfGrayScale);
    grey->SetPixel(1, 0, VDColor(200, 10, 10));
    EXPECT_EQ(grey->GetFormat(), F::vfRGB24);
    EXPECT_EQ(grey->GetPixel(1, 1), VDGreyColor(77));
    grey->SetPixelAlpha(0, 0, VDColor(1, 2, 3), 4);
    EXPECT_EQ(grey->GetFormat(), F::vfRGBA32);
    EXPECT_EQ(grey->GetPixel(1, 0), VDColor(200, 10, 10));
    // The YUV stores cannot be written per pixel: even a grey colour needs RGB.
    for (const F yuv : {F::vfYUY2, F::vfUYVY, F::vfYV12, F::vfIYUV}) {
        const auto frame = randomFrame(4, 2, yuv, 6);
        frame->SetPixel(3, 1, VDGreyColor(77));
        EXPECT_EQ(frame->GetFormat(), F::vfRGB24) << VDFormatName(yuv);
        EXPECT_EQ(frame->GetPixel(3, 1), VDGreyColor(77)) << VDFormatName(yuv);
    }
    const auto yuy2 = randomFrame(4, 2, F::vfYUY2, 5);
    yuy2->SetGrayScale(0, 0, 50);
    EXPECT_EQ(yuy2->GetFormat(), F::vfGrayScale);
    const auto words = randomFrame(4, 2, F::vfRGB565, 7);
    EXPECT_FALSE(words->CheckChangeFormat(false, false));
    EXPECT_TRUE(words->CheckChangeFormat(true, false));
    EXPECT_EQ(words->GetFormat(), F::vfRGB24);
}

TEST(VDImageBuffer, SizeChangesTakeAFreshStoreWithTheTimeData) {
    const auto frame = randomFrame(8, 4, F::vfRGBA32, 8);
    frame->GetDateTime().SetYear(2024);
    frame->GetTimeStamp().SetBeginTime(5000);
    const auto copy = copyOf(frame);
    frame->SetImageSizeFormat(8, 4, F::vfRGBA32);
    EXPECT_EQ(&frame->GetBuffer(), &copy->GetBuffer());  // unchanged, still shared

    frame->SetImageSize(3, 5);
    EXPECT_NE(&frame->GetBuffer(), &copy->GetBuffer());
    EXPECT_EQ(frame->GetWidth(), 3u);
    EXPECT_EQ(frame->GetDateTime().Year(), 2024);
    EXPECT_EQ(frame->GetTimeStamp().BeginTime(), 5000);
    EXPECT_EQ(copy->GetWidth(), 8u);
    EXPECT_THROW(frame->SetImageSizeFormat(65536, 65536, F::vfRGBA32), pins::EBufferTooLarge);
    EXPECT_EQ(frame->GetWidth(), 3u);
}

TEST(VDImageBuffer, ChannelsAreReadWithoutConvertingTheFrame) {
    const auto yuy2 = randomFrame(6, 2, F::vfYUY2, 9);
    const auto red = yuy2->GetRedChannel();
    EXPECT_EQ(yuy2->GetFormat(), F::vfYUY2);
    for (std::uint32_t x = 0; x < 6; ++x) EXPECT_EQ(red->GetGrayScale(x, 1), yuy2->GetRed(x, 1));
    EXPECT_EQ(pixels(*yuy2->GetAlphaChannel()), std::vector<std::uint8_t>(12, 255));
    const auto rgba = randomFrame(5, 3, F::vfRGBA32, 11);
    rgba->SetAlphaChannel(9);
    EXPECT_EQ(rgba->GetAlphaChannel()->GetGrayScale(4, 2), 9);
}

}  // namespace
}  // namespace oculon::mediavideo
