// The random device read where getrandom is refused: only the kernel's own,
// and whatever is put in its place neither blocks nor gives bytes.

#include "platform/RandomBytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "support/ChildProcess.h"

TEST(RandomDevice, OnlyTheKernelsRandomDeviceServesAndNothingPutInItsPlaceBlocks) {
    const oculon::testsupport::TempDir dir;
    const std::string fifo = dir.path() + "/fifo", link = dir.path() + "/link",
                      file = dir.write("file", std::string(4096, 'x'));
    ASSERT_TRUE(::mkfifo(fifo.c_str(), 0600) == 0 && ::symlink("/dev/urandom", link.c_str()) == 0);
    const std::pair<std::string, int> sources[] = {{"/dev/urandom", 0},   {"/dev/random", 0}, {"/dev/zero", ENODEV},
                                                   {"/dev/null", ENODEV}, {file, ENODEV},     {link, ELOOP},
                                                   {fifo, ENODEV}};
    ::alarm(10);  // a read that waits ends the test
    for (const auto& [path, error] : sources) {
        SCOPED_TRACE(path);
        unsigned char bytes[24];
        EXPECT_EQ(oculon::platform::randomBytesFromDevice(path.c_str(), bytes, sizeof bytes), error == 0);
        EXPECT_EQ(errno, error);
    }
    ::alarm(0);
}
