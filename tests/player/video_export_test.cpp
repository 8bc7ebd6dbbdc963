// The AVI export without a window, read back by ffprobe and ffmpeg: every
// listed compressor, the frame rate from the recording's mean interval,
// frames of another size, Cancel, and failures that leave nothing behind.

#include "player/VideoExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "ExportTestKit.h"
#include "TestRecordings.h"
#include "platform/MainLoop.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::player;
using namespace oculon::player::test;
using Outcome = VideoExportResult::Outcome;
namespace fs = std::filesystem;

namespace {

const video::TTimeStamp kFirst{(12 * 60 + 30) * 60000 + 5000, kMay2024};

// Writes a white box where the caption goes, and notes the times.
struct WhiteCaption {
    std::vector<video::TTimeStamp> times;
    CaptionPainter painter() {
        return [this](video::Image& picture, const video::TTimeStamp& time) {
            times.push_back(time);
            for (int y = 5; y < 25; ++y) std::fill_n(picture.row(y) + 4 * 5, 4 * 80, 255);
        };
    }
};

double meanGreen(const video::Image& picture, int left, int top, int right, int bottom) {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) sum += picture.row(y)[4 * x + 1];
    return sum / ((right - left) * (bottom - top));
}

class VideoExport : public ::testing::Test {
protected:
    // Runs an export to the end on the pumped main loop.
    VideoExportResult exportTo(const std::string& file, const std::string& compressor, CaptionPainter caption = {},
                               std::function<void(TVideoExport&, int)> onProgress = {}) {
        TVideoExport videoExport;
        std::optional<VideoExportResult> result;
        videoExport.Start(
            {recording, file, compressor, std::move(caption)},
            [&](int percent) {
                if (onProgress) onProgress(videoExport, percent);
            },
            [&](const VideoExportResult& r) { result = r; });
        EXPECT_TRUE(loop.pumpUntil([&] { return result.has_value(); }, std::chrono::seconds(120)));
        EXPECT_FALSE(videoExport.Running());
        return result.value_or(VideoExportResult{Outcome::Failed, 0, "no end"});
    }
    // The names in the folder of the exports.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(tmp.path() + "/out")) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    void SetUp() override {
        recording = tmp.path() + "/12-30-05.kvd";
        fs::create_directories(tmp.path() + "/out");
    }

    platform::ManualLoopBackend loop;
    testsupport::TempDir tmp;
    std::string recording;
};

}  // namespace

TEST_F(VideoExport, EveryListedCompressorWritesAFileThatFFmpegReads) {
    // ten frames 100 ms apart: 10 frames per second
    writeRecording(recording, 10, 320, 240, kFirst, 100);
    std::vector<std::string> codes, descriptions;
    TVideoExport().GetAvailableCompressions(codes, descriptions);
    ASSERT_GE(codes.size(), 2u);
    ASSERT_EQ(codes.size(), descriptions.size());
    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        const std::string file = tmp.path() + "/out/" + code + ".avi";
        WhiteCaption caption;
        const VideoExportResult result = exportTo(file, code, caption.painter());
        ASSERT_EQ(result.outcome, Outcome::Done) << result.error;
        EXPECT_EQ(result.framesWritten, 10);
        // each frame captioned with its own time
        ASSERT_EQ(caption.times.size(), 10u);
        EXPECT_EQ(caption.times[9], stampAt(kFirst, 900));

        const std::string probed = probeAvi(file);
        EXPECT_NE(probed.find(" 320 240 10/1 10"), std::string::npos) << probed;
        const std::vector<video::Image> pictures = decodeAvi(file, 320, 240);
        ASSERT_EQ(pictures.size(), 10u);
        for (int n = 0; n < 10; ++n) EXPECT_EQ(frameCounterOf(pictures[n]), n);
        EXPECT_GT(meanGreen(pictures[0], 10, 10, 80, 20), 200);  // the caption
        EXPECT_LT(meanGreen(pictures[0], 10, 40, 80, 60), 160);  // the wall below it
    }
    EXPECT_EQ(files().size(), codes.size());  // no temporary file stays
}

