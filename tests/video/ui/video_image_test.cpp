// A picture control takes a picture painted for it over instead of copying
// it, giving its previous buffer back; a copy of its bitmap keeps the
// picture of its moment all the same.

#include <gtest/gtest.h>

#include <QImage>

#include "video/ui/VideoImage.h"

using namespace oculon::video;
using oculon::video::ui::VideoImage;

namespace {

Image filled(int w, int h, QRgb colour) {
    Image image;
    image.reshape(w, h, PixelFormat::Bgrx32);
    auto* p = reinterpret_cast<std::uint32_t*>(image.pixels.data());
    std::fill(p, p + image.pixels.size() / 4, colour);
    return image;
}

PictureFrame wholeOf(Image& bitmap) {
    PictureFrame frame;
    frame.picture = &bitmap;
    frame.source = frame.target = {0, 0, bitmap.width, bitmap.height};
    frame.handOver = &bitmap;
    return frame;
}

}  // namespace

TEST(VideoImage, TakesPicturesOverAndCopiesKeepTheirs) {
    VideoImage control;
    control.resize(40, 30);
    Image decoder = filled(40, 30, qRgb(200, 0, 0));
    const std::uint8_t* red = decoder.pixels.data();
    control.showPicture(wholeOf(decoder));
    EXPECT_EQ(control.bitmap().pixel(39, 29), qRgb(200, 0, 0));
    EXPECT_EQ(control.bitmap().constBits(), red);  // taken, not copied
    EXPECT_TRUE(decoder.pixels.empty());           // nothing to give back yet

    decoder = filled(40, 30, qRgb(0, 200, 0));
    control.showPicture(wholeOf(decoder));
    EXPECT_EQ(decoder.pixels.data(), red);  // the red buffer comes back
    EXPECT_EQ(control.bitmap().pixel(0, 0), qRgb(0, 200, 0));

    // A copy shares the green buffer: it is not given back to be written.
    const QImage green = control.bitmap();
    decoder = filled(40, 30, qRgb(0, 0, 200));
    control.showPicture(wholeOf(decoder));
    EXPECT_TRUE(decoder.pixels.empty());
    EXPECT_EQ(control.bitmap().pixel(5, 5), qRgb(0, 0, 200));
    EXPECT_EQ(green.pixel(5, 5), qRgb(0, 200, 0));

    // Text written on the bitmap stays on its own buffer, which does come back.
    control.drawText(1, 1, "x");
    decoder = filled(40, 30, qRgb(9, 9, 9));
    const std::uint8_t* grey = decoder.pixels.data();
    control.showPicture(wholeOf(decoder));
    EXPECT_FALSE(decoder.pixels.empty());
    EXPECT_EQ(control.bitmap().constBits(), grey);

    // A picture of another size is copied or scaled, never taken.
    Image small = filled(20, 15, qRgb(50, 60, 70));
    PictureFrame frame = wholeOf(small);
    frame.target = {0, 0, 40, 30};
    control.showPicture(frame);
    EXPECT_EQ(small.pixels.size(), 20u * 15 * 4);
    EXPECT_EQ(control.bitmap().pixel(20, 15), qRgb(50, 60, 70));
    EXPECT_EQ(control.pictureCount(), 5);
}

// A decoded picture whose window is the control's bitmap is taken over as it
// is: the bitmap shows the window in the picture's own rows.
TEST(VideoImage, TakesAWindowOfALargerPictureOver) {
    VideoImage control;
    control.resize(30, 20);
    Image decoded = filled(34, 25, qRgb(0, 0, 0));
    for (int y = 0; y < decoded.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(decoded.row(y));
        for (int x = 0; x < decoded.width; ++x) row[x] = qRgb(x, y, 7);
    }
    const std::uint8_t* buffer = decoded.pixels.data();
    const std::size_t stride = decoded.stride;
    PictureFrame frame = wholeOf(decoded);
    frame.source = {3, 2, 30, 20};
    frame.target = {0, 0, 30, 20};
    control.showPicture(frame);
    EXPECT_TRUE(decoded.pixels.empty());
    EXPECT_EQ(control.bitmap().constBits(), buffer + 2 * stride + 3 * 4);
    EXPECT_EQ(control.bitmap().size(), QSize(30, 20));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) ASSERT_EQ(control.bitmap().pixel(x, y), qRgb(x + 3, y + 2, 7)) << x << "," << y;
    }

    // The next one gives that whole buffer back; a window that would leave
    // its picture is never taken.
    Image next = filled(34, 25, qRgb(1, 2, 3));
    frame = wholeOf(next);
    frame.source = {4, 5, 30, 20};
    frame.target = {0, 0, 30, 20};
    control.showPicture(frame);
    EXPECT_EQ(next.pixels.data(), buffer);
    EXPECT_EQ(control.bitmap().pixel(29, 19), qRgb(1, 2, 3));
    Image narrow = filled(30, 20, qRgb(4, 5, 6));
    frame = wholeOf(narrow);
    frame.source = {1, 0, 30, 20};
    control.showPicture(frame);
    EXPECT_EQ(narrow.pixels.size(), 30u * 20 * 4);
}
