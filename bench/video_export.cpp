// The AVI export of a recording of 2000 camera-like 704x576 frames with the
// MJPG compressor: our export (each frame read from the recording, decoded,
// made an image buffer, sent through the generic filter into the AVI logger
// and compressed at full quality, on the export's worker) against the ffmpeg
// command line doing the same from the same JPEG frames (decoded, converted
// to the pixel format ours compresses, compressed by the same encoder at the
// same quantiser, written into an AVI file). Once without the caption and
// once with the caption the program's window gives every exported frame (its
// date, time and camera name, drawn by the window layer's painter), which the
// command line does not draw: that line does more work than its peer. Before
// timing, the files are read back: the same stream (code, size, rate, frames,
// pixel format) and every 51st picture within the printed tolerance, below
// the caption's blocks for the captioned export. The figure is the wall time of one export; the
// CPU time of every thread (the command line's as a child process) is a
// counter. Files are read warm.

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "CommandLine.h"
#include "CameraPictures.h"
#include "platform/MainLoop.h"
#include "player/ui/ExportCaption.h"
#include "player/VideoExport.h"
#include "video/MJPEGFile.h"

namespace {

using namespace oculon;
namespace rules = oculon::bench;

constexpr int kFrames = 2000;
constexpr int kWidth = 704, kHeight = 576;  // a D1 camera picture
constexpr int kIntervalMs = 40;             // 25 frames per second
// Largest difference of a sample between the two exports' pictures. Both
// hand the decoded 4:2:0 planes to the same encoder; what differs is the
// decoders' IDCTs (libjpeg's integer one, ffmpeg's own): at most 4 in Y and
// 3 in Cb and Cr once re-encoded (measured), which B = Y + 1.772 Cb takes
// to 4 + 5.3 and the last rounding to 10.
constexpr int kTolerance = 10;
// Our first frame, decoded for the stream's size, goes to the encoder as
// BGRX: its chroma upsampled, converted both ways and averaged back 2 x 2,
// which moves it by up to 23 at the sharp edges of this scene.
constexpr int kFirstFrameTolerance = 40;

struct Files {
    std::string folder;
    std::string recording;  // ours reads this
    std::string frames;     // the same JPEG frames one after the other, for the command line
    std::string pixelFormat;
};

Files& files() {
    static Files f;
    return f;
}

std::vector<std::uint8_t> cameraLikeJpeg(int n) {
    std::uint32_t noise = 777u + static_cast<std::uint32_t>(n);
    return rules::paintedJpeg(kWidth, kHeight, 85, [&](int x, int y, std::uint8_t* p) {
        noise = noise * 1664525u + 1013904223u;
        const int grain = static_cast<int>(noise >> 28) - 8;
        int r = 60 + 120 * y / kHeight, g = 80 + 100 * x / kWidth, b = 140 - 60 * y / kHeight;
        if (x > 260 && x < 440 && y > 120) r = 120, g = 72, b = 40;  // a door
        const int cx = 40 + (n * 3) % (kWidth - 80);                 // a visitor walking by
        if ((x - cx) * (x - cx) + (y - 380) * (y - 380) < 3600) r = g = 220;
        p[0] = static_cast<std::uint8_t>(std::clamp(b + grain, 0, 255));
        p[1] = static_cast<std::uint8_t>(std::clamp(g + grain, 0, 255));
        p[2] = static_cast<std::uint8_t>(std::clamp(r + grain, 0, 255));
        p[3] = 0xFF;
    });
}

void makeFiles() {
    Files& f = files();
    f.folder = "/tmp/oculon-bench-export-" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(f.folder);
    f.recording = f.folder + "call.kvd";
    f.frames = f.folder + "frames.mjpeg";
    video::TMJPEGFile recording(f.recording, video::TMJPEGFile::kWrite);
    std::ofstream frames(f.frames, std::ios::binary);
    // A few distinct pictures, repeated: painting 2000 takes longer than the run.
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int i = 0; i < 50; ++i) pictures.push_back(cameraLikeJpeg(i * 7));
    for (int i = 0; i < kFrames; ++i) {
        const std::vector<std::uint8_t>& jpeg = pictures[static_cast<std::size_t>(i) % pictures.size()];
        recording.writeFrame(jpeg, {36000000 + i * kIntervalMs, 739007});
        frames.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    }
    recording.close();
}

const char* const kCamera = "Front door";

// Our export, to the end, on the main loop of this thread; with the caption
// as the program's window draws it, or without one.
bool exportOurs(const std::string& file, bool captioned) {
    static platform::ManualLoopBackend loop;
    player::TVideoExport videoExport;
    std::optional<player::VideoExportResult> result;
    player::VideoExportRequest request{files().recording, file, "MJPG", {}};
    if (captioned) {
        request.caption = player::ui::captionPainter(kCamera);
        request.captionRows = player::ui::captionRows(kCamera);
    }
    videoExport.Start(std::move(request), {}, [&](const player::VideoExportResult& r) { result = r; });
    loop.pumpUntil([&] { return result.has_value(); }, std::chrono::minutes(10));
    return result && result->outcome == player::VideoExportResult::Outcome::Done;
}

