#pragma once
// The conversion streams behind AudioConversionStream::open, one per kind:
// PCM to PCM, PCM to a compressed format, a compressed format to PCM. Only
// AudioCompression.cpp makes them.

#include <memory>
#include <string>

#include "platform/AudioCompression.h"

namespace oculon::platform::acm {

// The FFmpeg codecs of one compressed format tag.
struct TagCodecs {
    std::uint16_t tag;
    const char* name;
    const char* encoder;
    int decoder;  // AVCodecID
};

// The compressed tags this manager knows, whether or not the library has them.
const std::vector<TagCodecs>& knownTags();
const TagCodecs* codecsOf(std::uint16_t tag);

std::unique_ptr<AudioConversionStream> openPcmStream(const WaveFormat& source, const WaveFormat& target);
std::unique_ptr<AudioConversionStream> openEncoderStream(const TagCodecs& codecs, const WaveFormat& source,
                                                         const WaveFormat& target, std::string& error);
std::unique_ptr<AudioConversionStream> openDecoderStream(const TagCodecs& codecs, const WaveFormat& source,
                                                         const WaveFormat& target, std::string& error);

// The record that `codecs`' encoder writes for PCM of that many channels and
// samples per second; nullopt when it does not open for them.
std::optional<WaveFormat> encoderFormat(const TagCodecs& codecs, std::uint16_t channels, std::uint32_t samplesPerSec);

}  // namespace oculon::platform::acm
