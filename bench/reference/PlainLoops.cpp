#include "PlainLoops.h"

#include <algorithm>

namespace plain {

void add64(const double* a, const double* b, double* d, int n) {
    for (int i = 0; i < n; ++i) d[i] = a[i] + b[i];
}

void add64InPlace(const double* a, double* d, int n) {
    for (int i = 0; i < n; ++i) d[i] += a[i];
}

void mul64(const double* a, const double* b, double* d, int n) {
    for (int i = 0; i < n; ++i) d[i] = a[i] * b[i];
}

double dot64(const double* a, const double* b, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
}

namespace {

inline unsigned scale(unsigned v, int sf) {
    if (sf > 0) v = (v + (1u << (sf - 1)) - 1 + ((v >> sf) & 1)) >> sf;
    return std::min(v, 255u);
}

template <typename Op>
void scaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf, Op op) {
    for (int i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(scale(op(d[i], s[i]), sf));
}

}  // namespace

void add8uScaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf) {
    scaled(s, d, n, sf, [](unsigned x, unsigned y) { return x + y; });
}
void sub8uScaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf) {
    scaled(s, d, n, sf, [](unsigned x, unsigned y) { return x > y ? x - y : 0; });
}
void mul8uScaled(const std::uint8_t* s, std::uint8_t* d, int n, int sf) {
    scaled(s, d, n, sf, [](unsigned x, unsigned y) { return x * y; });
}

void scale16u8uAccurate(const std::uint16_t* s, std::uint8_t* d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>((s[i] + 128) / 257);
}

void scale16u8uFast(const std::uint16_t* s, std::uint8_t* d, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>((s[i] - (s[i] >> 8) + 128) >> 8);
}

}  // namespace plain
