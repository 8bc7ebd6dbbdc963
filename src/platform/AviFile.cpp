#include "platform/AviFile.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/LibavHandles.h"
#include "platform/LittleEndian.h"
#include "platform/VideoEncoderSession.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

namespace oculon::platform {

namespace {

struct FormatContextFree {
    void operator()(AVFormatContext* c) const {
        if (c->pb) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatContextFree>;

std::string libavError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The compression code that announces the three colour masks after the header.
constexpr std::uint32_t kBitFields = 3;

// What the header of an uncompressed bitmap stream holds beyond its size:
// the pixel format the muxer checks the depth against, the compression code
// and the colour table or masks that follow the 40-byte header.
struct RawLayout {
    AVPixelFormat pixelFormat;
    int bits;
    std::uint32_t tag;
    std::vector<std::uint8_t> extra;
};

RawLayout rawLayout(BitmapLayout layout) {
    switch (layout) {
        case BitmapLayout::gray8: {
            RawLayout raw{AV_PIX_FMT_PAL8, 8, 0, {}};
            for (std::uint32_t i = 0; i < 256; ++i) appendLittle(raw.extra, i | i << 8 | i << 16, 4);
            return raw;
        }
        case BitmapLayout::rgb555: return {AV_PIX_FMT_RGB555LE, 16, 0, {}};
        case BitmapLayout::rgb565: {
            RawLayout raw{AV_PIX_FMT_RGB565LE, 16, kBitFields, {}};
            for (const std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) appendLittle(raw.extra, mask, 4);
            return raw;
        }
        case BitmapLayout::bgr24: return {AV_PIX_FMT_BGR24, 24, 0, {}};
        case BitmapLayout::bgrx32: return {AV_PIX_FMT_BGRA, 32, 0, {}};
    }
    return {AV_PIX_FMT_BGR24, 24, 0, {}};
}

bool setExtradata(AVCodecParameters& par, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return true;
    par.extradata = static_cast<std::uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par.extradata) return false;
    std::copy(bytes.begin(), bytes.end(), par.extradata);
    par.extradata_size = static_cast<int>(bytes.size());
    return true;
}

AVCodecID audioCodecOf(const WaveFormat& format) {
    if (format.isPcm()) return format.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
    const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
    return av_codec_get_id(tables, format.formatTag);
}

}  // namespace

struct AviFile::Impl {
    std::string path;
    FormatContext context;
    bool headerWritten = false;
    bool closed = false;
    std::string lastError;
    // Per stream: the time base the caller's positions are in, and the next position.
    std::vector<AVRational> positionBase;
    std::vector<std::int64_t> next;
    libav::Packet packet;

    bool fail(std::string text) {
        lastError = std::move(text);
        return false;
    }

    AVStream* newStream(std::string& error) {
        if (headerWritten || closed) {
            error = "streams are added before the first chunk";
            return nullptr;
        }
        AVStream* stream = avformat_new_stream(context.get(), nullptr);
        if (!stream) error = "out of memory";
        return stream;
    }

    int added(AVStream& stream, AVRational base) {
        positionBase.push_back(base);
        next.push_back(0);
        return stream.index;
    }

    bool writeHeader() {
        if (headerWritten) return true;
        AVDictionary* options = nullptr;
        // Uncompressed rows go in as device-independent bitmaps store them.
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
        const int result = avformat_write_header(context.get(), &options);
        av_dict_free(&options);
        if (result < 0) return fail("the AVI header cannot be written: " + libavError(result));
        headerWritten = true;
        return true;
    }

