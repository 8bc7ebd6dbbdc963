// Opens arbitrary bytes as a recording, reads, seeks and repairs it. Reading
// passes over damaged records: frame numbers only rise, a seek lands on the
// frame asked for or a later one. While a recorder holds the file a reader
// leaves it as it is; without one, opening repairs it, and the repaired file
// is whole, with the same frames in the same order and a true frame count.
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "video/MJPEGFile.h"

using oculon::video::EFileFormatException;
using oculon::video::TMJPEGFile;

namespace {

constexpr std::int32_t kMaxFramesRead = 64;

// The recording lives in a file of its own in a private folder, reached by a
// plain path as the player reaches it (a repair refuses names that are links,
// as /proc/self/fd/N is).
const std::string& recordingPath() {
    static const std::string path = [] {
        std::string folder =
            (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + std::string("/kvd_reader-XXXXXX");
        if (!::mkdtemp(folder.data())) std::abort();
        static std::string remove;
        remove = folder;
        std::atexit([] {
            ::unlink((remove + "/fuzz.kvd").c_str());
            ::rmdir(remove.c_str());
        });
        return folder + "/fuzz.kvd";
    }();
    return path;
}

int recordingFile() {
    static const int fd = ::open(recordingPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return fd;
}

// Frame numbers and pictures in reading order, up to kMaxFramesRead.
using Frames = std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>>;

Frames readInOrder(TMJPEGFile& file) {
    Frames frames;
    std::vector<std::uint8_t> jpeg;
    while (frames.size() < kMaxFramesRead) {
        try {
            file.readFrame(jpeg);
        } catch (const EFileFormatException&) {
            break;
        }
        if (!frames.empty() && file.FrameNumber() <= frames.back().first) std::abort();
        frames.emplace_back(file.FrameNumber(), jpeg);
    }
    return frames;
}

void seekAround(TMJPEGFile& file, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> jpeg;
    const std::int32_t frames = file.VideoFrames();
    std::vector<std::int32_t> targets = {frames - 1, frames / 2, 1, 0, frames, -1};
    if (size >= 4) targets.push_back(static_cast<std::int32_t>(data[size - 1] | data[size - 2] << 8));
    for (const std::int32_t n : targets) {
        try {
            file.SetFrameNo(n);
            file.readFrame(jpeg);
            if (file.FrameNumber() < n) std::abort();
        } catch (const std::runtime_error&) {}
    }
    file.getPreview(jpeg);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = recordingFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const std::string& path = recordingPath();

    // as a recorder would, so that the first reader sees the file unrepaired
    if (::flock(fd, LOCK_EX) != 0) std::abort();
    Frames before;
    try {
        TMJPEGFile file(path, TMJPEGFile::kRead);
        if (file.VideoFrames() < 1 || file.VideoFPS() < 1) std::abort();
        before = readInOrder(file);
        seekAround(file, data, size);
    } catch (const std::runtime_error&) {
        if (before.empty()) {
            ::flock(fd, LOCK_UN);
            return 0;
        }
    }
    if (::flock(fd, LOCK_UN) != 0) std::abort();

    TMJPEGFile repaired(path, TMJPEGFile::kRead);
    if (repaired.NeedsRepair() || TMJPEGFile::repair(path) != TMJPEGFile::RepairResult::Intact) std::abort();
    const Frames after = readInOrder(repaired);
    if (after != before) std::abort();
    // The count is true: its last frame is there. Reading in order may end
    // before it, where a damaged record's bytes run over it.
    std::vector<std::uint8_t> jpeg;
    repaired.SetFrameNo(repaired.VideoFrames() - 1);
    repaired.readFrame(jpeg);
    if (repaired.FrameNumber() != repaired.VideoFrames() - 1) std::abort();
    return 0;
}
