#pragma once
// Blue-green-red pictures (24 or 32 bits a pixel, any row step, so also
// bottom-up rows walked with a negative step) to full-range Y'CbCr 4:2:0
// planes and back. There, the samples a JPEG picture stores: the luma of every pixel, the
// chroma of each 2 x 2 block from the mean of its four pixels. This is the
// conversion a motion-JPEG encoder needs for every exported frame; one pass,
// where the general scaler filters the chroma through a bicubic kernel.
//
// Y  =  0.299 R + 0.587 G + 0.114 B
// Cb = -0.168736 R - 0.331264 G + 0.5 B + 128
// Cr =  0.5 R - 0.418688 G - 0.081312 B + 128
// in 16-bit fixed point, rounded to nearest (a chroma half rounds down, so
// that full blue or red gives 255). Back, each pixel takes the chroma of its
// 2 x 2 block, in the integer arithmetic of the JPEG library's colour
// conversion (Cb' = Cb - 128, Cr' = Cr - 128):
// R = Y + 1.402 Cr',  G = Y - 0.34414 Cb' - 0.71414 Cr',  B = Y + 1.772 Cb'

#include <cstddef>
#include <cstdint>

namespace oculon::platform {

// A picture's three planes: luma width x height, each chroma plane half
// that, rounded up. Steps in bytes.
struct Yuv420Planes {
    std::uint8_t* y = nullptr;
    std::ptrdiff_t yStep = 0;
    std::uint8_t* cb = nullptr;
    std::ptrdiff_t cbStep = 0;
    std::uint8_t* cr = nullptr;
    std::ptrdiff_t crStep = 0;

    // Plane k (0 luma, 1 Cb, 2 Cr) and its step.
    std::uint8_t* plane(int k) const { return k == 0 ? y : k == 1 ? cb : cr; }
    std::ptrdiff_t step(int k) const { return k == 0 ? yStep : k == 1 ? cbStep : crStep; }
};

// `width` and `height` are even; `bytesPerPixel` is 3 or 4 (the fourth byte
// is not read). `top` is the first row of the picture as shown.
void bgrToFullRangeYuv420(const std::uint8_t* top, std::ptrdiff_t step, int bytesPerPixel, int width, int height,
                          const Yuv420Planes& out);

// The `width` x `height` pixels from (x0, y0) on of the picture whose planes
// `in` holds, as blue-green-red pixels from `out` on; `bytesPerPixel` is 3
// or 4 (the fourth byte set to 255).
void fullRangeYuv420ToBgr(const Yuv420Planes& in, int x0, int y0, int width, int height, std::uint8_t* out,
                          std::ptrdiff_t step, int bytesPerPixel);

}  // namespace oculon::platform
