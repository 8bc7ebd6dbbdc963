// A reader's repair of a recording that its recorder goes on writing: the
// repair reaches for the file's lock after it opened the file, the recorder
// appends and finishes in between, and nothing it wrote may be cut.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include "support/ChildProcess.h"
#include "video/MJPEGFile.h"

using namespace oculon::video;

namespace {

// Holds the next exclusive flock of the program at its door until opened.
struct LockDoor {
    std::mutex mutex;
    std::condition_variable changed;
    bool armed = false;
    bool reached = false;
    bool open = false;
} door;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFrames(TMJPEGFile& file, int from, int to) {
    for (int i = from; i < to; ++i) file.writeFrame(std::string(100 + i, static_cast<char>('a' + i)), {i * 40, 739000});
}

}  // namespace

// Found before the C library's for every call of this program, the
// recording's own included.
extern "C" int flock(int fd, int operation) noexcept {
    {
        std::unique_lock lock(door.mutex);
        if (door.armed && (operation & LOCK_EX)) {
            door.armed = false;
            door.reached = true;
            door.changed.notify_all();
            door.changed.wait(lock, [] { return door.open; });
        }
    }
    return static_cast<int>(::syscall(SYS_flock, fd, operation));
}

TEST(MJPEGFileRace, ARepairWaitingForTheLockCutsNoFrameOfTheRecorderThatFinishedMeanwhile) {
    oculon::testsupport::TempDir dir;
    const std::string path = dir.path() + "/live.kvd";
    auto recorder = std::make_unique<TMJPEGFile>(path, TMJPEGFile::kWrite);
    writeFrames(*recorder, 0, 3);
    {
        std::lock_guard lock(door.mutex);
        door.reached = door.open = false;
        door.armed = true;
    }
    int seen = -1;
    // The recording in progress looks damaged to the reader, which repairs it
    // as soon as no recorder holds it.
    std::thread reader([&] { seen = TMJPEGFile(path, TMJPEGFile::kRead).VideoFrames(); });
    {
        std::unique_lock lock(door.mutex);
        door.changed.wait(lock, [] { return door.reached; });
    }
    writeFrames(*recorder, 3, 8);
    recorder->close();
    const std::string written = readAll(path);
    {
        std::lock_guard lock(door.mutex);
        door.open = true;
    }
    door.changed.notify_all();
    reader.join();

    EXPECT_EQ(seen, 3);  // what there was when it looked
    EXPECT_TRUE(readAll(path) == written) << "the repair changed the finished recording";
    const TMJPEGFile after(path, TMJPEGFile::kRead);
    EXPECT_EQ(after.VideoFrames(), 8);
    EXPECT_FALSE(after.NeedsRepair());
}
