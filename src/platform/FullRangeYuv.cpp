#include "platform/FullRangeYuv.h"

#include <algorithm>

namespace oculon::platform {

namespace {

constexpr int kShift = 16;
constexpr std::int32_t kYR = 19595, kYG = 38470, kYB = 7471;  // 0.299, 0.587, 0.114
constexpr std::int32_t kCbR = -11059, kCbG = -21709, kCbB = 32768;
constexpr std::int32_t kCrR = 32768, kCrG = -27439, kCrB = -5329;
// The chroma comes from the sum of four pixels: two more bits to shift out.
constexpr int kChromaShift = kShift + 2;
constexpr std::int32_t kChromaOffset = (128 << kChromaShift) + (1 << (kChromaShift - 1)) - 1;

inline std::uint8_t luma(const std::uint8_t* p) {
    return static_cast<std::uint8_t>((kYR * p[2] + kYG * p[1] + kYB * p[0] + (1 << (kShift - 1))) >> kShift);
}

// One pair of rows into a row of each plane; `Bpp` fixed so that the
// compiler sees the layout of the pixels.
template <int Bpp>
inline __attribute__((always_inline)) void rowPair(const std::uint8_t* __restrict upper,
                                                   const std::uint8_t* __restrict lower, int pairs,
                                                   std::uint8_t* __restrict y0, std::uint8_t* __restrict y1,
                                                   std::uint8_t* __restrict cb, std::uint8_t* __restrict cr) {
    for (int i = 0; i < pairs; ++i) {
        const std::uint8_t* a = upper + 2 * Bpp * i;
        const std::uint8_t* b = lower + 2 * Bpp * i;
        y0[2 * i] = luma(a);
        y0[2 * i + 1] = luma(a + Bpp);
        y1[2 * i] = luma(b);
        y1[2 * i + 1] = luma(b + Bpp);
        const std::int32_t blue = a[0] + a[Bpp] + b[0] + b[Bpp];
        const std::int32_t green = a[1] + a[Bpp + 1] + b[1] + b[Bpp + 1];
        const std::int32_t red = a[2] + a[Bpp + 2] + b[2] + b[Bpp + 2];
        cb[i] = static_cast<std::uint8_t>((kCbR * red + kCbG * green + kCbB * blue + kChromaOffset) >> kChromaShift);
        cr[i] = static_cast<std::uint8_t>((kCrR * red + kCrG * green + kCrB * blue + kChromaOffset) >> kChromaShift);
    }
}

// Built for AVX2 and for the x86-64 baseline, the loader picking one (as the
// primitives' hot loops are); the sanitizers' builds take the baseline alone.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define OCULON_CONVERSION_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define OCULON_CONVERSION_LOOP
#endif

using RowPair = void (*)(const std::uint8_t*, const std::uint8_t*, int, std::uint8_t*, std::uint8_t*, std::uint8_t*,
                         std::uint8_t*);

OCULON_CONVERSION_LOOP void rowPair24(const std::uint8_t* upper, const std::uint8_t* lower, int pairs, std::uint8_t* y0,
                                      std::uint8_t* y1, std::uint8_t* cb, std::uint8_t* cr) {
    rowPair<3>(upper, lower, pairs, y0, y1, cb, cr);
}

OCULON_CONVERSION_LOOP void rowPair32(const std::uint8_t* upper, const std::uint8_t* lower, int pairs, std::uint8_t* y0,
                                      std::uint8_t* y1, std::uint8_t* cb, std::uint8_t* cr) {
    rowPair<4>(upper, lower, pairs, y0, y1, cb, cr);
}

// The chroma's share of each colour, in the same fixed point; >> of a
// negative value rounds towards minus infinity, as the library's shifts do.
constexpr std::int32_t fixed(double v) { return static_cast<std::int32_t>(v * (1 << kShift) + 0.5); }
constexpr std::int32_t kRCr = fixed(1.402), kGCb = fixed(0.34414), kGCr = fixed(0.71414), kBCb = fixed(1.772);
constexpr std::int32_t kHalf = 1 << (kShift - 1);

template <int Bpp>
void toBgr(const Yuv420Planes& in, int x0, int y0, int width, int height, std::uint8_t* out, std::ptrdiff_t step) {
    for (int j = 0; j < height; ++j) {
        const int y = y0 + j;
        const std::uint8_t* luma = in.y + y * in.yStep;
        const std::uint8_t* cb = in.cb + y / 2 * in.cbStep;
        const std::uint8_t* cr = in.cr + y / 2 * in.crStep;
        std::uint8_t* pixel = out + j * step;
        for (int i = 0; i < width; ++i, pixel += Bpp) {
            const int x = x0 + i;
            const std::int32_t l = luma[x], u = cb[x / 2] - 128, v = cr[x / 2] - 128;
            pixel[0] = static_cast<std::uint8_t>(std::clamp(l + ((kBCb * u + kHalf) >> kShift), 0, 255));
            pixel[1] = static_cast<std::uint8_t>(std::clamp(l + ((-kGCb * u - kGCr * v + kHalf) >> kShift), 0, 255));
            pixel[2] = static_cast<std::uint8_t>(std::clamp(l + ((kRCr * v + kHalf) >> kShift), 0, 255));
            if constexpr (Bpp == 4) pixel[3] = 0xFF;
        }
    }
}

}  // namespace

void fullRangeYuv420ToBgr(const Yuv420Planes& in, int x0, int y0, int width, int height, std::uint8_t* out,
                          std::ptrdiff_t step, int bytesPerPixel) {
    const auto pass = bytesPerPixel == 4 ? toBgr<4> : toBgr<3>;
    pass(in, x0, y0, width, height, out, step);
}

void bgrToFullRangeYuv420(const std::uint8_t* top, std::ptrdiff_t step, int bytesPerPixel, int width, int height,
                          const Yuv420Planes& out) {
    const RowPair pass = bytesPerPixel == 4 ? rowPair32 : rowPair24;
    for (int row = 0; row + 1 < height; row += 2) {
        const std::uint8_t* upper = top + row * step;
        std::uint8_t* luma = out.y + row * out.yStep;
        pass(upper, upper + step, width / 2, luma, luma + out.yStep, out.cb + row / 2 * out.cbStep,
             out.cr + row / 2 * out.crStep);
    }
}

}  // namespace oculon::platform
