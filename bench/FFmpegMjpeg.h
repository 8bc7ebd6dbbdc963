#pragma once
// FFmpeg's MJPEG decoder on one thread with swscale's conversion to BGRA: the
// peer of our JPEG decoding in the benchmarks. Replicated chroma (SWS_POINT)
// gives the picture of our fast setting within a few levels.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

namespace oculon::bench {

class FFmpegMjpeg {
public:
    FFmpegMjpeg() {
        av_log_set_level(AV_LOG_ERROR);  // swscale calls the JPEG range formats "deprecated"
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
        context_.reset(avcodec_alloc_context3(codec));
        context_->thread_count = 1;  // like ours: one thread per stream
        if (avcodec_open2(context_.get(), codec, nullptr) < 0) throw std::runtime_error("mjpeg decoder");
    }

    // libavcodec reads up to AV_INPUT_BUFFER_PADDING_SIZE bytes past the end of
    // a packet: a copy of the picture followed by that many zero bytes.
    static std::vector<std::uint8_t> padded(std::span<const std::uint8_t> jpeg) {
        std::vector<std::uint8_t> copy(jpeg.begin(), jpeg.end());
        copy.resize(jpeg.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        return copy;
    }

    // Decodes `size` bytes of a padded picture into the decoder's own YUV.
    const AVFrame& decode(const std::vector<std::uint8_t>& padded, std::size_t size) {
        packet_->data = const_cast<std::uint8_t*>(padded.data());
        packet_->size = static_cast<int>(size);
        if (avcodec_send_packet(context_.get(), packet_.get()) != 0 ||
            avcodec_receive_frame(context_.get(), frame_.get()) != 0)
            throw std::runtime_error("mjpeg decode");
        return *frame_;
    }

    // The last picture decoded, as rows of width x 4 bytes B, G, R, A.
    const std::vector<std::uint8_t>& toBgra() {
        const AVFrame& f = *frame_;
        sws_.reset(sws_getCachedContext(sws_.release(), f.width, f.height, static_cast<AVPixelFormat>(f.format),
                                        f.width, f.height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
        bgra_.resize(static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.height) * 4);
        std::uint8_t* dst[1] = {bgra_.data()};
        const int dstStride[1] = {f.width * 4};
        sws_scale(sws_.get(), f.data, f.linesize, 0, f.height, dst, dstStride);
        return bgra_;
    }

private:
    struct Deleter {
        void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
        void operator()(AVPacket* p) const { av_packet_free(&p); }
        void operator()(AVFrame* f) const { av_frame_free(&f); }
        void operator()(SwsContext* s) const { sws_freeContext(s); }
    };
    std::unique_ptr<AVCodecContext, Deleter> context_;
    std::unique_ptr<AVPacket, Deleter> packet_{av_packet_alloc()};
    std::unique_ptr<AVFrame, Deleter> frame_{av_frame_alloc()};
    std::unique_ptr<SwsContext, Deleter> sws_;
    std::vector<std::uint8_t> bgra_;
};

}  // namespace oculon::bench
