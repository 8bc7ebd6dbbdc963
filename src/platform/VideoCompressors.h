#pragma once
// The installed video compressors that AVI writers choose from. A compressor
// is known by its four-character code ("MJPG", "CVID"); behind the code stand
// the encoders of the FFmpeg libraries that write it into AVI files, tried in
// the libraries' order (their own encoder before outside ones). Hardware and
// experimental encoders are not offered: the first fails on machines without
// the device, the second may change its output between library releases; nor
// are formats that the libraries cannot decode, since the player could not
// show such files.
//
// Whether a compressor takes pictures of a given size and layout is found out
// by compressing with it (see videoCompressorAccepts); the answers are kept
// for the process, since the installed libraries do not change while it runs.
// Sizes that an encoder ends the process over, or writes as frames that its
// decoder rejects, instead of refusing them, are known beforehand and never
// tried.
// Any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oculon::platform {

// Pixel layouts of the uncompressed bitmaps that writers hand to a compressor.
enum class BitmapLayout : std::uint8_t {
    gray8,   // one byte per pixel, a palette of 256 greys
    rgb555,  // 16 bits, 0RRRRRGG GGGBBBBB, little-endian
    rgb565,  // 16 bits, RRRRRGGG GGGBBBBB, little-endian
    bgr24,   // bytes B, G, R
    bgrx32,  // bytes B, G, R and one unused
};

int bytesPerPixel(BitmapLayout layout);

struct BitmapFormat {
    int width = 0;
    int height = 0;
    BitmapLayout layout = BitmapLayout::bgr24;
    // Rows stored from the bottom up, as in a device-independent bitmap.
    bool bottomUp = true;

    bool operator==(const BitmapFormat&) const = default;
};

struct VideoCompressorInfo {
    std::string code;                   // four characters, upper-cased: what the user picks
    std::string description;            // the library's name of its first encoder
    std::uint32_t streamTag = 0;        // the code as written into the stream header ('cvid')
    std::vector<std::string> encoders;  // FFmpeg encoder names, tried in order
};

// A code as a FOURCC: upper-cased, cut to four characters, padded with blanks;
// the first character in the lowest byte.
std::uint32_t fourccFromCode(std::string_view code);
std::string codeFromFourcc(std::uint32_t fourcc);

// Every compressor, one per code, in a fixed order. Built on first use.
const std::vector<VideoCompressorInfo>& installedVideoCompressors();

// The compressor of `code`, compared as FOURCCs (so without regard to case);
// null when none is installed.
const VideoCompressorInfo* findVideoCompressor(std::string_view code);

// Whether one of the compressor's encoders opens for pictures of `format` and
// gives back one compressed frame for each frame it is given (a key frame and
// a following one are tried), which is what a writer of one chunk per frame
// needs.
bool videoCompressorAccepts(const VideoCompressorInfo& compressor, const BitmapFormat& format);

// The same for one encoder of a compressor.
bool videoEncoderAccepts(const VideoCompressorInfo& compressor, const std::string& encoder, const BitmapFormat& format);

}  // namespace oculon::platform
