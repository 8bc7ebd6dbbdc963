#include "platform/DisplayIdle.h"

#include "platform/Shell.h"

namespace oculon::platform {

ThrottledAction::ThrottledAction(std::function<void()> action, Clock::duration interval)
    : action_(std::move(action)), interval_(interval) {}

bool ThrottledAction::operator()() {
    const std::int64_t now = Clock::now().time_since_epoch().count();
    std::int64_t due = next_.load(std::memory_order_relaxed);
    if (due != 0 && now < due) return false;
    // Whoever moves the due time on runs the action; the others skip it.
    if (!next_.compare_exchange_strong(due, now + interval_.count())) return false;
    action_();
    return true;
}

void keepDisplayAwake() {
    // Screen savers and power saving count in minutes; a reset every few
    // seconds keeps them off at no noticeable cost.
    static ThrottledAction reset(stopScreenSaver, std::chrono::seconds(5));
    reset();
}

}  // namespace oculon::platform
