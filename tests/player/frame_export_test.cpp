// The frame export without a window: the proposed file name from a
// recording's time stamp, and the JPEG file read back by libjpeg.

#include "player/FrameExport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestRecordings.h"
#include "support/ChildProcess.h"

using namespace oculon::player;
using namespace oculon::player::test;
using oculon::testsupport::TempDir;
using oculon::video::TTimeStamp;
namespace fs = std::filesystem;

TEST(FrameExport, ProposedNamesCarryTheStampAndTheCamera) {
    EXPECT_EQ(exportFileName({(12 * 60 + 30) * 60000 + 5000, kMay2024}, "Door"), "2024-05-01_12-30-05_ Door");
    // a name from a folder never leads out of the chosen one
    EXPECT_EQ(exportFileName({0, kMay2024}, "a/b"), "2024-05-01_00-00-00_ a_b");
    const struct {
        TTimeStamp stamp;
        const char* name;
    } days[] = {
        {{86399999, 1}, "0001-01-01_23-59-59_ "},  // the first day of the calendar
        {{0, 730179}, "2000-02-29_00-00-00_ "},    // a leap day of a century
        {{0, 730180}, "2000-03-01_00-00-00_ "},   {{0, 719163}, "1970-01-01_00-00-00_ "},
        {{0, 767009}, "2100-12-31_00-00-00_ "},
    };
    for (const auto& d : days) EXPECT_EQ(exportFileName(d.stamp, ""), d.name) << d.stamp.Date;
}

TEST(FrameExport, WritesThePictureWithItsCaptionAsJpeg) {
    TempDir tmp;
    const oculon::video::Image picture = oculon::video::decodeJpeg(testJpeg(320, 240, 9));
    const TTimeStamp shown{45296789, kMay2024};
    TTimeStamp painted;
    // the caption paints a black box where the text goes
    const CaptionPainter caption = [&](oculon::video::Image& p, const TTimeStamp& time) {
        painted = time;
        for (int y = 5; y < 17; ++y) std::fill_n(p.row(y) + 5 * 4, 60 * 4, 0);
    };
    const std::string file = tmp.path() + "/frame.jpg";
    writeFile(file, std::vector<std::uint8_t>(10, 'x'));  // replaced
    exportFrame(picture, shown, caption, file);
    EXPECT_EQ(painted, shown);

    const std::string bytes = readAll(file);
    const oculon::video::Image back =
        oculon::video::decodeJpeg({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_EQ(back.width, 320);
    ASSERT_EQ(back.height, 240);
    EXPECT_EQ(frameCounterOf(back), 9);
    EXPECT_LT(back.row(10)[4 * 30 + 1], 40);  // the caption
    EXPECT_GT(back.row(120)[4 * 30 + 1], 60);
    // the picture the viewer shows stays as it was
    EXPECT_GT(picture.row(10)[4 * 30 + 1], 60);
}

TEST(FrameExport, AFileThatCannotBeWrittenRaisesAndLeavesNothing) {
    TempDir tmp;
    const oculon::video::Image picture = oculon::video::decodeJpeg(testJpeg(64, 48, 1));
    writeFile(tmp.path() + "/plain", {1});
    fs::create_directories(tmp.path() + "/folder.jpg");
    // below a file, and a name that is taken by a folder
    for (const std::string name : {"/plain/frame.jpg", "/folder.jpg"}) {
        EXPECT_THROW(exportFrame(picture, {}, {}, tmp.path() + name), std::runtime_error) << name;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(tmp.path())) left.push_back(entry.path().filename());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"folder.jpg", "plain"}));
    }
}
