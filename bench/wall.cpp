// The surveillance wall under load: a 4 x 4 wall on 16 loopback MJPEG
// streams of 640 x 480 pictures at 10 per second, the wall's process pinned
// to two cores (WALL_CORES, default 2). Measured: pictures shown per second
// against the 160 offered, CPU time per shown picture over every thread of
// the process (the stream threads and any pool of Qt's among them), and the
// main thread's share of it. The streams come from a child process, so their
// sending is not counted. Beside it, the anchor of a picture (libjpeg-turbo
// decoding it whole, libyuv scaling it to the tile) and our two steps (the
// decode at the tile's scale, by one decoder and by sixteen in turn, and the
// fit to the tile), in CPU time of all threads; the wall's CPU per picture is
// given as a multiple of the anchor. Their repetitions take turns.
// The decodes take the wall's own pictures in turn: the streams differ (a
// colour ramp that wraps costs the later ones about an eighth more bits), and
// a loop over a single picture also lets the processor learn its branches.
// WALL_SCREENSHOT=<file.png> saves the wall as it looks after the warm-up.
//
// Run inside a network namespace: tools/netns-run build/bench/bench_wall

#include <benchmark/benchmark.h>
#include <libyuv/scale_argb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// After <cstdio>: the library's header needs FILE.
#include <jpeglib.h>

#include "BenchRules.h"
#include "CameraPictures.h"
#include "config/cfgUnit.h"
#include "platform/Registry.h"
#include "platform/ui/QtLoopBackend.h"
#include "support/LoopbackHttpServer.h"
#include "video/Jpeg.h"
#include "video/PictureFit.h"
#include "video/ueberwachungLayout.h"
#include "video/ui/ueberwachungUnit.h"

using namespace oculon;
using namespace oculon::video;
namespace rules = oculon::bench;

namespace {

constexpr int kStreams = 16;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kRate = 10;
constexpr int kFramesPerStream = 12;
constexpr double kWarmupSeconds = 3;
constexpr double kMeasureSeconds = 10;
// The wall's window: a 4 x 4 grid of tiles about 318 x 238.
constexpr int kWallWidth = 1280;
constexpr int kWallHeight = 960;

// A tile of the wall's window: the control its pictures fill.
PixelSize tileSize() {
    const PixelRect tile = wallGeometry(config::r4x4, {kWallWidth, kWallHeight}).tiles.at(0).tile;
    return {tile.width, tile.height};
}

// A camera-like picture: ramps, a moving disc and sensor noise, so that a
// frame is as costly to decode as a real one (about 50 kB).
std::string cameraFrame(int stream, int frame) {
    std::mt19937 noise(static_cast<unsigned>(stream * 1000 + frame));
    const double cx = kWidth * (0.2 + 0.6 * frame / kFramesPerStream);
    const double cy = kHeight * (0.3 + 0.04 * stream);
    const auto bytes = rules::paintedJpeg(kWidth, kHeight, 80, [&](int x, int y, std::uint8_t* p) {
        const int n = static_cast<int>(noise() % 16);
        const bool disc = std::hypot(x - cx, y - cy) < 60;
        p[0] = static_cast<std::uint8_t>(disc ? 40 : (x * 200 / kWidth + n + stream * 9) & 0xFF);
        p[1] = static_cast<std::uint8_t>(disc ? 200 : (y * 180 / kHeight + n) & 0xFF);
        p[2] = static_cast<std::uint8_t>(disc ? 230 : ((x + y) / 6 + n) & 0xFF);
        p[3] = 0xFF;
    });
    return {bytes.begin(), bytes.end()};
}

// Every picture the wall is sent, in the order it comes: each stream's first
// frame, then each one's second, and so on.
const std::vector<std::string>& wallPictures() {
    static const std::vector<std::string> pictures = [] {
        std::vector<std::string> all;
        for (int f = 0; f < kFramesPerStream; ++f)
            for (int s = 0; s < kStreams; ++s) all.push_back(cameraFrame(s, f));
        return all;
    }();
    return pictures;
}

std::span<const std::uint8_t> bytesOf(const std::string& jpeg) {
    return {reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()};
}

// The wall's pictures one after the other, round and round.
class PictureCycle {
public:
    std::span<const std::uint8_t> next() {
        const auto& all = wallPictures();
        const std::string& jpeg = all[next_];
        next_ = (next_ + 1) % all.size();
        return bytesOf(jpeg);
    }

private:
    std::size_t next_ = 0;
};

// ---- The streams, in a child process.

struct StreamServer {
    pid_t pid = -1;
    std::vector<std::uint16_t> ports;
};

StreamServer startStreams() {
    int portPipe[2];
    if (::pipe(portPipe) != 0) throw std::runtime_error("pipe");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        ::close(portPipe[0]);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        std::vector<std::unique_ptr<testsupport::LoopbackHttpServer>> servers;
        testsupport::MjpegOptions options;
        options.interval = std::chrono::milliseconds(1000 / kRate);
        options.repeat = static_cast<std::size_t>((kWarmupSeconds + kMeasureSeconds + 30) * kRate / kFramesPerStream);
        options.holdOpenAtEnd = true;
        for (int s = 0; s < kStreams; ++s) {
            std::vector<std::string> frames;
            for (int f = 0; f < kFramesPerStream; ++f) frames.push_back(cameraFrame(s, f));
            auto& server = *servers.emplace_back(std::make_unique<testsupport::LoopbackHttpServer>());
            server.setHandler([frames, options](const testsupport::RecordedRequest&) {
                return testsupport::Script::mjpeg(frames, options);
            });
            const std::uint16_t port = server.port();
            if (::write(portPipe[1], &port, sizeof port) != sizeof port) std::_Exit(1);
        }
        ::close(portPipe[1]);
        ::pause();  // until the parent ends and takes us along
        std::_Exit(0);
    }
    ::close(portPipe[1]);
    StreamServer server;
    server.pid = pid;
    for (int s = 0; s < kStreams; ++s) {
        std::uint16_t port = 0;
        if (::read(portPipe[0], &port, sizeof port) != sizeof port) throw std::runtime_error("stream server");
        server.ports.push_back(port);
    }
    ::close(portPipe[0]);
    return server;
}

