#pragma once
// Reading exports back with the real tools: ffprobe for what an AVI file
// holds, ffmpeg for its pictures.

#include <algorithm>
#include <string>
#include <vector>

#include "media/video/ImageTestKit.h"
#include "video/Jpeg.h"

namespace oculon::player::test {

using mediavideo::testkit::run;

inline std::string quoted(const std::string& path) { return "'" + path + "'"; }

// The video stream as ffprobe sees it, frames counted by decoding them:
// "codec_tag_string width height r_frame_rate nb_read_frames", or an empty
// text when it cannot read the file.
inline std::string probeAvi(const std::string& file) {
    std::string out =
        run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=codec_tag_string,width,height,r_frame_rate,nb_read_frames -of csv=p=0 " +
            quoted(file) + " 2>/dev/null");
    while (!out.empty() && out.back() == '\n') out.pop_back();
    std::replace(out.begin(), out.end(), ',', ' ');
    return out;
}

// Every picture of the file as ffmpeg decodes it.
inline std::vector<video::Image> decodeAvi(const std::string& file, int width, int height) {
    const std::string raw = run("ffmpeg -v error -i " + quoted(file) + " -f rawvideo -pix_fmt bgra - 2>/dev/null");
    const std::size_t size = std::size_t(width) * height * 4;
    std::vector<video::Image> pictures;
    for (std::size_t at = 0; at + size <= raw.size(); at += size) {
        video::Image& picture = pictures.emplace_back();
        picture.reshape(width, height, video::PixelFormat::Bgrx32);
        for (int y = 0; y < height; ++y)
            std::copy_n(raw.data() + at + std::size_t(y) * width * 4, width * 4, picture.row(y));
    }
    return pictures;
}

}  // namespace oculon::player::test
