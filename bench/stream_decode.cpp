// The live stream's decode path, per picture: cut the part out of the
// multipart stream, decode it to 32-bit BGRX with the stream's fast settings
// and test it for black. Against FFmpeg's MJPEG decoder on the same JPEG
// frames, converted to BGRA by swscale (the same output), and, for
// reference, FFmpeg's decode alone into its native YUV. Camera-sized frames
// of 640x480 and 1920x1080, made at start-up with our encoder. Prints frames
// per second of each and the ratio at the end.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "video/BlackTest.h"
#include "video/Jpeg.h"
#include "video/MultipartParser.h"

using namespace oculon::video;

namespace {

constexpr int kFrames = 8;  // distinct pictures per stream, as a camera sends them

// A scene with gradients, edges and sensor noise, shifted per frame, at a
// camera's usual quality.
std::vector<std::uint8_t> cameraFrame(int width, int height, int index) {
    Image image;
    image.reshape(width, height, PixelFormat::Bgrx32);
    std::mt19937 random(static_cast<unsigned>(index + width));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            const int noise = static_cast<int>(random() % 16);
            const int sx = x + index * 7;
            const bool edge = ((sx / 64) + (y / 48)) % 2 == 0;
            p[0] = static_cast<std::uint8_t>((sx * 255 / width + noise + (edge ? 40 : 0)) & 0xFF);
            p[1] = static_cast<std::uint8_t>((y * 255 / height + noise) & 0xFF);
            p[2] = static_cast<std::uint8_t>(((sx + y) / 8 + noise) & 0xFF);
            p[3] = 0xFF;
        }
    }
    return encodeJpeg(viewOf(image), 85);
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

// Frames per second of the last measured run of each benchmark.
std::map<std::string, double>& results() {
    static std::map<std::string, double> r;
    return r;
}

class Stopwatch {
public:
    explicit Stopwatch(std::string name) : name_(std::move(name)), start_(std::chrono::steady_clock::now()) {}
    void finish(benchmark::State& state) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double frames = static_cast<double>(state.iterations()) * kFrames;
        results()[name_] = frames / seconds;
        state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    }

private:
    std::string name_;
    std::chrono::steady_clock::time_point start_;
};

void BM_Ours_CutDecodeBlackTest(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const Stream& stream = streamOf(width, height);
    MultipartParser parser("--b");
    parser.append("--b");  // the preamble the connection skips first
    JpegDecoder decoder(DecodeOptions{PixelFormat::Bgrx32, true});
    Image picture;
    int black = 0;
    Stopwatch watch("ours " + std::to_string(width));
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
    watch.finish(state);
    if (black != 0) state.SkipWithError("a test picture was taken for black");
}

struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

void ffmpegDecode(benchmark::State& state, bool toBgra) {
    av_log_set_level(AV_LOG_ERROR);  // swscale calls the JPEG range formats "deprecated"
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const Stream& stream = streamOf(width, height);
    // libavcodec reads past the end of a packet: give each frame its padding.
    std::vector<std::vector<std::uint8_t>> padded;
    for (const auto& j : stream.jpegs) {
        padded.emplace_back(j);
        padded.back().resize(j.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    std::unique_ptr<AVCodecContext, CodecDeleter> context(avcodec_alloc_context3(codec));
    context->thread_count = 1;  // like ours: one thread per stream
    if (avcodec_open2(context.get(), codec, nullptr) < 0) throw std::runtime_error("mjpeg decoder");
    std::unique_ptr<AVPacket, CodecDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, CodecDeleter> frame(av_frame_alloc());
    std::unique_ptr<SwsContext, CodecDeleter> sws;
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) * height * 4);
    Stopwatch watch(std::string(toBgra ? "ffmpeg " : "ffmpeg yuv ") + std::to_string(width));
    for (auto _ : state) {
        for (std::size_t i = 0; i < padded.size(); ++i) {
            packet->data = padded[i].data();
            packet->size = static_cast<int>(stream.jpegs[i].size());
            if (avcodec_send_packet(context.get(), packet.get()) != 0 ||
                avcodec_receive_frame(context.get(), frame.get()) != 0)
                throw std::runtime_error("mjpeg decode");
            if (toBgra) {
                sws.reset(sws_getCachedContext(sws.release(), frame->width, frame->height,
                                               static_cast<AVPixelFormat>(frame->format), frame->width, frame->height,
                                               AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
                std::uint8_t* dst[1] = {bgra.data()};
                const int dstStride[1] = {frame->width * 4};
                sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
                benchmark::DoNotOptimize(bgra.data());
            }
            benchmark::DoNotOptimize(frame->data[0]);
        }
    }
    watch.finish(state);
}

void BM_FFmpeg_DecodeToBGRA(benchmark::State& state) { ffmpegDecode(state, true); }
void BM_FFmpeg_DecodeOnlyYUV(benchmark::State& state) { ffmpegDecode(state, false); }

#define FRAME_SIZES Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->MinTime(1.0)
BENCHMARK(BM_Ours_CutDecodeBlackTest)->FRAME_SIZES;
BENCHMARK(BM_FFmpeg_DecodeToBGRA)->FRAME_SIZES;
BENCHMARK(BM_FFmpeg_DecodeOnlyYUV)->FRAME_SIZES;

void printSummary() {
    std::printf("\nframes per second (one thread)\n");
    std::printf("%-10s %12s %14s %8s %18s %8s\n", "size", "ours", "ffmpeg->BGRA", "ratio", "ffmpeg YUV only", "ratio");
    for (const auto& [width, label] : {std::pair{640, "640x480"}, std::pair{1920, "1920x1080"}}) {
        const auto get = [&](const std::string& name) {
            const auto it = results().find(name + std::to_string(width));
            return it == results().end() ? 0.0 : it->second;
        };
        const double ours = get("ours "), bgra = get("ffmpeg "), yuv = get("ffmpeg yuv ");
        if (ours == 0.0) continue;
        std::printf("%-10s %12.1f %14.1f %8.2f %18.1f %8.2f\n", label, ours, bgra, bgra > 0 ? ours / bgra : 0.0, yuv,
                    yuv > 0 ? ours / yuv : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
