#pragma once
// Per-sender tables of the read handlers, which run on several listener
// threads at once, so each table has a lock of its own.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace oculon::devices {

// A table holds at most this many senders; one more empties it first, so a
// flood of forged sender addresses cannot grow it without end.
inline constexpr std::size_t kMaxSenders = 4096;

// Last accepted sequence number per sender address (`sequenceList`), shared
// by the state telegrams of port 5000 and the telephone telegrams.
class SequenceTable {
public:
    // Accepts a number above the last accepted one, or below 10 (the sender
    // restarted or wrapped round), and stores it.
    bool checkSequence(const std::string& address, int number);
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, int> last_;
};

// Time of the last answer acted on per sender (`gefundeneIPs`), so a device
// answering every broadcast is not probed every time.
class RateLimiter {
public:
    using Clock = std::function<std::uint32_t()>;
    explicit RateLimiter(Clock clock);

    // True (and the time noted) when the sender was not seen yet or more than
    // `intervalMs` have passed since it was last acted on.
    bool admit(const std::string& address, std::uint32_t intervalMs);
    std::size_t size() const;

private:
    Clock clock_;
    mutable std::mutex mutex_;
    std::map<std::string, std::uint32_t> lastActed_;
};

}  // namespace oculon::devices
