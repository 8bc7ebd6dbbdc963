#pragma once
// The plain loops a developer would write for the signal and sample benchmarks,
// compiled apart with -O3 -march=native: the compiler's best on this machine
// for the same results as the primitives.

#include <cstddef>
#include <cstdint>

namespace plain {

void add64(const double* a, const double* b, double* d, int n);
void add64InPlace(const double* a, double* d, int n);
void mul64(const double* a, const double* b, double* d, int n);
double dot64(const double* a, const double* b, int n);

// d = round-half-even((d op s) / 2^sf), saturated to a byte, 0 <= sf <= 16.
void add8uScaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf);
void sub8uScaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf);
void mul8uScaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf);

// 16-bit samples to 8-bit: (s + 128) / 257, and (s - s / 256 + 128) / 256,
// which shifts instead of dividing.
void scale16u8uAccurate(const std::uint16_t* s, std::uint8_t* d, std::size_t n);
void scale16u8uFast(const std::uint16_t* s, std::uint8_t* d, std::size_t n);

}  // namespace plain
