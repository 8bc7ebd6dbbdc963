// Finding the last frame of a large recording, as the player does on opening
// it: our reader, and beside it reading the records in order from the start,
// which is what a reader without our look-back from the end has to do. No
// library outside reads our recordings, so neither line has a peer and the
// table prints no x peer; the records in order are our own scanner. Both start
// from a cold page cache (bench/README.md), so the figures are those of a
// recording opened days after it was made. The recording is made at start in
// OCULON_BENCH_DIR (default /var/tmp, which must not be a tmpfs: its pages
// cannot be dropped) and removed at the end; OCULON_BENCH_KVD_MB sets its
// size (default 1024).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "video/KvdRecords.h"
#include "video/MJPEGFile.h"

using oculon::video::TMJPEGFile;
using oculon::video::TTimeStamp;
namespace kvd = oculon::video::kvd;
namespace rules = oculon::bench;

namespace {

struct Recording {
    std::string path;
    std::int32_t frames = 0;
};

Recording& recording() {
    static Recording r;
    return r;
}

// Pictures of 20 to 60 KB, about what a camera sends at 640x480.
void makeRecording(const std::string& path, std::int64_t bytes) {
    std::mt19937 random(42);
    std::vector<std::uint8_t> picture(60 * 1024);
    for (auto& b : picture) b = static_cast<std::uint8_t>(random() % 251);
    TMJPEGFile file(path, TMJPEGFile::kWrite);
    std::int64_t written = kvd::kHeaderSize;
    std::int32_t n = 0;
    while (written < bytes) {
        const std::size_t size = 20 * 1024 + random() % (40 * 1024);
        picture[0] = static_cast<std::uint8_t>(n);  // every frame its own bytes
        file.writeFrame(std::span(picture.data(), size), TTimeStamp{n * 40 % 86400000, 739000});
        written += kvd::kRecordOverhead + static_cast<std::int64_t>(size);
        ++n;
    }
    file.close();
    recording().frames = n;
}

// Owns a read-only descriptor of the recording.
class ReadFile {
public:
    explicit ReadFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    }
    ~ReadFile() { ::close(fd_); }
    ReadFile(const ReadFile&) = delete;
    ReadFile& operator=(const ReadFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Writes the recording's pages out once, so that the cache can drop them.
void flush(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) throw std::runtime_error("cannot flush " + path);
    ::close(fd);
}

void dropFromCache(const std::string& path) {
    const ReadFile file(path);
    if (::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_DONTNEED) != 0) throw std::runtime_error("posix_fadvise");
}

// Times `work` over runs that each start from a cold page cache.
template <typename Work>
void coldRuns(benchmark::State& state, Work work) {
    for (auto _ : state) {
        state.PauseTiming();
        dropFromCache(recording().path);
        state.ResumeTiming();
        work();
    }
}

std::vector<std::uint8_t> lastFrameOurs() {
    std::vector<std::uint8_t> jpeg;
    TMJPEGFile file(recording().path, TMJPEGFile::kRead);
    file.SetFrameNo(file.VideoFrames() - 1);
    file.readFrame(jpeg);
    return jpeg;
}

// Record after record from the first, each checked as our reader checks it
// (header, length, closing boundary), the picture bytes skipped.
std::vector<std::uint8_t> lastFrameInOrder() {
    const ReadFile file(recording().path);
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(recording().path));
    const kvd::RecordScanner scanner(file.fd(), size, TMJPEGFile::kMaxFrameLength);
    std::optional<kvd::Record> last;
    for (auto record = scanner.recordAt(kvd::kHeaderSize); record; record = scanner.recordAt(record->end()))
        last = record;
    if (!last) throw std::runtime_error("no record");
    std::vector<std::uint8_t> jpeg(static_cast<std::size_t>(last->header.length));
    kvd::readAt(file.fd(), jpeg.data(), jpeg.size(), last->pos + kvd::kRecordHeaderSize);
    return jpeg;
}

void BM_Ours_OpenAndReadLastFrame(benchmark::State& state) {
    coldRuns(state, [] { benchmark::DoNotOptimize(lastFrameOurs().data()); });
}

void BM_RecordsInOrder_LastFrame(benchmark::State& state) {
    coldRuns(state, [] { benchmark::DoNotOptimize(lastFrameInOrder().data()); });
}

// Not compared: the player's jumps within an open recording.
void BM_Ours_ReadRandomFrame(benchmark::State& state) {
    TMJPEGFile file(recording().path, TMJPEGFile::kRead);
    std::mt19937 random(1);
    std::vector<std::uint8_t> jpeg;
    coldRuns(state, [&] {
        file.SetFrameNo(static_cast<std::int32_t>(random() % static_cast<unsigned>(file.VideoFrames())));
        file.readFrame(jpeg);
        benchmark::DoNotOptimize(jpeg.data());
    });
}

std::string benchFolder() {
    const char* dir = std::getenv("OCULON_BENCH_DIR");
    const std::string folder = dir ? dir : "/var/tmp";
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0) throw std::runtime_error("no folder " + folder);
    if (fs.f_type == TMPFS_MAGIC)
        throw std::runtime_error(folder + " is a tmpfs, whose pages stay in memory: set OCULON_BENCH_DIR");
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    const char* mb = std::getenv("OCULON_BENCH_KVD_MB");
    const std::int64_t megabytes = mb ? std::max(1LL, std::atoll(mb)) : 1024;
    recording().path = benchFolder() + "/oculon-bench-" + std::to_string(::getpid()) + ".kvd";
    std::printf("making a recording of %lld MB in %s\n", static_cast<long long>(megabytes), recording().path.c_str());
    makeRecording(recording().path, megabytes << 20);
    flush(recording().path);
    std::printf("%d frames\n", recording().frames);
    if (lastFrameOurs() != lastFrameInOrder()) {
        std::fprintf(stderr, "the two readers found different last frames\n");
        std::filesystem::remove(recording().path);
        return 1;
    }

    rules::Table table(benchmark::kMicrosecond);
    table.ours("last frame", BM_Ours_OpenAndReadLastFrame);
    table.noOutsidePeer();
    table.ours("last frame, records in order from the start", BM_RecordsInOrder_LastFrame);
    table.noOutsidePeer();
    table.ours("a random frame, recording open", BM_Ours_ReadRandomFrame);
    table.noOutsidePeer();
    table.run();
    std::filesystem::remove(recording().path);
    return 0;
}
