#pragma once
// The one lock kind of the media library. Nobody enters or leaves a lock
// directly: every request returns a section, and the lock is given back when
// the section ends (at the end of the caller's scope). The lock is re-entrant
// for its holder and exclusive between threads (a read section excludes like
// a write section). A stop section makes the requests of every other thread
// fail at once instead of queueing, which is how a link is torn down while
// data flows through it; an unlock section gives up everything the calling
// thread holds on a lock and takes it back when it ends.
//
// Contract shared by every section:
//  - A refused section (held() false) holds nothing and releases nothing.
//  - Sections of one thread end in the reverse order of taking.
//  - A section must end before its lock is destroyed: whoever takes a section
//    keeps the object that owns the lock alive for as long.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "media/pins/PNSync.h"

namespace oculon::pins {

class IPNLock;
class TPNLock;
class TPNDestroyLock;

// A section of a TPNLock or TPNDestroyLock: move-only, ends when destroyed or
// released. A default-made section is nil: a refused request.
class IPNLockSection {
public:
    IPNLockSection() noexcept = default;
    IPNLockSection(IPNLockSection&& o) noexcept
        : kind_(std::exchange(o.kind_, Kind::None)),
          lock_(o.lock_),
          guard_(o.guard_),
          savedHolds_(o.savedHolds_),
          savedParked_(o.savedParked_),
          first_(o.first_),
          nested_(std::move(o.nested_)) {}
    IPNLockSection& operator=(IPNLockSection&& o) noexcept {
        if (this != &o) {
            release();
            kind_ = std::exchange(o.kind_, Kind::None);
            lock_ = o.lock_;
            guard_ = o.guard_;
            savedHolds_ = o.savedHolds_;
            savedParked_ = o.savedParked_;
            first_ = o.first_;
            nested_ = std::move(o.nested_);
        }
        return *this;
    }
    IPNLockSection(const IPNLockSection&) = delete;
    IPNLockSection& operator=(const IPNLockSection&) = delete;
    ~IPNLockSection() { release(); }

    // False for a refused request. Unlock and stop sections are always held.
    bool held() const { return kind_ != Kind::None; }
    explicit operator bool() const { return held(); }
    // Ends the section now; a no-op for a nil or already ended one.
    inline void release();

    // Both sections ended together, `second` before `first`; nil (and both
    // ended at once) unless both are held.
    static IPNLockSection Pair(IPNLockSection first, IPNLockSection second);

    enum class Kind : std::uint8_t { None, Read, Write, Stop, Unlock, Pair, GuardEnter, GuardDestroy, GuardUnlock };

    // Sections ended after this one: the second lock's unlock section of a
    // read or write section, or both sections of a pair.
    struct Nested;
    struct NestedDeleter {
        void operator()(Nested* nested) const noexcept;
    };

private:
    friend class TPNLock;
    friend class TPNDestroyLock;
    void end();

    Kind kind_ = Kind::None;
    TPNLock* lock_ = nullptr;
    TPNDestroyLock* guard_ = nullptr;
    int savedHolds_ = 0;   // unlock section: holds to take back; guard unlock: destroy count
    int savedParked_ = 0;  // unlock section: parked holds to give back
    IPNLock* first_ = nullptr;
    // Read/write: the unlock section of the second lock, ended after this
    // hold. Pair: both sections.
    std::unique_ptr<Nested, NestedDeleter> nested_;
};

// What the library's objects lock through (TPNLock, and the wrappers of the
// component base). Reference-counted by std::shared_ptr.
class IPNLock {
public:
    virtual ~IPNLock() = default;
    // Nil when refused: a stop is pending and the caller does not hold the lock.
    virtual IPNLockSection ReadLock() = 0;
    virtual IPNLockSection WriteLock() = 0;
    // Never nil: waits as long as it takes.
    virtual IPNLockSection StopLock() = 0;
    // Never nil. Gives up every hold of the calling thread until the section ends.
    virtual IPNLockSection UnlockAll() = 0;
    // The same; at the end `firstLock` (may be null) is taken before this
    // lock's holds are, so two locks are always re-taken in one order.
    virtual IPNLockSection UnlockAllLockInOrder(IPNLock* firstLock) = 0;
    virtual TPNLock& Instance() = 0;
};

// Operations reported to lock-trace listeners.
enum class TPNDBOperation : std::uint8_t {
    owdbNone,
    owdbError,
    owdbCreate,
    owdbDestroy,
    owdbBeginWriteCreate,
    owdbWriteCreate,
    owdbBeginWriteDestroy,
    owdbWriteDestroy,
    owdbBeginReadCreate,
    owdbReadCreate,
    owdbBeginReadDestroy,
    owdbReadDestroy,
    owdbBeginStopCreate,
    owdbStopCreate,
    owdbBeginStopDestroy,
    owdbStopDestroy,
    owdbBeginUnlockCreate,
    owdbUnlockCreate,
    owdbBeginUnlockDestroy,
    owdbUnlockDestroy,
};
// The display name, padded with blanks to 18 characters ("Create            ").
std::string_view PNDBOperationName(TPNDBOperation op);

// A lock-trace listener. Called on the thread that works the lock, for every
// lock of the process; it must not take library locks itself.
class IPNDBGNotify {
public:
    virtual ~IPNDBGNotify() = default;
    virtual void Notify(const TPNLock& lock, TPNDBOperation op, std::thread::id thread) = 0;
};
// Listeners are called in the order they were added. Without any, a trace
// costs one atomic load.
void GOWAddDBGListener(std::shared_ptr<IPNDBGNotify> listener);
void GOWRemoveDBGListener(const std::shared_ptr<IPNDBGNotify>& listener);
namespace detail {
extern std::atomic<int> traceListenerCount;
void traceLog(const TPNLock& lock, TPNDBOperation op);
}  // namespace detail
inline void GOWDBGLog(const TPNLock& lock, TPNDBOperation op) {
    if (detail::traceListenerCount.load(std::memory_order_acquire) != 0) detail::traceLog(lock, op);
}

class TPNLock final : public IPNLock, public std::enable_shared_from_this<TPNLock> {
public:
    TPNLock();
    ~TPNLock() override;
    TPNLock(const TPNLock&) = delete;
    TPNLock& operator=(const TPNLock&) = delete;

