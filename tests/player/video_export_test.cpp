// The AVI export without a window, read back by ffprobe and ffmpeg: every
// listed compressor with each frame's caption, a single frame's rate at full
// quality, Cancel (also of a slow compressor), a file that cannot be written,
// a writer out of room and a damaged frame.

#include "player/VideoExport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <optional>
#include <utility>

#include "ExportTestKit.h"
#include "TestRecordings.h"
#include "platform/AviFile.h"
#include "platform/MainLoop.h"
#include "platform/PrivateFiles.h"
#include "platform/TemporaryFile.h"
#include "platform/VideoCompressors.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::player;
using namespace oculon::player::test;
using Outcome = VideoExportResult::Outcome;
namespace fs = std::filesystem;

namespace {

const video::TTimeStamp kFirst{(12 * 60 + 30) * 60000 + 5000, kMay2024};

class VideoExport : public ::testing::Test {
protected:
    // Runs an export to the end on the pumped main loop. Its caption is a
    // white box where the text goes, on `captionRows` rows; the times and
    // picture heights it was given are noted.
    VideoExportResult exportTo(const std::string& name, const std::string& compressor,
                               std::function<void(TVideoExport&, int)> onProgress = {}, bool captioned = true) {
        TVideoExport videoExport;
        std::optional<VideoExportResult> result;
        const CaptionPainter caption = [this](video::Image& picture, const video::TTimeStamp& time) {
            times.push_back(time);
            heights.push_back(picture.height);
            for (int y = 5; y < std::min(25, picture.height); ++y)
                std::fill_n(picture.row(y) + 4 * 5, 4 * std::min(80, picture.width - 5), 255);
        };
        videoExport.Start(
            {recording, out(name), compressor, captioned ? caption : CaptionPainter{}, captionRows},
            [&](int percent) {
                if (onProgress) onProgress(videoExport, percent);
            },
            [&](const VideoExportResult& r) { result = r; });
        EXPECT_TRUE(loop.pumpUntil([&] { return result.has_value(); }, std::chrono::seconds(120)));
        return result.value_or(VideoExportResult{Outcome::Failed, 0, "no end"});
    }
    std::string out(const std::string& name) const { return tmp.path() + "/" + name; }
    // Files beside the recording.
    long files() const { return std::distance(fs::directory_iterator(tmp.path()), {}) - 1; }

    platform::ManualLoopBackend loop;
    testsupport::TempDir tmp;
    const std::string recording = tmp.path() + "/12-30-05.kvd";
    std::vector<video::TTimeStamp> times;
    std::vector<int> heights;
    int captionRows = 0;  // unknown
};

// A new temporary name of `target`: the system here gives random numbers.
std::string temporaryOf(const std::string& target) {
    platform::FileFailure failure;
    return platform::newTemporaryName(target, failure);
}

// Six frames of 320x240 but the fifth, of 160x120.
void writeSizesRecording(const std::string& recording) {
    video::TMJPEGFile file(recording, video::TMJPEGFile::kWrite);
    for (int i = 0; i < 6; ++i)
        file.writeFrame(testJpeg(i == 4 ? 160 : 320, i == 4 ? 120 : 240, i), stampAt(kFirst, i * 40));
    file.close();
}

// The mean and largest difference of the samples of rows [from, to).
std::pair<double, int> differenceOf(const video::Image& a, const video::Image& b, int from, int to) {
    double sum = 0;
    int largest = 0;
    for (int y = from; y < to; ++y)
        for (int x = 0; x < a.width * 4; ++x) {
            const int d = std::abs(a.row(y)[x] - b.row(y)[x]);
            sum += d;
            largest = std::max(largest, d);
        }
    return {sum / ((to - from) * a.width * 4), largest};
}

}  // namespace

TEST_F(VideoExport, EveryListedCompressorWritesAFileThatFFmpegReads) {
    // ten frames 100 ms apart: 10 frames per second
    writeRecording(recording, 10, 320, 240, kFirst, 100);
    std::vector<std::string> codes, descriptions;
    TVideoExport().GetAvailableCompressions(codes, descriptions);
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], "MJPG");  // the dialog's first entry: fast, and every player reads it
    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        times.clear();
        const VideoExportResult result = exportTo(code + ".avi", code);
        ASSERT_EQ(result.outcome, Outcome::Done) << result.error;
        EXPECT_EQ(result.framesWritten, 10);
        ASSERT_EQ(times.size(), 10u);
        EXPECT_EQ(times[9], stampAt(kFirst, 900));  // each frame's own time
        const std::string probed = probeAvi(out(code + ".avi"));
        EXPECT_NE(probed.find(" 320 240 10/1 10"), std::string::npos) << probed;
        const std::vector<video::Image> pictures = decodeAvi(out(code + ".avi"), 320, 240);
        ASSERT_EQ(pictures.size(), 10u);
        for (int n = 0; n < 10; ++n) EXPECT_EQ(frameCounterOf(pictures[n]), n);
        EXPECT_GT(pictures[0].row(15)[4 * 40 + 1], 200);  // the caption
        EXPECT_LT(pictures[0].row(50)[4 * 40 + 1], 160);  // the wall below it
    }
    EXPECT_EQ(files(), static_cast<long>(codes.size()));  // no temporary file stays
}

