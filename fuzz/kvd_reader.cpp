// Opens arbitrary bytes as a recording, reads, seeks and repairs it. A file
// that opens must be whole after one repair, with the frames it showed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "video/MJPEGFile.h"

using oculon::video::TMJPEGFile;

namespace {

// The recording lives in memory; the file layer reaches it by path.
int memoryFile() {
    static const int fd = ::memfd_create("kvd_reader", 0);
    return fd;
}

void exercise(TMJPEGFile& file, const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> jpeg;
    const std::int32_t frames = file.VideoFrames();
    for (std::int32_t i = 0; i < frames && i < 32; ++i) file.readFrame(jpeg);
    std::vector<std::int32_t> targets = {frames - 1, frames / 2, 1, 0, frames, -1};
    if (size >= 4) targets.push_back(static_cast<std::int32_t>(data[size - 1] | data[size - 2] << 8));
    for (const std::int32_t n : targets) {
        try {
            file.SetFrameNo(n);
            file.readFrame(jpeg);
        } catch (const std::runtime_error&) {}
    }
    file.getPreview(jpeg);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    std::int32_t frames = 0;
    try {
        TMJPEGFile file(path, TMJPEGFile::kRead);
        frames = file.VideoFrames();
        if (frames < 1 || file.VideoFPS() < 1) std::abort();
        exercise(file, data, size);
    } catch (const std::runtime_error&) {}
    if (frames == 0) return 0;

    TMJPEGFile::repair(path);
    TMJPEGFile repaired(path, TMJPEGFile::kRead);
    if (repaired.NeedsRepair() || repaired.VideoFrames() != frames ||
        TMJPEGFile::repair(path) != TMJPEGFile::RepairResult::Intact) {
        std::abort();
    }
    return 0;
}
