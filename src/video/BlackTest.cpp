#include "video/BlackTest.h"

namespace oculon::video {

int brightSamples(const ImageView& picture, int threshold, int margin) {
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0) return 0;
    const int bpp = bytesPerPixel(picture.format);
    int count = 0;
    for (int x = 0; x < picture.width - margin; x += kGridStep) {
        for (int y = 0; y < picture.height - margin; y += kGridStep) {
            const std::uint8_t* p =
                picture.pixels + picture.stride * static_cast<std::size_t>(y) + static_cast<std::size_t>(x) * bpp;
            if (!isDark(p[0], p[1], p[2], threshold)) ++count;
        }
    }
    return count;
}

}  // namespace oculon::video
