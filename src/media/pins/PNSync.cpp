#include "media/pins/PNSync.h"

namespace oculon::pins {

bool TPNMutex::Acquire(std::chrono::milliseconds timeout) {
    const auto me = std::this_thread::get_id();
    std::unique_lock l(m_);
    if (!cv_.wait_for(l, timeout, [&] { return count_ == 0 || owner_ == me; })) return false;
    owner_ = me;
    ++count_;
    return true;
}

bool TPNMutex::Release() {
    std::lock_guard l(m_);
    if (count_ == 0 || owner_ != std::this_thread::get_id()) return false;
    if (--count_ == 0) {
        owner_ = {};
        cv_.notify_one();
    }
    return true;
}

void TPNEvent::Signal() {
    std::lock_guard l(m_);
    signalled_ = true;
    if (manual_) cv_.notify_all();
    else cv_.notify_one();
}

void TPNEvent::Reset() {
    std::lock_guard l(m_);
    signalled_ = false;
}

bool TPNEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock l(m_);
    if (!cv_.wait_for(l, timeout, [&] { return signalled_; })) return false;
    if (!manual_) signalled_ = false;
    return true;
}

void TPNEvent::WaitFor() {
    std::unique_lock l(m_);
    cv_.wait(l, [&] { return signalled_; });
    if (!manual_) signalled_ = false;
}

TPNSemaphore::TPNSemaphore(std::int32_t initialCount, std::int32_t maximumCount)
    : count_(initialCount), max_(maximumCount) {}

bool TPNSemaphore::Increment(std::int32_t count) {
    std::lock_guard l(m_);
    if (count < 1 || count > max_ - count_) return false;
    count_ += count;
    cv_.notify_all();
    return true;
}

bool TPNSemaphore::Decrement(std::chrono::milliseconds timeout) {
    std::unique_lock l(m_);
    if (!cv_.wait_for(l, timeout, [&] { return count_ > 0; })) return false;
    --count_;
    return true;
}

void TPNSemaphore::Decrement() {
    std::unique_lock l(m_);
    cv_.wait(l, [&] { return count_ > 0; });
    --count_;
}

}  // namespace oculon::pins
