#pragma once
// Helpers of the image buffer tests: frames of random pixels, their bytes
// row by row (without the padding after each row), a window-layer bitmap in
// memory, and running a command for its output.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "media/video/VDDIB.h"
#include "media/video/VDSimpleImageBuffer.h"

namespace oculon::mediavideo::testkit {

// Bytes of one row's pixels (what a frame holds before its row padding).
inline std::size_t rowBytes(const TVDImageBuffer& frame) {
    switch (frame.GetFormat()) {
        case TVDVideoFormat::vfRGBA32: return frame.GetWidth() * 4u;
        case TVDVideoFormat::vfGrayScale: return frame.GetWidth();
        case TVDVideoFormat::vfGray16:
        case TVDVideoFormat::vfRGB565:
        case TVDVideoFormat::vfRGB555:
        case TVDVideoFormat::vfYUY2:
        case TVDVideoFormat::vfUYVY: return frame.GetWidth() * 2u;
        case TVDVideoFormat::vfYV12:
        case TVDVideoFormat::vfIYUV: return frame.GetWidth();  // the luma plane only
        default: return frame.GetWidth() * 3u;
    }
}

// The pixel bytes of a frame (of a planar one its luma), rows one after
// the other.
inline std::vector<std::uint8_t> pixels(const TVDImageBuffer& frame) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t y = 0; y < frame.GetHeight(); ++y) {
        const std::uint8_t* row = frame.Read() + std::size_t{y} * frame.GetStep();
        out.insert(out.end(), row, row + rowBytes(frame));
    }
    return out;
}

// A packed frame of random bytes (padding included).
inline IVDImageBuffer randomFrame(std::uint32_t width, std::uint32_t height, TVDVideoFormat format,
                                  unsigned seed) {
    auto frame = TVDImageBuffer::CreateSize(width, height, format);
    std::mt19937 rng(seed);
    std::uint8_t* p = frame->Write();
    for (std::uint32_t i = 0; i < frame->GetByteSize(); ++i) p[i] = static_cast<std::uint8_t>(rng());
    return frame;
}

// A bitmap of the window layer, in memory: rows of 3 (or, for pf32bit, 4)
// bytes per pixel with 5 bytes of its own padding after each.
class FakeBitmap : public TBitmap {
public:
    FakeBitmap(std::int32_t width, std::int32_t height, TPixelFormat format) : FFormat(format) { SetSize(width, height); }

    std::int32_t Width() const override { return FWidth; }
    std::int32_t Height() const override { return FHeight; }
    TPixelFormat PixelFormat() const override { return FFormat; }
    void SetSize(std::int32_t width, std::int32_t height) override {
        FWidth = width;
        FHeight = height;
        FBytes.assign(static_cast<std::size_t>(Step()) * std::max(height, 0), 0);
    }
    void SetPixelFormat(TPixelFormat format) override {
        FFormat = format;
        SetSize(FWidth, FHeight);
    }
    std::uint8_t* ScanLine(std::int32_t y) override { return FBytes.data() + static_cast<std::size_t>(y) * Step(); }
    std::optional<Rows> DIBRows(unsigned bitCount) const override {
        if (Empty() || (bitCount != 24 && bitCount != 32)) return std::nullopt;
        auto rows = std::make_shared<std::vector<std::uint8_t>>();
        for (std::int32_t y = 0; y < FHeight; ++y)
            for (std::int32_t x = 0; x < FWidth; ++x) {
                const std::uint8_t* p = FBytes.data() + static_cast<std::size_t>(y) * Step() + x * Pixel();
                rows->insert(rows->end(), p, p + 3);
                if (bitCount == 32) rows->push_back(Pixel() == 4 ? p[3] : 255);
            }
        return Rows{rows->data(), static_cast<std::ptrdiff_t>(FWidth) * (bitCount / 8), rows};
    }
    // Fills every byte of every pixel from a counter.
    void Pattern() {
        for (std::int32_t y = 0; y < FHeight; ++y)
            for (std::int32_t i = 0; i < FWidth * Pixel(); ++i) ScanLine(y)[i] = static_cast<std::uint8_t>(y * 31 + i);
    }

private:
    int Pixel() const { return FFormat == TPixelFormat::pf32bit ? 4 : 3; }
    int Step() const { return std::max(FWidth, 0) * Pixel() + 5; }
    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    TPixelFormat FFormat;
    std::vector<std::uint8_t> FBytes;
};

// What a shell command prints on its standard output.
inline std::string run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[65536];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    return out;
}

}  // namespace oculon::mediavideo::testkit