    IPNLockSection ReadLock() override { return hold(nullptr, true); }
    IPNLockSection WriteLock() override { return hold(nullptr, false); }
    IPNLockSection StopLock() override;
    IPNLockSection UnlockAll() override { return UnlockAllLockInOrder(nullptr); }
    IPNLockSection UnlockAllLockInOrder(IPNLock* firstLock) override;
    TPNLock& Instance() override { return *this; }

    // Read and write sections that, after waiting about 210 ms, give up the
    // caller's holds on `second` (its owner component's lock, typically) so
    // that the holder of this lock can finish, and take them back only after
    // this section has ended. `second` may be null.
    IPNLockSection ReadLock(IPNLock* second) { return hold(second, true); }
    IPNLockSection WriteLock(IPNLock* second) { return hold(second, false); }

    bool HeldByCurrentThread() const;
    bool StopPending() const;

    // How long a request waits before it gives up the second lock.
    static constexpr std::chrono::milliseconds kSecondLockPatience{210};

private:
    friend class IPNLockSection;
    using Token = std::uint32_t;  // a small per-thread id; 0 is nobody
    // Per-thread bookkeeping, kept only while non-zero: holds that an unlock
    // section could not take back while a stop was pending (the thread's next
    // releases consume these instead of real holds), and live stop sections.
    struct Note {
        Token thread;
        int parked = 0;
        int stops = 0;
    };

    // word_ packs the holder's token (bits 0-31), its hold count (32-55),
    // kSleepers and kSlow. Without kSlow, taking a free lock, re-entering and
    // releasing are one compare-exchange, and a thread that finds the lock
    // held sets kSleepers and sleeps until the release that clears it wakes
    // one sleeper (wakeSeq_). kSlow is set while anything else is going on (a stop,
    // parked holds, waiters on m_); then only code under m_ changes word_,
    // and whoever sets it wakes every sleeper of the word into that path.
    static constexpr std::uint64_t kSlow = 1ull << 63;
    static constexpr std::uint64_t kSleepers = 1ull << 62;
    static constexpr std::uint64_t kOneHold = 1ull << 32;
    static constexpr std::uint64_t kHoldMask = 0xFFFFFFull << 32;
    static Token owner(std::uint64_t w) { return static_cast<Token>(w); }
    static std::uint64_t holds(std::uint64_t w) { return (w & kHoldMask) >> 32; }
    static Token currentToken() {
        static constinit std::atomic<Token> next{1};
        thread_local const Token token = next.fetch_add(1);
        return token;
    }

    // A free lock or re-entry, without listeners, takes no call out of line.
    IPNLockSection hold(IPNLock* second, bool read) {
        IPNLockSection s;
        if (detail::traceListenerCount.load(std::memory_order_acquire) != 0) return holdSlow(second, read, false);
        if (!tryFastHold(currentToken())) return holdSlow(second, read, true);
        s.kind_ = read ? IPNLockSection::Kind::Read : IPNLockSection::Kind::Write;
        s.lock_ = this;
        return s;
    }
    IPNLockSection holdSlow(IPNLock* second, bool read, bool triedFast);
    // Guesses a free lock, as the release guesses one hold: a look first
    // would fetch the word's line once more.
    bool tryFastHold(Token me) {
        std::uint64_t w = 0;
        if (word_.compare_exchange_strong(w, me | kOneHold, std::memory_order_acquire, std::memory_order_relaxed))
            return true;
        for (;;) {
            std::uint64_t next;
            if (w == 0) next = me | kOneHold;
            else if (!(w & kSlow) && owner(w) == me && holds(w) < (kHoldMask >> 32)) next = w + kOneHold;
            else return false;
            if (word_.compare_exchange_weak(w, next, std::memory_order_acquire, std::memory_order_relaxed)) return true;
        }
    }
    // The holder guesses the common case (one hold, nothing slow) and tries
    // it without a load first, which would fetch the line once more.
    bool tryFastRelease(Token me) {
        std::uint64_t w = me | kOneHold;
        if (word_.compare_exchange_strong(w, 0, std::memory_order_release, std::memory_order_relaxed)) return true;
        for (;;) {
            if ((w & kSlow) || owner(w) != me || holds(w) == 0) return false;
            const std::uint64_t next = holds(w) == 1 ? 0 : w - kOneHold;
            if (word_.compare_exchange_weak(w, next, std::memory_order_release, std::memory_order_relaxed)) {
                if (next == 0 && (w & kSleepers)) wakeSleepers(1);
                return true;
            }
        }
    }