TEST_F(VideoExport, TheRateIsTheMeanIntervalAndEveryFrameTakesTheFirstSize) {
    // A single frame: a mean interval of 1 ms, 1000 frames per second.
    writeRecording(recording, 1, 160, 120);
    ASSERT_EQ(exportTo(tmp.path() + "/out/one.avi", "MJPG").outcome, Outcome::Done);
    EXPECT_EQ(probeAvi(tmp.path() + "/out/one.avi"), "MJPG 160 120 1000/1 1");
    // At the compressor's full quality the picture stays as it was recorded.
    const std::vector<video::Image> one = decodeAvi(tmp.path() + "/out/one.avi", 160, 120);
    ASSERT_EQ(one.size(), 1u);
    const video::Image recorded = video::decodeJpeg(testJpeg(160, 120, 0));
    double difference = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160 * 4; ++x) difference += std::abs(one[0].row(y)[x] - recorded.row(y)[x]);
    EXPECT_LT(difference / (160 * 120 * 4), 1.0);  // about 0.5; 1.5 at 100

    // Frames of another size than the first are scaled to it.
    {
        video::TMJPEGFile file(recording, video::TMJPEGFile::kWrite);
        for (int i = 0; i < 6; ++i)
            file.writeFrame(i % 2 ? testJpeg(320, 240, i) : testJpeg(160, 120, i), stampAt(kFirst, 200 * i));
        file.close();
    }
    ASSERT_EQ(exportTo(tmp.path() + "/out/sizes.avi", "MJPG").outcome, Outcome::Done);
    EXPECT_EQ(probeAvi(tmp.path() + "/out/sizes.avi"), "MJPG 160 120 5/1 6");
    const std::vector<video::Image> pictures = decodeAvi(tmp.path() + "/out/sizes.avi", 160, 120);
    ASSERT_EQ(pictures.size(), 6u);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(frameCounterOf(pictures[n]), n);
}

TEST_F(VideoExport, CancelHalfwayLeavesAValidShorterFile) {
    writeRecording(recording, 300, 160, 120);
    std::vector<int> seen;
    const VideoExportResult result =
        exportTo(tmp.path() + "/out/cut.avi", "MJPG", {}, [&](TVideoExport& videoExport, int percent) {
            seen.push_back(percent);
            if (percent >= 50) videoExport.Cancel();
        });
    ASSERT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_GE(result.framesWritten, 150);
    EXPECT_LT(result.framesWritten, 300);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(probeAvi(tmp.path() + "/out/cut.avi"), "MJPG 160 120 25/1 " + std::to_string(result.framesWritten));
    EXPECT_EQ(files(), std::vector<std::string>{"cut.avi"});
}

TEST_F(VideoExport, FailuresAreReportedAndLeaveNothingHalfWritten) {
    writeRecording(recording, 20, 160, 120);
    // A folder that does not exist: the file cannot be opened; the message
    // names the chosen file.
    VideoExportResult result = exportTo(tmp.path() + "/out/missing/x.avi", "MJPG");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_NE(result.error.find(tmp.path() + "/out/missing/x.avi"), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find(".tmp-"), std::string::npos) << result.error;
    // An existing file of that name stays as it was when the export fails.
    writeFile(tmp.path() + "/out/kept.avi", {1, 2, 3});
    EXPECT_EQ(exportTo(tmp.path() + "/out/kept.avi", "MJPG",
                       [](video::Image&, const video::TTimeStamp&) { throw std::runtime_error("no caption"); })
                  .error,
              "no caption");
    EXPECT_EQ(readAll(tmp.path() + "/out/kept.avi"), std::string("\1\2\3"));
    // A recording that is none.
    writeFile(recording, {'n', 'o'});
    EXPECT_EQ(exportTo(tmp.path() + "/out/none.avi", "MJPG").outcome, Outcome::Failed);
    EXPECT_EQ(files(), std::vector<std::string>{"kept.avi"});

    // A picture that does not decode ends the export; the frames before it stay.
    {
        video::TMJPEGFile file(recording, video::TMJPEGFile::kWrite);
        for (int i = 0; i < 8; ++i) {
            std::vector<std::uint8_t> jpeg = testJpeg(160, 120, i);
            if (i == 5) jpeg.resize(40);
            file.writeFrame(jpeg, stampAt(kFirst, 40 * i));
        }
        file.close();
    }
    result = exportTo(tmp.path() + "/out/part.avi", "MJPG");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(result.framesWritten, 5);
    EXPECT_EQ(probeAvi(tmp.path() + "/out/part.avi"), "MJPG 160 120 25/1 5");
    EXPECT_EQ(exportProgressStep(250), 2);
    EXPECT_EQ(exportProgressStep(50), 1);
}
