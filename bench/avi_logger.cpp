// Writing an AVI export: 1000 frames of 704 x 576 (RGBA, as the export
// sends them) through the generic filter and the AVI logger, compressed as
// MJPG and uncompressed (32 bits, bottom-up), against the ffmpeg command
// line encoding the same frames to the same codec in the same container
// (its start-up included, a few tens of milliseconds), and against the
// command line with the time it takes to read its input alone (1.6 GB of
// raw frames) taken off, since ours gets its frames in memory. Before
// timing, both files are decoded and every 51st frame compared (each of the
// 8 distinct pictures in turn): the uncompressed ones must hold the same
// pixels, the MJPG ones lie within the printed distance of each other. Files go to a memory-backed folder when there is
// one, so that the disk is not what is measured. Wall time per file, and the CPU seconds of every thread (ffmpeg's
// children counted) beside it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "CommandLine.h"
#include "media/pins/PNLibrary.h"
#include "media/video/VDAVILogger.h"
#include "media/video/VDGenericFilter.h"
#include "platform/MainLoop.h"

using namespace oculon::mediavideo;
namespace pins = oculon::pins;
namespace rules = oculon::bench;

namespace {

constexpr int kWidth = 704, kHeight = 576, kFrames = 1000, kDistinct = 8;
constexpr std::int32_t kDelay = 400'000;
constexpr std::uint32_t kQuality = 10000;  // the encoder's finest quantiser, 1: ffmpeg's -q:v 1

std::string folder() {
    static const std::string f = [] {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        const auto dir = base / ("oculon-bench-avi-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return f;
}

// A scene with gradients and edges that moves from frame to frame.
const std::vector<IVDImageBuffer>& pictures() {
    static const std::vector<IVDImageBuffer> frames = [] {
        std::vector<IVDImageBuffer> out;
        for (int n = 0; n < kDistinct; ++n) {
            auto frame = TVDImageBuffer::CreateSize(kWidth, kHeight, TVDVideoFormat::vfRGBA32);
            for (int y = 0; y < kHeight; ++y) {
                std::uint8_t* p = frame->Write() + static_cast<std::size_t>(y) * frame->GetStep();
                for (int x = 0; x < kWidth; ++x, p += 4) {
                    const int sx = x + n * 9;
                    const bool edge = ((sx / 64) + (y / 48)) % 2 == 0;
                    p[0] = static_cast<std::uint8_t>(sx * 255 / kWidth + (edge ? 40 : 0));
                    p[1] = static_cast<std::uint8_t>(y * 255 / kHeight);
                    p[2] = static_cast<std::uint8_t>((sx + y) / 8);
                    p[3] = 0xFF;
                }
            }
            out.push_back(frame);
        }
        return out;
    }();
    return frames;
}

// The distinct frames as one raw file, which ffmpeg loops over.
const std::string& rawInput() {
    static const std::string path = [] {
        const std::string p = folder() + "/frames.bgra";
        std::ofstream out(p, std::ios::binary);
        for (const auto& frame : pictures())
            for (int y = 0; y < kHeight; ++y)
                out.write(reinterpret_cast<const char*>(frame->Read() + static_cast<std::size_t>(y) * frame->GetStep()),
                          kWidth * 4);
        return p;
    }();
    return path;
}

struct Logger {
    oculon::platform::ManualLoopBackend loop;
    pins::TPNLibrary library;
    pins::PNOwned<TVDGenericFilter> filter = pins::PNOwned<TVDGenericFilter>::make(nullptr, "Filter");
    pins::PNOwned<TVDAVILogger> logger = pins::PNOwned<TVDAVILogger>::make(nullptr, "Logger");
    Logger() { logger->InputPin().Connect(&filter->OutputPin()); }
};

// Made in main and gone before the statics, the buffer pool among them.
std::unique_ptr<Logger> theLogger;
Logger& ourLogger() { return *theLogger; }

// One export run, as the recordings export drives the logger.
void writeOurs(const std::string& path, const std::string& code) {
    Logger& l = ourLogger();
    TVDVideoCompressionItems& items = l.logger->Compression().Compressions();
    items.Clear();
    if (!code.empty()) {
        items.Add().SetCompressor(code);
        items.Items(0).SetQuality(kQuality);
    }
    l.logger->Compression().SetEnabled(!code.empty());
    l.logger->SetFileName(path);
    l.logger->SetEnabled(true);
    l.filter->SetEnabled(true);
    l.filter->SendStartCommand(kWidth, kHeight, kDelay);
    for (int n = 0; n < kFrames; ++n) l.filter->SendData(pictures()[n % kDistinct]);
    l.filter->SetEnabled(false);
    l.logger->SetEnabled(false);
    l.filter->SendStopCommand();
    l.logger->Close();
}

// The same frames through the ffmpeg command line; `codecOptions` picks the
// codec as our file has it (pixel format and quantiser, or raw bottom-up rows).
std::string ffmpegCommand(const std::string& path, const std::string& codecOptions) {
    return "ffmpeg -y -v error -f rawvideo -pix_fmt bgra -s " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
           " -r 25 -stream_loop " + std::to_string(kFrames / kDistinct - 1) + " -i " + rawInput() + " " + codecOptions +
           " -f avi " + path;
}

// The command line reading and unpacking its input alone, writing nothing:
// what its time holds besides converting, encoding and writing.
std::string ffmpegReadCommand() {
    return "ffmpeg -y -v error -f rawvideo -pix_fmt bgra -s " + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
           " -r 25 -stream_loop " + std::to_string(kFrames / kDistinct - 1) + " -i " + rawInput() + " -f null -";
}

std::string mjpegOptions() {
    static const std::string options = [] {
        // Our encoder session picks the pixel format: the peer is told the same.
        const std::string probe = folder() + "/probe.avi";
        writeOurs(probe, "MJPG");
        const std::string format =
            rules::commandAnswer("ffprobe -v error -show_entries stream=pix_fmt -of csv=p=0 " + probe);
        return "-sws_flags area+accurate_rnd -c:v mjpeg -q:v 1 -pix_fmt " + format;
    }();
    return options;
}
const std::string kRawOptions = "-vf vflip -c:v rawvideo -pix_fmt bgra -flipped_raw_rgb 1";

// Times `write` per file by the wall clock, with the CPU seconds of the
// whole process and its children as a counter.
template <typename Write>
void timedFiles(benchmark::State& state, Write write) {
    double cpu = 0;
    for (auto _ : state) {
        const double cpu0 = rules::processCpuSeconds() + rules::childCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        write();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        cpu += rules::processCpuSeconds() + rules::childCpuSeconds() - cpu0;
    }
    state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(kFrames) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Ours(benchmark::State& state, const std::string& code) {
    const std::string path = folder() + "/ours.avi";
    timedFiles(state, [&] { writeOurs(path, code); });
    std::filesystem::remove(path);
}

void BM_FFmpeg(benchmark::State& state, const std::string& options) {
    const std::string path = folder() + "/ffmpeg.avi";
    const std::string command = ffmpegCommand(path, options);
    timedFiles(state, [&] {
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
    });
    std::filesystem::remove(path);
}

// The command line's time with the time of reading its input taken off (its
// start-up goes with it): the conversion and writing alone, as ours is given
// frames already in memory.
void BM_FFmpegWithoutRead(benchmark::State& state, const std::string& options) {
    const std::string path = folder() + "/ffmpeg.avi";
    const std::string command = ffmpegCommand(path, options), read = ffmpegReadCommand();
    double cpu = 0;
    for (auto _ : state) {
        const double cpu0 = rules::processCpuSeconds() + rules::childCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed");
        const auto t1 = std::chrono::steady_clock::now();
        const double cpu1 = rules::processCpuSeconds() + rules::childCpuSeconds();
        if (std::system(read.c_str()) != 0) state.SkipWithError("ffmpeg failed to read its input");
        const auto t2 = std::chrono::steady_clock::now();
        const double cpu2 = rules::processCpuSeconds() + rules::childCpuSeconds();
        state.SetIterationTime(std::max(0.0, std::chrono::duration<double>((t1 - t0) - (t2 - t1)).count()));
        cpu += (cpu1 - cpu0) - (cpu2 - cpu1);
    }
    state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
    std::filesystem::remove(path);
}

constexpr int kEveryFrame = 51;  // the frames compared: 0, 51, 102, ...

// The largest difference between the colour bytes of the two files' compared
// frames, decoded to BGRA by ffmpeg; -1 when a frame is missing.
int largestDifference(const std::string& a, const std::string& b) {
    const std::string fa = rules::ffmpegBgraFrames(a, kEveryFrame), fb = rules::ffmpegBgraFrames(b, kEveryFrame);
    const std::size_t size = static_cast<std::size_t>(kWidth) * kHeight * 4;
    if (fa.size() != size * ((kFrames + kEveryFrame - 1) / kEveryFrame) || fa.size() != fb.size()) return -1;
    int largest = 0;
    for (std::size_t at = 0; at < fa.size(); at += size)
        largest =
            std::max(largest, rules::largestDifference(
                                  reinterpret_cast<const std::uint8_t*>(fa.data() + at), kWidth * 4,
                                  reinterpret_cast<const std::uint8_t*>(fb.data() + at), kWidth * 4, kWidth, kHeight));
    return largest;
}

// Both sides write their file once; false, after saying so, when the files differ beyond `tolerance`.
bool sameOutput(const std::string& code, const std::string& options, int tolerance) {
    const std::string ours = folder() + "/check-ours.avi", peer = folder() + "/check-ffmpeg.avi";
    writeOurs(ours, code);
    const bool ran = std::system(ffmpegCommand(peer, options).c_str()) == 0;
    const int difference = ran ? largestDifference(ours, peer) : -1;
    std::filesystem::remove(ours);
    std::filesystem::remove(peer);
    std::printf("%s: largest difference of frames 0, %d, ... %d, ours against ffmpeg's: %d (allowed %d)\n",
                code.empty() ? "uncompressed" : code.c_str(), kEveryFrame, (kFrames - 1) / kEveryFrame * kEveryFrame,
                difference, tolerance);
    return difference >= 0 && difference <= tolerance;
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    theLogger = std::make_unique<Logger>();
    // The same encoder with the same settings, and chroma from the mean of
    // 2 x 2 pixels on both sides (ffmpeg's area filter); the conversions'
    // fixed-point constants differ, which the encoder's rounding carries on:
    // Y, Cb and Cr within 3 of each other (measured), which the decoder's
    // conversion to BGRA (B = Y + 1.772 Cb) takes to at most 3 + 5.3.
    const bool same = sameOutput("MJPG", mjpegOptions(), 8) && sameOutput("", kRawOptions, 0);
    if (!same) {
        std::printf("the outputs differ: no timing\n");
        theLogger.reset();
        std::filesystem::remove_all(folder());
        return 1;
    }
    rules::Table table(benchmark::kMillisecond);
    const auto perFile = [](benchmark::internal::Benchmark* b) { b->UseManualTime()->Iterations(1); };
    perFile(table.ours("MJPG 1000 frames", [](benchmark::State& s) { BM_Ours(s, "MJPG"); }));
    perFile(table.peer("ffmpeg CLI", [](benchmark::State& s) { BM_FFmpeg(s, mjpegOptions()); }));
    perFile(
        table.peer("ffmpeg CLI less input read", [](benchmark::State& s) { BM_FFmpegWithoutRead(s, mjpegOptions()); }));
    perFile(table.ours("uncompressed 1000 frames", [](benchmark::State& s) { BM_Ours(s, ""); }));
    perFile(table.peer("ffmpeg CLI", [](benchmark::State& s) { BM_FFmpeg(s, kRawOptions); }));
    perFile(
        table.peer("ffmpeg CLI less input read", [](benchmark::State& s) { BM_FFmpegWithoutRead(s, kRawOptions); }));
    // Reads the frames and writes the file: 1000 frames of 4 bytes a pixel, both ways.
    table.anchor(static_cast<std::size_t>(kWidth) * kHeight * 4 * kFrames)->Iterations(1);
    table.run();
    theLogger.reset();
    std::filesystem::remove_all(folder());
    return 0;
}
