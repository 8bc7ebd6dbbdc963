#include "media/video/VDStoreGeometry.h"

#include <algorithm>

#include "media/pins/SGBlockPool.h"
#include "media/pins/SGErrors.h"

namespace oculon::mediavideo {

namespace {

using F = TVDVideoFormat;

std::uint64_t roundUpTo4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

// Every size a primitive or the pool sees must fit both: rows and blocks
// stay within the largest pool block, which also keeps them in an int.
std::uint32_t bounded(std::uint64_t bytes) {
    if (bytes > pins::kSGLargestBlock) throw pins::EBufferTooLarge(bytes);
    return static_cast<std::uint32_t>(bytes);
}

struct Layout {
    bool roundedWidth;  // rows laid out by the width rounded up to 4
    std::uint32_t bytesPerPixel;
};

constexpr Layout kLayouts[kVDFormatCount] = {
    {true, 3},   // RGB24
    {false, 4},  // RGBA32
    {true, 2},   // YUY2
    {true, 2},   // UYVY
    {true, 2},   // YV12
    {true, 2},   // IYUV
    {false, 2},  // RGB565
    {false, 2},  // RGB555
    {false, 1},  // GrayScale
    {false, 2},  // Gray16
};

}  // namespace

const char* VDFormatName(TVDVideoFormat format) {
    static constexpr const char* kNames[kVDFormatCount] = {"RGB24", "RGBA32", "YUY2",   "UYVY",      "YV12",
                                                           "IYUV",  "RGB565", "RGB555", "GrayScale", "Gray16"};
    return kNames[VDFormatIndex(format)];
}

TVDStoreGeometry VDStoreGeometry(TVDVideoFormat format, std::uint32_t width, std::uint32_t height) {
    format = VDStoreFormat(format);
    const Layout layout = kLayouts[VDFormatIndex(format)];
    const std::uint64_t w = width, h = height;
    const std::uint64_t ext = layout.roundedWidth ? roundUpTo4(w) : w;

    TVDStoreGeometry g;
    g.Width = width;
    g.Height = height;
    g.BytesPerPixel = layout.bytesPerPixel;
    // Each row a pixel pair at a time: two bytes per pixel of the real width.
    const bool packed422 = format == F::vfYUY2 || format == F::vfUYVY;
    const bool planar = format == F::vfYV12 || format == F::vfIYUV;
    const std::uint64_t step = planar ? ext : (packed422 ? 2 * w : ext * layout.bytesPerPixel);
    g.ExtWidth = bounded(ext);
    g.Step = bounded(step);
    if (!planar) {
        g.Size = bounded(packed422 ? step * h : ext * layout.bytesPerPixel * h);
        return g;
    }
    // The chroma planes hold a sample for every block a converter writes,
    // the last row or column of an odd size included, so planes never
    // overlap and never run past the block.
    const std::uint64_t chromaStep = ext / 2, chromaRows = (h + 1) / 2;
    const std::uint64_t luma = ext * h, chroma = chromaStep * chromaRows;
    g.PlaneCount = 3;
    g.ChromaStep = bounded(chromaStep);
    g.ChromaRows = bounded(chromaRows);
    g.ChromaOffset[0] = bounded(luma);
    g.ChromaOffset[1] = bounded(luma + chroma);
    g.Size = bounded(std::max(2 * w * h, luma + 2 * chroma));
    return g;
}

}  // namespace oculon::mediavideo
