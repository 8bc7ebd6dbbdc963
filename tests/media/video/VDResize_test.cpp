// Scaling frames through the image buffer: the linear resize of the frame's
// own format (RGB24 for the others, to which the caller's frame is converted).

#include "media/video/VDResize.h"

#include <gtest/gtest.h>

#include "ImageTestKit.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;
using testkit::pixels;

TEST(VDResize, TheSameSizeIsTheSameFrame) {
    const auto frame = testkit::randomFrame(8, 6, F::vfYUY2, 1);
    EXPECT_EQ(VDResizeBuffer(frame, 8, 6), frame);
}

// A frame of one value (its row padding random) stays that value at any
// size; a format the resize cannot take scales as its RGB24 conversion.
TEST(VDResize, EveryFormatScalesInItsResizeFormat) {
    const std::pair<F, F> cases[] = {{F::vfRGB24, F::vfRGB24},         {F::vfRGBA32, F::vfRGBA32},
                                     {F::vfGrayScale, F::vfGrayScale}, {F::vfGray16, F::vfGray16},
                                     {F::vfYUY2, F::vfRGB24},          {F::vfRGB565, F::vfRGB24}};
    for (const auto& [format, scaled] : cases)
        for (const auto& [w, h] : {std::pair{21u, 13u}, std::pair{5u, 3u}}) {
            SCOPED_TRACE(std::string(VDFormatName(format)) + " to " + std::to_string(w) + "x" + std::to_string(h));
            const auto source = testkit::randomFrame(10, 6, format, 2);
            if (format == scaled) source->SetValue(std::uint8_t{77});
            source->GetTimeCode().SetSec(42);
            const auto keeper = TVDImageBuffer::CreateCopy(source);
            const auto sourceBytes = pixels(*source);

            const auto result = VDResizeBuffer(source, w, h);
            EXPECT_EQ(result->GetFormat(), scaled);
            EXPECT_EQ(result->GetWidth(), w);
            EXPECT_EQ(result->GetHeight(), h);
            EXPECT_EQ(result->GetTimeCode().Sec(), 42);
            // The caller's frame is brought to the resize format; the
            // other owner of its store keeps it as it was.
            EXPECT_EQ(source->GetFormat(), scaled);
            EXPECT_EQ(&source->GetBuffer() == &keeper->GetBuffer(), format == scaled);
            EXPECT_EQ(keeper->GetFormat(), format);
            EXPECT_EQ(pixels(*keeper), sourceBytes);
            if (format == scaled) {
                const auto one = TVDImageBuffer::CreateCopy(result);
                one->SetValue(std::uint8_t{77});
                EXPECT_EQ(pixels(*result), pixels(*one));
            } else {
                keeper->SetFormat(F::vfRGB24);
                EXPECT_EQ(pixels(*result), pixels(*VDResizeBuffer(keeper, w, h)));
            }
        }
}

TEST(VDResize, EmptyFramesGiveEmptyFrames) {
    const auto empty = TVDImageBuffer::CreateSize(0, 0, F::vfRGB24);
    EXPECT_EQ(VDResizeBuffer(empty, 4, 4)->GetWidth(), 4u);
    EXPECT_EQ(VDResizeBuffer(testkit::randomFrame(4, 4, F::vfRGB24, 3), 0, 2)->GetByteSize(), 0u);
}

}  // namespace
}  // namespace oculon::mediavideo