TEST_F(VideoExport, ASingleFrameRunsAtAThousandPerSecondAtFullQuality) {
    // a single frame's mean interval is 1 ms
    writeRecording(recording, 1, 160, 120);
    ASSERT_EQ(exportTo("one.avi", "MJPG").outcome, Outcome::Done);
    EXPECT_EQ(probeAvi(out("one.avi")), "MJPG 160 120 1000/1 1");
    // Below the caption the picture stays as recorded: about 0.5 levels off
    // at the compressor's full quality, 1.5 at 100 of its 10000.
    const video::Image back = decodeAvi(out("one.avi"), 160, 120).at(0);
    const video::Image recorded = video::decodeJpeg(testJpeg(160, 120, 0));
    double difference = 0;
    for (int y = 30; y < 120; ++y)
        for (int x = 0; x < 160 * 4; ++x) difference += std::abs(back.row(y)[x] - recorded.row(y)[x]);
    EXPECT_LT(difference / (90 * 160 * 4), 1.0);
}

// Without a caption the frames go to the compressor as the JPEG planes they
// were recorded in, with the pictures, within a small bound, of the road
// through B, G, R pixels that a caption takes; a picture of another size
// than the first still goes that road and is scaled.
TEST_F(VideoExport, UncaptionedFramesGoAsTheirJpegPlanesWithTheSamePictures) {
    writeSizesRecording(recording);
    ASSERT_EQ(exportTo("planes.avi", "MJPG", {}, false).outcome, Outcome::Done);
    EXPECT_TRUE(times.empty());
    ASSERT_EQ(exportTo("captioned.avi", "MJPG").outcome, Outcome::Done);
    const std::vector<video::Image> planes = decodeAvi(out("planes.avi"), 320, 240);
    const std::vector<video::Image> captioned = decodeAvi(out("captioned.avi"), 320, 240);
    ASSERT_EQ(planes.size(), 6u);
    ASSERT_EQ(captioned.size(), 6u);
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(frameCounterOf(planes[n]), n);
        EXPECT_LT(planes[n].row(15)[4 * 40 + 1], 160);     // no caption
        EXPECT_GT(captioned[n].row(15)[4 * 40 + 1], 200);  // the caption
        // below the caption, which the small picture's scaling makes twice as high
        const double difference = differenceOf(planes[n], captioned[n], 60, 240).first;
        EXPECT_LT(difference, 0.3);
        // The first frame, decoded for the stream's size, goes the other road too.
        if (n != 4) {
            EXPECT_EQ(difference == 0, n == 0);
        }
    }
}

// A caption whose rows are known is drawn on those rows alone, made B, G, R
// pixels and planes again, the rows below staying the JPEG's planes: the
// pictures are those of the road through B, G, R within a small bound, in
// the caption's rows (the caption itself included) and below them. A
// caption of unknown rows keeps the whole picture on that road, as do the
// first frame and one of another size.
TEST_F(VideoExport, ACaptionOfKnownRowsIsDrawnOnThemAloneWithTheSamePictures) {
    writeSizesRecording(recording);
    ASSERT_EQ(exportTo("whole.avi", "MJPG").outcome, Outcome::Done);
    EXPECT_EQ(heights, (std::vector<int>{240, 240, 240, 240, 120, 240}));
    heights.clear();
    captionRows = 29;  // the box's rows 5 to 24 and a margin, made even
    ASSERT_EQ(exportTo("band.avi", "MJPG").outcome, Outcome::Done);
    EXPECT_EQ(heights, (std::vector<int>{240, 30, 30, 30, 120, 30}));
    std::vector<video::Image> whole, band;
    for (auto [name, pictures] : {std::pair{"whole.avi", &whole}, {"band.avi", &band}}) {
        *pictures = decodeAvi(out(name), 320, 240);
        ASSERT_EQ(pictures->size(), 6u) << name;
    }
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(frameCounterOf(band[n]), n);
        for (int x = 13; x < 85; x += 8) EXPECT_GT(band[n].row(15)[4 * x + 1], 240);  // the caption
        const auto [captionMean, captionLargest] = differenceOf(band[n], whole[n], 0, 30);
        const auto [belowMean, belowLargest] = differenceOf(band[n], whole[n], 30, 240);
        // The planes' edges, sharp where the road through B, G, R smooths the
        // chroma, differ most; the caption's rows no more than the rest.
        EXPECT_LT(captionMean, 0.6);
        EXPECT_LT(captionLargest, 16);
        EXPECT_LT(belowMean, 0.3);
        EXPECT_LT(belowLargest, 32);
        if (n == 0 || n == 4) {
            EXPECT_EQ(captionLargest + belowLargest, 0);
        }
    }
}

