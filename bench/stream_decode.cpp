// The live stream's decode path, per picture: cut the part out of the
// multipart stream, decode it to 32-bit BGRX with the stream's fast settings
// and test it for black. Against libjpeg-turbo called bare in the same
// settings on the same JPEG frames (our very bytes, checked before timing;
// it neither cuts nor tests, so it does less than ours), against FFmpeg's
// MJPEG decoder converted to BGRA by swscale (the same picture within a few
// levels, checked before timing), and, not as a peer, FFmpeg's decode alone
// into its own YUV. Camera-sized frames of 640x480 and 1920x1080, made at
// start-up with our encoder. Prints the frames per second of each and the
// ratio against the faster peer (bench/README.md).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "CameraPictures.h"
#include "FFmpegMjpeg.h"
#include "LibjpegTurbo.h"
#include "video/BlackTest.h"
#include "video/Jpeg.h"
#include "video/MultipartParser.h"

using namespace oculon::video;
namespace rules = oculon::bench;

namespace {

constexpr int kFrames = 8;  // distinct pictures per stream, as a camera sends them

// A scene with gradients, edges and sensor noise, shifted per frame, at a
// camera's usual quality.
std::vector<std::uint8_t> cameraFrame(int width, int height, int index) {
    std::mt19937 random(static_cast<unsigned>(index + width));
    return rules::paintedJpeg(width, height, 85, [&](int x, int y, std::uint8_t* p) {
        const int noise = static_cast<int>(random() % 16);
        const int sx = x + index * 7;
        const bool edge = ((sx / 64) + (y / 48)) % 2 == 0;
        p[0] = static_cast<std::uint8_t>((sx * 255 / width + noise + (edge ? 40 : 0)) & 0xFF);
        p[1] = static_cast<std::uint8_t>((y * 255 / height + noise) & 0xFF);
        p[2] = static_cast<std::uint8_t>(((sx + y) / 8 + noise) & 0xFF);
        p[3] = 0xFF;
    });
}

struct Stream {
    std::vector<std::vector<std::uint8_t>> jpegs;
    std::string wire;  // the multipart body carrying them
};

const Stream& streamOf(int width, int height) {
    static std::map<int, Stream> streams;
    Stream& s = streams[width];
    if (s.jpegs.empty()) {
        for (int i = 0; i < kFrames; ++i) {
            s.jpegs.push_back(cameraFrame(width, height, i));
            const auto& j = s.jpegs.back();
            s.wire += "--b\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(j.size()) + "\r\n\r\n";
            s.wire.append(reinterpret_cast<const char*>(j.data()), j.size());
            s.wire += "\r\n";
        }
    }
    return s;
}

// Largest difference of a sample between the two decoders' pictures.
constexpr int kTolerance = 8;

void BM_Ours_CutDecodeBlackTest(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const Stream& stream = streamOf(width, height);
    MultipartParser parser("--b");
    parser.append("--b");  // the preamble the connection skips first
    JpegDecoder decoder(DecodeOptions{PixelFormat::Bgrx32, true});
    Image picture;
    int black = 0;
    for (auto _ : state) {
        // The socket delivers the stream in blocks straight into the parser.
        for (std::size_t at = 0; at < stream.wire.size();) {
            const std::size_t block = std::min<std::size_t>(64 * 1024, stream.wire.size() - at);
            const auto space = parser.prepare(block);
            std::memcpy(space.data(), stream.wire.data() + at, block);
            parser.commit(block);
            at += block;
            while (const auto step = parser.next()) {
                if (step.step != MultipartParser::Step::picture) continue;
                decoder.decode(step.data, picture);
                black += isBlackPicture(viewOf(picture), 45, kStreamGridMargin) ? 1 : 0;
                benchmark::DoNotOptimize(picture.pixels.data());
            }
        }
    }
    if (black != 0) state.SkipWithError("a test picture was taken for black");
}

void ffmpegDecode(benchmark::State& state, bool toBgra) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const Stream& stream = streamOf(width, height);
    std::vector<std::vector<std::uint8_t>> padded;
    for (const auto& j : stream.jpegs) padded.push_back(rules::FFmpegMjpeg::padded(j));
    rules::FFmpegMjpeg decoder;
    for (auto _ : state) {
        for (std::size_t i = 0; i < padded.size(); ++i) {
            benchmark::DoNotOptimize(decoder.decode(padded[i], stream.jpegs[i].size()).data[0]);
            if (toBgra) benchmark::DoNotOptimize(decoder.toBgra().data());
        }
    }
}

