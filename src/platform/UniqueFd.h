#pragma once
// Owns one file descriptor and closes it exactly once: when the owner goes,
// is reset, or is assigned another. Moving hands the descriptor on. Header
// only, so the gateway library, which links nothing of ours, can use it too.

#include <unistd.h>

#include <utility>

namespace oculon::platform {

class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    int release() noexcept { return std::exchange(fd_, -1); }
    // Closes the one held (unless it is `fd` itself) and holds `fd`.
    void reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd);
        if (old >= 0 && old != fd) ::close(old);
    }
    // Closes now and tells whether close() succeeded: on some file systems a
    // write error shows only there.
    bool close() noexcept {
        const int old = release();
        return old < 0 || ::close(old) == 0;
    }

private:
    int fd_ = -1;
};

}  // namespace oculon::platform
