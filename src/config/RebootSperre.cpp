#include "config/RebootSperre.h"

#include <chrono>
#include <thread>

#include "platform/MainLoop.h"

namespace oculon::config {

TRebootSperre::~TRebootSperre() {
    started_ = false;
    unblockVideo();
}

bool TRebootSperre::isBlocked(std::string_view) {
    std::lock_guard lock(kritSec_);
    const bool blocked = blocked_.load();
    if (!blocked) ++count_;
    return blocked;
}

void TRebootSperre::leaveBlock(std::string_view) {
    std::lock_guard lock(kritSec_);
    --count_;
}

int TRebootSperre::count() const {
    std::lock_guard lock(kritSec_);
    return count_;
}

void TRebootSperre::blockVideo() {
    {
        // Under the lock, so no fetch slips in between its test and its count.
        std::lock_guard lock(kritSec_);
        blocked_ = true;
    }
    auto& loop = platform::MainLoop::instance();
    while (count() > 0) {
        if (loop.isMainThread()) loop.processPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void TRebootSperre::unblockVideo() { blocked_ = false; }

}  // namespace oculon::config
