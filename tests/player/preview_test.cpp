// Previews of pictures and recordings: decoded just large enough, damaged or
// strange files raised, the picture and play symbol in the square, dated
// captions, and the viewer's centred picture.

#include "player/Preview.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestRecordings.h"
#include "support/ChildProcess.h"

using namespace oculon::player;
using namespace oculon::player::test;
using oculon::testsupport::TempDir;

TEST(Preview, PicturesAndFirstFramesDecodeJustLargeEnoughDamagedOnesRaise) {
    TempDir tmp;
    const auto at = [&](const char* name) { return tmp.path() + "/" + name; };
    writeFile(at("big.jpg"), testJpeg(640, 480, 7));
    writeFile(at("small.jpg"), testJpeg(100, 60, 3));
    writeRecording(at("call.kvd"), 5, 704, 576);
    const auto big = loadPreviewPicture(at("big.jpg"), false);
    EXPECT_EQ(big.width, 160);  // 1/4 keeps it at least 128 wide; 1/8 would not
    EXPECT_EQ(big.height, 120);
    EXPECT_EQ(frameCounterOf(big), 7);
    EXPECT_EQ(loadPreviewPicture(at("small.jpg"), false).width, 100);
    const std::string before = readAll(at("call.kvd"));
    const auto first = loadPreviewPicture(at("call.kvd"), true);
    EXPECT_EQ(first.width, 176);
    EXPECT_EQ(frameCounterOf(first), 0);
    EXPECT_EQ(readAll(at("call.kvd")), before);

    auto cut = testJpeg(320, 240, 1);
    cut.resize(cut.size() / 2);
    writeFile(at("cut.jpg"), cut);
    tmp.write("text.jpg", "not a picture");
    tmp.write("empty.kvd", "");
    ASSERT_EQ(::mkfifo(at("pipe.jpg").c_str(), 0600), 0);
    // a recording whose first picture is damaged: its later frames do not help
    {
        oculon::video::TMJPEGFile file(at("damaged.kvd"), oculon::video::TMJPEGFile::kWrite);
        file.writeFrame(cut, stampAt({0, kMay2024}, 0));
        file.writeFrame(testJpeg(320, 240, 2), stampAt({0, kMay2024}, 40));
    }
    const std::string damaged = readAll(at("damaged.kvd"));
    for (const char* name : {"cut.jpg", "text.jpg", "pipe.jpg", "missing.jpg"})
        EXPECT_ANY_THROW(loadPreviewPicture(at(name), false)) << name;
    for (const char* name : {"damaged.kvd", "empty.kvd", "text.jpg"})
        EXPECT_ANY_THROW(loadPreviewPicture(at(name), true)) << name;
    EXPECT_EQ(readAll(at("damaged.kvd")), damaged);
}

TEST(Preview, PictureAndPlaySymbolInTheSquareAndTheViewersCentredPicture) {
    // 4:3 fills the width, top-aligned, with the symbol on the picture's middle
    const PreviewLayout l = previewLayout(640, 480, 128, 32, 32);
    EXPECT_EQ(l.picture, (Rect{0, 0, 128, 96}));
    EXPECT_EQ(l.playLeft, 48);
    EXPECT_EQ(l.playTop, 32);
    // a very wide picture is a strip at the top: 1.28 rounds to 1, 2.56 to 3
    EXPECT_EQ(previewLayout(1000, 10, 128, 32, 32).picture, (Rect{0, 0, 128, 1}));
    EXPECT_EQ(previewLayout(1000, 20, 128, 0, 0).picture.height, 3);
    // a tall one runs past the bottom; the symbol stays inside the square
    EXPECT_EQ(previewLayout(100, 1000, 128, 32, 32).picture, (Rect{0, 0, 128, 1280}));
    EXPECT_EQ(previewLayout(100, 1000, 128, 32, 32).playTop, 48);

    EXPECT_EQ(fitCentred(640, 480, 800, 400), (Rect{133, 0, 533, 400}));  // pillarbox
    EXPECT_EQ(fitCentred(640, 480, 400, 800), (Rect{0, 250, 400, 300}));  // letterbox
    EXPECT_EQ(fitCentred(640, 480, 320, 240), (Rect{0, 0, 320, 240}));
    EXPECT_EQ(fitCentred(640, 480, 0, 240), Rect{});
    EXPECT_EQ(fitCentred(0, 480, 320, 240), Rect{});
}

TEST(Preview, CaptionsGiveTheTimeOfADatedNameALineOfItsOwn) {
    EXPECT_EQ(previewCaption("2024-05-01_14-00-00_Front door of the north wing.kvd"),
              "2024-05-01\n14-00-00\nFront door of the north wing.kvd");
    EXPECT_EQ(previewCaption("2024-05-01_14-00-00_.jpg"), "2024-05-01\n14-00-00\n.jpg");
    for (const char* other :
         {"12-30-05.kvd", "2024-05-01 14-00-00_Door.kvd", "2024-05-0x_14-00-00_Door.kvd", "2024-05-01_14-00-00", ""})
        EXPECT_EQ(previewCaption(other), other);
}
