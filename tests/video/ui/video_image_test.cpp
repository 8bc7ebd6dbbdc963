// A picture control takes a picture painted for it over instead of copying
// it, giving its previous buffer back; a copy of its bitmap keeps the
// picture of its moment all the same. Its repaint copies the bitmap into the
// window's backing store itself, to the same pixels as Qt's drawing.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QBackingStore>
#include <QTest>
#include <QWidget>

#include <vector>

#include "video/ui/BackingStoreBlit.h"
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

// The streaming copy writes exactly the rows' bytes at every alignment and
// width, and nothing beside them.
TEST(BackingStoreBlit, StreamsRowsAtEveryAlignment) {
    std::vector<std::uint8_t> from(3 * 400);
    for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(i * 7 + 1);
    for (std::size_t offset = 0; offset < 64; offset += 4) {
        for (const std::size_t width : {0u, 4u, 60u, 64u, 68u, 200u, 256u, 300u}) {
            std::vector<std::uint8_t> to(3 * 512 + 64, 0xAB);
            oculon::video::ui::streamRows(to.data() + offset, 512, from.data() + 4, 400, width, 3);
            std::vector<std::uint8_t> want(to.size(), 0xAB);
            for (std::size_t y = 0; y < 3; ++y)
                std::copy_n(from.data() + 4 + y * 400, width, want.data() + offset + y * 512);
            ASSERT_EQ(to, want) << offset << " " << width;
        }
    }
}

// What the window shows of a control, read from its backing store: the
// control's bitmap where nothing lies over it, the widget above it where one
// does; Qt's own drawing (a grab) gives the same picture.
TEST(BackingStoreBlit, TheWindowShowsTheBitmapWhereNothingCoversIt) {
    QWidget window;
    window.resize(90, 70);
    VideoImage control(&window);
    control.setGeometry(7, 5, 61, 43);
    QWidget cover(&window);  // lies over the control's right part
    cover.setAutoFillBackground(true);
    QPalette palette = cover.palette();
    palette.setColor(QPalette::Window, QColor(10, 20, 30));
    cover.setPalette(palette);
    cover.setGeometry(50, 30, 30, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Image picture = filled(61, 43, 0);
    for (int y = 0; y < picture.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(picture.row(y));
        for (int x = 0; x < picture.width; ++x) row[x] = qRgb(x * 4, y * 5, (x + y) & 0xFF);
    }
    control.showPicture(wholeOf(picture));
    window.repaint();

    QPaintDevice* store = window.backingStore()->paintDevice();
    ASSERT_EQ(store->devType(), QInternal::Image);
    const QImage shown = static_cast<QImage*>(store)->convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), window.size());
    const QRect coverRect = cover.geometry();
    for (int y = 0; y < 43; ++y) {
        for (int x = 0; x < 61; ++x) {
            const QPoint at(x + 7, y + 5);
            const QRgb want = coverRect.contains(at) ? qRgb(10, 20, 30) : qRgb(x * 4, y * 5, (x + y) & 0xFF);
            ASSERT_EQ(shown.pixel(at), want) << x << "," << y;
        }
    }
    // Qt's own drawing (a grab renders through it) gives the same picture.
    EXPECT_EQ(control.grab().toImage().convertToFormat(QImage::Format_RGB32), control.bitmap());
}

// The copy goes where Qt would draw, within the region, or is left to Qt.
TEST(BackingStoreBlit, CopiesOnlyWhatQtWouldCopyTheSame) {
    QImage bitmap(20, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) bitmap.setPixel(x, y, qRgb(x * 9, y * 20, 99));
    }
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        QImage target(40, 30, format);
        target.fill(Qt::white);
        QImage want = target;
        {
            QPainter p(&target);
            p.translate(3, 4);
            ASSERT_TRUE(oculon::video::ui::blitOpaque(p, bitmap, QRegion(0, 0, 20, 10) - QRegion(5, 5, 4, 4)));
        }
        {
            QPainter p(&want);
            p.setClipRegion(QRegion(3, 4, 20, 10) - QRegion(8, 9, 4, 4));
            p.drawImage(3, 4, bitmap);
        }
        EXPECT_EQ(target, want);
    }
    QImage target(40, 30, QImage::Format_RGB32);
    QPainter p(&target);
    p.scale(2, 2);
    EXPECT_FALSE(oculon::video::ui::blitOpaque(p, bitmap, QRegion(0, 0, 20, 10)));
    p.resetTransform();
    p.translate(0.5, 0);
    EXPECT_FALSE(oculon::video::ui::blitOpaque(p, bitmap, QRegion(0, 0, 20, 10)));
    p.resetTransform();
    p.setOpacity(0.5);
    EXPECT_FALSE(oculon::video::ui::blitOpaque(p, bitmap, QRegion(0, 0, 20, 10)));
    p.setOpacity(1);
    EXPECT_FALSE(
        oculon::video::ui::blitOpaque(p, bitmap.convertToFormat(QImage::Format_ARGB32), QRegion(0, 0, 20, 10)));
}
