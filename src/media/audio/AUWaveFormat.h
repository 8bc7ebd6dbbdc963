#pragma once
// The 40-byte wave format that stands in front of every audio buffer's
// samples and travels in a stream start: the extensible wave format record,
// little-endian, with the speaker positions of its channels in a mask. Also
// the checks of such a record and the matching of channels by position.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "media/pins/PNGuid.h"

namespace oculon::audio {

using pins::TGUID;

// The record is read and written as the host's integers.
static_assert(std::endian::native == std::endian::little, "wave formats are stored little-endian");

// Bit n of a channel mask is speaker position n; a frame holds its channels
// in rising order of their bits.
enum class TAUSpeaker : std::uint8_t {
    spFrontLeft,
    spFrontRight,
    spFrontCenter,
    spSubwoofer,
    spBackLeft,
    spBackRight,
    spFrontLeftOfCenter,
    spFrontRightOfCenter,
    spBackCenter,
    spSideLeft,
    spSideRight,
    spTopCenter,
    spTopFrontLeft,
    spTopFrontCenter,
    spTopFrontRight,
    spTopBackLeft,
    spTopBackCenter,
    spTopBackRight,
};
inline constexpr unsigned kAUSpeakerCount = 18;

inline constexpr std::uint16_t kAUFormatExtensible = 0xFFFE;
inline constexpr std::uint16_t kAUExtensionSize = 22;  // bytes after the first 18
inline constexpr std::uint32_t kAUHeaderSize = 40;
inline constexpr TGUID kAUSubFormatPCM = pins::PNGuid("{00000001-0000-0010-8000-00AA00389B71}");

#pragma pack(push, 2)
struct TAUWaveFormatEx {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;     // bytes per frame
    std::uint16_t wBitsPerSample;  // container width: 8, 16, 24 or 32
    std::uint16_t cbSize;
};
struct TAUWaveFormatExtensible {
    TAUWaveFormatEx Format;
    std::uint16_t wValidBitsPerSample;
    std::uint32_t dwChannelMask;
    TGUID SubFormat;
};
#pragma pack(pop)
static_assert(sizeof(TAUWaveFormatExtensible) == kAUHeaderSize);
static_assert(offsetof(TAUWaveFormatExtensible, dwChannelMask) == 20);
static_assert(offsetof(TAUWaveFormatExtensible, SubFormat) == 24);

// A format or a block that the audio buffers cannot work on.
class EAudioFormatError : public std::invalid_argument {
public:
    explicit EAudioFormatError(const std::string& why) : std::invalid_argument("Audio format not supported: " + why) {}
};

// The PCM format of `channels` channels of `bits` significant bits, each in
// the next whole number of bytes. The mask keeps the lowest `channels`
// positions of `channelMask` (bits above the 18 positions dropped); channels
// that it leaves without a position take the lowest free ones, so that a
// mask of 0 gives the first `channels` positions. EAudioFormatError for no
// channels, bits outside 1..32 or a frame above 65535 bytes.
TAUWaveFormatExtensible AUMakeWaveFormat(std::uint32_t sampleRate, std::uint32_t channelMask, std::uint32_t channels,
                                         std::uint32_t bits);

// Throws EAudioFormatError unless `format` heads a block of `blockSize`
// bytes that the buffers can address: the whole header inside it, samples
// right after the 40 bytes, a container width of 8, 16, 24 or 32 bits, at
// least one channel, and a frame of exactly one sample per channel.
void AUCheckWaveFormat(const TAUWaveFormatExtensible& format, std::uint64_t blockSize);

// 44100, 22050, 11025 or 8000 Hz, 8 or 16 bits, and stereo with mask 3 or
// mono with mask 1 or 3: a format that the plain 18-byte record can describe.
bool AUIsStandardFormat(const TAUWaveFormatExtensible& format);
// Same channel count, rate and frame size; tag, width and mask not compared.
bool AUIsEqualAudioFormatStd(const TAUWaveFormatExtensible& a, const TAUWaveFormatExtensible& b);

// fn(sourceChannel, targetChannel) for every speaker position present in
// both masks, in rising order; a position whose channel index lies beyond
// its channel count (a mask with more positions than channels) is skipped.
template <class Fn>
void AUMatchChannels(std::uint32_t sourceMask, std::uint32_t sourceChannels, std::uint32_t targetMask,
                     std::uint32_t targetChannels, Fn fn) {
    std::uint32_t source = 0, target = 0;
    for (unsigned position = 0; position < kAUSpeakerCount; ++position) {
        const bool inSource = (sourceMask >> position & 1) != 0;
        const bool inTarget = (targetMask >> position & 1) != 0;
        if (inSource && inTarget && source < sourceChannels && target < targetChannels) fn(source, target);
        source += inSource;
        target += inTarget;
    }
}

}  // namespace oculon::audio
