// The surveillance wall under load: a 4 x 4 wall on 16 loopback MJPEG
// streams of 640 x 480 pictures at 10 per second, the wall's process pinned
// to two cores (WALL_CORES, default 2). Measured: pictures shown per second
// against the 160 offered, CPU time per shown picture over every thread of
// the process (the stream threads and Qt's scaling pool among them), and the
// main thread's share of it. The streams come from a child process, so their
// sending is not counted. Beside it, the two steps every picture takes (our
// fast JPEG decode, and the tile's smooth scaling through Qt), also in CPU
// time of all threads. No peer gives Qt's scaled pixels, so the steps have no
// reference (bench/README.md).
//
// Run inside a network namespace: tools/netns-run build/bench/bench_wall

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
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
#include <vector>

#include "BenchRules.h"
#include "CameraPictures.h"
#include "config/cfgUnit.h"
#include "platform/Registry.h"
#include "platform/ui/QtLoopBackend.h"
#include "support/LoopbackHttpServer.h"
#include "video/Jpeg.h"
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

// ---- The two steps of one picture.

const std::string& samplePicture() {
    static const std::string jpeg = cameraFrame(3, 5);
    return jpeg;
}

const Image& decodedSample() {
    static const Image image =
        decodeJpeg({reinterpret_cast<const std::uint8_t*>(samplePicture().data()), samplePicture().size()},
                   {PixelFormat::Bgrx32, true});
    return image;
}

constexpr int kTileWidth = (kWallWidth - 3 * 2) / 4;
constexpr int kTileHeight = (kWallHeight - 3 * 2) / 4;

// CPU microseconds per iteration over every thread of the process.
template <typename Work>
void allThreads(benchmark::State& state, Work work) {
    const double cpu0 = rules::processCpuSeconds();
    for (auto _ : state) work();
    state.counters["cpu_us_all_threads"] =
        benchmark::Counter((rules::processCpuSeconds() - cpu0) * 1e6, benchmark::Counter::kAvgIterations);
}

void BM_Step_DecodeFast_640x480(benchmark::State& state) {
    JpegDecoder decoder({PixelFormat::Bgrx32, true});
    Image image;
    const std::span<const std::uint8_t> jpeg(reinterpret_cast<const std::uint8_t*>(samplePicture().data()),
                                             samplePicture().size());
    allThreads(state, [&] {
        decoder.decode(jpeg, image);
        benchmark::DoNotOptimize(image.pixels.data());
    });
}
BENCHMARK(BM_Step_DecodeFast_640x480)->Apply([](auto* b) { rules::repeated(b); }) -> Unit(benchmark::kMicrosecond);

// What a tile does with a decoded picture: smooth scaling into its bitmap.
void BM_Step_TileScale_Qt(benchmark::State& state) {
    const Image& pic = decodedSample();
    const QImage source(pic.pixels.data(), pic.width, pic.height, static_cast<qsizetype>(pic.stride),
                        QImage::Format_RGB32);
    QImage tile(kTileWidth, kTileHeight, QImage::Format_RGB32);
    allThreads(state, [&] {
        QPainter p(&tile);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(tile.rect(), source);
        p.end();
        benchmark::DoNotOptimize(tile.constBits());
    });
}
BENCHMARK(BM_Step_TileScale_Qt)->Apply([](auto* b) { rules::repeated(b); }) -> Unit(benchmark::kMicrosecond);

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
    if (!rules::initialize(argc, argv)) return 1;
    rules::MedianReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    const std::string wall = "BM_Wall_4x4_16Streams_640x480_10fps";
    if (times.seconds(wall) > 0) {
        const auto median = [&](const char* counter) { return times.counter(wall, counter); };
        std::printf(
            "\nwall, medians of %d runs: %.1f of %d pictures per second shown, %.0f us CPU per picture (all "
            "threads), main thread %.0f%% of it, %.2f cores busy\n",
            rules::kRepetitions, median("shown_per_s"), kStreams * kRate, median("cpu_us_per_picture"),
            median("main_thread_share") * 100, median("cores_busy"));
    }
    benchmark::Shutdown();
    ::kill(streams().pid, SIGTERM);
    ::waitpid(streams().pid, nullptr, 0);
    return 0;
}