StreamServer& streams() {
    static StreamServer server;
    return server;
}

double mainThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A real event loop, which sleeps between events as the program's does.
void runEvents(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

int shownPictures(ui::TueberwachungForm& wall) {
    int n = 0;
    for (int t = 0; t < wall.tileCount(); ++t) n += wall.tile(t)->image().pictureCount();
    return n;
}

void BM_Wall_4x4_16Streams_640x480_10fps(benchmark::State& state) {
    auto settings = std::make_unique<config::TVideoConfig>(std::make_shared<platform::MemoryRegistryStore>());
    config::videoConfig = settings.get();
    settings->schreibeLayout(config::r4x4);
    settings->schreibeFrameRate(1);
    for (int s = 0; s < kStreams; ++s) {
        config::TSurveillanceConfig c;
        c.typ = config::LindavorCam;
        c.name = "Kamera " + std::to_string(s + 1);
        c.ipAddr = "127.0.0.1";
        c.port = streams().ports.at(static_cast<std::size_t>(s));
        c.path = "/mjpg/video.mjpg";
        settings->putSurvConfig(std::to_string(s), c);
    }
    settings->schreibeUeberwachungKameras();

    for (auto _ : state) {
        ui::TueberwachungForm wall(*settings);
        wall.resize(kWallWidth, kWallHeight);
        wall.show();
        runEvents(kWarmupSeconds);
        if (wall.tile(0)->image().pixelSize() != tileSize()) state.SkipWithError("the tiles are not the steps' size");
        // WALL_SCREENSHOT=file.png: the wall as the screen shows it, once.
        static const char* screenshot = std::getenv("WALL_SCREENSHOT");
        if (screenshot != nullptr) {
            wall.screen()->grabWindow(wall.winId()).save(QString::fromLocal8Bit(screenshot), "PNG");
            screenshot = nullptr;
        }
        const int shown0 = shownPictures(wall);
        const double cpu0 = rules::processCpuSeconds();
        const double main0 = mainThreadCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        runEvents(kMeasureSeconds);
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        const double cpu = rules::processCpuSeconds() - cpu0;
        const double mainCpu = mainThreadCpuSeconds() - main0;
        const int shown = shownPictures(wall) - shown0;
        wall.erlaubeSchliessen();
        wall.close();

        state.SetIterationTime(seconds);
        state.counters["shown_per_s"] = shown / seconds;
        state.counters["cpu_us_per_picture"] = shown > 0 ? cpu / shown * 1e6 : 0;
        state.counters["main_thread_share"] = cpu > 0 ? mainCpu / cpu : 0;
        state.counters["cores_busy"] = cpu / seconds;
    }
    state.counters["offered_per_s"] = kStreams * kRate;
    config::videoConfig = nullptr;
}
BENCHMARK(BM_Wall_4x4_16Streams_640x480_10fps)
    ->Apply([](auto* b) { rules::repeated(b); }) -> UseManualTime() -> Iterations(1) -> Unit(benchmark::kSecond);

// ---- The anchor, and our steps of a picture.
//
// The anchor is the least a wall can do per picture: libjpeg-turbo decoding
// the whole picture with the stream's settings (fast integer DCT, plain chroma
// upsampling), then libyuv scaling it to the tile's picture (the faster of its
// box and bilinear filters). Ours decodes at the library's scale for the tile
// and fits the rest with the primitives' linear resize, off the main thread.
// Decodes take the wall's pictures in turn, hot: one decoder, one output.
// The scale's cost does not depend on the picture: it scales the sample.

const std::string& samplePicture() {
    static const std::string jpeg = cameraFrame(3, 5);
    return jpeg;
}

std::span<const std::uint8_t> sampleBytes() { return bytesOf(samplePicture()); }

PixelRect tileTarget() {
    Image full;
    full.width = kWidth;
    full.height = kHeight;
    return layoutPicture(full, tileSize(), true, 0).target;
}

// CPU microseconds per iteration over every thread of the process.
template <typename Work>
void allThreads(benchmark::State& state, Work work) {
    const double cpu0 = rules::processCpuSeconds();
    for (auto _ : state) work();
    state.counters["cpu_us_all_threads"] =
        benchmark::Counter((rules::processCpuSeconds() - cpu0) * 1e6, benchmark::Counter::kAvgIterations);
}

// libjpeg-turbo as the stream decodes: whole, fast DCT, BGRX.
class BareDecoder {
public:
    BareDecoder() {
        cinfo_.err = jpeg_std_error(&err_);
        jpeg_create_decompress(&cinfo_);
    }
    ~BareDecoder() { jpeg_destroy_decompress(&cinfo_); }
    BareDecoder(const BareDecoder&) = delete;
    BareDecoder& operator=(const BareDecoder&) = delete;

    void decode(std::span<const std::uint8_t> jpeg, Image& out) {
        jpeg_mem_src(&cinfo_, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo_, TRUE);
        cinfo_.out_color_space = JCS_EXT_BGRX;
        cinfo_.dct_method = JDCT_IFAST;
        cinfo_.do_fancy_upsampling = FALSE;
        jpeg_start_decompress(&cinfo_);
        out.reshape(static_cast<int>(cinfo_.output_width), static_cast<int>(cinfo_.output_height), PixelFormat::Bgrx32);
        while (cinfo_.output_scanline < cinfo_.output_height) {
            JSAMPROW rows[4];
            const JDIMENSION count = std::min<JDIMENSION>(4, cinfo_.output_height - cinfo_.output_scanline);
            for (JDIMENSION i = 0; i < count; ++i) rows[i] = out.row(static_cast<int>(cinfo_.output_scanline + i));
            jpeg_read_scanlines(&cinfo_, rows, count);
        }
        jpeg_finish_decompress(&cinfo_);
    }

private:
    jpeg_decompress_struct cinfo_{};
    jpeg_error_mgr err_{};
};

const Image& wholeSample() {
    static const Image image = [] {
        Image out;
        BareDecoder().decode(sampleBytes(), out);
        return out;
    }();
    return image;
}

void libyuvScale(const Image& from, Image& to, libyuv::FilterMode filter) {
    const PixelRect t = tileTarget();
    to.reshape(t.width, t.height, PixelFormat::Bgrx32);
    libyuv::ARGBScale(from.pixels.data(), static_cast<int>(from.stride), from.width, from.height, to.pixels.data(),
                      static_cast<int>(to.stride), to.width, to.height, filter);
}

// Our tile picture: the decode at the tile's scale, then the fit.
struct OurTile {
    JpegDecoder decoder{{PixelFormat::Bgrx32, true}};
    PixelSize tile = tileSize();
    Image decoded;
    Image fitted;
    PictureFrame frame;

    // As the stream decoder does: the scale chosen from the headers.
    void decode(std::span<const std::uint8_t> jpeg) {
        decoder.decode(jpeg, decoded,
                       [this](const JpegInfo& info) { return decodeScaleFor(info.width, info.height, tile, true, 0); });
    }
    // As the stream decoder does: in place when only a cut is needed.
    bool fit() {
        frame = layoutPicture(decoded, tile, true, 0);
        return fitPictureInPlace(frame, tile, decoded) || fitPicture(frame, tile, fitted);
    }
};

void BM_Anchor_Decode_libjpeg(benchmark::State& state) {
    BareDecoder decoder;
    Image image;
    PictureCycle pictures;
    allThreads(state, [&] {
        decoder.decode(pictures.next(), image);
        benchmark::DoNotOptimize(image.pixels.data());
    });
}

// The anchor's decode as it was measured before: one picture over and over.
void BM_Anchor_Decode_libjpeg_OnePicture(benchmark::State& state) {
    BareDecoder decoder;
    Image image;
    allThreads(state, [&] {
        decoder.decode(sampleBytes(), image);
        benchmark::DoNotOptimize(image.pixels.data());
    });
}

void BM_Anchor_Scale_libyuv(benchmark::State& state, libyuv::FilterMode filter) {
    Image tile;
    allThreads(state, [&] {
        libyuvScale(wholeSample(), tile, filter);
        benchmark::DoNotOptimize(tile.pixels.data());
    });
}

void BM_Step_DecodeForTile(benchmark::State& state) {
    OurTile ours;
    PictureCycle pictures;
    state.counters["scale_denom"] = decodeScaleFor(kWidth, kHeight, tileSize(), true, 0);
    allThreads(state, [&] {
        ours.decode(pictures.next());
        benchmark::DoNotOptimize(ours.decoded.pixels.data());
    });
}

// The same decode as the wall runs it: sixteen decoders, one a stream, each
// with the two buffers it trades with its tile, the pictures in the order
// they come; one thread, without sockets or painting.
void BM_Step_DecodeForTile_16Decoders(benchmark::State& state) {
    std::vector<std::unique_ptr<OurTile>> tiles;
    for (int s = 0; s < kStreams; ++s) tiles.push_back(std::make_unique<OurTile>());
    std::vector<Image> traded(kStreams);
    PictureCycle pictures;
    std::size_t stream = 0;
    allThreads(state, [&] {
        OurTile& tile = *tiles[stream];
        std::swap(tile.decoded, traded[stream]);
        tile.decode(pictures.next());
        benchmark::DoNotOptimize(tile.decoded.pixels.data());
        stream = (stream + 1) % kStreams;
    });
}

void BM_Step_FitToTile(benchmark::State& state) {
    OurTile ours;
    ours.decode(sampleBytes());
    allThreads(state, [&] {
        ours.fit();
        benchmark::DoNotOptimize(ours.frame.picture->pixels.data());
    });
}

// Before anything is timed: our full decode of every picture of the wall is
// the bare library's, byte for byte, and our tile picture lies within the
// printed distance of libyuv's.
bool checkOutputs() {
    JpegDecoder decoder({PixelFormat::Bgrx32, true});
    BareDecoder bare;
    Image ours;
    Image theirs;
    for (const std::string& jpeg : wallPictures()) {
        decoder.decode(bytesOf(jpeg), ours);
        bare.decode(bytesOf(jpeg), theirs);
        if (ours.pixels != theirs.pixels) {
            std::fprintf(stderr, "our whole decode differs from libjpeg-turbo's\n");
            return false;
        }
    }
    OurTile tile;
    tile.decode(sampleBytes());
    if (!tile.fit()) {
        std::fprintf(stderr, "the tile picture was not fitted\n");
        return false;
    }
    // The tile's bitmap (the frame's source) holds the picture at the place
    // libyuv's fills alone.
    const PixelRect t = tileTarget();
    const Image& bitmap = *tile.frame.picture;
    const std::uint8_t* shown =
        bitmap.row(tile.frame.source.top + t.top) + static_cast<std::size_t>(tile.frame.source.left + t.left) * 4;
    for (const auto filter : {libyuv::kFilterBox, libyuv::kFilterBilinear}) {
        Image peer;
        libyuvScale(wholeSample(), peer, filter);
        std::printf("tile picture %dx%d in a %dx%d tile (decoded at 1/%d), largest difference to libyuv's %s: %d\n",
                    t.width, t.height, tileSize().width, tileSize().height,
                    decodeScaleFor(kWidth, kHeight, tileSize(), true, 0),
                    filter == libyuv::kFilterBox ? "box" : "bilinear",
                    rules::largestDifference(shown, bitmap.stride, peer.pixels.data(), peer.stride, t.width, t.height));
    }
    return true;
}

void registerSteps() {
    const auto perPicture = [](auto* b) { rules::repeated(b)->Unit(benchmark::kMicrosecond); };
    benchmark::RegisterBenchmark("BM_Anchor_Decode_libjpeg_640x480", BM_Anchor_Decode_libjpeg)->Apply(perPicture);
    benchmark::RegisterBenchmark("BM_Anchor_Decode_libjpeg_640x480_OnePicture", BM_Anchor_Decode_libjpeg_OnePicture)
        ->Apply(perPicture);
    benchmark::RegisterBenchmark("BM_Anchor_Scale_libyuv_Box", BM_Anchor_Scale_libyuv, libyuv::kFilterBox)
        ->Apply(perPicture);
    benchmark::RegisterBenchmark("BM_Anchor_Scale_libyuv_Bilinear", BM_Anchor_Scale_libyuv, libyuv::kFilterBilinear)
        ->Apply(perPicture);
    benchmark::RegisterBenchmark("BM_Step_DecodeForTile", BM_Step_DecodeForTile)->Apply(perPicture);
    benchmark::RegisterBenchmark("BM_Step_DecodeForTile_16Decoders", BM_Step_DecodeForTile_16Decoders)
        ->Apply(perPicture);
    benchmark::RegisterBenchmark("BM_Step_FitToTile", BM_Step_FitToTile)->Apply(perPicture);
}

void pinToCores(int cores) {
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    cpu_set_t pinned;
    CPU_ZERO(&pinned);
    int taken = 0;
    for (int c = 0; c < CPU_SETSIZE && taken < cores; ++c) {
        if (!CPU_ISSET(c, &allowed)) continue;
        CPU_SET(c, &pinned);
        ++taken;
    }
    if (::sched_setaffinity(0, sizeof pinned, &pinned) != 0) std::perror("sched_setaffinity");
    std::printf("wall pinned to %d core(s)\n", taken);
}

}  // namespace

