#include "media/pins/PNSync.h"

#include <vector>

namespace oculon::pins {

namespace {

// The mutexes the calling thread holds; what is left of them when the thread
// ends is given up, so that a waiter gets them.
struct HeldMutexes {
    std::vector<std::weak_ptr<TPNMutex::State>> held;
    ~HeldMutexes() {
        const auto me = std::this_thread::get_id();
        for (const auto& weak : held) {
            const auto state = weak.lock();
            if (!state) continue;
            std::lock_guard l(state->m);
            if (state->owner != me) continue;
            state->owner = {};
            state->count = 0;
            state->cv.notify_one();
        }
    }
};

std::vector<std::weak_ptr<TPNMutex::State>>& heldMutexes() {
    thread_local HeldMutexes h;
    return h.held;
}

}  // namespace

TPNMutex::TPNMutex() : state_(std::make_shared<State>()) {}

bool TPNMutex::Acquire(std::chrono::milliseconds timeout) {
    const auto me = std::this_thread::get_id();
    auto& held = heldMutexes();
    std::unique_lock l(state_->m);
    if (!state_->cv.wait_for(l, timeout, [&] { return state_->count == 0 || state_->owner == me; })) return false;
    if (state_->count++ == 0) {
        state_->owner = me;
        held.push_back(state_);
    }
    return true;
}

bool TPNMutex::Release() {
    std::lock_guard l(state_->m);
    if (state_->count == 0 || state_->owner != std::this_thread::get_id()) return false;
    if (--state_->count == 0) {
        state_->owner = {};
        std::erase_if(heldMutexes(), [&](const auto& w) {
            return w.expired() || (!w.owner_before(state_) && !state_.owner_before(w));
        });
        state_->cv.notify_one();
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