TEST_F(VideoExport, H264IsWrittenInTheProfileCommonPlayersRead) {
    if (!platform::findVideoCompressor("H264")) GTEST_SKIP() << "no H.264 encoder";
    writeRecording(recording, 5, 320, 240);
    ASSERT_EQ(exportTo("h264.avi", "H264").outcome, Outcome::Done);
    EXPECT_EQ(run("ffprobe -v error -select_streams v:0 -show_entries stream=profile,pix_fmt -of csv=p=0 " +
                  quoted(out("h264.avi")) + " 2>/dev/null"),
              "High,yuv420p\n");
}

TEST_F(VideoExport, AOnePixelRecordingIsExportedWithEveryCompressorAndTheProgramStaysUp) {
    // Some encoders end the process over a picture of one pixel; those are
    // passed over and the frames written uncompressed.
    writeRecording(recording, 3, 1, 1);
    std::vector<std::string> codes, descriptions;
    TVideoExport().GetAvailableCompressions(codes, descriptions);
    for (const std::string& code : codes) {
        const VideoExportResult result = exportTo(code + ".avi", code);
        EXPECT_EQ(result.outcome, Outcome::Done) << code << ": " << result.error;
        EXPECT_NE(probeAvi(out(code + ".avi")).find(" 1 1 "), std::string::npos) << code;
    }
}

TEST_F(VideoExport, CancelHalfwayLeavesAValidShorterFile) {
    writeRecording(recording, 300, 160, 120);
    const VideoExportResult result = exportTo("cut.avi", "MJPG", [](TVideoExport& videoExport, int percent) {
        if (percent >= 50) videoExport.Cancel();
    });
    ASSERT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_GE(result.framesWritten, 150);
    EXPECT_LT(result.framesWritten, 300);
    EXPECT_EQ(probeAvi(out("cut.avi")), "MJPG 160 120 25/1 " + std::to_string(result.framesWritten));
}

TEST_F(VideoExport, OneCancelEndsASlowExportWithoutCompressingTheFramesQueuedForIt) {
    // Cinepak compresses far more slowly than frames are read, so a queue of
    // them waits for it when Cancel comes: those are dropped and the frame in
    // hand is finished. The progress tells of frames written, so that a
    // Cancel keeps at least what it showed.
    if (!platform::findVideoCompressor("CVID")) GTEST_SKIP() << "no Cinepak encoder";
    writeRecording(recording, 40, 160, 120);
    std::atomic<int> read{0};  // frames captioned, on the export's worker
    int readAtCancel = -1, shownAtCancel = -1;
    std::optional<VideoExportResult> result;
    TVideoExport videoExport;
    videoExport.Start(
        {recording, out("slow.avi"), "CVID", [&](video::Image&, const video::TTimeStamp&) { ++read; }},
        [&](int percent) {
            if (percent < 25 || readAtCancel >= 0) return;
            readAtCancel = read.load();
            shownAtCancel = percent * 40 / 100 + 1;
            videoExport.Cancel();
        },
        [&](const VideoExportResult& r) { result = r; });
    ASSERT_TRUE(loop.pumpUntil([&] { return result.has_value(); }, std::chrono::seconds(120)));
    ASSERT_EQ(result->outcome, Outcome::Cancelled);
    EXPECT_GE(result->framesWritten, shownAtCancel);
    // A queue of 16 frames was read ahead of the compressor.
    EXPECT_LE(result->framesWritten + 8, readAtCancel);
    EXPECT_EQ(probeAvi(out("slow.avi")), "cvid 160 120 25/1 " + std::to_string(result->framesWritten));
}

TEST_F(VideoExport, AFileThatCannotBeOpenedIsReportedAndLeavesNothing) {
    writeRecording(recording, 20, 160, 120);
    const VideoExportResult result = exportTo("missing/x.avi", "MJPG");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    // named as the user chose it, not by the temporary name written first
    EXPECT_NE(result.error.find(out("missing/x.avi") + " "), std::string::npos) << result.error;
    EXPECT_EQ(files(), 0);
}

