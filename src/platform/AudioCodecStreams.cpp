#include "platform/AudioCodecStreams.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/LibavHandles.h"
#include "platform/PcmConversion.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace oculon::platform::acm {

// The PCM side of every stream is 16-bit little-endian, copied as it stands.
static_assert(std::endian::native == std::endian::little);

const std::vector<TagCodecs>& knownTags() {
    static const std::vector<TagCodecs> tags = {
        {kWaveFormatImaAdpcm, "IMA ADPCM", "adpcm_ima_wav", AV_CODEC_ID_ADPCM_IMA_WAV},
        {kWaveFormatMsAdpcm, "MS ADPCM", "adpcm_ms", AV_CODEC_ID_ADPCM_MS},
        {kWaveFormatALaw, "A-Law", "pcm_alaw", AV_CODEC_ID_PCM_ALAW},
        {kWaveFormatMuLaw, "u-Law", "pcm_mulaw", AV_CODEC_ID_PCM_MULAW},
        {kWaveFormatGsm610, "GSM 6.10", "libgsm_ms", AV_CODEC_ID_GSM_MS},
    };
    return tags;
}

const TagCodecs* codecsOf(std::uint16_t tag) {
    for (const auto& t : knownTags())
        if (t.tag == tag) return &t;
    return nullptr;
}

namespace {

std::string libavError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The encoder of `codecs` for 16-bit PCM of that layout; `blockAlign` 0 takes
// the encoder's own block size.
libav::CodecContext openEncoder(const TagCodecs& codecs, std::uint16_t channels, std::uint32_t samplesPerSec,
                                std::uint16_t blockAlign, std::string& error) {
    libav::routeLogOnce();
    const AVCodec* codec = avcodec_find_encoder_by_name(codecs.encoder);
    if (!codec || !codec->sample_fmts) {
        error = std::string("no encoder for ") + codecs.name;
        return nullptr;
    }
    if (channels < 1 || channels > 8 || samplesPerSec < 1 || samplesPerSec > 384000) {
        error = "audio layout out of range";
        return nullptr;
    }
    libav::CodecContext context(avcodec_alloc_context3(codec));
    av_channel_layout_default(&context->ch_layout, channels);
    context->sample_rate = static_cast<int>(samplesPerSec);
    context->sample_fmt = codec->sample_fmts[0];
    context->time_base = {1, context->sample_rate};
    if (blockAlign) av_opt_set_int(context->priv_data, "block_size", blockAlign, 0);
    if (const int result = avcodec_open2(context.get(), codec, nullptr); result < 0) {
        error = std::string(codecs.name) + " does not take " + std::to_string(channels) + " channels at " +
                std::to_string(samplesPerSec) + " Hz: " + libavError(result);
        return nullptr;
    }
    if (blockAlign && context->block_align != blockAlign) {
        error = std::string(codecs.name) + " writes blocks of " + std::to_string(context->block_align) +
                " bytes, not " + std::to_string(blockAlign);
        return nullptr;
    }
    return context;
}

bool isPlanar16(AVSampleFormat format) { return format == AV_SAMPLE_FMT_S16P; }
bool isPacked16(AVSampleFormat format) { return format == AV_SAMPLE_FMT_S16; }

class PcmStream final : public AudioConversionStream {
public:
    PcmStream(const WaveFormat& source, const WaveFormat& target)
        : AudioConversionStream(source, target), converter_(source, target) {}
    std::size_t targetSizeFor(std::size_t sourceBytes) const override {
        return converter_.maxOutputFor(held() + sourceBytes) + waiting();
    }

private:
    bool process(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool end) override {
        converter_.convert(input, output, end);
        return true;
    }
    bool restart() override {
        converter_.reset();
        return true;
    }

    PcmConverter converter_;
};

// Sends `frame` (null: the end) and appends every packet the encoder gives.
bool encodeInto(AVCodecContext& context, const AVFrame* frame, AVPacket& packet, std::vector<std::uint8_t>& output,
                std::string& error) {
    if (const int result = avcodec_send_frame(&context, frame); result < 0) {
        error = "the encoder refuses the samples: " + libavError(result);
        return false;
    }
    int result = 0;
    while ((result = avcodec_receive_packet(&context, &packet)) == 0) {
        output.insert(output.end(), packet.data, packet.data + packet.size);
        av_packet_unref(&packet);
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) {
        error = "the encoder fails: " + libavError(result);
        return false;
    }
    return true;
}

// A stream through a libav codec of `codecs`, opened by begin(): first and
// again on every restart.
class CodecStream : public AudioConversionStream {
public:
    CodecStream(const TagCodecs& codecs, const WaveFormat& source, const WaveFormat& target)
        : AudioConversionStream(source, target), codecs_(codecs) {}
    virtual bool begin(std::string& error) = 0;

protected:
    const TagCodecs& codecs_;
    libav::CodecContext context_;
    libav::Frame frame_;
    libav::Packet packet_;

private:
    bool restart() final {
        std::string error;
        return begin(error) || fail(error);
    }
};

class EncoderStream final : public CodecStream {
public:
    using CodecStream::CodecStream;

