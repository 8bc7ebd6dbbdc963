#pragma once
// The sample primitives of one container width (8, 16, 24 or 32 bits) behind
// one signature on raw bytes, so that the audio buffer picks its width once
// and calls the same routine for every width. A column is one channel of
// interleaved frames: `rows` samples, `step` bytes apart. A run is `count`
// samples back to back. Every scale factor passed on is 0.

#include <array>
#include <cstdint>

namespace oculon::audio {

enum class TAUOperation : std::uint8_t { Add, Subtract, Multiply, Divide };

struct TAUSampleRoutines {
    using Bytes = std::uint8_t;
    template <class Fn>
    using PerOperation = std::array<Fn*, 4>;  // by TAUOperation

    int bytes;                                         // per sample
    int zeroLevel;                                     // the raw value of silence: 127 for 8 bits, else 0
    std::int32_t (*load)(const Bytes* sample);         // the raw value; 24 bits sign-extended
    void (*store)(Bytes* sample, std::int32_t value);  // the value's low bytes

    // target column := target op source column
    PerOperation<void(const Bytes* source, int sourceStep, Bytes* target, int targetStep, int rows)> columnWithColumn;
    // run op value, in place and from another run
    PerOperation<void(std::int32_t value, Bytes* run, int count)> runWithValue;
    PerOperation<void(const Bytes* source, std::int32_t value, Bytes* target, int count)> runFromWithValue;
    // column op value, in place
    PerOperation<void(std::int32_t value, Bytes* column, int step, int rows)> columnWithValue;

    void (*setRun)(std::int32_t value, Bytes* run, int count);  // the value stored as it is
    void (*zeroRun)(Bytes* run, int count);                     // all bits 0
    void (*setColumn)(std::int32_t value, Bytes* column, int step, int rows);
    void (*copyColumn)(const Bytes* source, int sourceStep, Bytes* target, int targetStep, int rows);
    void (*multiplyRun)(double factor, Bytes* run, int count);
    void (*multiplyRunFrom)(double factor, const Bytes* source, Bytes* target, int count);
};

// The routines of a container width; null for a width other than 8, 16, 24, 32.
const TAUSampleRoutines* AUSampleRoutines(unsigned width);

// One column of `rows` samples of `sourceWidth` bits into a column of
// `targetWidth` bits, scaled from full range to full range (a copy for equal
// widths).
void AUConvertColumn(const std::uint8_t* source, unsigned sourceWidth, int sourceStep, std::uint8_t* target,
                     unsigned targetWidth, int targetStep, int rows);

}  // namespace oculon::audio
