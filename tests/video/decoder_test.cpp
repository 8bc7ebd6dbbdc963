// The decoder's pieces that need no network: where a picture goes in its
// control, the recording's split into files of the configured length, across
// midnight too, and the black test it shares with the device probe.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "support/ChildProcess.h"
#include "support/FileSizeLimit.h"
#include "support/SharedPictureFolder.h"
#include "video/BlackTest.h"
#include "video/MJPEGDecoderThread.h"
#include "video/MJPEGFile.h"
#include "video/RecordingWriter.h"
#include "video/StreamRecording.h"
#include "video/WriteFailureText.h"

using namespace oculon;
using namespace oculon::video;

namespace {

// `sub` below `root`, made as the picture folder's levels are.
config::SaveFolder ownFolder(const std::string& root, const std::string& sub = {}) {
    return config::makeSaveFolder(root, root + "/" + sub);
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

Image filled(int w, int h, PixelFormat format, std::uint8_t value) {
    Image image;
    image.reshape(w, h, format);
    std::fill(image.pixels.begin(), image.pixels.end(), value);
    return image;
}

void setPixel(Image& image, int x, int y, std::uint8_t v) {
    std::uint8_t* p = image.row(y) + static_cast<std::size_t>(x) * bytesPerPixel(image.format);
    p[0] = p[1] = p[2] = v;
}

}  // namespace

TEST(PictureLayout, FillsOutsideTheWallAndKeepsTheAspectInIt) {
    const Image wide = filled(640, 360, PixelFormat::Bgrx32, 0);
    // Popup: stretched over the whole control, whatever its shape.
    PictureFrame f = layoutPicture(wide, {400, 400}, false, 0);
    EXPECT_TRUE(f.target == (PixelRect{0, 0, 400, 400}) && f.source == (PixelRect{0, 0, 640, 360}) && !f.clearWhite);
    // Wall tile narrower than the picture: bars above and below.
    f = layoutPicture(wide, {400, 400}, true, 0);
    EXPECT_TRUE(f.target == (PixelRect{0, 87, 400, 225}) && f.clearWhite);
    // Wider than the picture: bars left and right.
    f = layoutPicture(filled(640, 480, PixelFormat::Bgrx32, 0), {401, 150}, true, 0);
    EXPECT_EQ(f.target, (PixelRect{100, 0, 200, 150}));
    // A control without area gets an empty target, not a division by zero.
    f = layoutPicture(wide, {0, 0}, true, 0);
    EXPECT_EQ(f.target.width * f.target.height, 0);
}

TEST(PictureLayout, CropCutsBothSidesAndFeedsTheAspect) {
    const Image image = filled(640, 480, PixelFormat::Bgrx32, 0);
    PictureFrame f = layoutPicture(image, {300, 300}, true, 25);
    EXPECT_EQ(f.source, (PixelRect{160, 0, 320, 480}));
    EXPECT_EQ(f.target, (PixelRect{50, 0, 200, 300}));
    EXPECT_DOUBLE_EQ(pictureAspect(640, 480, 25), 320.0 / 480.0);
    // 10 % of 645 is 64.5: the columns cut are truncated, the ratio is not.
    EXPECT_EQ(layoutPicture(filled(645, 480, PixelFormat::Bgrx32, 0), {10, 10}, false, 10).source,
              (PixelRect{64, 0, 517, 480}));
    EXPECT_DOUBLE_EQ(pictureAspect(645, 480, 10), (645 - 129.0) / 480.0);
    // Half or more would leave nothing to show: the whole picture instead.
    EXPECT_EQ(layoutPicture(image, {10, 10}, false, 50).source, (PixelRect{0, 0, 640, 480}));
    EXPECT_DOUBLE_EQ(pictureAspect(640, 480, 80), 640.0 / 480.0);
}

TEST(StreamRecording, SplitsByWholeMinutesAcrossMidnight) {
    testsupport::TempDir dir;
    std::int32_t minutes = 30;
    StreamRecording::TimePoint now = localTime(2023, 12, 31, 23, 50, 5);
    StreamRecording recording("Cam/1",
                              {[&](const std::string&) { return ownFolder(dir.path()); }, [&] { return minutes; }},
                              [&] { return now; });
    ASSERT_TRUE(recording.isOpen());
    EXPECT_EQ(recording.fileName(), dir.path() + "/2023-12-31_23-50-05_Cam_1.kvd");
    const std::string jpeg = "\xFF\xD8 picture \xFF\xD9";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    recording.writeFrame(bytes);
    now = localTime(2024, 1, 1, 0, 20, 4);  // 29 whole minutes
    recording.writeFrame(bytes);
    now = localTime(2024, 1, 1, 0, 20, 5);  // 30: the next file begins
    const std::string taken = dir.path() + "/2024-01-01_00-20-05_Cam_1.kvd";
    ASSERT_EQ(::mkfifo(taken.c_str(), 0666), 0);  // someone else took its name
    recording.writeFrame(bytes);
    EXPECT_EQ(recording.fileName(), dir.path() + "/2024-01-01_00-20-05_Cam_1 (2).kvd");
    std::filesystem::remove(taken);
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
    const auto folder = [&](const std::string&) { return ownFolder(dir.path()); };
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
    StreamRecording lost("c", {[](const std::string&) { return ownFolder("/proc/no/such/"); }, [] { return 30; }});
    EXPECT_FALSE(lost.isOpen());
    lost.writeFrame(bytes);

    // A shared picture folder in which another account made the camera's
    // folders ahead: the recording begins all the same, in a folder of the
    // user's own beside them, and nothing goes through a link into theirs.
    using testsupport::kNobody;
    using testsupport::makeFolderOf;
    const std::vector<testsupport::PlantedFolders> rows{
        {"a link to another account's folder",
         [](const std::string& pics) { std::filesystem::create_directory_symlink(pics + "theirs", pics + "cam"); },
         false},
        {"another account's open folders",
         [](const std::string& pics) {
             makeFolderOf(pics + "cam", 0777, kNobody), makeFolderOf(pics + "cam/2024", 0777, kNobody);
         },
         true},
        {"another account's closed year",
         [](const std::string& pics) {
             makeFolderOf(pics + "cam", 0755, kNobody), makeFolderOf(pics + "cam/2024", 0700, 0);
         },
         true, true}};
    testsupport::forEachPlanted(rows, [&](const std::string& pics, const testsupport::PlantedFolders& row) {
        StreamRecording recording(
            "cam",
            {[&](const std::string&) { return config::makeSaveFolder(pics, pics + "cam/2024/"); }, [] { return 30; }},
            [&] { return now; });
        // Beside the camera's folder, or, where only the year is theirs, beside that.
        const std::string used = pics + (row.writtenAsNobody ? "cam/2024 (2)/" : "cam (2)/2024/");
        return recording.isOpen() && !recording.writeFrame(bytes) && recording.fileName().starts_with(used);
    });
}

// The wall clock jumps in the middle of a recording (daylight saving, a
// clock set by hand): the interval stored with each file comes from the
// moments the frames came, and an export plays at the camera's pace.
TEST(StreamRecording, IntervalsCountOnAClockThatDoesNotJump) {
    using namespace std::chrono_literals;
    const std::string jpeg = "jpeg";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    for (const std::chrono::minutes jump : {-60min, 60min, -1min}) {
        testsupport::TempDir dir;
        StreamRecording::TimePoint now = localTime(2024, 10, 27, 2, 50, 0);
        std::chrono::steady_clock::time_point came{};
        {
            StreamRecording recording(
                "c", {[&](const std::string&) { return ownFolder(dir.path()); }, [] { return 30; }},
                [&] { return now; }, [&] { return came; });
            for (int i = 0; i < 8; ++i) {
                if (i == 4) now += jump;
                recording.writeFrame(bytes);
                now += 202ms, came += 202ms;
            }
        }
        for (const auto& name : filesIn(dir.path())) {
            const TMJPEGFile file(dir.path() + "/" + name, TMJPEGFile::kRead);
            if (file.VideoFrames() > 1) {
                EXPECT_EQ(file.VideoFPS(), 202) << name << " jump " << jump.count();
            }
        }
    }
}

// The disk fills in the middle of a picture and is freed again: the
// recording says so once, keeps what it wrote, leaves no broken file, and
// goes on by the next attempt, well before its next file would begin.
TEST(StreamRecording, AFailingRecordingGoesOnByItselfOnceItCanWriteAgain) {
    using namespace std::chrono_literals;
    testsupport::TempDir dir;
    StreamRecording::TimePoint now = localTime(2024, 5, 1, 12, 0, 0);
    const std::string jpeg(100, 'j');
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    StreamRecording recording("c", {[&](const std::string&) { return ownFolder(dir.path(), "cam"); }, [] { return 2; }},
                              [&] { return now; });
    int told = 0;
    const auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            now += 1s;
            told += recording.writeFrame(bytes) ? 1 : 0;
        }
    };
    frames(3);
    const std::string first = recording.fileName();
    {
        // Room for part of the next picture, then for nothing at all.
        testsupport::FileSizeLimit full(std::filesystem::file_size(first) + 60);
        frames(1);
        EXPECT_TRUE(!recording.isOpen() && recording.failure()->error == EFBIG);
        const testsupport::FileSizeLimit none(0);
        frames(12);  // two attempts, each of which fails again
    }
    EXPECT_EQ(told, 1);  // not once per frame, nor per attempt
    EXPECT_EQ(filesIn(dir.path() + "/cam"), std::vector<std::string>{"2024-05-01_12-00-00_c.kvd"});
    frames(5);  // room again
    EXPECT_EQ(told, 2);
    EXPECT_TRUE(recording.isOpen() && !recording.failure());
    // Tried 15 s after the failure, as the two attempts before it.
    const std::string resumed = recording.fileName();
    EXPECT_EQ(resumed, dir.path() + "/cam/2024-05-01_12-00-19_c.kvd");
    recording.close();

    // The frames before the failure play; the cut one is gone.
    TMJPEGFile kept(first, TMJPEGFile::kRead);
    EXPECT_EQ(kept.VideoFrames(), 3);
    EXPECT_FALSE(kept.NeedsRepair());
    EXPECT_EQ(TMJPEGFile(resumed, TMJPEGFile::kRead).VideoFrames(), 3);
}

