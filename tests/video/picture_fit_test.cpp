// The decoder thread's share of showing a picture: the decode scale chosen
// for a control, and the control's bitmap painted from the decoded picture
// (scaled, or cut when it exceeds its place by a few pixels), bars white.

#include <gtest/gtest.h>

#include <cstdint>

#include "video/PictureFit.h"

using namespace oculon::video;

namespace {

// Every pixel different: (x, y, x ^ y) in B, G, R.
Image pattern(int w, int h) {
    Image image;
    image.reshape(w, h, PixelFormat::Bgrx32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = image.row(y) + static_cast<std::size_t>(x) * 4;
            p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x ^ y), p[3] = 0xFF;
        }
    }
    return image;
}

std::uint32_t pixel(const Image& image, int x, int y) {
    const std::uint8_t* p = image.row(y) + static_cast<std::size_t>(x) * 4;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

}  // namespace

TEST(PictureFit, DecodeScaleIsTheSmallestThatStillCoversItsPlace) {
    EXPECT_EQ(decodeScaleFor(640, 480, {318, 238}, true, 0), 2);  // a 4 x 4 wall's tile
    EXPECT_EQ(decodeScaleFor(640, 480, {0, 238}, true, 0), 1);    // no control yet
    for (const bool letterbox : {false, true}) {
        for (const int crop : {0, 10, 25}) {
            for (int w = 1; w <= 700; w += 13) {
                for (int h = 1; h <= 520; h += 17) {
                    const int d = decodeScaleFor(640, 480, {w, h}, letterbox, crop);
                    ASSERT_TRUE(d == 1 || d == 2 || d == 4 || d == 8);
                    const auto covers = [&](int denom) {
                        Image scaled;
                        scaled.width = scaledDimension(640, denom);
                        scaled.height = scaledDimension(480, denom);
                        const PictureFrame f = layoutPicture(scaled, {w, h}, letterbox, crop);
                        return f.source.width >= f.target.width && f.source.height >= f.target.height;
                    };
                    if (d > 1) {
                        EXPECT_TRUE(covers(d)) << w << "x" << h << " 1/" << d;
                    }
                    if (d < 8) {
                        EXPECT_FALSE(covers(d * 2)) << w << "x" << h << " 1/" << d;
                    }
                }
            }
        }
    }
}

TEST(PictureFit, CutsAFewPixelsOverAndWhitensTheBars) {
    const Image decoded = pattern(320, 240);  // a 640 x 480 picture at 1/2
    PictureFrame frame = layoutPicture(decoded, {318, 238}, true, 0);
    ASSERT_EQ(frame.target, (PixelRect{0, 0, 317, 238}));
    Image bitmap;
    ASSERT_TRUE(fitPicture(frame, {318, 238}, bitmap));
    EXPECT_EQ(frame.picture, &bitmap);
    EXPECT_EQ(frame.handOver, &bitmap);
    EXPECT_FALSE(frame.clearWhite);
    EXPECT_EQ(frame.source, (PixelRect{0, 0, 318, 238}));
    EXPECT_EQ(frame.target, frame.source);
    ASSERT_EQ(bitmap.width, 318);
    ASSERT_EQ(bitmap.height, 238);
    // Centred: one column and one row of the picture's edge are cut, the
    // other surplus column at the right.
    for (int y = 0; y < 238; ++y) {
        for (int x = 0; x < 317; ++x) ASSERT_EQ(pixel(bitmap, x, y), pixel(decoded, x + 1, y + 1)) << x << "," << y;
        ASSERT_EQ(pixel(bitmap, 317, y), kWhite) << y;
    }
}

TEST(PictureFit, ScalesTheShownRegionIntoItsPlace) {
    // A crop of a quarter each side, shown in a letterboxed control: the
    // left and right quarters (blue) must not show, the middle (grey) must
    // fill the target, white around.
    Image decoded;
    decoded.reshape(640, 480, PixelFormat::Bgrx32);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            std::uint8_t* p = decoded.row(y) + static_cast<std::size_t>(x) * 4;
            const bool middle = x >= 160 && x < 480;
            p[0] = middle ? 120 : 255, p[1] = p[2] = middle ? 120 : 0, p[3] = 0xFF;
        }
    PictureFrame frame = layoutPicture(decoded, {300, 200}, true, 25);
    const PixelRect target = frame.target;  // 133 x 200, centred
    ASSERT_EQ(target, (PixelRect{83, 0, 133, 200}));
    Image bitmap;
    ASSERT_TRUE(fitPicture(frame, {300, 200}, bitmap));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= target.left && x < target.left + target.width;
            ASSERT_EQ(pixel(bitmap, x, y), inside ? 0xFF787878u : kWhite) << x << "," << y;
        }
    // Enlarged without bars when the control is filled.
    frame = layoutPicture(decoded, {800, 600}, false, 25);
    ASSERT_TRUE(fitPicture(frame, {800, 600}, bitmap));
    EXPECT_EQ(pixel(bitmap, 0, 0), 0xFF787878u);
    EXPECT_EQ(pixel(bitmap, 799, 599), 0xFF787878u);
}