TEST_F(VideoExport, AWriterThatRunsOutOfRoomFailsAndKeepsTheOldFile) {
    writeRecording(recording, 60, 320, 240);
    // Also under the longest name the folder allows, whose temporary's is shortened.
    const std::string names[] = {"door.avi", std::string(251, 'd') + ".avi"};
    for (const std::string& name : names) writeFile(out(name), {'o', 'l', 'd'});
    // Files may grow to 64 KiB: the writer runs out of room as on a full disk.
    rlimit limit{}, small{64 << 10, 64 << 10};
    getrlimit(RLIMIT_FSIZE, &limit);
    small.rlim_max = limit.rlim_max;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    std::vector<VideoExportResult> results;
    for (const std::string& name : names) results.push_back(exportTo(name, "MJPG"));
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].outcome, Outcome::Failed);
        // what went wrong, under the name the user chose
        const std::string& error = results[i].error;
        EXPECT_NE(error.find("Can't write file : " + out(names[i]) + " ."), std::string::npos) << error;
        EXPECT_NE(error.find("File too large"), std::string::npos) << error;
        EXPECT_TRUE(readAll(out(names[i])) == "old") << "the file of that name was replaced";
    }
    EXPECT_EQ(files(), 2);
}

TEST_F(VideoExport, ADamagedFrameEndsTheExportAndTheMessageSaysWhereAndWhatWasKept) {
    {
        video::TMJPEGFile file(recording, video::TMJPEGFile::kWrite);
        for (int i = 0; i < 30; ++i) {
            std::vector<std::uint8_t> jpeg = testJpeg(160, 120, i);
            if (i == 10) jpeg.resize(jpeg.size() / 3);
            file.writeFrame(jpeg, stampAt(kFirst, i * 40));
        }
        file.close();
    }
    const VideoExportResult result = exportTo("cut.avi", "MJPG");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.error, recording +
                                ": frame 11 of 30 cannot be read (Premature end of JPEG data). "
                                "The video holds the 10 frames before it.");
    EXPECT_EQ(probeAvi(out("cut.avi")), "MJPG 160 120 25/1 10");
}

TEST_F(VideoExport, RefusesToWriteOverTheRecordingItself) {
    writeRecording(recording, 3, 64, 48, kFirst, 100);
    const std::string before = readAll(recording);
    // Also when the chosen name reaches it through a link.
    fs::create_symlink(recording, out("link.avi"));
    for (const std::string& target : {std::string("12-30-05.kvd"), std::string("link.avi")}) {
        const VideoExportResult result = exportTo(target, "MJPG");
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_EQ(result.error, out(target) + " is the recording being exported; choose another name.");
    }
    EXPECT_TRUE(readAll(recording) == before);
    EXPECT_TRUE(fs::is_symlink(out("link.avi")));
}

TEST_F(VideoExport, TemporaryFilesArePrivateNeverFollowedAndCleanedUpAfterAKill) {
    writeRecording(recording, 3, 64, 48, kFirst, 100);
    const std::string target = out("door.avi");
    const std::string victim = out("victim.txt");
    writeFile(victim, {'k', 'e', 'e', 'p'});
    // A link planted at a name made of this process's number is not written through.
    const std::string guessed = target + ".tmp-" + std::to_string(::getpid());
    fs::create_symlink(victim, guessed);
    // Temporaries of exports killed earlier: one its writer left unfinished,
    // and one whose writer still holds it.
    const std::string stale = temporaryOf(target);
    writeFile(stale, {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' ', 'J', 'U', 'N', 'K'});
    fs::permissions(stale, fs::perms::owner_read | fs::perms::owner_write);
    std::string error;
    const auto running = platform::AviFile::create(temporaryOf(out("other.avi")), error);
    ASSERT_TRUE(running) << error;
    // A file of the user's own that only looks like one by its name.
    const std::string unrelated = out("notes.tmp-") + std::to_string(testsupport::unusedProcessId());
    writeFile(unrelated, {'o', 'l', 'd'});
    // While it is written, the temporary file is this user's alone.
    mode_t modeWhileWritten = 0;
    const VideoExportResult result = exportTo("door.avi", "MJPG", [&](TVideoExport&, int) {
        for (const auto& entry : fs::directory_iterator(tmp.path())) {
            const std::string name = entry.path().filename().string();
            struct stat info {};
            if (name.rfind("door.avi", 0) == 0 && platform::isTemporaryName(name) &&
                ::lstat(entry.path().c_str(), &info) == 0)
                modeWhileWritten = info.st_mode & 0777;
        }
    });
    ASSERT_EQ(result.outcome, Outcome::Done) << result.error;
    EXPECT_EQ(readAll(victim), "keep");
    EXPECT_EQ(probeAvi(target), "MJPG 64 48 10/1 3");
    if (modeWhileWritten != 0) {
        EXPECT_EQ(modeWhileWritten, 0600u);
    }
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666u & ~mask);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(running->path()));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_TRUE(fs::is_symlink(guessed));
}