// The recording's folder stops answering: the stream hands its pictures
// over all the same, those the worker cannot take any more make the
// recording fail for that reason (said once) and are counted, and once the
// folder answers the pictures taken are written with the time they came,
// not the time their write came to. A call that starts while the memory
// bound is reached is recorded all the same, within its fair share.
TEST(StreamRecording, AFolderThatDoesNotAnswerHoldsUpNoPictureAndIsToldOnce) {
    using namespace std::chrono_literals;
    config::sprache = config::lang_en;
    testsupport::TempDir dir;
    std::mutex mutex;
    std::condition_variable answered;
    bool answers = false;
    const auto worker =
        std::make_shared<platform::FolderWorker>("recordings", platform::FolderWorker::Limits{64, 1000});
    ASSERT_TRUE(worker->post([&] {
        std::unique_lock lock(mutex);
        answered.wait(lock, [&] { return answers; });
    }));
    std::atomic<int> told{0};
    std::atomic<int> toldOfGate{0};
    std::string file;
    std::string gateFile;
    const std::string jpeg(300, 'j');
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
    std::chrono::system_clock::time_point released;
    {
        RecordingWriter recording("Door",
                                  {[&](const std::string&) { return ownFolder(dir.path(), "cam"); }, [] { return 30; }},
                                  dir.path(), worker, [&] { ++told; });
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 5; ++i) recording.frame(bytes);  // three are taken
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        const auto failure = recording.failure();
        ASSERT_TRUE(failure);
        EXPECT_EQ(recordingFailureText(*failure), "Not recording: the picture folder does not answer");
        EXPECT_EQ(failure->path, dir.path());
        EXPECT_EQ(told.load(), 1);

        RecordingWriter gate("Gate",
                             {[&](const std::string&) { return ownFolder(dir.path(), "gate"); }, [] { return 30; }},
                             dir.path(), worker, [&] { ++toldOfGate; });
        for (int i = 0; i < 3; ++i) gate.frame(bytes);  // the first takes the room of the Door's newest
        EXPECT_EQ(told.load(), 1);
        EXPECT_EQ(recording.lost().pictures, 3u);
        EXPECT_EQ(gate.lost().pictures, 2u);
        EXPECT_TRUE(gate.failure());

        std::this_thread::sleep_for(1100ms);
        released = std::chrono::system_clock::now();
        {
            std::lock_guard lock(mutex);
            answers = true;
        }
        answered.notify_all();
        ASSERT_TRUE(worker->drain(5s));
        EXPECT_FALSE(recording.failure());
        EXPECT_EQ(told.load(), 3);  // the first file's outcome, and answering again
        EXPECT_FALSE(gate.failure());
        EXPECT_EQ(toldOfGate.load(), 3);  // not answering, its file's outcome, answering again
        file = recording.fileName();
        gateFile = gate.fileName();
    }
    ASSERT_TRUE(worker->drain(5s));  // closed there
    EXPECT_EQ(TMJPEGFile(gateFile, TMJPEGFile::kRead).VideoFrames(), 1);
    TMJPEGFile written(file, TMJPEGFile::kRead);
    EXPECT_EQ(written.VideoFrames(), 2);
    std::tm local{};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(released);
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(released.time_since_epoch()).count() % 1000;
    EXPECT_GT(timeStampToMSecs(timeStampFromLocal(local, static_cast<int>(ms))) - timeStampToMSecs(written.EndTime()),
              800);
}