    // Looks at the word a few times, then sleeps, until this thread holds
    // the lock (true) or kSlow is set or this thread already holds it
    // (false: the slow path decides). From `patienceEnds` on it has given up
    // `second` into `secondFree`.
    using Clock = std::chrono::steady_clock;
    bool sleepForHold(Token me, IPNLock* second, Clock::time_point patienceEnds, IPNLockSection& secondFree);
    void wakeSleepers(int count);
    void endHold(IPNLockSection::Kind kind);
    void endUnlock(int holds, int parked, IPNLock* first);
    // Callers hold m_; enterSlow() first, leaveSlow() before they let go.
    std::uint64_t enterSlow();
    void leaveSlow();
    bool refused(Token me) const;
    Note* findNote(Token me);
    Note& note(Token me);
    void tidyNotes();
    // True when the lock became free and a waiter is to be woken.
    bool releaseOne(Token me);
    void passOn();

    std::atomic<std::uint64_t> word_{0};
    // Moved by every wake of the threads that sleep for a hold (they sleep
    // on it with the futex call).
    alignas(64) std::atomic<std::uint32_t> wakeSeq_{0};
    std::atomic<int> sleeping_{0};  // threads in the futex call on wakeSeq_
    mutable std::mutex m_;
    std::condition_variable cv_;
    int waiters_ = 0;
    int stopPending_ = 0;  // stop sections announced or held
    std::vector<Note> notes_;
};

void IPNLockSection::release() {
    if (kind_ == Kind::None) return;
    // The common end of a read or write section, as cheap as its start.
    if ((kind_ == Kind::Read || kind_ == Kind::Write) && !nested_ &&
        detail::traceListenerCount.load(std::memory_order_acquire) == 0 &&
        lock_->tryFastRelease(TPNLock::currentToken())) {
        kind_ = Kind::None;
        return;
    }
    end();
}

// Base of pins, pin lists and state dispatchers: an object with its own lock.
class TPNObject {
public:
    TPNObject();
    virtual ~TPNObject();
    TPNObject(const TPNObject&) = delete;
    TPNObject& operator=(const TPNObject&) = delete;

    // May be refused (not held) while a stop is pending.
    virtual IPNLockSection ReadLock();
    virtual IPNLockSection WriteLock();
    virtual IPNLockSection UnlockAll();

    TPNLock& IntLock() const { return *FIntLock; }
    const std::shared_ptr<TPNLock>& IntLockRef() const { return FIntLock; }
    // For short bookkeeping of the object's own fields, never held while
    // anything else is taken or waited for.
    TPNCriticalSection& IntLockSection() const { return FIntLockSection; }

protected:
    std::shared_ptr<TPNLock> FIntLock;
    mutable TPNCriticalSection FIntLockSection;
};

// Lets an object wait, before it is torn down, until no thread is inside it.
// Threads enter with Lock(); DestroyLock() refuses new entries from other
// threads, gives up the owner's lock and waits until they have all left.
class TPNDestroyLock {
public:
    explicit TPNDestroyLock(TPNObject& owner) : owner_(owner) {}
    TPNDestroyLock(const TPNDestroyLock&) = delete;
    TPNDestroyLock& operator=(const TPNDestroyLock&) = delete;

    // Nil for other threads once a destruction has begun; a destroying
    // thread itself still enters.
    IPNLockSection Lock();
    // Waits until every other thread's Lock section has ended. A thread's own
    // Lock sections do not count, so a handler that tears down the object it
    // was called through does not wait for itself.
    IPNLockSection DestroyLock();
    // Lifts the pending destructions for the section's life.
    IPNLockSection DestroyUnlockLock();
    TPNDestroyLock& Instance() { return *this; }
    TPNObject& Owner() const { return owner_; }

private:
    friend class IPNLockSection;
    void leave();
    void endDestroy();
    void endDestroyUnlock(int count);
    int& mine();  // the calling thread's Lock sections on this guard

    TPNObject& owner_;
    std::mutex m_;
    std::condition_variable cv_;
    std::atomic<int> inside_{0};               // Lock sections of all threads
    std::atomic<int> destroying_{0};           // destructions begun and not ended
    std::vector<std::thread::id> destroyers_;  // threads past their DestroyLock wait
};

}  // namespace oculon::pins
