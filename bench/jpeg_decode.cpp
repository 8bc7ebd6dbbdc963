// Decoding one camera-sized JPEG picture to 32-bit BGRX: our libjpeg layer in
// its settings (exact, fast, scaled for previews) against FFmpeg's MJPEG
// decoder with its conversion to BGRA. The two decoders may round differently
// (the standard allows it), so before timing every sample of FFmpeg's picture
// is checked to lie within a small tolerance of ours in the fast setting,
// whose plain chroma upsampling FFmpeg shares; the exact setting's smoothed
// chroma has no counterpart there (bench/README.md).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "FFmpegMjpeg.h"
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
        Image image;
        image.reshape(kWidth, kHeight, PixelFormat::Bgrx32);
        std::mt19937 random(3);
        for (int y = 0; y < image.height; ++y) {
            std::uint8_t* p = image.row(y);
            for (int x = 0; x < image.width; ++x, p += 4) {
                const int noise = static_cast<int>(random() % 24);
                p[0] = static_cast<std::uint8_t>((x / 5 + noise) & 0xFF);
                p[1] = static_cast<std::uint8_t>((y / 3 + noise) & 0xFF);
                p[2] = static_cast<std::uint8_t>(((x + y) / 8) & 0xFF);
                p[3] = 0xFF;
            }
        }
        return encodeJpeg(viewOf(image), 90);
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

void BM_Ours_Exact(benchmark::State& state) { decodeOurs(state, {}); }
void BM_Ours_Fast(benchmark::State& state) { decodeOurs(state, {PixelFormat::Bgrx32, true}); }
// A quarter of the size each way, for the previews' saving.
void BM_Ours_Fast_Quarter(benchmark::State& state) { decodeOurs(state, {PixelFormat::Bgrx32, true, 4}); }

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
    const int difference = largestDifference();
    std::printf("ours (fast) and FFmpeg: largest sample difference %d, tolerance %d\n", difference, kTolerance);
    if (difference < 0 || difference > kTolerance) {
        std::fprintf(stderr, "FFmpeg's picture is not ours\n");
        return 1;
    }
    struct Ours {
        const char* name;
        void (*fn)(benchmark::State&);
        bool samePicture;  // as FFmpeg's
    };
    const Ours ours[] = {{"ours exact", BM_Ours_Exact, false},
                         {"ours fast", BM_Ours_Fast, true},
                         {"ours fast quarter", BM_Ours_Fast_Quarter, false}};
    for (const Ours& o : ours)
        rules::repeated(benchmark::RegisterBenchmark(o.name, o.fn))->Unit(benchmark::kMicrosecond);
    rules::repeated(benchmark::RegisterBenchmark("ffmpeg to BGRA", BM_FFmpeg_MJPEG_ToBGRA))
        ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    rules::MedianReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    const double ffmpeg = times.seconds("ffmpeg to BGRA");
    std::printf("\nmedians of %d repetitions, microseconds; x peer = ffmpeg / ours\n", rules::kRepetitions);
    std::printf("%-20s %10s %10s %8s\n", "case", "ours", "ffmpeg", "x peer");
    for (const Ours& o : ours) {
        const double t = times.seconds(o.name);
        std::printf("%-20s %10.1f %10.1f %8s%s\n", o.name, t * 1e6, ffmpeg * 1e6,
                    o.samePicture ? rules::ratio(ffmpeg, t).c_str() : "-",
                    o.samePicture ? "" : "  (no peer gives this picture)");
    }
    benchmark::Shutdown();
    return 0;
}
