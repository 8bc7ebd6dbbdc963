#include "platform/WaveFormat.h"

#include "platform/LittleEndian.h"

namespace oculon::platform {

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
    format.formatTag = static_cast<std::uint16_t>(readLittle(data, 2));
    format.channels = static_cast<std::uint16_t>(readLittle(data + 2, 2));
    format.samplesPerSec = readLittle(data + 4, 4);
    format.avgBytesPerSec = readLittle(data + 8, 4);
    format.blockAlign = static_cast<std::uint16_t>(readLittle(data + 12, 2));
    format.bitsPerSample = static_cast<std::uint16_t>(readLittle(data + 14, 2));
    if (size < kHeaderSize) return format;
    const std::size_t extraBytes = readLittle(data + 16, 2);
    if (size - kHeaderSize < extraBytes) return std::nullopt;
    format.extra.assign(data + kHeaderSize, data + kHeaderSize + extraBytes);
    return format;
}

std::vector<std::uint8_t> WaveFormat::bytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + extra.size());
    appendLittle(out, formatTag, 2);
    appendLittle(out, channels, 2);
    appendLittle(out, samplesPerSec, 4);
    appendLittle(out, avgBytesPerSec, 4);
    appendLittle(out, blockAlign, 2);
    appendLittle(out, bitsPerSample, 2);
    appendLittle(out, static_cast<std::uint32_t>(extra.size()), 2);
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

}  // namespace oculon::platform
