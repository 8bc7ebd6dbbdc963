#pragma once
// A disk that runs out of room, for the writes of this process: while it
// lives, no file grows beyond `bytes` (one made meanwhile rules until it
// goes); the kernel writes what fits and refuses the rest (EFBIG), as a full
// disk does (ENOSPC). Only where no other thread of the test writes files.

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>

namespace oculon::testsupport {

class FileSizeLimit {
public:
    // SIGXFSZ's default would end the process at the first refused write.
    explicit FileSizeLimit(rlim_t bytes) : previous_(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        const rlimit limit{std::min(bytes, saved_.rlim_max), saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    sighandler_t previous_;
    rlimit saved_{};
};

}  // namespace oculon::testsupport