    bool begin(std::string& error) override {
        context_ = openEncoder(codecs_, target().channels, target().samplesPerSec, target().blockAlign, error);
        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!context_ || !frame_ || !packet_) return false;
        if (!isPacked16(context_->sample_fmt) && !isPlanar16(context_->sample_fmt)) {
            error = std::string(codecs_.name) + " takes no 16-bit samples";
            return false;
        }
        samplesPerBlock_ = context_->frame_size > 0 ? static_cast<std::size_t>(context_->frame_size) : 0;
        nextPts_ = 0;
        return true;
    }

    std::size_t targetSizeFor(std::size_t sourceBytes) const override {
        const std::size_t frames = (held() + sourceBytes) / source().blockAlign;
        const std::size_t bytes =
            samplesPerBlock_ ? (frames / samplesPerBlock_ + 1) * target().blockAlign : frames * target().blockAlign;
        return bytes + waiting();
    }

private:
    bool process(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool end) override {
        const std::size_t frameBytes = source().blockAlign;
        for (;;) {
            const std::size_t available = input.size() / frameBytes;
            const std::size_t block = samplesPerBlock_ ? samplesPerBlock_ : available;
            if (available == 0 || (available < block && !end)) break;
            const std::size_t used = std::min(available, block);
            if (!encodeBlock(input.data(), used, block, output)) return false;
            input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(used * frameBytes));
        }
        if (!end) return true;
        input.clear();
        std::string error;
        return encodeInto(*context_, nullptr, *packet_, output, error) || fail(error);
    }

    // `used` frames of `pcm`, completed with silence to `block` frames.
    bool encodeBlock(const std::uint8_t* pcm, std::size_t used, std::size_t block, std::vector<std::uint8_t>& output) {
        AVFrame& frame = *frame_;
        av_frame_unref(&frame);
        frame.nb_samples = static_cast<int>(block);
        frame.format = context_->sample_fmt;
        frame.sample_rate = context_->sample_rate;
        av_channel_layout_copy(&frame.ch_layout, &context_->ch_layout);
        if (av_frame_get_buffer(&frame, 0) < 0) return fail("out of memory");
        const std::size_t channels = target().channels;
        if (isPacked16(context_->sample_fmt)) {
            std::memcpy(frame.data[0], pcm, used * channels * 2);
            std::memset(frame.data[0] + used * channels * 2, 0, (block - used) * channels * 2);
        } else {
            for (std::size_t c = 0; c < channels; ++c) {
                auto* plane = reinterpret_cast<std::int16_t*>(frame.data[c]);
                for (std::size_t i = 0; i < block; ++i) {
                    std::int16_t sample = 0;
                    if (i < used) std::memcpy(&sample, pcm + (i * channels + c) * 2, 2);
                    plane[i] = sample;
                }
            }
        }
        frame.pts = nextPts_;
        nextPts_ += static_cast<std::int64_t>(block);
        std::string error;
        return encodeInto(*context_, &frame, *packet_, output, error) || fail(error);
    }

    std::size_t samplesPerBlock_ = 0;
    std::int64_t nextPts_ = 0;
};

class DecoderStream final : public CodecStream {
public:
    using CodecStream::CodecStream;

    bool begin(std::string& error) override {
        libav::routeLogOnce();
        const AVCodec* codec = avcodec_find_decoder(static_cast<AVCodecID>(codecs_.decoder));
        if (!codec) {
            error = std::string("no decoder for ") + codecs_.name;
            return false;
        }
        context_.reset(avcodec_alloc_context3(codec));
        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!context_ || !frame_ || !packet_) return false;
        av_channel_layout_default(&context_->ch_layout, source().channels);
        context_->sample_rate = static_cast<int>(source().samplesPerSec);
        context_->block_align = source().blockAlign;
        context_->bits_per_coded_sample = source().bitsPerSample;
        if (!source().extra.empty()) {
            context_->extradata =
                static_cast<std::uint8_t*>(av_mallocz(source().extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!context_->extradata) return false;
            std::memcpy(context_->extradata, source().extra.data(), source().extra.size());
            context_->extradata_size = static_cast<int>(source().extra.size());
        }
        if (const int result = avcodec_open2(context_.get(), codec, nullptr); result < 0) {
            error = std::string(codecs_.name) + " does not decode this format: " + libavError(result);
            return false;
        }
        return true;
    }

