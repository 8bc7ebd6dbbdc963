#include "platform/AudioCompression.h"

#include <algorithm>
#include <cstring>

#include "platform/AudioCodecStreams.h"
#include "platform/PcmConversion.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace oculon::platform {

namespace {

constexpr std::uint32_t kOfferedRates[] = {8000, 11025, 22050, 44100};

bool installed(const acm::TagCodecs& codecs) {
    return avcodec_find_encoder_by_name(codecs.encoder) && avcodec_find_decoder(static_cast<AVCodecID>(codecs.decoder));
}

std::vector<AudioFormatTag> listTags() {
    std::vector<AudioFormatTag> tags{{kWaveFormatPcm, "PCM", WaveFormat::kHeaderSize}};
    for (const auto& codecs : acm::knownTags()) {
        if (!installed(codecs)) continue;
        AudioFormatTag tag{codecs.tag, codecs.name, 0};
        for (const auto& format : audioFormats(codecs.tag))
            tag.formatSize = std::max(tag.formatSize, format.bytes().size());
        if (tag.formatSize) tags.push_back(tag);
    }
    return tags;
}

}  // namespace

const std::vector<AudioFormatTag>& audioFormatTags() {
    static const std::vector<AudioFormatTag> tags = listTags();
    return tags;
}

std::optional<AudioFormatTag> audioFormatTagDetails(std::uint16_t tag) {
    for (const auto& t : audioFormatTags())
        if (t.tag == tag) return t;
    return std::nullopt;
}

std::size_t maxAudioFormatSize() {
    std::size_t size = WaveFormat::kHeaderSize;
    for (const auto& t : audioFormatTags()) size = std::max(size, t.formatSize);
    return size;
}

std::vector<WaveFormat> audioFormats(std::uint16_t tag) {
    std::vector<WaveFormat> formats;
    for (std::uint32_t rate : kOfferedRates)
        for (std::uint16_t channels : {1, 2}) {
            if (tag == kWaveFormatPcm) {
                formats.push_back(WaveFormat::pcm(channels, rate, 8));
                formats.push_back(WaveFormat::pcm(channels, rate, 16));
            } else if (auto format = suggestAudioFormat(tag, channels, rate)) {
                formats.push_back(std::move(*format));
            }
        }
    return formats;
}

std::optional<WaveFormat> suggestAudioFormat(std::uint16_t tag, std::uint16_t channels, std::uint32_t samplesPerSec) {
    if (tag == kWaveFormatPcm) {
        auto format = WaveFormat::pcm(channels, samplesPerSec, 16);
        if (!PcmConverter::supports(format)) return std::nullopt;
        return format;
    }
    const auto* codecs = acm::codecsOf(tag);
    if (!codecs || !installed(*codecs)) return std::nullopt;
    return acm::encoderFormat(*codecs, channels, samplesPerSec);
}

std::optional<WaveFormat> suggestPcmFormat(const WaveFormat& format) {
    if (format.isPcm()) {
        if (!PcmConverter::supports(format)) return std::nullopt;
        return format;
    }
    const auto* codecs = acm::codecsOf(format.formatTag);
    if (!codecs || !installed(*codecs) || format.channels < 1 || format.channels > 8 || format.samplesPerSec < 1 ||
        format.samplesPerSec > 384000)
        return std::nullopt;
    return WaveFormat::pcm(format.channels, format.samplesPerSec, 16);
}

AudioConversionStream::AudioConversionStream(WaveFormat source, WaveFormat target)
    : source_(std::move(source)), target_(std::move(target)) {}

bool AudioConversionStream::fail(std::string text) {
    lastError_ = std::move(text);
    return false;
}

std::unique_ptr<AudioConversionStream> AudioConversionStream::open(const WaveFormat& source, const WaveFormat& target,
                                                                   std::string& error) {
    if (source.isPcm() && target.isPcm()) {
        if (PcmConverter::supports(source) && PcmConverter::supports(target)) return acm::openPcmStream(source, target);
        error = "only 8- and 16-bit PCM is converted";
        return nullptr;
    }
    const WaveFormat& compressed = source.isPcm() ? target : source;
    const WaveFormat& pcm = source.isPcm() ? source : target;
    const auto* codecs = acm::codecsOf(compressed.formatTag);
    const auto pcmSide = suggestPcmFormat(compressed);
    if (!codecs || !pcmSide) {
        error = "audio format " + std::to_string(compressed.formatTag) + " is not converted";
        return nullptr;
    }
    if (!pcm.isPcm() || pcm != *pcmSide) {
        error = std::string(codecs->name) + " converts only to and from 16-bit PCM of its channels and rate";
        return nullptr;
    }
    if (compressed.blockAlign == 0) {
        error = std::string(codecs->name) + " format without a block size";
        return nullptr;
    }
    return source.isPcm() ? acm::openEncoderStream(*codecs, source, target, error)
                          : acm::openDecoderStream(*codecs, source, target, error);
}

std::optional<AudioConversionStream::Result> AudioConversionStream::convert(const std::uint8_t* source,
                                                                            std::size_t sourceBytes,
                                                                            std::uint8_t* target,
                                                                            std::size_t targetBytes, unsigned flags) {
    if ((!source && sourceBytes) || (!target && targetBytes)) {
        fail("no buffer");
        return std::nullopt;
    }
    const bool start = (flags & audioConvertStart) != 0;
    const bool end = (flags & audioConvertEnd) != 0;
    if ((start && used_) || ended_) {
        if (!restart()) return std::nullopt;
        input_.clear();
        // Output of the run before still waits for the caller, unless a new run starts.
        if (start) {
            output_.clear();
            outputStart_ = 0;
        }
        ended_ = false;
    }
    used_ = true;
    if (sourceBytes) input_.insert(input_.end(), source, source + sourceBytes);
    if (!process(input_, output_, end)) return std::nullopt;
    ended_ = end;
    const std::size_t given = std::min(targetBytes, waiting());
    if (given) std::memcpy(target, output_.data() + outputStart_, given);
    outputStart_ += given;
    if (outputStart_ == output_.size()) {
        output_.clear();
        outputStart_ = 0;
    }
    return Result{sourceBytes, given};
}

}  // namespace oculon::platform
