#include "platform/PcmConversion.h"

#include <algorithm>

namespace oculon::platform {

bool PcmConverter::supports(const WaveFormat& format) {
    return format.isPcm() && (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.channels >= 1 &&
           format.channels <= 8 && format.samplesPerSec >= 1 && format.samplesPerSec <= 384000 &&
           format.blockAlign == format.channels * format.bitsPerSample / 8;
}

PcmConverter::PcmConverter(const WaveFormat& source, const WaveFormat& target)
    : source_(source), target_(target), step_((std::uint64_t{source.samplesPerSec} << 32) / target.samplesPerSec) {}

void PcmConverter::reset() {
    position_ = 0;
    frames_.clear();
}

std::size_t PcmConverter::maxOutputFor(std::size_t sourceBytes) const {
    const std::uint64_t frames = frames_.size() / target_.channels + sourceBytes / source_.blockAlign + 1;
    return static_cast<std::size_t>((frames * target_.samplesPerSec / source_.samplesPerSec + 2) * target_.blockAlign);
}

void PcmConverter::readFrames(std::vector<std::uint8_t>& input) {
    const std::size_t count = input.size() / source_.blockAlign;
    const int in = source_.channels, out = target_.channels;
    std::int32_t sample[8];
    for (std::size_t f = 0; f < count; ++f) {
        const std::uint8_t* p = input.data() + f * source_.blockAlign;
        for (int c = 0; c < in; ++c)
            sample[c] = source_.bitsPerSample == 8 ? (p[c] - 128) * 256
                                                   : static_cast<std::int16_t>(p[2 * c] | (p[2 * c + 1] << 8));
        if (out == 1 && in > 1) {
            std::int32_t sum = 0;
            for (int c = 0; c < in; ++c) sum += sample[c];
            frames_.push_back(sum / in);
        } else {
            for (int c = 0; c < out; ++c) frames_.push_back(sample[c % in]);
        }
    }
    input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(count * source_.blockAlign));
}

void PcmConverter::writeSample(std::vector<std::uint8_t>& output, std::int32_t value) const {
    if (target_.bitsPerSample == 8) {
        output.push_back(static_cast<std::uint8_t>(std::clamp((value + 128) >> 8, -128, 127) + 128));
        return;
    }
    const auto v = static_cast<std::uint16_t>(std::clamp(value, -32768, 32767));
    output.push_back(static_cast<std::uint8_t>(v & 0xFF));
    output.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PcmConverter::convert(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool end) {
    readFrames(input);
    const std::size_t channels = target_.channels;
    const std::size_t count = frames_.size() / channels;
    for (;;) {
        const std::size_t i = static_cast<std::size_t>(position_ >> 32);
        const std::int64_t fraction = static_cast<std::int64_t>(position_ & 0xFFFFFFFFu);
        if (i >= count || (fraction != 0 && i + 1 >= count && !end)) break;
        for (std::size_t c = 0; c < channels; ++c) {
            const std::int64_t a = frames_[i * channels + c];
            const std::int64_t b = i + 1 < count ? frames_[(i + 1) * channels + c] : a;
            writeSample(output, static_cast<std::int32_t>(a + (((b - a) * fraction) >> 32)));
        }
        position_ += step_;
    }
    // Frames before the next position are no longer needed.
    const std::size_t done = std::min<std::size_t>(static_cast<std::size_t>(position_ >> 32), count);
    frames_.erase(frames_.begin(), frames_.begin() + static_cast<std::ptrdiff_t>(done * channels));
    position_ -= std::uint64_t{done} << 32;
}

}  // namespace oculon::platform
