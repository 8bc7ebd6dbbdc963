#include "media/audio/AUWaveFormat.h"

namespace oculon::audio {

namespace {

bool isPosition(std::uint32_t mask, unsigned bit) { return (mask >> bit & 1) != 0; }

// The lowest `channels` positions of `requested`, then free positions from
// the lowest up for the channels still without one. A mask with more
// positions than channels would pair channels with the wrong speakers, and
// one with fewer would leave channels that no copy reaches.
std::uint32_t channelPositions(std::uint32_t requested, std::uint32_t channels) {
    std::uint32_t mask = 0;
    std::uint32_t placed = 0;
    for (unsigned bit = 0; bit < kAUSpeakerCount && placed < channels; ++bit) {
        if (isPosition(requested, bit)) {
            mask |= 1u << bit;
            ++placed;
        }
    }
    for (unsigned bit = 0; bit < kAUSpeakerCount && placed < channels; ++bit) {
        if (!isPosition(mask, bit)) {
            mask |= 1u << bit;
            ++placed;
        }
    }
    return mask;
}

}  // namespace

TAUWaveFormatExtensible AUMakeWaveFormat(std::uint32_t sampleRate, std::uint32_t channelMask, std::uint32_t channels,
                                         std::uint32_t bits) {
    if (channels == 0) throw EAudioFormatError("no channels");
    if (bits == 0 || bits > 32) throw EAudioFormatError(std::to_string(bits) + " bits per sample");
    const std::uint32_t containerBits = (bits + 7) / 8 * 8;
    const std::uint64_t frameBytes = std::uint64_t{containerBits / 8} * channels;
    if (frameBytes > UINT16_MAX)
        throw EAudioFormatError(std::to_string(channels) + " channels of " + std::to_string(containerBits) + " bits");
    TAUWaveFormatExtensible f{};
    f.Format.wFormatTag = kAUFormatExtensible;
    f.Format.nChannels = static_cast<std::uint16_t>(channels);
    f.Format.nSamplesPerSec = sampleRate;
    f.Format.nBlockAlign = static_cast<std::uint16_t>(frameBytes);
    f.Format.nAvgBytesPerSec = f.Format.nBlockAlign * sampleRate;
    f.Format.wBitsPerSample = static_cast<std::uint16_t>(containerBits);
    f.Format.cbSize = kAUExtensionSize;
    f.wValidBitsPerSample = static_cast<std::uint16_t>(bits);
    f.dwChannelMask = channelPositions(channelMask, channels);
    f.SubFormat = kAUSubFormatPCM;
    return f;
}

void AUCheckWaveFormat(const TAUWaveFormatExtensible& format, std::uint64_t blockSize) {
    const TAUWaveFormatEx& f = format.Format;
    if (blockSize < kAUHeaderSize) throw EAudioFormatError("a block of " + std::to_string(blockSize) + " bytes");
    if (f.cbSize + 18u != kAUHeaderSize)
        throw EAudioFormatError("an extension of " + std::to_string(f.cbSize) + " bytes");
    const unsigned width = f.wBitsPerSample;
    if (width != 8 && width != 16 && width != 24 && width != 32)
        throw EAudioFormatError(std::to_string(width) + "-bit samples");
    if (f.nChannels == 0) throw EAudioFormatError("no channels");
    if (f.nBlockAlign != f.nChannels * (width / 8))
        throw EAudioFormatError("frames of " + std::to_string(f.nBlockAlign) + " bytes for " +
                                std::to_string(f.nChannels) + " channels of " + std::to_string(width) + " bits");
}

bool AUIsStandardFormat(const TAUWaveFormatExtensible& format) {
    const TAUWaveFormatEx& f = format.Format;
    const std::uint32_t rate = f.nSamplesPerSec;
    if (rate != 44100 && rate != 22050 && rate != 11025 && rate != 8000) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    const std::uint32_t mask = format.dwChannelMask;
    return (f.nChannels == 2 && mask == 3) || (f.nChannels == 1 && (mask == 1 || mask == 3));
}

bool AUIsEqualAudioFormatStd(const TAUWaveFormatExtensible& a, const TAUWaveFormatExtensible& b) {
    return a.Format.nChannels == b.Format.nChannels && a.Format.nSamplesPerSec == b.Format.nSamplesPerSec &&
           a.Format.nBlockAlign == b.Format.nBlockAlign;
}

}  // namespace oculon::audio
