#include "platform/WaveFormat.h"

namespace oculon::platform {

namespace {

std::uint32_t little(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

void putLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

WaveFormat WaveFormat::pcm(std::uint16_t channels, std::uint32_t samplesPerSec, std::uint16_t bitsPerSample) {
    WaveFormat format;
    format.channels = channels;
    format.samplesPerSec = samplesPerSec;
    format.bitsPerSample = bitsPerSample;
    format.blockAlign = static_cast<std::uint16_t>(channels * ((bitsPerSample + 7) / 8));
    format.avgBytesPerSec = samplesPerSec * format.blockAlign;
    return format;
}

std::optional<WaveFormat> WaveFormat::parse(const std::uint8_t* data, std::size_t size) {
    if (!data || size < kHeaderSize - 2) return std::nullopt;
    WaveFormat format;
    format.formatTag = static_cast<std::uint16_t>(little(data, 2));
    format.channels = static_cast<std::uint16_t>(little(data + 2, 2));
    format.samplesPerSec = little(data + 4, 4);
    format.avgBytesPerSec = little(data + 8, 4);
    format.blockAlign = static_cast<std::uint16_t>(little(data + 12, 2));
    format.bitsPerSample = static_cast<std::uint16_t>(little(data + 14, 2));
    if (size < kHeaderSize) return format;
    const std::size_t extraBytes = little(data + 16, 2);
    if (size - kHeaderSize < extraBytes) return std::nullopt;
    format.extra.assign(data + kHeaderSize, data + kHeaderSize + extraBytes);
    return format;
}

std::vector<std::uint8_t> WaveFormat::bytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + extra.size());
    putLittle(out, formatTag, 2);
    putLittle(out, channels, 2);
    putLittle(out, samplesPerSec, 4);
    putLittle(out, avgBytesPerSec, 4);
    putLittle(out, blockAlign, 2);
    putLittle(out, bitsPerSample, 2);
    putLittle(out, static_cast<std::uint32_t>(extra.size()), 2);
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

}  // namespace oculon::platform
