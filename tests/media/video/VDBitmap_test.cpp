// Memory bitmaps and the BMP writer: its exact bytes, and large files read
// back by ImageMagick.

#include "media/video/VDBitmap.h"

#include "media/video/VDDIB.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "ImageTestKit.h"
#include "media/pins/SGErrors.h"
#include "support/ChildProcess.h"

namespace oculon::mediavideo {
namespace {

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(VDBitmap, TwoByTwoFrameMakesTheSeventyByteBmpFile) {
    const auto frame = TVDImageBuffer::CreateSize(2, 2, TVDVideoFormat::vfRGB24);
    frame->SetPixel(0, 0, VDColor(1, 2, 3));
    frame->SetPixel(1, 0, VDColor(4, 5, 6));
    frame->SetPixel(0, 1, VDColor(7, 8, 9));
    frame->SetPixel(1, 1, VDColor(10, 11, 12));
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/two.bmp";
    frame->SaveToBitmapFile(path);
    const std::vector<std::uint8_t> expected = {
        'B', 'M', 70, 0,  0,  0,  0, 0, 0,    0,    54,   0,    0, 0,         // file header
        40,  0,   0,  0,  2,  0,  0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0,  // size, width, -2, planes, bits
        0,   0,   0,  0,  16, 0,  0, 0, 0,    0,    0,    0,    0, 0, 0,  0,
        0,   0,   0,  0,  0,  0,  0, 0,  // no compression, 16 bytes
        3,   2,   1,  6,  5,  4,  0, 0,  // top row first, B G R
        9,   8,   7,  12, 11, 10, 0, 0};
    EXPECT_EQ(fileBytes(path), expected);

    std::ostringstream prefixed;
    TVDBitmap bitmap;
    frame->ToBitmap(bitmap);
    bitmap.WriteStream(prefixed, true);
    EXPECT_EQ(prefixed.str().substr(0, 6), std::string("\x46\0\0\0BM", 6));
    EXPECT_EQ(prefixed.str().size(), 74u);

    // Without bits only the file header, its sizes 0.
    std::ostringstream empty;
    TVDBitmap().SaveToStream(empty);
    EXPECT_EQ(empty.str(), std::string("BM\0\0\0\0\0\0\0\0\0\0\0\0", 14));
    EXPECT_THROW(bitmap.SaveToFile(dir.path() + "/missing/x.bmp"), pins::EFileError);
    // A link planted at the name is not written through.
    const std::string victim = dir.write("victim", "theirs");
    std::filesystem::create_symlink(victim, dir.path() + "/planted.bmp");
    EXPECT_THROW(bitmap.SaveToFile(dir.path() + "/planted.bmp"), pins::EFileError);
    EXPECT_EQ(testsupport::readFile(victim), "theirs");
}

TEST(VDBitmap, BitsComeWithTheFirstSizeAndRefusedSizesChangeNothing) {
    TVDBasicBitmap bitmap;
    bitmap.SetWidth(5);
    EXPECT_FALSE(bitmap.HasBits());
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.GetPixelFormat(), TPixelFormat::pf24bit);

    bitmap.SetHeight(3);
    ASSERT_TRUE(bitmap.HasBits());
    EXPECT_EQ(bitmap.RowBytes(), 16u);
    EXPECT_EQ(bitmap.BitmapInfo().biSizeImage, 48u);
    EXPECT_EQ(bitmap.BitmapInfo().biHeight, -3);
    std::vector<std::uint8_t> picture(16 * 3);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i + 1);
    bitmap.FromBuffer(picture.data(), 16);

    // The overlapping part stays when the size changes; new pixels are 0.
    bitmap.SetWidth(6);
    bitmap.SetHeight(2);
    std::vector<std::uint8_t> back(18 * 2, 0xAA);
    bitmap.ToBuffer(back.data(), 18);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 18; ++i) EXPECT_EQ(back[y * 18 + i], i < 15 ? picture[y * 16 + i] : 0) << y << " " << i;

    try {
        bitmap.SetWidth(0);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot create device-independant bitmap");
    }
    EXPECT_THROW(bitmap.SetHeight(1 << 26), std::runtime_error);  // past 1 GiB of bits
    EXPECT_EQ(bitmap.Width(), 6);
    EXPECT_EQ(bitmap.Height(), 2);
}

// A picture larger than any row or block size, with rows that need padding,
// as another program reads it.
TEST(VDBitmap, LargeBmpFilesReadBackByImageMagick) {
    testkit::largeBmpFiles([](const IVDImageBuffer& frame, const std::string& path) {
        const IVDImageBuffer bgr = TVDImageBuffer::CreateCopy(frame);
        bgr->SetFormat(TVDVideoFormat::vfRGB24);
        const std::vector<std::uint8_t> expected = testkit::pixels(*bgr);
        const std::string read = testkit::run("/usr/bin/convert " + path + " -alpha off -depth 8 bgr:-");
        EXPECT_TRUE(read == std::string(expected.begin(), expected.end())) << read.size() << " bytes";
    });
}

TEST(VDBitmap, AsAWindowBitmapItHandsItsOwnHeaderToTheDIBReads) {
    TVDBasicBitmap bitmap;
    bitmap.SetWidth(5);
    bitmap.SetHeight(3);
    for (std::uint32_t i = 0; i < bitmap.RowBytes() * 3; ++i) bitmap.RawData()[i] = static_cast<std::uint8_t>(i);
    const TVDBasicBitmapView view(bitmap);
    BITMAPINFOHEADER header;
    ASSERT_TRUE(SGInitializeBitmapInfoHeader(view, header, 24));
    // The section's own header: top-down, so negative; rows of 16 bytes.
    EXPECT_EQ(header.biHeight, -3);
    EXPECT_EQ(header.biWidth, 5);
    EXPECT_EQ(header.biSizeImage, 16u * 3);
    // Read at 32 bits: the same header with that depth's rows.
    ASSERT_TRUE(SGInitializeBitmapInfoHeader(view, header, 32));
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biSizeImage, 20u * 3);
    // The rows come top-down, each at the caller's step.
    std::vector<std::uint8_t> bits(8 * 3 * 3);
    ASSERT_TRUE(SGGetDIB(view, header, 24, 8, bits));
    EXPECT_EQ(header.biHeight, 3);
    for (int y = 0; y < 3; ++y)
        EXPECT_TRUE(std::equal(bits.begin() + y * 24, bits.begin() + y * 24 + 15, bitmap.RawData() + y * 16)) << y;
    // A bitmap without bits is no section: its size is taken as it is.
    TVDBasicBitmap empty;
    EXPECT_FALSE(SGInitializeBitmapInfoHeader(TVDBasicBitmapView(empty), header, 24));
}

}  // namespace
}  // namespace oculon::mediavideo