TEST(PictureFit, LeavesWhatItCannotPaintToTheControl) {
    const Image decoded = pattern(64, 48);
    Image bitmap;
    const auto refused = [&](PictureFrame frame, PixelSize control) {
        const PictureFrame before = frame;
        return !fitPicture(frame, control, bitmap) && frame.picture == before.picture &&
               frame.source == before.source && frame.target == before.target && frame.handOver == nullptr;
    };
    EXPECT_TRUE(refused(layoutPicture(decoded, {0, 0}, true, 0), {0, 0}));
    // The control shrank since the layout.
    EXPECT_TRUE(refused(layoutPicture(decoded, {64, 48}, false, 0), {32, 24}));
    // Not letterboxed, a smaller target would leave the rest of the control as it was.
    PictureFrame part = layoutPicture(decoded, {32, 24}, false, 0);
    EXPECT_TRUE(refused(part, {64, 48}));
    Image rgb;
    rgb.reshape(64, 48, PixelFormat::Rgb24);
    EXPECT_TRUE(refused(layoutPicture(rgb, {64, 48}, true, 0), {64, 48}));
}

// Handed over in place, a picture shows what the copy would, pixel for pixel;
// one that must be resampled or whose window would leave it is left alone.
TEST(PictureFit, InPlaceShowsWhatTheCopyShows) {
    for (const bool letterbox : {false, true}) {
        for (const int crop : {0, 1}) {
            for (int w = 300; w <= 322; ++w) {
                for (int h = 230; h <= 242; ++h) {
                    const PixelSize control{w, h};
                    const Image decoded = pattern(320, 240);
                    Image copied;
                    PictureFrame byCopy = layoutPicture(decoded, control, letterbox, crop);
                    const bool copiedOk = fitPicture(byCopy, control, copied);
                    Image inPlace = decoded;
                    PictureFrame frame = layoutPicture(inPlace, control, letterbox, crop);
                    const PictureFrame before = frame;
                    if (!fitPictureInPlace(frame, control, inPlace)) {
                        EXPECT_EQ(inPlace.pixels, decoded.pixels) << w << "x" << h;
                        EXPECT_EQ(frame.source, before.source);
                        EXPECT_EQ(frame.handOver, nullptr);
                        continue;
                    }
                    ASSERT_TRUE(copiedOk) << w << "x" << h;
                    EXPECT_EQ(frame.picture, &inPlace);
                    EXPECT_EQ(frame.handOver, &inPlace);
                    EXPECT_FALSE(frame.clearWhite);
                    EXPECT_EQ(frame.target, (PixelRect{0, 0, w, h}));
                    ASSERT_EQ(frame.source.width, w);
                    ASSERT_EQ(frame.source.height, h);
                    for (int y = 0; y < h; ++y) {
                        for (int x = 0; x < w; ++x) {
                            ASSERT_EQ(pixel(inPlace, frame.source.left + x, frame.source.top + y), pixel(copied, x, y))
                                << w << "x" << h << " letterbox " << letterbox << " crop " << crop << " at " << x << ","
                                << y;
                        }
                    }
                }
            }
        }
    }
    // The 4 x 4 wall's tile is handed over in place.
    Image decoded = pattern(320, 240);
    PictureFrame frame = layoutPicture(decoded, {318, 238}, true, 0);
    ASSERT_TRUE(fitPictureInPlace(frame, {318, 238}, decoded));
    EXPECT_EQ(frame.source, (PixelRect{1, 1, 318, 238}));
    // A picture that is not the frame's is not painted on.
    Image other = pattern(320, 240);
    frame = layoutPicture(decoded, {318, 238}, true, 0);
    EXPECT_FALSE(fitPictureInPlace(frame, {318, 238}, other));
}
