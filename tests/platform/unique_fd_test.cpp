// The descriptor owner: every descriptor is closed exactly once, whatever
// moves and resets it went through.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "platform/UniqueFd.h"

namespace oculon::platform {
namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

int openNull() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

TEST(UniqueFd, ClosesEachDescriptorOnce) {
    const int a = openNull();
    const int b = openNull();
    {
        UniqueFd first(a);
        UniqueFd moved(std::move(first));  // the source lets go
        EXPECT_FALSE(first);
        EXPECT_EQ(moved.get(), a);

        UniqueFd second(b);
        second = std::move(moved);  // b closes, a moves on
        EXPECT_FALSE(isOpen(b));
        EXPECT_TRUE(isOpen(a));

        auto& self = second;
        second = std::move(self);  // self-move keeps it
        second.reset(a);           // resetting to the held one keeps it
        EXPECT_TRUE(isOpen(a));
    }
    EXPECT_FALSE(isOpen(a));

    // release() hands it out unclosed; close() reports and leaves nothing.
    const int c = openNull();
    UniqueFd owner(c);
    EXPECT_EQ(owner.release(), c);
    EXPECT_TRUE(isOpen(c));
    owner.reset(c);
    EXPECT_TRUE(owner.close());
    EXPECT_FALSE(isOpen(c));
    EXPECT_TRUE(owner.close());  // nothing held: nothing closed twice
}

}  // namespace
}  // namespace oculon::platform
