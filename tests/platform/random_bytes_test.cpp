// The random device read where getrandom is refused: only the kernel's own,
// and whatever is put in its place neither blocks nor gives bytes.

#include "platform/RandomBytes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <utility>

#include "support/ChildProcess.h"

using namespace oculon::platform;
using namespace std::chrono_literals;

TEST(RandomDevice, OnlyTheKernelsRandomDeviceServesAndNothingPutInItsPlaceBlocks) {
    const oculon::testsupport::TempDir dir;
    const std::string fifo = dir.path() + "/fifo", file = dir.write("file", std::string(4096, 'x')),
                      link = dir.path() + "/link";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/urandom", link.c_str()), 0);
    const struct {
        std::string path;
        bool serves;
    } sources[] = {{"/dev/urandom", true}, {"/dev/random", true}, {"/dev/zero", false}, {"/dev/null", false},
                   {file, false},          {link, false},         {fifo, false}};
    for (const auto& source : sources) {
        SCOPED_TRACE(source.path);
        unsigned char bytes[24] = {};
        auto read = std::async(std::launch::async, [&] {
            const bool served = randomBytesFromDevice(source.path.c_str(), bytes, sizeof bytes);
            return std::pair(served, served ? 0 : errno);
        });
        if (read.wait_for(5s) == std::future_status::timeout) {
            // A writer lets a reader waiting on the FIFO go.
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            ::close(writer);
            ADD_FAILURE() << "blocked";
        }
        const auto [served, error] = read.get();
        EXPECT_EQ(served, source.serves);
        EXPECT_EQ(error, source.serves ? 0 : source.path == link ? ELOOP : ENODEV);
    }
}
