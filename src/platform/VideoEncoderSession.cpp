#include "platform/VideoEncoderSession.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/FullRangeYuv.h"
#include "platform/LibavHandles.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace oculon::platform {

namespace {

AVPixelFormat pixelFormatOf(BitmapLayout layout) {
    switch (layout) {
        case BitmapLayout::gray8: return AV_PIX_FMT_GRAY8;
        case BitmapLayout::rgb555: return AV_PIX_FMT_RGB555LE;
        case BitmapLayout::rgb565: return AV_PIX_FMT_RGB565LE;
        case BitmapLayout::bgr24: return AV_PIX_FMT_BGR24;
        case BitmapLayout::bgrx32: return AV_PIX_FMT_BGR0;
    }
    return AV_PIX_FMT_BGR24;
}

bool isFullRangeYuv(AVPixelFormat format) {
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
           format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

// Lossy encoders get 4:2:0 where they take it: every player reads it, while
// the 4:4:4 that a full-colour picture would ask for needs a profile many
// lack. Lossless encoders, grey pictures and sizes that 4:2:0 cannot halve
// (an encoder that has a choice may refuse those) keep the format that loses
// least.
AVPixelFormat encoderPixelFormat(const AVCodec& codec, AVPixelFormat input, int width, int height) {
    const AVPixelFormat best = avcodec_find_best_pix_fmt_of_list(codec.pix_fmts, input, 0, nullptr);
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec.id);
    const AVPixFmtDescriptor* bestLayout = av_pix_fmt_desc_get(best);
    if (!descriptor || !(descriptor->props & AV_CODEC_PROP_LOSSY) || !bestLayout || bestLayout->nb_components < 3 ||
        width % 2 != 0 || height % 2 != 0)
        return best;
    for (const AVPixelFormat* format = codec.pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
        const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(*format);
        if (layout && layout->nb_components == 3 && !(layout->flags & AV_PIX_FMT_FLAG_RGB) &&
            layout->log2_chroma_w == 1 && layout->log2_chroma_h == 1 && layout->comp[0].depth == 8 &&
            sws_isSupportedOutput(*format))
            return *format;
    }
    return best;
}

// The sizes some encoders of these libraries do not refuse, but end the
// process over (a failed assertion) or write as frames that their own
// decoders reject: they never reach the encoder.
// - flashsv: pictures of one pixel end the process.
// - rpza: its output buffer holds 6 bytes a pixel, less than a 4 x 4 block
//   that the picture does not fill may take: smaller pictures end the
//   process or come out cut short.
// - svq1: its output buffer holds 9000 bytes a macroblock, and past 29824
//   macroblocks that is more than its bit writer takes.
// - speedhq: its decoder reads four slice lengths, which the encoder writes
//   only for pictures of three macroblock rows or more, and it decodes
//   pictures only of a whole number of macroblocks across.
// - utvideo: each plane's data is padded to 4 bytes in a buffer of a byte a
//   pixel, so that pictures of 2 or 3 pixels come out cut short.
// - cfhd: its decoder takes no picture of less than 32 pixels across.
bool encoderTakesSize(const std::string& encoder, int width, int height) {
    struct Rule {
        std::string_view encoder;
        int minimumWidth;
        int minimumHeight;
        int widthMultiple;
        long minimumPixels;
        long maximumMacroblocks;
    };
    // Encoder, least width, least height, width a multiple of, least pixels, most macroblocks.
    constexpr Rule rules[] = {
        {"flashsv", 1, 1, 1, 2, LONG_MAX},    {"rpza", 4, 4, 1, 1, LONG_MAX},    {"svq1", 1, 1, 1, 1, 29824},
        {"speedhq", 16, 33, 16, 1, LONG_MAX}, {"utvideo", 1, 1, 1, 4, LONG_MAX}, {"cfhd", 32, 1, 1, 1, LONG_MAX},
    };
    const long pixels = static_cast<long>(width) * height;
    const long macroblocks = static_cast<long>((width + 15) / 16) * ((height + 15) / 16);
    for (const auto& rule : rules)
        if (rule.encoder == encoder &&
            (width < rule.minimumWidth || height < rule.minimumHeight || width % rule.widthMultiple != 0 ||
             pixels < rule.minimumPixels || macroblocks > rule.maximumMacroblocks))
            return false;
    return true;
}

// Quality 0..10000 onto the encoder's own scale: its constant rate factor
// where it has one, otherwise a fixed quantiser from 31 (0) to 1 (10000).
// A rate factor of 0 makes some encoders lossless, in a profile that common
// players lack, so the best quality stops at 1.
void setQuality(AVCodecContext& context, std::uint32_t quality) {
    const double q = std::min<std::uint32_t>(quality, 10000) / 10000.0;
    if (const AVOption* crf = av_opt_find(context.priv_data, "crf", nullptr, 0, 0)) {
        const double best = std::max(1.0, crf->min);
        const double worst = std::min(crf->max, 63.0);
        av_opt_set_double(context.priv_data, "crf", std::round(worst - q * (worst - best)), 0);
        return;
    }
    context.flags |= AV_CODEC_FLAG_QSCALE;
    context.global_quality = FF_QP2LAMBDA * static_cast<int>(31 - std::lround(q * 30));
}

// One chunk per frame: no reordered frames, no look-ahead, and threads that
// share a frame rather than holding several.
void askForNoDelay(AVCodecContext& context) {
    context.max_b_frames = 0;
    context.thread_type = FF_THREAD_SLICE;
    context.thread_count = 0;
    struct Option {
        const char* name;
        const char* value;
    };
    constexpr Option options[] = {{"tune", "zerolatency"}, {"lag-in-frames", "0"},   {"rc-lookahead", "0"},
                                  {"usage", "realtime"},   {"deadline", "realtime"}, {"cpu-used", "8"}};
    // Encoders without an option, or without that value for it, are left as they are.
    for (const auto& option : options) av_opt_set(context.priv_data, option.name, option.value, 0);
}

// Pictures that a motion-JPEG encoder takes as the planes of a JPEG picture
// are converted by our own one-pass loop rather than the general scaler.
bool convertsOnItsOwn(AVPixelFormat input, AVPixelFormat output, int width, int height) {
    return output == AV_PIX_FMT_YUVJ420P && (input == AV_PIX_FMT_BGR24 || input == AV_PIX_FMT_BGR0) && width % 2 == 0 &&
           height % 2 == 0;
}

std::string libavError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

struct VideoEncoderSession::Impl {
    const VideoCompressorInfo* compressor = nullptr;
    std::string encoder;
    VideoEncoderSettings settings;
    libav::CodecContext context;
    libav::Scaler scaler;  // null where the picture is converted on its own (convertsOnItsOwn)
    libav::Frame frame;
    libav::Packet packet;
    std::int64_t nextPts = 0;
    std::string lastError;

