#pragma once
// libjpeg-turbo on its own, as a program that links it would call it: the
// peer of our JPEG decoding, in the very settings our decoder gives it, so
// that both write the same bytes (checked before timing) and the difference
// is what our layer costs. One decompressor for every picture, the library's
// own memory source and as many rows a call as it will give.

#include <cstdio>  // before jpeglib.h, which uses FILE
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "video/Jpeg.h"

namespace oculon::bench {

class LibjpegTurbo {
public:
    // `fast`: the integer inverse DCT and plain chroma upsampling; 1/scaleDenom
    // the size, scaled by the inverse DCT.
    explicit LibjpegTurbo(bool fast, int scaleDenom = 1) : fast_(fast), scaleDenom_(scaleDenom) {
        cinfo_.err = jpeg_std_error(&err_);  // a fault ends the run: the pictures are our own
        jpeg_create_decompress(&cinfo_);
    }
    ~LibjpegTurbo() { jpeg_destroy_decompress(&cinfo_); }
    LibjpegTurbo(const LibjpegTurbo&) = delete;
    LibjpegTurbo& operator=(const LibjpegTurbo&) = delete;

    // The picture as rows of width x 4 bytes B, G, R, X, one after the other.
    const std::vector<std::uint8_t>& decode(std::span<const std::uint8_t> jpeg) {
        jpeg_mem_src(&cinfo_, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo_, TRUE);
        cinfo_.out_color_space = JCS_EXT_BGRX;
        cinfo_.scale_num = 1;
        cinfo_.scale_denom = static_cast<unsigned>(scaleDenom_);
        if (fast_) {
            cinfo_.dct_method = JDCT_IFAST;
            cinfo_.do_fancy_upsampling = FALSE;
        }
        jpeg_start_decompress(&cinfo_);
        width_ = static_cast<int>(cinfo_.output_width);
        height_ = static_cast<int>(cinfo_.output_height);
        const std::size_t stride = std::size_t{4} * cinfo_.output_width;
        pixels_.resize(stride * cinfo_.output_height);
        rows_.resize(cinfo_.output_height);
        for (std::size_t y = 0; y < rows_.size(); ++y) rows_[y] = pixels_.data() + y * stride;
        while (cinfo_.output_scanline < cinfo_.output_height)
            jpeg_read_scanlines(&cinfo_, rows_.data() + cinfo_.output_scanline,
                                cinfo_.output_height - cinfo_.output_scanline);
        jpeg_finish_decompress(&cinfo_);
        return pixels_;
    }

    // Whether our picture holds the bytes of the last one decoded here.
    bool same(const video::Image& ours) const {
        if (ours.width != width_ || ours.height != height_ || ours.format != video::PixelFormat::Bgrx32) return false;
        const std::size_t row = std::size_t{4} * static_cast<std::size_t>(width_);
        for (int y = 0; y < height_; ++y)
            if (!std::equal(ours.row(y), ours.row(y) + row, pixels_.data() + static_cast<std::size_t>(y) * row))
                return false;
        return true;
    }

private:
    bool fast_;
    int scaleDenom_;
    jpeg_error_mgr err_{};
    jpeg_decompress_struct cinfo_{};
    std::vector<std::uint8_t> pixels_;
    std::vector<JSAMPROW> rows_;
    int width_ = 0, height_ = 0;
};

}  // namespace oculon::bench
