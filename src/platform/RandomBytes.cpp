#include "platform/RandomBytes.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "platform/UniqueFd.h"

namespace oculon::platform {

namespace {

// How often one source is asked for the bytes still missing.
constexpr int kRandomReads = 4;

// Fills all `size` bytes through `read` (a call like read(2)), asking
// kRandomReads times at most; false, errno set, when it gives no more.
template <typename Read>
bool fillFrom(unsigned char* bytes, std::size_t size, Read&& read) {
    std::size_t got = 0;
    errno = 0;
    for (int call = 0; call < kRandomReads && got < size; ++call) {
        const ssize_t n = read(bytes + got, size - got);
        if (n > 0) got += static_cast<std::size_t>(n);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    if (got == size) return true;
    if (errno == 0 || errno == EINTR) errno = EIO;
    return false;
}

// The kernel's /dev/urandom (1:9) or /dev/random (1:8), by its device
// numbers, whatever its name: /dev/zero gives the same bytes every time, a
// FIFO or another device may never answer.
bool isKernelRandomDevice(const struct stat& info) {
    return S_ISCHR(info.st_mode) && ::major(info.st_rdev) == 1 &&
           (::minor(info.st_rdev) == 9 || ::minor(info.st_rdev) == 8);
}

}  // namespace

bool randomBytesFromDevice(const char* path, unsigned char* bytes, std::size_t size) {
    // Looked at before it is opened: opening a device may wait, or do
    // something of its own.
    struct stat info {};
    if (::lstat(path, &info) != 0) return false;
    if (!isKernelRandomDevice(info)) {
        errno = S_ISLNK(info.st_mode) ? ELOOP : ENODEV;
        return false;
    }
    const UniqueFd device(::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!device) return false;
    // And again once open: something else may have been put there meanwhile.
    if (::fstat(device.get(), &info) != 0) return false;
    if (!isKernelRandomDevice(info)) {
        errno = ENODEV;
        return false;
    }
    return fillFrom(bytes, size, [&](void* at, std::size_t n) { return ::read(device.get(), at, n); });
}

bool randomBytes(unsigned char* bytes, std::size_t size) {
    if (fillFrom(bytes, size, [](void* at, std::size_t n) { return ::getrandom(at, n, 0); })) return true;
    return randomBytesFromDevice("/dev/urandom", bytes, size);
}

}  // namespace oculon::platform
