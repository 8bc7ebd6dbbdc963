// Decoding one camera-sized JPEG picture to 32-bit BGRX: our libjpeg layer in
// its settings (exact, fast, scaled for previews) against libjpeg-turbo
// called bare in the same settings, which must give our very bytes, and, in
// the fast setting, FFmpeg's MJPEG decoder with its conversion to BGRA. The
// two decoders may round differently (the standard allows it), so before
// timing every sample of FFmpeg's picture is checked to lie within a small
// tolerance of ours in the fast setting, whose plain chroma upsampling FFmpeg
// shares (bench/README.md).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "CameraPictures.h"
#include "FFmpegMjpeg.h"
#include "LibjpegTurbo.h"
#include "video/Jpeg.h"

using namespace oculon::video;
namespace rules = oculon::bench;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
// Largest difference of a sample between the two decoders' pictures: the
// inverse DCT and the colour conversion each round on their own.
constexpr int kTolerance = 8;

// 1280x720 with ramps and noise, so the entropy data is not trivially small.
const std::vector<std::uint8_t>& picture() {
    static const std::vector<std::uint8_t> jpeg = [] {
        std::mt19937 random(3);
        return rules::paintedJpeg(kWidth, kHeight, 90, [&](int x, int y, std::uint8_t* p) {
            const int noise = static_cast<int>(random() % 24);
            p[0] = static_cast<std::uint8_t>((x / 5 + noise) & 0xFF);
            p[1] = static_cast<std::uint8_t>((y / 3 + noise) & 0xFF);
            p[2] = static_cast<std::uint8_t>(((x + y) / 8) & 0xFF);
            p[3] = 0xFF;
        });
    }();
    return jpeg;
}

// Ours in the fast setting against FFmpeg: the largest difference of a
// colour sample, or -1 when the pictures differ in size.
int largestDifference() {
    const Image ours = decodeJpeg(picture(), {PixelFormat::Bgrx32, true});
    rules::FFmpegMjpeg ffmpeg;
    const AVFrame& frame = ffmpeg.decode(rules::FFmpegMjpeg::padded(picture()), picture().size());
    if (ours.width != frame.width || ours.height != frame.height) return -1;
    return rules::largestDifference(ours.pixels.data(), ours.stride, ffmpeg.toBgra().data(), std::size_t{4} * kWidth,
                                    kWidth, kHeight);
}

void decodeOurs(benchmark::State& state, DecodeOptions options) {
    JpegDecoder decoder(options);
    Image image;
    for (auto _ : state) {
        decoder.decode(picture(), image);
        benchmark::DoNotOptimize(image.pixels.data());
    }
}

// A setting of ours and the bare library's in the same.
struct Setting {
    const char* name;
    DecodeOptions ours;
};
// A quarter of the size each way is the previews' saving.
const Setting kSettings[] = {
    {"exact", {}}, {"fast", {PixelFormat::Bgrx32, true}}, {"fast, quarter size", {PixelFormat::Bgrx32, true, 4}}};

void decodeBare(benchmark::State& state, DecodeOptions options) {
    rules::LibjpegTurbo decoder(options.fast, options.scaleDenom);
    for (auto _ : state) benchmark::DoNotOptimize(decoder.decode(picture()).data());
}

// False, after saying which, when the bare library's picture is not ours.
bool checkBare() {
    for (const Setting& s : kSettings) {
        rules::LibjpegTurbo bare(s.ours.fast, s.ours.scaleDenom);
        bare.decode(picture());
        if (!bare.same(decodeJpeg(picture(), s.ours))) {
            std::fprintf(stderr, "%s: libjpeg-turbo's picture is not ours\n", s.name);
            return false;
        }
    }
    std::printf("libjpeg-turbo gives our bytes in every setting\n");
    return true;
}

void BM_FFmpeg_MJPEG_ToBGRA(benchmark::State& state) {
    rules::FFmpegMjpeg decoder;
    const std::vector<std::uint8_t> padded = rules::FFmpegMjpeg::padded(picture());
    for (auto _ : state) {
        decoder.decode(padded, picture().size());
        benchmark::DoNotOptimize(decoder.toBgra().data());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    const int difference = largestDifference();
    std::printf("ours (fast) and FFmpeg: largest sample difference %d, tolerance %d\n", difference, kTolerance);
    if (difference < 0 || difference > kTolerance) {
        std::fprintf(stderr, "FFmpeg's picture is not ours\n");
        return 1;
    }
    if (!checkBare()) return 1;
    rules::Table table(benchmark::kMicrosecond);
    for (const Setting& s : kSettings) {
        const DecodeOptions options = s.ours;
        table.ours(s.name, [options](benchmark::State& state) { decodeOurs(state, options); });
        table.peer("libjpeg-turbo", [options](benchmark::State& state) { decodeBare(state, options); });
        if (options.fast && options.scaleDenom == 1) table.peer("ffmpeg to BGRA", BM_FFmpeg_MJPEG_ToBGRA);
    }
    table.run();
    return 0;
}
