// Scaling frames through the image buffer: the linear resize of the frame's
// own format (RGB24 for the others), the caller's frame never converted.

#include "media/video/VDResize.h"

#include <gtest/gtest.h>

#include "ImageTestKit.h"
#include "media/primitives/ImageResize.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;
using testkit::pixels;

TEST(VDResize, TheSameSizeIsTheSameFrame) {
    const auto frame = testkit::randomFrame(8, 6, F::vfYUY2, 1);
    EXPECT_EQ(VDResizeBuffer(frame, 8, 6), frame);
}

// The result against the resize primitive run by hand on a private copy in
// the format the frame is scaled in; the source keeps format, store and
// bytes.
TEST(VDResize, EveryFormatScalesInItsResizeFormat) {
    const std::pair<F, F> cases[] = {{F::vfRGB24, F::vfRGB24},       {F::vfRGBA32, F::vfRGBA32},
                                     {F::vfGrayScale, F::vfGrayScale}, {F::vfGray16, F::vfGray16},
                                     {F::vfYUY2, F::vfRGB24},        {F::vfRGB565, F::vfRGB24}};
    for (const auto& [format, scaled] : cases)
        for (const auto& [w, h] : {std::pair{21u, 13u}, std::pair{5u, 3u}}) {
            SCOPED_TRACE(std::string(VDFormatName(format)) + " to " + std::to_string(w) + "x" + std::to_string(h));
            const auto source = testkit::randomFrame(10, 6, format, 2);
            source->GetTimeCode().SetSec(42);
            const auto keeper = TVDImageBuffer::CreateCopy(source);
            const auto sourceBytes = pixels(*source);

            const auto result = VDResizeBuffer(source, w, h);
            EXPECT_EQ(result->GetFormat(), scaled);
            EXPECT_EQ(result->GetWidth(), w);
            EXPECT_EQ(result->GetHeight(), h);
            EXPECT_EQ(result->GetTimeCode().Sec(), 42);
            EXPECT_EQ(source->GetFormat(), format);
            EXPECT_EQ(&source->GetBuffer(), &keeper->GetBuffer());
            EXPECT_EQ(pixels(*source), sourceBytes);

            const auto from = TVDImageBuffer::CreateCopy(source);
            from->SetFormat(scaled);
            const auto expected = TVDImageBuffer::CreateSize(w, h, scaled);
            const primitives::IppiSize fromSize{10, 6}, toSize{static_cast<int>(w), static_cast<int>(h)};
            const primitives::TVDImageRect all{0, 0, 10, 6};
            const double xf = w / 10.0, yf = h / 6.0;
            const int fs = static_cast<int>(from->GetStep()), ts = static_cast<int>(expected->GetStep());
            if (scaled == F::vfRGBA32)
                primitives::ippiResize_8u_C4R(from->Read(), fromSize, fs, all, expected->Write(), ts, toSize, xf, yf, 2);
            else if (scaled == F::vfGrayScale)
                primitives::ippiResize_8u_C1R(from->Read(), fromSize, fs, all, expected->Write(), ts, toSize, xf, yf, 2);
            else if (scaled == F::vfGray16)
                primitives::ippiResize_16u_C1R(reinterpret_cast<const primitives::Ipp16u*>(from->Read()), fromSize, fs,
                                               all, reinterpret_cast<primitives::Ipp16u*>(expected->Write()), ts,
                                               toSize, xf, yf, 2);
            else
                primitives::ippiResize_8u_C3R(from->Read(), fromSize, fs, all, expected->Write(), ts, toSize, xf, yf, 2);
            EXPECT_EQ(pixels(*result), pixels(*expected));
        }
}

TEST(VDResize, EmptyFramesGiveEmptyFrames) {
    const auto empty = TVDImageBuffer::CreateSize(0, 0, F::vfRGB24);
    EXPECT_EQ(VDResizeBuffer(empty, 4, 4)->GetWidth(), 4u);
    EXPECT_EQ(VDResizeBuffer(testkit::randomFrame(4, 4, F::vfRGB24, 3), 0, 2)->GetByteSize(), 0u);
}

}  // namespace
}  // namespace oculon::mediavideo
