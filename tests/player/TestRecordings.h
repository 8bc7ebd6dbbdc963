#pragma once
// Recordings and pictures for the player's tests, made at test time: moving
// test pictures encoded with our JPEG encoder and written with TMJPEGFile.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "video/Jpeg.h"
#include "video/MJPEGFile.h"

namespace oculon::player::test {

// A wall with a door and a visitor that walks across as n grows, tinted by
// `hue` so that cameras can be told apart, and n in bars along the top, so
// that a test can tell which frame a decoded picture is.
inline std::vector<std::uint8_t> testJpeg(int width, int height, int n, int hue = 0) {
    video::Image image;
    image.reshape(width, height, video::PixelFormat::Bgrx32);
    const int visitor = (n * width / 100) % width, bars = std::min(height, std::max(8, height / 32));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            int r = 90 + 80 * y / height + (hue == 1 ? 40 : 0), g = 110 + 60 * y / height, b = 150 - 40 * y / height;
            if (hue == 2) b += 50;
            if (x >= width * 3 / 8 && x < width * 5 / 8 && y >= height / 5) r = 120, g = 72, b = 40;  // the door
            if (std::abs(x - visitor) < height / 8 && std::abs(y - height * 3 / 5) < height / 8)
                r = 230, g = 200, b = 60;
            if (y < bars) r = g = b = (n >> (x * 8 / width)) & 1 ? 255 : 0;
            p[0] = static_cast<std::uint8_t>(std::min(b, 255)), p[1] = static_cast<std::uint8_t>(g);
            p[2] = static_cast<std::uint8_t>(std::min(r, 255)), p[3] = 0xFF;
        }
    }
    return video::encodeJpeg(video::viewOf(image), 85);
}

// Which frame a decoded test picture shows, from its counter bars.
inline int frameCounterOf(const video::Image& image) {
    int n = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (image.row(1)[4 * (bit * image.width / 8 + image.width / 16) + 1] > 128) n |= 1 << bit;
    return n;
}

// Day number of 1 May 2024 when 1 January of year 1 is day 1.
constexpr std::int32_t kMay2024 = 739007;

// The stamp `offsetMs` after `first`.
inline video::TTimeStamp stampAt(video::TTimeStamp first, std::int64_t offsetMs) {
    const std::int64_t total = video::timeStampToMSecs(first) + offsetMs;
    return {static_cast<std::int32_t>(total % 86400000), static_cast<std::int32_t>(total / 86400000)};
}

inline void writeRecording(const std::string& path, int frames, int width, int height,
                           video::TTimeStamp first = {12 * 3600000 + 30 * 60000 + 5000, kMay2024}, int stepMs = 40,
                           int hue = 0) {
    video::TMJPEGFile file(path, video::TMJPEGFile::kWrite);
    for (int i = 0; i < frames; ++i) file.writeFrame(testJpeg(width, height, i, hue), stampAt(first, i * stepMs));
    file.close();
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace oculon::player::test
