// Decoding one camera-sized JPEG picture to 32-bit BGRX: our libjpeg layer in
// its settings (exact, fast, scaled for previews) against FFmpeg's MJPEG
// decoder with its conversion to BGRA, the same work in another library.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <random>
#include <stdexcept>
#include <vector>

#include "video/Jpeg.h"

using namespace oculon::video;

namespace {

// 1280x720 with ramps and noise, so the entropy data is not trivially small.
const std::vector<std::uint8_t>& picture() {
    static const std::vector<std::uint8_t> jpeg = [] {
        Image image;
        image.reshape(1280, 720, PixelFormat::Bgrx32);
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
void BM_Ours_Fast_Quarter(benchmark::State& state) { decodeOurs(state, {PixelFormat::Bgrx32, true, 4}); }
BENCHMARK(BM_Ours_Exact)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ours_Fast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ours_Fast_Quarter)->Unit(benchmark::kMicrosecond);

void BM_FFmpeg_MJPEG_ToBGRA(benchmark::State& state) {
    av_log_set_level(AV_LOG_ERROR);  // the JPEG range pixel formats are "deprecated" to swscale
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->thread_count = 1;
    if (avcodec_open2(context, codec, nullptr) < 0) throw std::runtime_error("mjpeg decoder");
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<std::uint8_t> bgra(1280 * 720 * 4);
    SwsContext* sws = nullptr;
    for (auto _ : state) {
        packet->data = const_cast<std::uint8_t*>(picture().data());
        packet->size = static_cast<int>(picture().size());
        avcodec_send_packet(context, packet);
        if (avcodec_receive_frame(context, frame) != 0) throw std::runtime_error("mjpeg decode");
        sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                   frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
        std::uint8_t* dst[1] = {bgra.data()};
        const int dstStride[1] = {frame->width * 4};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
        benchmark::DoNotOptimize(bgra.data());
    }
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
}
BENCHMARK(BM_FFmpeg_MJPEG_ToBGRA)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