int main(int argc, char** argv) {
    // The streams' process first, before any thread exists.
    streams() = startStreams();
    const char* cores = std::getenv("WALL_CORES");
    pinToCores(cores ? std::atoi(cores) : 2);
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    platform::QtLoopBackend backend;
    // The wall's and the anchor's repetitions take turns, so that both are
    // measured over the same minutes (a later flag of the caller wins).
    std::vector<char*> args(argv, argv + argc);
    static char interleaved[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleaved);
    int argCount = static_cast<int>(args.size());
    if (!rules::initialize(argCount, args.data())) return 1;
    if (!checkOutputs()) return 1;
    registerSteps();
    rules::MedianReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    const std::string wall = "BM_Wall_4x4_16Streams_640x480_10fps";
    const auto cpu = [&](const std::string& name) { return times.counter(name, "cpu_us_all_threads"); };
    const double decode = cpu("BM_Anchor_Decode_libjpeg_640x480");
    double scale = std::min(cpu("BM_Anchor_Scale_libyuv_Box"), cpu("BM_Anchor_Scale_libyuv_Bilinear"));
    if (scale <= 0) scale = std::max(cpu("BM_Anchor_Scale_libyuv_Box"), cpu("BM_Anchor_Scale_libyuv_Bilinear"));
    const double anchor = decode > 0 && scale > 0 ? decode + scale : 0;
    const double onePicture = cpu("BM_Anchor_Decode_libjpeg_640x480_OnePicture");
    const double onePictureAnchor = onePicture > 0 && scale > 0 ? onePicture + scale : 0;
    if (anchor > 0) {
        std::printf(
            "\nanchor: %.0f us per picture (libjpeg-turbo decode of the wall's %zu pictures in turn %.0f us + "
            "libyuv scale to the tile %.0f us); ours in steps: decode for the tile %.0f us (%.0f us by 16 decoders "
            "in turn) + fit %.0f us\n"
            "one picture decoded over and over instead: %.0f us, an anchor of %.0f us\n",
            anchor, wallPictures().size(), decode, scale, cpu("BM_Step_DecodeForTile"),
            cpu("BM_Step_DecodeForTile_16Decoders"), cpu("BM_Step_FitToTile"), onePicture, onePictureAnchor);
    }
    if (times.seconds(wall) > 0) {
        const auto median = [&](const char* counter) { return times.counter(wall, counter); };
        const double perPicture = median("cpu_us_per_picture");
        std::printf(
            "\nwall, medians of %d runs: %.1f of %d pictures per second shown, %.0f us CPU per picture (all "
            "threads), main thread %.0f%% of it, %.2f cores busy; %s x the anchor (%s x the one-picture anchor)\n",
            rules::kRepetitions, median("shown_per_s"), kStreams * kRate, perPicture, median("main_thread_share") * 100,
            median("cores_busy"), rules::ratio(perPicture, anchor).c_str(),
            rules::ratio(perPicture, onePictureAnchor).c_str());
    }
    benchmark::Shutdown();
    ::kill(streams().pid, SIGTERM);
    ::waitpid(streams().pid, nullptr, 0);
    return 0;
}
