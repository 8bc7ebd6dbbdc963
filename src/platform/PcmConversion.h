#pragma once
// PCM from one layout to another: 8-bit unsigned or 16-bit signed samples,
// any channel count (mono is copied to every channel, several are averaged
// into mono, others are taken in order), and any rate, by linear
// interpolation between neighbouring frames. The conversion streams of the
// audio compression manager (AudioCompression.h) use it between PCM formats.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WaveFormat.h"

namespace oculon::platform {

class PcmConverter {
public:
    // Whether `format` is PCM this converter reads and writes.
    static bool supports(const WaveFormat& format);

    PcmConverter(const WaveFormat& source, const WaveFormat& target);

    // Converts the whole frames of `input` (removed from it) and appends the
    // frames that are ready to `output`. A frame between two source frames
    // needs the later one, so the last frame may wait for the next call;
    // with `end` it does not.
    void convert(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, bool end);
    // At most how many bytes `sourceBytes` more give.
    std::size_t maxOutputFor(std::size_t sourceBytes) const;
    void reset();

private:
    void readFrames(std::vector<std::uint8_t>& input);
    void writeSample(std::vector<std::uint8_t>& output, std::int32_t value) const;

    WaveFormat source_;
    WaveFormat target_;
    std::uint64_t step_;                // source frames per target frame, 32.32 fixed point
    std::uint64_t position_ = 0;        // of the next target frame in frames_, 32.32
    std::vector<std::int32_t> frames_;  // target channels, 16-bit scale
};

}  // namespace oculon::platform
