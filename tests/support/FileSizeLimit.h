#pragma once
// A disk that runs out of room, for the writes of this process: while it
// lives, no file grows beyond `bytes`; the kernel writes what fits and
// refuses the rest (EFBIG), as a full disk does (ENOSPC). Only where no
// other thread of the test writes files meanwhile.

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

namespace oculon::testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        // Its default would end the process at the first refused write.
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        set(bytes);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    void set(rlim_t bytes) {
        rlimit limit = saved_;
        limit.rlim_cur = std::min(bytes, saved_.rlim_max);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
};

}  // namespace oculon::testsupport