    std::optional<CompressedFrame> fail(std::string text) {
        lastError = std::move(text);
        return std::nullopt;
    }
    // The picture in the frame's buffer to the encoder, and what it gives back.
    std::optional<CompressedFrame> encodeFrame();
};

std::optional<CompressedFrame> VideoEncoderSession::Impl::encodeFrame() {
    frame->pts = nextPts++;
    frame->quality = context->global_quality;
    if (const int result = avcodec_send_frame(context.get(), frame.get()); result < 0)
        return fail(encoder + " refuses the frame: " + libavError(result));
    CompressedFrame compressed;
    int result = 0;
    while ((result = avcodec_receive_packet(context.get(), packet.get())) == 0) {
        if (compressed.bytes.empty()) compressed.keyFrame = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        compressed.bytes.insert(compressed.bytes.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    if (result != AVERROR(EAGAIN)) return fail(encoder + " fails: " + libavError(result));
    return compressed;
}

VideoEncoderSession::VideoEncoderSession(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
VideoEncoderSession::~VideoEncoderSession() = default;

const VideoCompressorInfo& VideoEncoderSession::compressor() const { return *impl_->compressor; }
const std::string& VideoEncoderSession::encoderName() const { return impl_->encoder; }
const VideoEncoderSettings& VideoEncoderSession::settings() const { return impl_->settings; }
const std::string& VideoEncoderSession::lastError() const { return impl_->lastError; }

std::unique_ptr<VideoEncoderSession> VideoEncoderSession::open(std::string_view code,
                                                               const VideoEncoderSettings& settings,
                                                               std::string& error) {
    const VideoCompressorInfo* compressor = findVideoCompressor(code);
    if (!compressor) {
        error = "no compressor " + codeFromFourcc(fourccFromCode(code)) + " is installed";
        return nullptr;
    }
    error = "compressor " + compressor->code + " does not take " + std::to_string(settings.format.width) + "x" +
            std::to_string(settings.format.height) + " pictures of " +
            std::to_string(8 * bytesPerPixel(settings.format.layout)) + " bits";
    for (const auto& encoder : compressor->encoders) {
        if (!videoEncoderAccepts(*compressor, encoder, settings.format)) continue;
        if (auto session = openEncoder(*compressor, encoder, settings, error)) return session;
    }
    return nullptr;
}

std::unique_ptr<VideoEncoderSession> VideoEncoderSession::openEncoder(const VideoCompressorInfo& compressor,
                                                                      const std::string& encoder,
                                                                      const VideoEncoderSettings& settings,
                                                                      std::string& error) {
    libav::routeLogOnce();
    const auto& format = settings.format;
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    if (!codec || !codec->pix_fmts) {
        error = "no video encoder " + encoder;
        return nullptr;
    }
    if (format.width < 1 || format.height < 1 || format.width > 16384 || format.height > 16384) {
        error = "picture size out of range";
        return nullptr;
    }
    if (!encoderTakesSize(encoder, format.width, format.height)) {
        error = encoder + " does not take " + std::to_string(format.width) + "x" + std::to_string(format.height) +
                " pictures";
        return nullptr;
    }
    AVRational timeBase{0, 1};
    av_reduce(&timeBase.num, &timeBase.den, settings.scale, settings.rate, 65535);
    if (timeBase.num <= 0 || timeBase.den <= 0) {
        error = "frame rate out of range";
        return nullptr;
    }
    const AVPixelFormat input = pixelFormatOf(format.layout);
    const AVPixelFormat output = encoderPixelFormat(*codec, input, format.width, format.height);
    if (output == AV_PIX_FMT_NONE || !sws_isSupportedOutput(output)) {
        error = encoder + " takes no pixel format that pictures convert to";
        return nullptr;
    }

    auto impl = std::make_unique<Impl>();
    impl->compressor = &compressor;
    impl->encoder = encoder;
    impl->settings = settings;
    impl->context.reset(avcodec_alloc_context3(codec));
    impl->frame.reset(av_frame_alloc());
    impl->packet.reset(av_packet_alloc());
    if (!impl->context || !impl->frame || !impl->packet) {
        error = "out of memory";
        return nullptr;
    }
    AVCodecContext& context = *impl->context;
    context.width = format.width;
    context.height = format.height;
    context.pix_fmt = output;
    if (isFullRangeYuv(output)) context.color_range = AVCOL_RANGE_JPEG;
    context.time_base = timeBase;
    context.framerate = av_inv_q(timeBase);
    context.gop_size = static_cast<int>(std::clamp<std::uint32_t>(settings.keyFrameInterval, 1, INT_MAX));
    context.codec_tag = compressor.streamTag;
    context.bit_rate = std::int64_t{settings.bytesPerSecond} * 8;
    setQuality(context, settings.quality);
    askForNoDelay(context);
    if (const int result = avcodec_open2(&context, codec, nullptr); result < 0) {
        error = encoder + " does not open: " + libavError(result);
        return nullptr;
    }
    // Some encoders name their variant of the format themselves.
    if (!context.codec_tag) context.codec_tag = compressor.streamTag;

    const bool ownConversion = convertsOnItsOwn(input, output, format.width, format.height);
    if (!ownConversion)
        impl->scaler.reset(sws_getContext(format.width, format.height, input, format.width, format.height, output,
                                          SWS_BICUBIC, nullptr, nullptr, nullptr));
    AVFrame& frame = *impl->frame;
    frame.format = output;
    frame.width = format.width;
    frame.height = format.height;
    if ((!ownConversion && !impl->scaler) || av_frame_get_buffer(&frame, 0) < 0) {
        error = "no conversion of pictures for " + encoder;
        return nullptr;
    }
    return std::make_unique<VideoEncoderSession>(std::move(impl));
}

std::optional<CompressedFrame> VideoEncoderSession::compress(const std::uint8_t* rows, std::ptrdiff_t step) {
    Impl& s = *impl_;
    const auto& format = s.settings.format;
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(format.width) * bytesPerPixel(format.layout);
    if (!rows || std::abs(step) < rowBytes || std::abs(step) > INT_MAX) return s.fail("rows do not fit the picture");

    const std::uint8_t* top = rows;
    std::ptrdiff_t topStep = step;
    if (format.bottomUp) {
        top = rows + (format.height - 1) * step;
        topStep = -step;
    }
    // The encoder may still hold the previous picture.
    if (const int result = av_frame_make_writable(s.frame.get()); result < 0)
        return s.fail("no picture buffer: " + libavError(result));
    AVFrame& frame = *s.frame;
    if (s.scaler) {
        const std::uint8_t* const planes[4] = {top, nullptr, nullptr, nullptr};
        const int strides[4] = {static_cast<int>(topStep), 0, 0, 0};
        sws_scale(s.scaler.get(), planes, strides, 0, format.height, frame.data, frame.linesize);
    } else {
        bgrToFullRangeYuv420(
            top, topStep, bytesPerPixel(format.layout), format.width, format.height,
            {frame.data[0], frame.linesize[0], frame.data[1], frame.linesize[1], frame.data[2], frame.linesize[2]});
    }
    return s.encodeFrame();
}

bool VideoEncoderSession::takesFullRange420() const { return impl_->frame->format == AV_PIX_FMT_YUVJ420P; }

std::optional<CompressedFrame> VideoEncoderSession::compressPlanes(const Yuv420Planes& planes) {
    Impl& s = *impl_;
    if (!takesFullRange420()) return s.fail(s.encoder + " does not take 4:2:0 planes");
    if (const int result = av_frame_make_writable(s.frame.get()); result < 0)
        return s.fail("no picture buffer: " + libavError(result));
    AVFrame& frame = *s.frame;
    const int width = s.settings.format.width, height = s.settings.format.height;
    const std::uint8_t* const from[3] = {planes.y, planes.cb, planes.cr};
    const std::ptrdiff_t steps[3] = {planes.yStep, planes.cbStep, planes.crStep};
    for (int k = 0; k < 3; ++k) {
        const int w = k == 0 ? width : (width + 1) / 2, h = k == 0 ? height : (height + 1) / 2;
        av_image_copy_plane(frame.data[k], frame.linesize[k], from[k], static_cast<int>(steps[k]), w, h);
    }
    return s.encodeFrame();
}

std::uint32_t VideoEncoderSession::streamTag() const { return impl_->context->codec_tag; }

void VideoEncoderSession::copyStreamParameters(AVCodecParameters& parameters) const {
    avcodec_parameters_from_context(&parameters, impl_->context.get());
}

}  // namespace oculon::platform
