#pragma once
// Asks every installed encoder whether it takes pictures of a size, each
// encoder and size in a child process: an encoder that ends the process over
// a size (a failed assertion) fails the test instead of the test program. Each one that takes
// the size writes a short AVI file, which libavcodec then decodes back frame
// by frame: a file the player cannot read is no export.

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <utility>
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

// One encoder of one compressor at one picture size.
struct CompressorSizeTrial {
    const VideoCompressorInfo* compressor;
    std::string encoder;
    int width, height;

    std::string name() const {
        return compressor->code + " " + encoder + " at " + std::to_string(width) + "x" + std::to_string(height);
    }
};

// Runs in the trial's child: "0" when the encoder refuses the size, else
// "1 <frames decoded from its file>" (-1: no file written). The file goes at
// once, so that the trials running side by side never hold more than theirs.
inline std::string trialAnswer(const CompressorSizeTrial& trial, const std::string& folder) {
    const BitmapFormat format{trial.width, trial.height, BitmapLayout::bgr24, true};
    if (!videoEncoderAccepts(*trial.compressor, trial.encoder, format)) return "0";
    const std::string path =
        folder + "/" + std::to_string(trial.width) + "x" + std::to_string(trial.height) + "-" + trial.encoder + ".avi";
    const int decoded = writeTrialFile(path, *trial.compressor, trial.encoder, format) ? decodedFrames(path) : -1;
    ::unlink(path.c_str());
    return "1 " + std::to_string(decoded);
}

// A trial's child and the pipe it answers through.
struct RunningTrial {
    std::size_t trial;
    UniqueFd answer;
};

inline std::string readAll(int fd) {
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Every encoder of every listed compressor at each of `sizes`, 24 bits, each
// trial in a child process of its own, as many at once as there are cores:
// the trials share nothing, and one encoder's minutes at a large size no
// longer wait for all the others. The test fails when a child does not come
// back whole, when MJPG does not take a size, or when a file that an encoder
// wrote does not decode to every frame it was given.
inline void expectEveryEncoderAnswers(std::vector<std::pair<int, int>> sizes) {
    // The largest first, so that the longest trials do not start last.
    std::stable_sort(sizes.begin(), sizes.end(),
                     [](const auto& a, const auto& b) { return a.first * a.second > b.first * b.second; });
    std::vector<CompressorSizeTrial> trials;
    for (const auto& [width, height] : sizes)
        for (const auto& compressor : installedVideoCompressors())
            for (const auto& encoder : compressor.encoders) trials.push_back({&compressor, encoder, width, height});

    const testsupport::TempDir folder;
    const std::size_t atOnce = std::max(1u, std::thread::hardware_concurrency());
    const pid_t parent = ::getpid();
    std::map<pid_t, RunningTrial> running;
    std::vector<std::string> answers(trials.size());
    std::vector<int> statuses(trials.size(), -1);
    for (std::size_t next = 0; next < trials.size() || !running.empty();) {
        if (next < trials.size() && running.size() < atOnce) {
            int ends[2];
            ASSERT_EQ(::pipe(ends), 0);
            UniqueFd reading(ends[0]), writing(ends[1]);
            std::fflush(nullptr);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                // A test stopped for its time must not leave encoders running.
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent) ::_exit(1);
                const std::string line = trialAnswer(trials[next], folder.path());
                (void)!::write(writing.get(), line.data(), line.size());
                ::_exit(0);
            }
            running.emplace(child, RunningTrial{next++, std::move(reading)});
            continue;
        }
        int status = 0;
        const pid_t ended = ::waitpid(-1, &status, 0);
        ASSERT_GT(ended, 0);
        const auto it = running.find(ended);
        if (it == running.end()) continue;
        answers[it->second.trial] = readAll(it->second.answer.get());
        statuses[it->second.trial] = status;
        running.erase(it);
    }

    std::size_t mjpegTook = 0;
    for (std::size_t i = 0; i < trials.size(); ++i) {
        const auto& trial = trials[i];
        EXPECT_TRUE(WIFEXITED(statuses[i]) && WEXITSTATUS(statuses[i]) == 0)
            << trial.name() << ": the trial ended the process"
            << (WIFSIGNALED(statuses[i]) ? " by signal " + std::to_string(WTERMSIG(statuses[i])) : std::string());
        if (!answers[i].starts_with("1 ")) continue;
        mjpegTook += trial.compressor->code == "MJPG" && trial.encoder == "mjpeg";
        EXPECT_EQ(answers[i].substr(2), std::to_string(kTrialFrames))
            << trial.name() << ": frames decoded from its file (-1: not written)";
    }
    EXPECT_EQ(mjpegTook, sizes.size()) << "MJPG's mjpeg takes every size";
}

}  // namespace oculon::platform::test
