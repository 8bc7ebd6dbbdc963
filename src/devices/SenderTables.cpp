#include "devices/SenderTables.h"

namespace oculon::devices {

namespace {

template <typename Map>
void makeRoomFor(Map& table, const std::string& address) {
    if (table.size() >= kMaxSenders && !table.contains(address)) table.clear();
}

}  // namespace

bool SequenceTable::checkSequence(const std::string& address, int number) {
    std::lock_guard lock(mutex_);
    makeRoomFor(last_, address);
    int& last = last_[address];
    if (number > last || number < 10) {
        last = number;
        return true;
    }
    return false;
}

RateLimiter::RateLimiter(Clock clock) : clock_(std::move(clock)) {}

bool RateLimiter::admit(const std::string& address, std::uint32_t intervalMs) {
    const std::uint32_t now = clock_();
    std::lock_guard lock(mutex_);
    makeRoomFor(lastActed_, address);
    const auto [it, added] = lastActed_.try_emplace(address, now);
    if (added) return true;
    if (static_cast<std::uint32_t>(now - it->second) > intervalMs) {
        it->second = now;
        return true;
    }
    return false;
}

}  // namespace oculon::devices

namespace oculon::devices {

std::size_t SequenceTable::size() const {
    std::lock_guard lock(mutex_);
    return last_.size();
}

std::size_t RateLimiter::size() const {
    std::lock_guard lock(mutex_);
    return lastActed_.size();
}

}  // namespace oculon::devices
