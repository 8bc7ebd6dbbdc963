#pragma once
// One compression run of an installed video compressor (VideoCompressors.h):
// opened for a picture size, layout, frame rate, quality and key-frame
// interval, it turns each uncompressed picture into the bytes of one chunk of
// an AVI stream, flagged when the chunk is a key frame. One thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FullRangeYuv.h"
#include "platform/VideoCompressors.h"

struct AVCodecParameters;

namespace oculon::platform {

struct VideoEncoderSettings {
    BitmapFormat format;
    // Frames per second as a stream header holds them: rate / scale.
    std::uint32_t rate = 25;
    std::uint32_t scale = 1;
    // 0 (smallest) to 10000 (best); encoders without a quality setting ignore it.
    std::uint32_t quality = 10000;
    // Frames from one key frame to the next; 0 and 1 make every frame a key frame.
    std::uint32_t keyFrameInterval = 0;
    // The data rate the encoder is asked to keep to; 0: none.
    std::uint32_t bytesPerSecond = 0;
};

struct CompressedFrame {
    std::vector<std::uint8_t> bytes;
    bool keyFrame = false;
};

class VideoEncoderSession {
public:
    // Opens the first encoder of the compressor of `code` that accepts the
    // settings' picture format (videoEncoderAccepts) and opens with the rest
    // of the settings. Null, with the reason in `error`, when there is none.
    static std::unique_ptr<VideoEncoderSession> open(std::string_view code, const VideoEncoderSettings& settings,
                                                     std::string& error);
    // Opens this one encoder of the compressor, without asking first whether
    // it compresses frame for frame.
    static std::unique_ptr<VideoEncoderSession> openEncoder(const VideoCompressorInfo& compressor,
                                                            const std::string& encoder,
                                                            const VideoEncoderSettings& settings, std::string& error);

    ~VideoEncoderSession();
    VideoEncoderSession(const VideoEncoderSession&) = delete;
    VideoEncoderSession& operator=(const VideoEncoderSession&) = delete;

    const VideoCompressorInfo& compressor() const;
    const std::string& encoderName() const;
    const VideoEncoderSettings& settings() const;

    // Compresses one picture in the settings' format: `rows` points at the
    // first stored row (the bottom one for bottom-up bitmaps), `step` is the
    // distance in bytes from one stored row to the next and holds at least a
    // row's pixels. Empty bytes mean the encoder kept the frame back (a writer
    // stores an empty chunk: the frame repeats the one before). Nullopt, with
    // the reason in lastError(), when the encoder fails or the rows do not fit.
    std::optional<CompressedFrame> compress(const std::uint8_t* rows, std::ptrdiff_t step);
    const std::string& lastError() const;
    // Whether the encoder compresses full-range 4:2:0 (a JPEG picture's
    // planes) as it is, so that compressPlanes takes pictures.
    bool takesFullRange420() const;
    // Compresses one picture of the settings' size given as full-range
    // 4:2:0 planes, top row first, without a conversion; as compress
    // otherwise. Nullopt when the encoder does not take them.
    std::optional<CompressedFrame> compressPlanes(const Yuv420Planes& planes);

    // The code written into the stream header: the compressor's, or the one
    // its encoder chose for the variant it writes.
    std::uint32_t streamTag() const;
    // Describes this session's output for a muxer's stream: codec, tag, size
    // and the codec's private data (which follows the bitmap header in AVI).
    void copyStreamParameters(AVCodecParameters& parameters) const;

    struct Impl;
    explicit VideoEncoderSession(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace oculon::platform