    bool write(int stream, const std::uint8_t* data, std::size_t size, bool keyFrame, std::int64_t length) {
        if (closed) return fail("the file is closed");
        if (stream < 0 || stream >= static_cast<int>(next.size())) return fail("no such stream");
        if (size > INT_MAX) return fail("chunk too large");
        if (!writeHeader()) return false;
        AVStream& st = *context->streams[stream];
        AVPacket& p = *packet;
        av_packet_unref(&p);
        p.data = const_cast<std::uint8_t*>(data);
        p.size = static_cast<int>(size);
        p.stream_index = stream;
        p.dts = p.pts = av_rescale_q(next[stream], positionBase[stream], st.time_base);
        p.duration = av_rescale_q(length, positionBase[stream], st.time_base);
        if (keyFrame) p.flags |= AV_PKT_FLAG_KEY;
        next[stream] += length;
        // The packet does not own the bytes: the muxer writes them before it returns.
        const int result = av_write_frame(context.get(), &p);
        p.data = nullptr;
        p.size = 0;
        if (result < 0) return fail("a chunk cannot be written: " + libavError(result));
        return true;
    }
};

AviFile::AviFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

AviFile::~AviFile() {
    if (!impl_->closed) close();
}

const std::string& AviFile::lastError() const { return impl_->lastError; }
const std::string& AviFile::path() const { return impl_->path; }

std::unique_ptr<AviFile> AviFile::create(const std::string& path, std::string& error) {
    libav::routeLogOnce();
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->packet.reset(av_packet_alloc());
    AVFormatContext* raw = nullptr;
    if (const int result = avformat_alloc_output_context2(&raw, nullptr, "avi", path.c_str()); result < 0 || !raw) {
        error = "no AVI writer: " + libavError(result);
        return nullptr;
    }
    impl->context.reset(raw);
    if (!impl->packet) {
        error = "out of memory";
        return nullptr;
    }
    // Replaced, not written over: a longer old file would leave its tail.
    // Only a file: unlike remove(), unlink() leaves a folder of that name.
    ::unlink(path.c_str());
    // Always a file: a name such as "pipe:1" must not reach another protocol.
    if (const int result = avio_open(&raw->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE); result < 0) {
        error = libavError(result);
        return nullptr;
    }
    return std::make_unique<AviFile>(std::move(impl));
}

int AviFile::addUncompressedVideo(const BitmapFormat& format, std::uint32_t scale, std::uint32_t rate,
                                  std::uint32_t bytesPerSecond, std::string& error) {
    if (!format.bottomUp) {
        error = "uncompressed bitmaps are stored bottom-up";
        return -1;
    }
    // The stream header holds the frame's rectangle in 16-bit fields.
    if (format.width < 1 || format.height < 1 || format.width > 0xFFFF || format.height > 0xFFFF || scale < 1 ||
        rate < 1 || scale > INT_MAX || rate > INT_MAX) {
        error = "picture size or frame rate out of range";
        return -1;
    }
    AVStream* stream = impl_->newStream(error);
    if (!stream) return -1;
    const RawLayout raw = rawLayout(format.layout);
    AVCodecParameters& par = *stream->codecpar;
    par.codec_type = AVMEDIA_TYPE_VIDEO;
    par.codec_id = AV_CODEC_ID_RAWVIDEO;
    par.codec_tag = raw.tag;
    par.format = raw.pixelFormat;
    par.bits_per_coded_sample = raw.bits;
    par.width = format.width;
    par.height = format.height;
    par.bit_rate = std::int64_t{bytesPerSecond} * 8;
    if (!setExtradata(par, raw.extra)) {
        error = "out of memory";
        return -1;
    }
    const AVRational base{static_cast<int>(scale), static_cast<int>(rate)};
    stream->time_base = base;
    stream->avg_frame_rate = av_inv_q(base);
    return impl_->added(*stream, base);
}

int AviFile::addCompressedVideo(const VideoEncoderSession& session, std::uint32_t scale, std::uint32_t rate,
                                std::string& error) {
    if (scale < 1 || rate < 1 || scale > INT_MAX || rate > INT_MAX) {
        error = "frame rate out of range";
        return -1;
    }
    AVStream* stream = impl_->newStream(error);
    if (!stream) return -1;
    session.copyStreamParameters(*stream->codecpar);
    stream->codecpar->codec_tag = session.streamTag();
    const AVRational base{static_cast<int>(scale), static_cast<int>(rate)};
    stream->time_base = base;
    stream->avg_frame_rate = av_inv_q(base);
    return impl_->added(*stream, base);
}

int AviFile::addAudio(const WaveFormat& format, std::string& error) {
    const AVCodecID codec = audioCodecOf(format);
    // The muxer takes rates as ints, and times the stream by its byte rate.
    if (codec == AV_CODEC_ID_NONE || format.channels < 1 || format.samplesPerSec < 1 ||
        format.samplesPerSec > INT_MAX || format.avgBytesPerSec < 1 || format.blockAlign < 1) {
        error = "audio format not supported";
        return -1;
    }
    AVStream* stream = impl_->newStream(error);
    if (!stream) return -1;
    AVCodecParameters& par = *stream->codecpar;
    par.codec_type = AVMEDIA_TYPE_AUDIO;
    par.codec_id = codec;
    par.codec_tag = format.formatTag;
    av_channel_layout_default(&par.ch_layout, format.channels);
    par.sample_rate = static_cast<int>(format.samplesPerSec);
    par.block_align = format.blockAlign;
    par.bits_per_coded_sample = format.bitsPerSample;
    par.bit_rate = std::int64_t{format.avgBytesPerSec} * 8;
    if (!setExtradata(par, format.extra)) {
        error = "out of memory";
        return -1;
    }
    const AVRational base{1, static_cast<int>(format.samplesPerSec)};
    stream->time_base = base;
    return impl_->added(*stream, base);
}

bool AviFile::writeVideo(int stream, const std::uint8_t* data, std::size_t size, bool keyFrame) {
    return impl_->write(stream, data, size, keyFrame, 1);
}

bool AviFile::writeAudio(int stream, const std::uint8_t* data, std::size_t size, std::uint32_t frames) {
    return impl_->write(stream, data, size, true, frames);
}

bool AviFile::close() {
    Impl& s = *impl_;
    if (s.closed) return s.lastError.empty();
    const bool headed = s.writeHeader();
    s.closed = true;
    int result = headed ? av_write_trailer(s.context.get()) : 0;
    if (const int closing = avio_closep(&s.context->pb); result >= 0 && closing < 0) result = closing;
    if (!headed) return false;
    if (result < 0) return s.fail("the AVI file cannot be finished: " + libavError(result));
    return true;
}

}  // namespace oculon::platform
