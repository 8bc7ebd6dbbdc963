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

// An entrance seen by a door camera, with a visitor that walks across the
// picture as n grows, so that successive frames differ visibly. `hue` tints
// the scene so that pictures of different cameras can be told apart.
inline video::Image testPicture(int width, int height, int n, int hue = 0) {
    video::Image image;
    image.reshape(width, height, video::PixelFormat::Bgrx32);
    const int doorLeft = width * 3 / 8, doorRight = width * 5 / 8, doorTop = height / 5;
    const int cx = (n * width / 100) % (width + width / 5) - width / 10, cy = height * 3 / 5;
    const int radius = std::max(2, height / 8);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            int r = 90 + 80 * y / height, g = 110 + 60 * y / height, b = 150 - 40 * y / height;  // wall
            if (y > height * 4 / 5) r = g = b = 70 + (x / 16 + y / 16) % 2 * 20;                 // floor tiles
            if (x >= doorLeft && x < doorRight && y >= doorTop && y <= height * 4 / 5) {
                r = 120, g = 72, b = 40;  // the door
                if (x == doorLeft + 4 || x == doorRight - 5) r = g = b = 30;
            }
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy < radius * radius) r = 230, g = 200, b = 60;  // the visitor
            if (dx * dx + (dy + radius * 2) * (dy + radius * 2) < radius * radius / 2) r = 240, g = 190, b = 160;
            r = std::clamp(r + (hue == 1 ? 40 : 0), 0, 255);
            b = std::clamp(b + (hue == 2 ? 50 : 0), 0, 255);
            row[4 * x] = static_cast<std::uint8_t>(b);
            row[4 * x + 1] = static_cast<std::uint8_t>(g);
            row[4 * x + 2] = static_cast<std::uint8_t>(r);
            row[4 * x + 3] = 0xFF;
        }
    }
    // a frame counter in bars along the top, so a test can tell frames apart
    for (int bit = 0; bit < 8; ++bit) {
        const std::uint8_t v = (n >> bit) & 1 ? 255 : 0;
        for (int y = 0; y < std::min(height, std::max(8, height / 32)); ++y)
            for (int x = bit * width / 8; x < (bit + 1) * width / 8; ++x) std::fill_n(image.row(y) + 4 * x, 3, v);
    }
    return image;
}

inline std::vector<std::uint8_t> testJpeg(int width, int height, int n, int hue = 0) {
    return video::encodeJpeg(video::viewOf(testPicture(width, height, n, hue)), 85);
}

// Day number of 1 May 2024 when 1 January of year 1 is day 1.
constexpr std::int32_t kMay2024 = 739007;

// Stamps of a recording: the first at `first`, each next `stepMs` later.
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

// Which frame a decoded test picture shows, from its counter bars.
inline int frameCounterOf(const video::Image& image) {
    int n = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const int x = bit * image.width / 8 + image.width / 16;
        if (image.row(1)[4 * x + 1] > 128) n |= 1 << bit;
    }
    return n;
}

}  // namespace oculon::player::test