void BM_LibjpegTurbo_Decode(benchmark::State& state) {
    const Stream& stream = streamOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    rules::LibjpegTurbo decoder(true);
    for (auto _ : state)
        for (const auto& jpeg : stream.jpegs) benchmark::DoNotOptimize(decoder.decode(jpeg).data());
}

void BM_FFmpeg_DecodeToBGRA(benchmark::State& state) { ffmpegDecode(state, true); }
void BM_FFmpeg_DecodeOnlyYUV(benchmark::State& state) { ffmpegDecode(state, false); }

#define FRAME_SIZES \
    Args({640, 480})->Args({1920, 1080})->Apply([](auto* b) { rules::repeated(b); })->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Ours_CutDecodeBlackTest)->FRAME_SIZES;
BENCHMARK(BM_LibjpegTurbo_Decode)->FRAME_SIZES;
BENCHMARK(BM_FFmpeg_DecodeToBGRA)->FRAME_SIZES;
BENCHMARK(BM_FFmpeg_DecodeOnlyYUV)->FRAME_SIZES;

// Every frame of each size decoded by libjpeg-turbo is ours, and decoded by
// FFmpeg lies within the tolerance of ours.
bool checkPeers() {
    JpegDecoder decoder(DecodeOptions{PixelFormat::Bgrx32, true});
    rules::LibjpegTurbo bare(true);
    rules::FFmpegMjpeg ffmpeg;
    Image ours;
    for (const auto& [width, height] : {std::pair{640, 480}, std::pair{1920, 1080}})
        for (const auto& jpeg : streamOf(width, height).jpegs) {
            decoder.decode(jpeg, ours);
            bare.decode(jpeg);
            if (!bare.same(ours)) {
                std::fprintf(stderr, "libjpeg-turbo's %dx%d picture is not ours\n", width, height);
                return false;
            }
            ffmpeg.decode(rules::FFmpegMjpeg::padded(jpeg), jpeg.size());
            const int difference =
                rules::largestDifference(ours.pixels.data(), ours.stride, ffmpeg.toBgra().data(),
                                         std::size_t{4} * static_cast<std::size_t>(width), width, height);
            if (difference > kTolerance) {
                std::fprintf(stderr, "FFmpeg's %dx%d picture differs from ours by %d\n", width, height, difference);
                return false;
            }
        }
    std::printf("libjpeg-turbo gives our bytes; FFmpeg's pictures lie within %d of ours\n", kTolerance);
    return true;
}

void printSummary(const rules::MedianReporter& times) {
    std::printf("\nframes per second (one thread), medians of %d repetitions; x peer = ours / the faster peer\n",
                rules::kRepetitions);
    std::printf("%-10s %12s %14s %14s %8s %18s\n", "size", "ours", "libjpeg-turbo", "ffmpeg->BGRA", "x peer",
                "ffmpeg YUV only");
    for (const auto& size : {std::pair{640, 480}, std::pair{1920, 1080}}) {
        const int width = size.first, height = size.second;  // clang before 16 cannot capture bindings
        const auto fps = [&](const char* name) {
            char full[64];
            std::snprintf(full, sizeof full, "%s/%d/%d", name, width, height);
            const double seconds = times.seconds(full);
            return seconds > 0 ? kFrames / seconds : 0.0;
        };
        const double ours = fps("BM_Ours_CutDecodeBlackTest"), bare = fps("BM_LibjpegTurbo_Decode"),
                     bgra = fps("BM_FFmpeg_DecodeToBGRA");
        std::printf("%4dx%-5d %12.1f %14.1f %14.1f %8s %18.1f\n", width, height, ours, bare, bgra,
                    rules::ratio(ours, std::max(bare, bgra)).c_str(), fps("BM_FFmpeg_DecodeOnlyYUV"));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    if (!checkPeers()) return 1;
    rules::MedianReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    printSummary(times);
    benchmark::Shutdown();
    return 0;
}
