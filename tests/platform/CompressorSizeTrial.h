#pragma once
// Asks every installed encoder whether it takes pictures of a size, in a
// child process: an encoder that ends the process over a size (a failed
// assertion) fails the test instead of the test program. Each one that takes
// the size writes a short AVI file, which libavcodec then decodes back frame
// by frame: a file the player cannot read is no export.

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/AviFile.h"
#include "platform/LibavHandles.h"
#include "platform/UniqueFd.h"
#include "platform/VideoCompressors.h"
#include "platform/VideoEncoderSession.h"
#include "support/ChildProcess.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace oculon::platform::test {

// What the child said: "<code> <encoder>=<0|1>[ <frames decoded>]\n" for each
// encoder asked, and the name of one whose trial did not end.
inline std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

constexpr int kTrialFrames = 3;

// Writes kTrialFrames pictures of `format` (a key frame and frames after
// it, each a little different) through `encoder` into an AVI file at `path`;
// false when a step fails.
inline bool writeTrialFile(const std::string& path, const VideoCompressorInfo& compressor, const std::string& encoder,
                           const BitmapFormat& format) {
    VideoEncoderSettings settings;
    settings.format = format;
    settings.keyFrameInterval = 12;
    std::string error;
    const auto session = VideoEncoderSession::openEncoder(compressor, encoder, settings, error);
    const auto file = AviFile::create(path, error);
    if (!session || !file) return false;
    const int stream = file->addCompressedVideo(*session, settings.scale, settings.rate, error);
    if (stream < 0) return false;
    const std::ptrdiff_t step = (static_cast<std::ptrdiff_t>(format.width) * bytesPerPixel(format.layout) + 3) & ~3;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(step) * static_cast<std::size_t>(format.height));
    for (int frame = 0; frame < kTrialFrames; ++frame) {
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 7 / 5 + frame * 29);
        const auto compressed = session->compress(rows.data(), step);
        if (!compressed ||
            !file->writeVideo(stream, compressed->bytes.data(), compressed->bytes.size(), compressed->keyFrame))
            return false;
    }
    return file->close();
}

// The frames of the file's first video stream that libavcodec decodes,
// stopping at the first that it cannot.
inline int decodedFrames(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return 0;
    const std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> input(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return 0;
    const AVCodec* codec = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    libav::CodecContext context(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!context || avcodec_parameters_to_context(context.get(), format->streams[index]->codecpar) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0)
        return 0;
    libav::Packet packet(av_packet_alloc());
    libav::Frame frame(av_frame_alloc());
    int frames = 0;
    const auto receive = [&] {
        int result = 0;
        while ((result = avcodec_receive_frame(context.get(), frame.get())) == 0) ++frames;
        return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
    };
    while (av_read_frame(format, packet.get()) == 0) {
        const bool ours = packet->stream_index == index;
        const bool sent = !ours || avcodec_send_packet(context.get(), packet.get()) == 0;
        av_packet_unref(packet.get());
        if (!sent || !receive()) return frames;
    }
    avcodec_send_packet(context.get(), nullptr);
    receive();
    return frames;
}

// Every encoder of every listed compressor at `width` x `height`, 24 bits;
// the test fails when the child does not come back whole, or when a file
// that an encoder wrote does not decode to every frame it was given.
inline void expectEveryEncoderAnswers(int width, int height) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const testsupport::TempDir folder;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    UniqueFd reading(ends[0]), writing(ends[1]);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        reading.reset();
        const BitmapFormat format{width, height, BitmapLayout::bgr24, true};
        for (const auto& compressor : installedVideoCompressors())
            for (const auto& encoder : compressor.encoders) {
                std::string line = compressor.code + " " + encoder + "=";
                (void)!::write(writing.get(), line.data(), line.size());
                if (!videoEncoderAccepts(compressor, encoder, format)) {
                    line = "0\n";
                } else {
                    const std::string path = folder.path() + "/" + encoder + ".avi";
                    const int decoded = writeTrialFile(path, compressor, encoder, format) ? decodedFrames(path) : -1;
                    line = "1 " + std::to_string(decoded) + "\n";
                }
                (void)!::write(writing.get(), line.data(), line.size());
            }
        ::_exit(0);
    }
    writing.reset();
    const std::string answers = readAll(reading.get());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::size_t lastLine = answers.rfind('\n', answers.size() - 2);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the trial ended the process at " << answers.substr(lastLine == std::string::npos ? 0 : lastLine + 1);
    EXPECT_NE(answers.find("MJPG mjpeg=1 "), std::string::npos) << answers;
    std::istringstream lines(answers);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t taken = line.find("=1 ");
        if (taken == std::string::npos) continue;
        EXPECT_EQ(line.substr(taken + 3), std::to_string(kTrialFrames))
            << line.substr(0, taken) << ": frames decoded from its file (-1: not written)";
    }
}

}  // namespace oculon::platform::test
