#pragma once
// Helpers of the image buffer tests: frames of random pixels, their bytes
// row by row (without the padding after each row), and running a command
// for its output.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "media/video/VDSimpleImageBuffer.h"
#include "support/ChildProcess.h"

namespace oculon::mediavideo::testkit {

// Bytes of one row's pixels (what a frame holds before its row padding).
inline std::size_t rowBytes(const TVDImageBuffer& frame) {
    // In format order; of a planar frame its luma row.
    constexpr std::uint32_t kBytesPerPixel[kVDFormatCount] = {3, 4, 2, 2, 1, 1, 2, 2, 1, 2};
    return std::size_t{frame.GetWidth()} * kBytesPerPixel[VDFormatIndex(frame.GetFormat())];
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
inline IVDImageBuffer randomFrame(std::uint32_t width, std::uint32_t height, TVDVideoFormat format, unsigned seed) {
    auto frame = TVDImageBuffer::CreateSize(width, height, format);
    std::mt19937 rng(seed);
    std::uint8_t* p = frame->Write();
    for (std::uint32_t i = 0; i < frame->GetByteSize(); ++i) p[i] = static_cast<std::uint8_t>(rng());
    return frame;
}

// Random frames of RGB24 and RGBA32, their rows in need of padding and
// larger than the pool's small blocks, each saved as a BMP file and handed
// to check(frame, path).
template <class Check>
void largeBmpFiles(Check check) {
    testsupport::TempDir dir;
    for (const TVDVideoFormat format : {TVDVideoFormat::vfRGB24, TVDVideoFormat::vfRGBA32}) {
        SCOPED_TRACE(VDFormatName(format));
        const IVDImageBuffer frame = randomFrame(1283, 721, format, 7);
        const std::string path = dir.path() + "/large.bmp";
        frame->SaveToBitmapFile(path);
        check(frame, path);
    }
}

// What a shell command prints on its standard output.
inline std::string run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[65536];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    return out;
}

}  // namespace oculon::mediavideo::testkit