TEST(BlackTest, DarkByEitherRule) {
    EXPECT_TRUE(isDark(30, 30, 39, 40));   // all below T
    EXPECT_TRUE(isDark(10, 10, 55, 40));   // sum 75 below 2T
    EXPECT_FALSE(isDark(30, 30, 60, 40));  // sum 120
    EXPECT_FALSE(isDark(40, 0, 40, 40));   // sum exactly 2T is not below it
}

TEST(BlackTest, SixteenBrightSamplesMakeAPicture) {
    for (const auto format : {PixelFormat::Bgrx32, PixelFormat::Rgb24}) {
        Image image = filled(640, 480, format, 0);
        EXPECT_TRUE(isBlackPicture(viewOf(image), 45, kPreviewGridMargin));
        // Spread bright points over grid positions.
        for (int i = 0; i < 15; ++i) setPixel(image, 11 * (i * 3), 11 * (i * 2), 255);
        EXPECT_EQ(brightSamples(viewOf(image), 45, kPreviewGridMargin), 15);
        EXPECT_TRUE(isBlackPicture(viewOf(image), 45, kPreviewGridMargin));
        setPixel(image, 11 * 50, 11 * 40, 255);
        EXPECT_FALSE(isBlackPicture(viewOf(image), 45, kPreviewGridMargin));
        // Off-grid points do not count.
        Image offGrid = filled(640, 480, format, 0);
        for (int i = 0; i < 40; ++i) setPixel(offGrid, 11 * i + 5, 7, 255);
        EXPECT_TRUE(isBlackPicture(viewOf(offGrid), 45, kPreviewGridMargin));
    }
}

TEST(BlackTest, MarginsDecideTheLastColumnAndRow) {
    // 24 x 24: the stream's grid takes x and y 0, 11, 22; the preview's only
    // 0 and 11, as it stops before 12.
    Image image = filled(24, 24, PixelFormat::Rgb24, 255);
    EXPECT_EQ(brightSamples(viewOf(image), 45, kStreamGridMargin), 9);
    EXPECT_EQ(brightSamples(viewOf(image), 45, kPreviewGridMargin), 4);
    EXPECT_EQ(brightSamples(ImageView{}, 45, kStreamGridMargin), 0);
}