    std::size_t targetSizeFor(std::size_t sourceBytes) const override {
        const std::size_t blocks = (held() + sourceBytes) / source().blockAlign;
        // No format here codes a sample in fewer than 4 bits, or 1 bit for those that do not say.
        const std::size_t bits = std::max<std::size_t>(source().bitsPerSample, 1);
        return blocks * source().blockAlign * 8 / bits * 2 + waiting();
    }

private:
    bool process(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool end) override {
        const std::size_t block = source().blockAlign;
        // Formats of one sample per block go in one packet of every whole block.
        const bool sampleBlocks = block <= source().channels;
        while (input.size() >= block) {
            const std::size_t bytes = sampleBlocks ? input.size() / block * block : block;
            const bool decoded = decodePacket(input.data(), bytes, output);
            // A block that does not decode is dropped, so the blocks after it still can.
            input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(bytes));
            if (!decoded) return false;
        }
        if (end) input.clear();  // a partial block cannot be decoded
        return true;
    }

    bool decodePacket(const std::uint8_t* data, std::size_t bytes, std::vector<std::uint8_t>& output) {
        if (av_new_packet(packet_.get(), static_cast<int>(bytes)) < 0) return fail("out of memory");
        std::memcpy(packet_->data, data, bytes);
        const int sent = avcodec_send_packet(context_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (sent < 0) return fail(std::string(codecs_.name) + " block does not decode: " + libavError(sent));
        int result = 0;
        while ((result = avcodec_receive_frame(context_.get(), frame_.get())) == 0) {
            const AVFrame& frame = *frame_;
            const auto format = static_cast<AVSampleFormat>(frame.format);
            const std::size_t channels = static_cast<std::size_t>(frame.ch_layout.nb_channels);
            const std::size_t samples = static_cast<std::size_t>(frame.nb_samples);
            if (channels != source().channels || (!isPacked16(format) && !isPlanar16(format)))
                return fail(std::string(codecs_.name) + " decodes to another layout");
            const std::size_t start = output.size();
            output.resize(start + samples * channels * 2);
            if (isPacked16(format)) {
                std::memcpy(output.data() + start, frame.data[0], samples * channels * 2);
            } else {
                for (std::size_t i = 0; i < samples; ++i)
                    for (std::size_t c = 0; c < channels; ++c)
                        std::memcpy(output.data() + start + (i * channels + c) * 2, frame.data[c] + i * 2, 2);
            }
            av_frame_unref(frame_.get());
        }
        if (result != AVERROR(EAGAIN)) return fail(std::string(codecs_.name) + " fails: " + libavError(result));
        return true;
    }
};

}  // namespace

std::optional<WaveFormat> encoderFormat(const TagCodecs& codecs, std::uint16_t channels, std::uint32_t samplesPerSec) {
    std::string error;
    const auto context = openEncoder(codecs, channels, samplesPerSec, 0, error);
    if (!context || context->block_align <= 0) return std::nullopt;
    WaveFormat format;
    format.formatTag = codecs.tag;
    format.channels = channels;
    format.samplesPerSec = samplesPerSec;
    format.blockAlign = static_cast<std::uint16_t>(context->block_align);
    format.bitsPerSample = static_cast<std::uint16_t>(context->bits_per_coded_sample);
    const std::uint64_t perBlock = context->frame_size > 0 ? static_cast<std::uint64_t>(context->frame_size) : 1;
    format.avgBytesPerSec =
        static_cast<std::uint32_t>((std::uint64_t{format.blockAlign} * samplesPerSec + perBlock / 2) / perBlock);
    if (context->extradata_size > 0) {
        format.extra.assign(context->extradata, context->extradata + context->extradata_size);
    } else if (context->frame_size > 0) {
        // Block formats name their samples per block, as WAV files carry it.
        format.extra = {static_cast<std::uint8_t>(context->frame_size & 0xFF),
                        static_cast<std::uint8_t>(context->frame_size >> 8)};
    }
    return format;
}

std::unique_ptr<AudioConversionStream> openPcmStream(const WaveFormat& source, const WaveFormat& target) {
    return std::make_unique<PcmStream>(source, target);
}

std::unique_ptr<AudioConversionStream> openEncoderStream(const TagCodecs& codecs, const WaveFormat& source,
                                                         const WaveFormat& target, std::string& error) {
    auto stream = std::make_unique<EncoderStream>(codecs, source, target);
    if (!stream->begin(error)) return nullptr;
    return stream;
}

std::unique_ptr<AudioConversionStream> openDecoderStream(const TagCodecs& codecs, const WaveFormat& source,
                                                         const WaveFormat& target, std::string& error) {
    auto stream = std::make_unique<DecoderStream>(codecs, source, target);
    if (!stream->begin(error)) return nullptr;
    return stream;
}

}  // namespace oculon::platform::acm
