#pragma once
// The wave-format record that describes audio in WAV and AVI files and that
// the audio compression manager (AudioCompression.h) takes and gives: 18
// little-endian bytes (tag, channels, samples per second, average bytes per
// second, block alignment, bits per sample, count of extra bytes) followed by
// the extra bytes of the format. The older 16-byte form without the count is
// read as having none.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace oculon::platform {

constexpr std::uint16_t kWaveFormatPcm = 0x0001;
constexpr std::uint16_t kWaveFormatMsAdpcm = 0x0002;
constexpr std::uint16_t kWaveFormatALaw = 0x0006;
constexpr std::uint16_t kWaveFormatMuLaw = 0x0007;
constexpr std::uint16_t kWaveFormatImaAdpcm = 0x0011;
constexpr std::uint16_t kWaveFormatGsm610 = 0x0031;

struct WaveFormat {
    static constexpr std::size_t kHeaderSize = 18;

    std::uint16_t formatTag = kWaveFormatPcm;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 8000;
    std::uint32_t avgBytesPerSec = 8000;
    std::uint16_t blockAlign = 1;
    std::uint16_t bitsPerSample = 8;
    std::vector<std::uint8_t> extra;

    // PCM of that layout, with its byte rate and block alignment.
    static WaveFormat pcm(std::uint16_t channels, std::uint32_t samplesPerSec, std::uint16_t bitsPerSample);
    // The record at the start of `data`; nullopt when `size` cannot hold it
    // (its extra bytes included).
    static std::optional<WaveFormat> parse(const std::uint8_t* data, std::size_t size);
    std::vector<std::uint8_t> bytes() const;

    bool isPcm() const { return formatTag == kWaveFormatPcm; }
    bool operator==(const WaveFormat&) const = default;
};

}  // namespace oculon::platform
