#pragma once
// Scoped use of the reboot lock: asks it under a name on construction and
// reports the end of the fetch on destruction when it was let through.

#include <string_view>

#include "config/RebootSperre.h"

namespace oculon::devices {

class RebootLockGuard {
public:
    // With no lock every fetch is let through.
    RebootLockGuard(config::TRebootSperre* lock, std::string_view label)
        : lock_(lock), label_(label), entered_(!lock || !lock->isBlocked(label)) {}
    ~RebootLockGuard() {
        if (lock_ && entered_) lock_->leaveBlock(label_);
    }
    RebootLockGuard(const RebootLockGuard&) = delete;
    RebootLockGuard& operator=(const RebootLockGuard&) = delete;

    // False while a video server restarts: the caller must not fetch.
    bool entered() const { return entered_; }

private:
    config::TRebootSperre* lock_;
    std::string_view label_;
    bool entered_;
};

}  // namespace oculon::devices
