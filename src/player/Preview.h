#pragma once
// Previews of the recordings browser: the first picture of a ".jpg" or
// ".kvd" file decoded just large enough for its square, and where a picture
// goes in the preview square and in the viewer.

#include <cstdint>
#include <string>
#include <vector>

#include "video/Jpeg.h"

namespace oculon::player {

constexpr int kPreviewSize = 128;

// Picture files larger than this are not pictures of ours.
constexpr long long kMaxPictureFileSize = 64LL << 20;

// The picture of a ".jpg" file or the first frame of a ".kvd" recording,
// decoded with the decoder's DCT scaling to the smallest size that is still
// at least `width` pixels wide. A recording is opened read-only and left as it
// is. Raises on a missing, unreadable or undecodable file.
video::Image loadPreviewPicture(const std::string& path, bool isVideo, int width = kPreviewSize);

// The bytes of a picture file; refuses anything but a regular file of at most
// kMaxPictureFileSize bytes (a FIFO named ".jpg" must not block the browser).
std::vector<std::uint8_t> readPictureFile(const std::string& path);

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Where a picture of the given size goes in a `size` x `size` preview: full
// width at the picture's aspect, top-aligned (a tall picture is cut off at the
// bottom of the square). And where the play symbol of a recording goes:
// centred across, and down the middle of the part of the picture that shows.
struct PreviewLayout {
    Rect picture;
    int playLeft = 0;
    int playTop = 0;
};
PreviewLayout previewLayout(int pictureWidth, int pictureHeight, int size, int playWidth, int playHeight);

// The caption under a preview. A dated name, as snapshots and recordings are
// named ("2024-05-01_14-00-00_Front door.kvd"), goes on three lines: date,
// time and the rest, so that the time, which tells the files of a day apart,
// is never cut short by a long station name. Other names stay as they are.
std::string previewCaption(const std::string& fileName);

// The largest rectangle of the picture's aspect inside the area, centred.
Rect fitCentred(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

}  // namespace oculon::player
