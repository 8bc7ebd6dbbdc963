#pragma once
// What a stream decoder paints into: the window's picture control (a
// PictureSink) and, optionally, a caption control that shows the camera's
// name with the date and time (a CaptionSink). Windows implement these; the
// decoder calls them on the main thread only.

#include <string>

#include "video/Jpeg.h"

namespace oculon::video {

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One picture to paint. The pixels belong to the decoder and are valid only
// during the call: paint them (or copy them) there.
struct PictureFrame {
    const Image* picture = nullptr;  // Bgrx32, QImage::Format_RGB32 without a copy
    PixelRect source;                // the part of the picture to show (a crop, or all of it)
    PixelRect target;                // where in the control; the source is stretched to fill it
    bool clearWhite = false;         // paint the control white first (letterbox and pillarbox bars)
    std::string overlayText;         // drawn at (5, 5) over the picture when not empty
    // Set when the source is the control's whole bitmap already (its size,
    // bars included; the picture's rows may be wider) in a buffer the
    // decoder can do without: the control may
    // take the pixels instead of copying them, by swapping them for a buffer
    // of its own (of any size), which the decoder fills next time.
    Image* handOver = nullptr;
};

class PictureSink {
public:
    virtual ~PictureSink() = default;
    // The control's size in pixels: the bitmap the picture fills.
    virtual PixelSize size() const = 0;
    virtual void showPicture(const PictureFrame& frame) = 0;
};

class CaptionSink {
public:
    virtual ~CaptionSink() = default;
    virtual void setCaption(const std::string& text) = 0;
};

}  // namespace oculon::video
