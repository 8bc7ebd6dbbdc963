// Previews of a folder of 200 recordings, as the recordings browser makes
// them: our decode of each first frame, scaled down by the JPEG decoder's DCT
// to the smallest size at least 128 pixels wide, against libjpeg-turbo's own
// DCT scaling called bare on the same first frames (read from the file as
// ours reads them; our very bytes, checked before timing), against decoding
// them at full size followed by OpenCV's area resize to the same size (the
// same picture within a few levels, checked before timing), and, not as a
// peer, the full-size decode alone. The files are read warm: this is about
// decoding (bench/README.md).

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "CameraPictures.h"
#include "LibjpegTurbo.h"
#include "player/Preview.h"
#include "video/Jpeg.h"
#include "video/MJPEGFile.h"

namespace {

using namespace oculon;
namespace rules = oculon::bench;

// Largest difference of a sample between the DCT-scaled and the area-resized
// picture: the two shrink through different filters (up to 17 on these
// pictures).
constexpr int kTolerance = 24;

constexpr int kRecordings = 200;
constexpr int kWidth = 704, kHeight = 576;  // a D1 camera picture
constexpr int kPreviewScale = 4;            // 176 pixels wide: the smallest at least 128

struct Folder {
    std::string path;
    std::vector<std::string> recordings;
    std::size_t jpegBytes = 0;
};

Folder& folder() {
    static Folder f;
    return f;
}

// A scene with smooth light, hard edges and a little sensor noise, which
// compresses to about what a camera sends at this size (some 60 kB).
std::vector<std::uint8_t> cameraLikeJpeg(int seed) {
    std::uint32_t noise = 12345u + static_cast<std::uint32_t>(seed);
    return rules::paintedJpeg(kWidth, kHeight, 85, [&](int x, int y, std::uint8_t* p) {
        noise = noise * 1664525u + 1013904223u;
        const int grain = static_cast<int>(noise >> 28) - 8;
        int r = 60 + 120 * y / kHeight, g = 80 + 100 * x / kWidth, b = 140 - 60 * y / kHeight;
        if ((x / 88 + y / 96 + seed) % 3 == 0) r += 50, g -= 20;     // panels
        if (x > 260 && x < 440 && y > 120) r = 120, g = 72, b = 40;  // a door
        if ((x - 100 - seed * 3) * (x - 100 - seed * 3) + (y - 380) * (y - 380) < 3600) r = g = 220;
        p[0] = static_cast<std::uint8_t>(std::clamp(b + grain, 0, 255));
        p[1] = static_cast<std::uint8_t>(std::clamp(g + grain, 0, 255));
        p[2] = static_cast<std::uint8_t>(std::clamp(r + grain, 0, 255));
        p[3] = 0xFF;
    });
}

void makeFolder() {
    Folder& f = folder();
    f.path = "/tmp/oculon-bench-previews-" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(f.path);
    for (int i = 0; i < kRecordings; ++i) {
        const std::string path = f.path + std::to_string(10000 + i) + ".kvd";
        video::TMJPEGFile file(path, video::TMJPEGFile::kWrite);
        for (int frame = 0; frame < 3; ++frame) {
            const auto jpeg = cameraLikeJpeg(i + frame);
            f.jpegBytes += jpeg.size();
            file.writeFrame(jpeg, {36000000 + frame * 40, 739007});
        }
        file.close();
        f.recordings.push_back(path);
    }
}

// Times `preview(path)` over every recording of the folder.
template <typename Preview>
void everyRecording(benchmark::State& state, Preview preview) {
    for (auto _ : state) {
        for (const std::string& path : folder().recordings) {
            const video::Image picture = preview(path);
            benchmark::DoNotOptimize(picture.pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecordings);
}

void BM_Previews_DctScaled(benchmark::State& state) {
    everyRecording(state, [](const std::string& path) { return player::loadPreviewPicture(path, true); });
}

video::Image fullSizeFirstFrame(const std::string& path, video::JpegDecoder& decoder, std::vector<std::uint8_t>& jpeg) {
    video::TMJPEGFile recording(path, video::TMJPEGFile::kRead);
    recording.getPreview(jpeg);
    video::Image picture;
    decoder.decode(jpeg, picture);
    return picture;
}

void BM_Previews_FullSize(benchmark::State& state) {
    video::JpegDecoder decoder;
    std::vector<std::uint8_t> jpeg;
    everyRecording(state, [&](const std::string& path) { return fullSizeFirstFrame(path, decoder, jpeg); });
}

// The first frames as a program calling libjpeg-turbo alone decodes them:
// one decompressor for the folder, scaled by the inverse DCT to 1/scale.
void libjpegTurboFirstFrames(benchmark::State& state, int scale) {
    rules::LibjpegTurbo decoder(false, scale);
    std::vector<std::uint8_t> jpeg;
    for (auto _ : state) {
        for (const std::string& path : folder().recordings) {
            video::TMJPEGFile recording(path, video::TMJPEGFile::kRead);
            recording.getPreview(jpeg);
            benchmark::DoNotOptimize(decoder.decode(jpeg).data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecordings);
}

void BM_Previews_LibjpegTurboScaled(benchmark::State& state) { libjpegTurboFirstFrames(state, kPreviewScale); }
void BM_Previews_LibjpegTurboFullSize(benchmark::State& state) { libjpegTurboFirstFrames(state, 1); }

// The full-size picture shrunk by OpenCV to the size of our preview.
video::Image areaResized(const video::Image& picture) {
    video::Image small;
    small.reshape(video::scaledDimension(picture.width, kPreviewScale),
                  video::scaledDimension(picture.height, kPreviewScale), video::PixelFormat::Bgrx32);
    const cv::Mat whole(picture.height, picture.width, CV_8UC4, const_cast<std::uint8_t*>(picture.pixels.data()),
                        picture.stride);
    cv::Mat out(small.height, small.width, CV_8UC4, small.pixels.data(), small.stride);
    cv::resize(whole, out, out.size(), 0, 0, cv::INTER_AREA);
    return small;
}

void BM_Previews_FullSizeOpenCvResize(benchmark::State& state) {
    video::JpegDecoder decoder;
    std::vector<std::uint8_t> jpeg;
    everyRecording(state,
                   [&](const std::string& path) { return areaResized(fullSizeFirstFrame(path, decoder, jpeg)); });
}

// libjpeg-turbo's previews and full-size pictures are ours, OpenCV's
// previews lie within the tolerance.
bool checkPeers() {
    video::JpegDecoder decoder;
    rules::LibjpegTurbo bare(false, kPreviewScale), bareFullSize(false);
    std::vector<std::uint8_t> jpeg;
    for (const std::string& path : folder().recordings) {
        const video::Image ours = player::loadPreviewPicture(path, true);
        video::TMJPEGFile(path, video::TMJPEGFile::kRead).getPreview(jpeg);
        bare.decode(jpeg);
        bareFullSize.decode(jpeg);
        if (!bare.same(ours) || !bareFullSize.same(fullSizeFirstFrame(path, decoder, jpeg))) {
            std::fprintf(stderr, "libjpeg-turbo's picture of %s is not ours\n", path.c_str());
            return false;
        }
        const video::Image theirs = areaResized(fullSizeFirstFrame(path, decoder, jpeg));
        if (ours.width != theirs.width || ours.height != theirs.height ||
            rules::largestDifference(ours.pixels.data(), ours.stride, theirs.pixels.data(), theirs.stride, ours.width,
                                     ours.height) > kTolerance) {
            std::fprintf(stderr, "OpenCV's preview of %s is not ours\n", path.c_str());
            return false;
        }
    }
    std::printf("libjpeg-turbo's pictures are ours; OpenCV's previews lie within %d of ours\n", kTolerance);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // our decode is single-threaded too
    if (!rules::initialize(argc, argv)) return 1;
    makeFolder();
    std::printf("%d recordings of %dx%d pictures (%zu kB each) in %s\n", kRecordings, kWidth, kHeight,
                folder().jpegBytes / (3 * kRecordings) / 1000, folder().path.c_str());
    if (!checkPeers()) return 1;
    rules::Table table(benchmark::kMillisecond);
    table.ours("previews of " + std::to_string(kRecordings), BM_Previews_DctScaled);
    table.peer("libjpeg-turbo DCT-scaled", BM_Previews_LibjpegTurboScaled);
    table.peer("full-size decode + cv::resize area", BM_Previews_FullSizeOpenCvResize);
    // Not a preview: a larger picture, against the bare library's.
    table.ours("full-size decode alone", BM_Previews_FullSize);
    table.peer("libjpeg-turbo full size", BM_Previews_LibjpegTurboFullSize);
    table.run();
    std::filesystem::remove_all(folder().path);
    return 0;
}