bool exportFfmpeg(const std::string& file) {
    const std::string command = "ffmpeg -v error -y -f mjpeg -framerate 25 -i '" + files().frames +
                                "' -c:v mjpeg -q:v 1 -pix_fmt " + files().pixelFormat + " '" + file + "'";
    return std::system(command.c_str()) == 0;
}

// Entries of the video stream as ffprobe reads them, comma-separated.
std::string probe(const std::string& file, const std::string& entries) {
    return rules::commandAnswer("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=" + entries +
                                " -of csv=p=0 '" + file + "'");
}

const char* const kStream = "codec_tag_string,width,height,pix_fmt,r_frame_rate,nb_read_frames";

// The pictures compared: frames 0, 51, 102, ..., each a different one of
// the 50 the recording repeats.
constexpr int kEveryFrame = 51;

// The largest difference of a sample between each compared picture of two
// files from row `top` on; empty when a picture is missing.
std::vector<int> differences(const std::string& a, const std::string& b, int top) {
    const std::string pa = rules::ffmpegBgraFrames(a, kEveryFrame), pb = rules::ffmpegBgraFrames(b, kEveryFrame);
    const std::size_t size = std::size_t{kWidth} * kHeight * 4, count = (kFrames + kEveryFrame - 1) / kEveryFrame;
    if (pa.size() != size * count || pb.size() != pa.size()) return {};
    std::vector<int> largest;
    const std::size_t skipped = std::size_t{kWidth} * 4 * static_cast<std::size_t>(top);
    for (std::size_t at = 0; at < pa.size(); at += size)
        largest.push_back(rules::largestDifference(
            reinterpret_cast<const std::uint8_t*>(pa.data() + at + skipped), kWidth * 4,
            reinterpret_cast<const std::uint8_t*>(pb.data() + at + skipped), kWidth * 4, kWidth, kHeight - top));
    return largest;
}

template <typename Export>
void timedExport(benchmark::State& state, Export exportTo) {
    const std::string file = files().folder + "timed.avi";
    double cpu = 0;
    for (auto _ : state) {
        const double cpu0 = rules::processCpuSeconds() + rules::childCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        if (!exportTo(file)) state.SkipWithError("the export failed");
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        cpu += rules::processCpuSeconds() + rules::childCpuSeconds() - cpu0;
    }
    state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kFrames);
}

// Both exports hold the same stream and, within the tolerance, the same
// pictures, below the caption for a captioned export of ours.
bool checkPeer(bool captioned) {
    const std::string ours = files().folder + "ours.avi", theirs = files().folder + "ffmpeg.avi";
    if (!exportOurs(ours, captioned)) {
        std::fprintf(stderr, "our export failed\n");
        return false;
    }
    // Below the caption's last row of 16-row blocks (4:2:0), whose
    // compression spreads the caption's edges through the whole block.
    const int top = captioned ? (player::ui::captionRows(kCamera) + 15) / 16 * 16 : 0;
    const std::string stream = probe(ours, kStream);
    files().pixelFormat = probe(ours, "pix_fmt");
    if (!exportFfmpeg(theirs) || probe(theirs, kStream) != stream) {
        std::fprintf(stderr, "the command line's file is not ours: %s against %s\n", probe(theirs, kStream).c_str(),
                     stream.c_str());
        return false;
    }
    const std::vector<int> largest = differences(ours, theirs, top);
    if (largest.empty()) return false;
    const int first = largest.front(), rest = *std::max_element(largest.begin() + 1, largest.end());
    std::printf("%s: both files %s\n", captioned ? "captioned" : "without caption", stream.c_str());
    std::printf(
        "pictures from row %d on: frame 0 within %d (tolerance %d); frames %d, %d, ... %d within %d (tolerance "
        "%d)\n",
        top, first, kFirstFrameTolerance, kEveryFrame, 2 * kEveryFrame,
        static_cast<int>(largest.size() - 1) * kEveryFrame, rest, kTolerance);
    return first <= kFirstFrameTolerance && rest <= kTolerance;
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    // The caption's font comes from the window layer, without a screen.
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QGuiApplication app(argc, argv);
    makeFiles();
    std::printf("%d frames of %dx%d, %lld kB of JPEG\n", kFrames, kWidth, kHeight,
                static_cast<long long>(std::filesystem::file_size(files().frames) / 1000));
    if (!checkPeer(false) || !checkPeer(true)) return 1;
    rules::Table table(benchmark::kMillisecond);
    for (const bool captioned : {false, true}) {
        table
            .ours("export of " + std::to_string(kFrames) + " frames to MJPG AVI" +
                      (captioned ? ", captioned (the peer draws none)" : ""),
                  [captioned](benchmark::State& s) {
                      timedExport(s, [captioned](const std::string& file) { return exportOurs(file, captioned); });
                  })
            ->UseManualTime()
            ->Iterations(1);
        table.peer("ffmpeg command line", [](benchmark::State& s) { timedExport(s, exportFfmpeg); })
            ->UseManualTime()
            ->Iterations(1);
    }
    table.run();
    std::filesystem::remove_all(files().folder);
    return 0;
}
