// The decoder's pieces that need no network: where a picture goes in its
// control, and the recording's split into files of the configured length,
// across midnight too.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/ChildProcess.h"
#include "video/MJPEGDecoderThread.h"
#include "video/MJPEGFile.h"
#include "video/StreamRecording.h"

using namespace oculon;
using namespace oculon::video;

namespace {

Image picture(int width, int height) {
    Image image;
    image.reshape(width, height, PixelFormat::Bgrx32);
    return image;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

StreamRecording::TimePoint localTime(int year, int month, int day, int hour, int minute, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
    t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second, t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

}  // namespace

TEST(PictureLayout, FillsOutsideTheWallAndKeepsTheAspectInIt) {
    const Image wide = picture(640, 360);
    // Popup: stretched over the whole control, whatever its shape.
    PictureFrame f = layoutPicture(wide, {400, 400}, false, 0);
    EXPECT_EQ(f.target, (PixelRect{0, 0, 400, 400}));
    EXPECT_EQ(f.source, (PixelRect{0, 0, 640, 360}));
    EXPECT_FALSE(f.clearWhite);
    // Wall tile narrower than the picture: bars above and below.
    f = layoutPicture(wide, {400, 400}, true, 0);
    EXPECT_EQ(f.target, (PixelRect{0, 87, 400, 225}));
    EXPECT_TRUE(f.clearWhite);
    // Wider than the picture: bars left and right.
    f = layoutPicture(picture(640, 480), {401, 150}, true, 0);
    EXPECT_EQ(f.target, (PixelRect{100, 0, 200, 150}));
    // A control without area gets an empty target, not a division by zero.
    f = layoutPicture(wide, {0, 0}, true, 0);
    EXPECT_EQ(f.target.width * f.target.height, 0);
}

TEST(PictureLayout, CropCutsBothSidesAndFeedsTheAspect) {
    const Image image = picture(640, 480);
    PictureFrame f = layoutPicture(image, {300, 300}, true, 25);
    EXPECT_EQ(f.source, (PixelRect{160, 0, 320, 480}));
    EXPECT_EQ(f.target, (PixelRect{50, 0, 200, 300}));
    EXPECT_DOUBLE_EQ(pictureAspect(640, 480, 25), 320.0 / 480.0);
    // 10 % of 645 is 64.5: the columns cut are truncated, the ratio is not.
    EXPECT_EQ(layoutPicture(picture(645, 480), {10, 10}, false, 10).source, (PixelRect{64, 0, 517, 480}));
    EXPECT_DOUBLE_EQ(pictureAspect(645, 480, 10), (645 - 129.0) / 480.0);
    // Half or more would leave nothing to show: the whole picture instead.
    EXPECT_EQ(layoutPicture(image, {10, 10}, false, 50).source, (PixelRect{0, 0, 640, 480}));
    EXPECT_DOUBLE_EQ(pictureAspect(640, 480, 80), 640.0 / 480.0);
}

TEST(StreamRecording, SplitsByWholeMinutesAcrossMidnight) {
    testsupport::TempDir dir;
    std::int32_t minutes = 30;
    StreamRecording::TimePoint now = localTime(2023, 12, 31, 23, 50, 5);
    StreamRecording recording("Cam/1", {[&](const std::string&) { return dir.path() + "/"; }, [&] { return minutes; }},
                              [&] { return now; });
    ASSERT_TRUE(recording.isOpen());
    EXPECT_EQ(recording.fileName(), dir.path() + "/2023-12-31_23-50-05_Cam_1.kvd");
    const std::string jpeg = "\xFF\xD8 picture \xFF\xD9";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    recording.writeFrame(bytes);
    now = localTime(2024, 1, 1, 0, 20, 4);  // 29 whole minutes
    recording.writeFrame(bytes);
    now = localTime(2024, 1, 1, 0, 20, 5);  // 30: the next file begins
    recording.writeFrame(bytes);
    EXPECT_EQ(recording.fileName(), dir.path() + "/2024-01-01_00-20-05_Cam_1.kvd");
    // A shorter length set meanwhile counts from the new file's start.
    minutes = 1;
    now = localTime(2024, 1, 1, 0, 21, 5);
    recording.writeFrame(bytes);
    recording.close();

    const auto files = filesIn(dir.path());
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(TMJPEGFile(dir.path() + "/" + files[0], TMJPEGFile::kRead).VideoFrames(), 2);
    EXPECT_EQ(TMJPEGFile(dir.path() + "/" + files[1], TMJPEGFile::kRead).VideoFrames(), 1);
    EXPECT_EQ(files[2], "2024-01-01_00-21-05_Cam_1.kvd");
}

TEST(StreamRecording, OddLengthsClocksAndFoldersEndNothingBadly) {
    testsupport::TempDir dir;
    std::int32_t minutes = 0;  // would split at every frame
    StreamRecording::TimePoint now = localTime(2024, 5, 1, 12, 0, 0);
    const auto folder = [&](const std::string&) { return dir.path() + "/"; };
    const std::string jpeg = "jpeg";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    {
        StreamRecording recording("c", {folder, [&] { return minutes; }}, [&] { return now; });
        for (int i = 0; i < 5; ++i) {
            now += std::chrono::seconds(5);
            recording.writeFrame(bytes);
        }
        // A clock set back an hour neither splits nor holds the file open forever.
        now -= std::chrono::hours(1);
        recording.writeFrame(bytes);
        now += std::chrono::seconds(59);
        recording.writeFrame(bytes);
        now += std::chrono::seconds(1);
        recording.writeFrame(bytes);
    }
    EXPECT_EQ(filesIn(dir.path()).size(), 2u);

    // A folder that cannot be written: no recording, no exception.
    StreamRecording lost("c", {[](const std::string&) { return std::string("/proc/no/such/"); }, [] { return 30; }});
    EXPECT_FALSE(lost.isOpen());
    lost.writeFrame(bytes);
}
