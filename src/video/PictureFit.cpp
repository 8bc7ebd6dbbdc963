#include "video/PictureFit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "media/primitives/ImageResize.h"

namespace oculon::video {

PictureFrame layoutPicture(const Image& picture, PixelSize control, bool letterbox, int cropPercent) {
    PictureFrame frame;
    frame.picture = &picture;
    const std::int64_t w = picture.width;
    const std::int64_t h = picture.height;
    std::int64_t cut = cropPercent > 0 ? w * cropPercent / 100 : 0;
    if (w - 2 * cut < 1) cut = 0;  // a crop of half or more would leave nothing
    const std::int64_t e = w - 2 * cut;
    frame.source = {static_cast<int>(cut), 0, static_cast<int>(e), static_cast<int>(h)};
    const std::int64_t W = std::max(0, control.width);
    const std::int64_t H = std::max(0, control.height);
    if (!letterbox) {
        frame.target = {0, 0, static_cast<int>(W), static_cast<int>(H)};
        return frame;
    }
    frame.clearWhite = true;
    if (e <= 0 || h <= 0) return frame;
    if (W * h < e * H) {
        const std::int64_t height = W * h / e;
        frame.target = {0, static_cast<int>((H - height) / 2), static_cast<int>(W), static_cast<int>(height)};
    } else {
        const std::int64_t width = H * e / h;
        frame.target = {static_cast<int>((W - width) / 2), 0, static_cast<int>(width), static_cast<int>(H)};
    }
    return frame;
}

double pictureAspect(int width, int height, int cropPercent) {
    if (height <= 0) return 0.0;
    double shown = width;
    if (cropPercent > 0 && static_cast<std::int64_t>(width) * cropPercent / 100 * 2 < width)
        shown = width - 2.0 * width * cropPercent / 100.0;
    return shown / height;
}

int decodeScaleFor(int width, int height, PixelSize control, bool letterbox, int cropPercent) {
    if (control.width <= 0 || control.height <= 0) return 1;
    for (const int denom : {8, 4, 2}) {
        Image scaled;  // its size only: the layout reads no pixels
        scaled.width = scaledDimension(width, denom);
        scaled.height = scaledDimension(height, denom);
        const PictureFrame f = layoutPicture(scaled, control, letterbox, cropPercent);
        if (f.source.width >= f.target.width && f.source.height >= f.target.height) return denom;
    }
    return 1;
}

namespace {

// A region is cut to its place when it exceeds it by at most 1/64 per side.
constexpr int kMostCut = 64;

// The frame can be painted into a control of that size.
bool paintable(const PictureFrame& frame, PixelSize control) {
    const Image* picture = frame.picture;
    const PixelRect s = frame.source;
    const PixelRect t = frame.target;
    const PixelRect whole{0, 0, control.width, control.height};
    return picture != nullptr && picture->format == PixelFormat::Bgrx32 && s.width > 0 && s.height > 0 && t.width > 0 &&
           t.height > 0 && t.left >= 0 && t.top >= 0 && t.left + t.width <= control.width &&
           t.top + t.height <= control.height && (frame.clearWhite || t == whole);
}

// A region a few pixels larger than its place (a scaled decode rounds the
// size up) gives up its outermost pixels instead of being resampled: a
// resize by so little shifts every pixel by up to half a pixel, which blurs
// the whole picture for the sake of its edges. The part that is kept, or
// nothing when the region is to be resampled.
std::optional<PixelRect> cutOf(const PictureFrame& frame) {
    const PixelRect s = frame.source;
    const PixelRect t = frame.target;
    if (s.width < t.width || s.height < t.height || (s.width - t.width) * kMostCut > t.width ||
        (s.height - t.height) * kMostCut > t.height) {
        return std::nullopt;
    }
    return PixelRect{s.left + (s.width - t.width) / 2, s.top + (s.height - t.height) / 2, t.width, t.height};
}

// White around the target in a control-sized window of rows. White is
// 0xFFFFFFFF in every byte order; the bars are a pixel or two wide, too
// narrow for memset to pay.
void whitenBars(std::uint8_t* origin, std::size_t stride, PixelSize control, const PixelRect& t) {
    constexpr std::uint32_t kWhite = 0xFFFFFFFF;
    for (int y = 0; y < control.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(origin + stride * static_cast<std::size_t>(y));
        if (y < t.top || y >= t.top + t.height) {
            std::fill_n(row, control.width, kWhite);
        } else {
            std::fill_n(row, t.left, kWhite);
            std::fill_n(row + t.left + t.width, control.width - t.left - t.width, kWhite);
        }
    }
}

}  // namespace

bool fitPicture(PictureFrame& frame, PixelSize control, Image& bitmap) {
    namespace prim = oculon::primitives;
    if (!paintable(frame, control)) return false;
    const Image* picture = frame.picture;
    const PixelRect s = frame.source;
    const PixelRect t = frame.target;
    const PixelRect whole{0, 0, control.width, control.height};
    bitmap.reshape(control.width, control.height, PixelFormat::Bgrx32);
    whitenBars(bitmap.pixels.data(), bitmap.stride, control, t);
    const std::size_t width = static_cast<std::size_t>(t.width) * 4;
    std::uint8_t* to = bitmap.row(t.top) + static_cast<std::size_t>(t.left) * 4;
    if (const std::optional<PixelRect> cut = cutOf(frame)) {
        for (int y = 0; y < t.height; ++y)
            std::memcpy(to + bitmap.stride * static_cast<std::size_t>(y),
                        picture->row(cut->top + y) + static_cast<std::size_t>(cut->left) * 4, width);
    } else {
        // The resize writes trunc(region x factor + 1e-7) pixels: with the
        // factor target / region that is the target's size exactly.
        const prim::IppStatus status = prim::ippiResize_8u_C4R(
            picture->pixels.data(), {picture->width, picture->height}, static_cast<int>(picture->stride),
            {s.left, s.top, s.width, s.height}, to, static_cast<int>(bitmap.stride), {t.width, t.height},
            static_cast<double>(t.width) / s.width, static_cast<double>(t.height) / s.height, prim::kResizeLinear);
        if (status != prim::ippStsNoErr) return false;
    }
    frame.picture = &bitmap;
    frame.source = whole;
    frame.target = whole;
    frame.clearWhite = false;
    frame.handOver = &bitmap;
    return true;
}

bool fitPictureInPlace(PictureFrame& frame, PixelSize control, Image& picture) {
    if (frame.picture != &picture || !paintable(frame, control)) return false;
    const std::optional<PixelRect> cut = cutOf(frame);
    if (!cut) return false;
    const PixelRect t = frame.target;
    const PixelRect window{cut->left - t.left, cut->top - t.top, control.width, control.height};
    if (window.left < 0 || window.top < 0 || window.left + window.width > picture.width ||
        window.top + window.height > picture.height || picture.pixels.size() < picture.stride * picture.height) {
        return false;
    }
    whitenBars(picture.row(window.top) + static_cast<std::size_t>(window.left) * 4, picture.stride, control, t);
    frame.source = window;
    frame.target = {0, 0, control.width, control.height};
    frame.clearWhite = false;
    frame.handOver = &picture;
    return true;
}

}  // namespace oculon::video
