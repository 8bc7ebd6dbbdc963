#pragma once
// An AVI file being written: video streams of uncompressed bitmaps or of an
// encoder session's chunks, audio streams of wave-format data, one chunk per
// write. Files past 1 GB go on in the extended (OpenDML) form, with the
// indexes that readers of such files need.
//
// The headers are written when the file is closed, into room kept for them
// at its start: a stream may be added after chunks of another were written,
// and each stream header holds its scale and rate as they were given. The
// file is created new (never through a link), private to this user, and
// written through the descriptor that created it. Uncompressed bitmaps are
// stored bottom-up with their rows padded to 4 bytes; grey ones with a
// palette of 256 greys, 16-bit 5-6-5 ones with bit-field masks. One thread
// at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/VideoCompressors.h"
#include "platform/WaveFormat.h"

namespace oculon::platform {

class VideoEncoderSession;

class AviFile {
public:
    // The most streams one file holds: their headers share the room kept
    // at the start.
    static constexpr int kMaxStreams = 4;

    // A new file at `path`, mode 0600, locked as being written until it is
    // closed (createPrivateFile); an existing file of that name is replaced.
    // Null, with the reason in `error` and errno set, when it cannot be
    // created.
    static std::unique_ptr<AviFile> create(const std::string& path, std::string& error);
    // True when `head`, the first bytes of a file, is that of a file this
    // writer began and did not close: its headers are still junk.
    static bool isUnfinished(std::string_view head);
    // Finishes the file when close() was not called.
    ~AviFile();
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Streams: their index, or -1 with the reason in `error`. Frames per
    // second are rate / scale, stored as given. `bytesPerSecond` is the
    // stream's data rate for the file header (0: unknown). Pictures are at
    // most 65535 pixels wide and high.
    int addUncompressedVideo(const BitmapFormat& format, std::uint32_t scale, std::uint32_t rate,
                             std::uint32_t bytesPerSecond, std::string& error);
    int addCompressedVideo(const VideoEncoderSession& session, std::uint32_t scale, std::uint32_t rate,
                           std::string& error);
    // Timed by its byte rate: scale = block alignment, rate = average bytes
    // per second. The format record is stored as it is given.
    int addAudio(const WaveFormat& format, std::string& error);

    // The next chunk of a video stream: one frame. An empty chunk repeats the
    // frame before. False, with the reason in lastError(), when it fails.
    bool writeVideo(int stream, const std::uint8_t* data, std::size_t size, bool keyFrame);
    // The next chunk of an audio stream: whole blocks of its alignment.
    bool writeAudio(int stream, const std::uint8_t* data, std::size_t size);

    // Writes the indexes and headers and closes the file; false with the
    // reason in lastError() when that fails. Nothing more can be written.
    bool close();
    const std::string& lastError() const;
    const std::string& path() const;

    struct Impl;
    explicit AviFile(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace oculon::platform
