#include "media/pins/PNLock.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <ctime>
#include <string>

namespace oculon::pins {

using Kind = IPNLockSection::Kind;
using Op = TPNDBOperation;

// ---- sections

struct IPNLockSection::Nested {
    Nested(IPNLockSection a, IPNLockSection b) : first(std::move(a)), second(std::move(b)) {}
    IPNLockSection first;
    IPNLockSection second;
    ~Nested() {
        second.release();
        first.release();
    }
};

namespace {
std::unique_ptr<IPNLockSection::Nested, IPNLockSection::NestedDeleter> nest(IPNLockSection first,
                                                                            IPNLockSection second) {
    return std::unique_ptr<IPNLockSection::Nested, IPNLockSection::NestedDeleter>(
        std::make_unique<IPNLockSection::Nested>(std::move(first), std::move(second)).release());
}
}  // namespace

void IPNLockSection::NestedDeleter::operator()(Nested* nested) const noexcept { std::default_delete<Nested>()(nested); }

void IPNLockSection::end() {
    const Kind k = std::exchange(kind_, Kind::None);
    switch (k) {
        case Kind::None: return;
        case Kind::Read:
        case Kind::Write:
        case Kind::Stop: lock_->endHold(k); break;
        case Kind::Unlock: lock_->endUnlock(savedHolds_, savedParked_, first_); break;
        case Kind::Pair: break;
        case Kind::GuardEnter: guard_->leave(); break;
        case Kind::GuardDestroy: guard_->endDestroy(); break;
        case Kind::GuardUnlock: guard_->endDestroyUnlock(savedHolds_); break;
    }
    nested_.reset();  // after this hold: a second lock is taken back only now
}

IPNLockSection IPNLockSection::Pair(IPNLockSection first, IPNLockSection second) {
    if (!first.held() || !second.held()) {
        second.release();
        first.release();
        return {};
    }
    IPNLockSection s;
    s.kind_ = Kind::Pair;
    s.nested_ = nest(std::move(first), std::move(second));
    return s;
}

// ---- trace

namespace {

struct TraceListeners {
    std::mutex m;
    std::vector<std::shared_ptr<IPNDBGNotify>> list;
};

}  // namespace

// Outside the lazily made list, so that the test on every lock operation
// costs one load and no initialisation check.
constinit std::atomic<int> detail::traceListenerCount{0};

namespace {

TraceListeners& traceListeners() {
    static TraceListeners t;
    return t;
}

}  // namespace

std::string_view PNDBOperationName(TPNDBOperation op) {
    static const std::array<std::string, 20> names = [] {
        const std::array<const char*, 20> raw = {"None",
                                                 "Error",
                                                 "Create",
                                                 "Destroy",
                                                 "BeginWriteCreate",
                                                 "WriteCreate",
                                                 "BeginWriteDestroy",
                                                 "WriteDestroy",
                                                 "BeginReadCreate",
                                                 "ReadCreate",
                                                 "BeginReadDestroy",
                                                 "ReadDestroy",
                                                 "BeginStopCreate",
                                                 "StopCreate",
                                                 "BeginStopDestroy",
                                                 "StopDestroy",
                                                 "BeginUnlockCreate",
                                                 "UnlockCreate",
                                                 "BeginUnlockDestroy",
                                                 "UnlockDestroy"};
        std::array<std::string, 20> padded;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            padded[i] = raw[i];
            padded[i].resize(18, ' ');
        }
        return padded;
    }();
    const auto i = static_cast<std::size_t>(op);
    return i < names.size() ? std::string_view(names[i]) : std::string_view(names[1]);
}

void GOWAddDBGListener(std::shared_ptr<IPNDBGNotify> listener) {
    auto& t = traceListeners();
    std::lock_guard l(t.m);
    t.list.push_back(std::move(listener));
    detail::traceListenerCount.store(static_cast<int>(t.list.size()), std::memory_order_release);
}

void GOWRemoveDBGListener(const std::shared_ptr<IPNDBGNotify>& listener) {
    auto& t = traceListeners();
    std::lock_guard l(t.m);
    std::erase(t.list, listener);
    detail::traceListenerCount.store(static_cast<int>(t.list.size()), std::memory_order_release);
}

void detail::traceLog(const TPNLock& lock, TPNDBOperation op) {
    auto& t = traceListeners();
    std::lock_guard l(t.m);
    for (const auto& listener : t.list) listener->Notify(lock, op, std::this_thread::get_id());
}

// ---- TPNLock

TPNLock::TPNLock() { GOWDBGLog(*this, Op::owdbCreate); }

TPNLock::~TPNLock() { GOWDBGLog(*this, Op::owdbDestroy); }

bool TPNLock::refused(Token me) const {
    if (stopPending_ == 0) return false;
    for (const Note& n : notes_)
        if (n.thread == me) return n.stops == 0;  // a thread that stops is never refused
    return true;
}

TPNLock::Note* TPNLock::findNote(Token me) {
    for (Note& n : notes_)
        if (n.thread == me) return &n;
    return nullptr;
}

TPNLock::Note& TPNLock::note(Token me) {
    if (Note* n = findNote(me)) return *n;
    return notes_.emplace_back(Note{me});
}

void TPNLock::tidyNotes() {
    std::erase_if(notes_, [](const Note& n) { return n.parked == 0 && n.stops == 0; });
}

namespace {

void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

void TPNLock::wakeSleepers(int count) {
    // The sequence moves first, so that a thread about to sleep on the old
    // value does not.
    wakeSeq_.fetch_add(1, std::memory_order_release);
    syscall(SYS_futex, &wakeSeq_, FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0);
}

std::uint64_t TPNLock::enterSlow() {
    std::uint64_t w = word_.fetch_or(kSlow) | kSlow;
    if (w & kSleepers) {
        // The sleepers move to m_'s condition variable: under kSlow only
        // code under m_ gives the lock back, and it wakes there.
        w = word_.fetch_and(~kSleepers) & ~kSleepers;
        wakeSleepers(INT_MAX);
    }
    return w;
}

bool TPNLock::sleepForHold(Token me, IPNLock* second, Clock::time_point patienceEnds, IPNLockSection& secondFree) {
    bool slept = false;
    int looks = 0;
    constexpr int kLooks = 8;
    constexpr int kPausesPerLook = 16;
    for (;;) {
        std::uint64_t w = word_.load(std::memory_order_relaxed);
        if ((w & kSlow) || (owner(w) == me && holds(w) > 0)) {
            // A release woke only this thread, which leaves the word: the
            // other sleepers must not go on sleeping on it.
            if (slept) wakeSleepers(INT_MAX);
            return false;
        }
        if (holds(w) == 0) {
            // Taken after a wake: others may still sleep, so this thread's
            // release wakes the next one. A thread that never slept owes no
            // sleeper a wake.
            if (word_.compare_exchange_weak(w, me | kOneHold | (slept ? kSleepers : 0), std::memory_order_acquire,
                                            std::memory_order_relaxed))
                return true;
            continue;
        }
        // Sections are short: a holder on another core usually lets go
        // sooner than a sleep and a wake-up take, so the thread first looks
        // a few times, seldom enough not to take the word's line away from
        // the holder. Not when others already sleep: the lock is busy, and
        // two threads that wait by looking pass it to each other at the
        // price of a cache miss on every hand-over, where one that sleeps
        // lets the other run on.
        if (looks < kLooks && sleeping_.load(std::memory_order_relaxed) == 0) {
            ++looks;
            for (int i = 0; i < kPausesPerLook; ++i) pause();
            continue;
        }
        if (!(w & kSleepers) &&
            !word_.compare_exchange_weak(w, w | kSleepers, std::memory_order_relaxed, std::memory_order_relaxed))
            continue;
        // Sleeps on the wake sequence, not on the word: the holder may take
        // and give back the lock many times without waking anyone, as long as
        // it finds kSleepers set when it lets go. A sequence read before the
        // word still shows kSleepers is moved by the release that clears it.
        const std::uint32_t seq = wakeSeq_.load(std::memory_order_acquire);
        w = word_.load(std::memory_order_relaxed);
        if ((w & kSlow) || !(w & kSleepers) || holds(w) == 0) continue;
        timespec wait{};
        timespec* timeout = nullptr;
        if (second && !secondFree.held()) {
            const auto now = Clock::now();
            if (now >= patienceEnds) {
                // Whoever holds this lock may be waiting for the second one, which we hold.
                secondFree = second->UnlockAll();
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(patienceEnds - now).count();
            wait.tv_sec = static_cast<time_t>(left / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(left % 1'000'000'000);
            timeout = &wait;
        }
        sleeping_.fetch_add(1, std::memory_order_relaxed);
        syscall(SYS_futex, &wakeSeq_, FUTEX_WAIT_PRIVATE, seq, timeout, nullptr, 0);
        sleeping_.fetch_sub(1, std::memory_order_relaxed);
        slept = true;
    }
}

void TPNLock::leaveSlow() {
    if (waiters_ == 0 && stopPending_ == 0 && notes_.empty()) word_.fetch_and(~kSlow);
}

void TPNLock::passOn() {
    // A release wakes one waiter; one that gives up without taking the free
    // lock wakes the next.
    if (waiters_ > 0 && holds(word_.load()) == 0) cv_.notify_one();
}

bool TPNLock::releaseOne(Token me) {
    if (Note* n = findNote(me); n && n->parked > 0) {
        --n->parked;
        return false;
    }
    const std::uint64_t w = word_.load();
    if (owner(w) != me || holds(w) == 0) return false;
    if (holds(w) > 1) {
        word_.store(w - kOneHold);
        return false;
    }
    word_.store(kSlow);
    return waiters_ > 0;
}

bool TPNLock::HeldByCurrentThread() const {
    const std::uint64_t w = word_.load();
    return owner(w) == currentToken() && holds(w) > 0;
}

bool TPNLock::StopPending() const {
    std::lock_guard l(m_);
    return stopPending_ > 0;
}

IPNLockSection TPNLock::holdSlow(IPNLock* second, bool read, bool triedFast) {
    GOWDBGLog(*this, read ? Op::owdbBeginReadCreate : Op::owdbBeginWriteCreate);
    const Token me = currentToken();
    IPNLockSection secondFree;  // declared before l, so it ends after m_ is left
    const auto patienceEnds = second ? Clock::now() + kSecondLockPatience : Clock::time_point::max();
    if ((triedFast || !tryFastHold(me)) && !sleepForHold(me, second, patienceEnds, secondFree)) {
        std::unique_lock l(m_);
        std::uint64_t w = enterSlow();
        if (owner(w) == me && holds(w) > 0) {
            // Re-entry never waits and is never refused, not even during a stop.
            word_.store(w + kOneHold);
        } else {
            const auto free = [&] { return holds(word_.load()) == 0 || refused(me); };
            ++waiters_;
            if (second && !secondFree.held() && !cv_.wait_until(l, patienceEnds, free)) {
                // Whoever holds this lock may be waiting for the second one, which we hold.
                l.unlock();
                secondFree = second->UnlockAll();
                l.lock();
            }
            cv_.wait(l, free);
            --waiters_;
            if (refused(me)) {
                passOn();
                leaveSlow();
                l.unlock();
                GOWDBGLog(*this, read ? Op::owdbReadCreate : Op::owdbWriteCreate);
                return {};
            }
            word_.store(kSlow | me | kOneHold);
        }
        leaveSlow();
    }
    GOWDBGLog(*this, read ? Op::owdbReadCreate : Op::owdbWriteCreate);
    IPNLockSection s;
    s.kind_ = read ? Kind::Read : Kind::Write;
    s.lock_ = this;
    if (secondFree.held()) s.nested_ = nest(std::move(secondFree), IPNLockSection());
    return s;
}

IPNLockSection TPNLock::StopLock() {
    GOWDBGLog(*this, Op::owdbBeginStopCreate);
    const Token me = currentToken();
    {
        std::unique_lock l(m_);
        const std::uint64_t w = enterSlow();
        ++stopPending_;
        ++note(me).stops;
        if (waiters_ > 0) cv_.notify_all();  // queued requests of other threads give up now
        if (owner(w) == me && holds(w) > 0) {
            word_.store(w + kOneHold);
        } else {
            ++waiters_;
            cv_.wait(l, [&] { return holds(word_.load()) == 0; });
            --waiters_;
            word_.store(kSlow | me | kOneHold);
        }
        leaveSlow();
    }
    GOWDBGLog(*this, Op::owdbStopCreate);
    IPNLockSection s;
    s.kind_ = Kind::Stop;
    s.lock_ = this;
    return s;
}

void TPNLock::endHold(Kind kind) {
    const bool stop = kind == Kind::Stop;
    GOWDBGLog(*this, stop                 ? Op::owdbBeginStopDestroy
                     : kind == Kind::Read ? Op::owdbBeginReadDestroy
                                          : Op::owdbBeginWriteDestroy);
    const Token me = currentToken();
    if (stop || !tryFastRelease(me)) {
        bool wake = false;
        {
            std::lock_guard l(m_);
            enterSlow();
            if (stop) {
                --stopPending_;
                --note(me).stops;
            }
            wake = releaseOne(me);
            tidyNotes();
            leaveSlow();
        }
        // Woken after m_ is free, so that the waiter does not wake only to wait for it.
        if (wake) cv_.notify_one();
    }
    GOWDBGLog(*this, stop ? Op::owdbStopDestroy : kind == Kind::Read ? Op::owdbReadDestroy : Op::owdbWriteDestroy);
}

IPNLockSection TPNLock::UnlockAllLockInOrder(IPNLock* firstLock) {
    GOWDBGLog(*this, Op::owdbBeginUnlockCreate);
    IPNLockSection s;
    s.kind_ = Kind::Unlock;
    s.lock_ = this;
    s.first_ = firstLock;
    {
        const Token me = currentToken();
        std::lock_guard l(m_);
        const std::uint64_t w = enterSlow();
        if (owner(w) == me && holds(w) > 0) {
            s.savedHolds_ = static_cast<int>(holds(w));
            word_.store(kSlow);
            if (waiters_ > 0) cv_.notify_one();
        }
        if (Note* n = findNote(me)) {
            s.savedParked_ = std::exchange(n->parked, 0);
            tidyNotes();
        }
        leaveSlow();
    }
    GOWDBGLog(*this, Op::owdbUnlockCreate);
    return s;
}

void TPNLock::endUnlock(int savedHolds, int parked, IPNLock* first) {
    GOWDBGLog(*this, Op::owdbBeginUnlockDestroy);
    // The first lock is always re-taken before this one: two threads never
    // take the pair crosswise.
    IPNLockSection firstSection;
    if (first) firstSection = first->WriteLock();
    {
        const Token me = currentToken();
        std::unique_lock l(m_);
        const std::uint64_t w = enterSlow();
        if (savedHolds > 0) {
            const auto count = static_cast<std::uint64_t>(savedHolds);
            if (owner(w) == me && holds(w) > 0) {
                word_.store(w + count * kOneHold);
            } else {
                ++waiters_;
                cv_.wait(l, [&] { return holds(word_.load()) == 0 || refused(me); });
                --waiters_;
                if (refused(me)) {
                    passOn();
                    // A stop is pending: waiting could deadlock with the stopping
                    // thread, so the holds are parked and the outer sections
                    // of this thread end without releasing anything.
                    note(me).parked += savedHolds;
                } else {
                    word_.store(kSlow | me | count * kOneHold);
                }
            }
        }
        if (parked > 0) note(me).parked += parked;
        leaveSlow();
    }
    GOWDBGLog(*this, Op::owdbUnlockDestroy);
}

// ---- TPNObject

TPNObject::TPNObject() : FIntLock(std::make_shared<TPNLock>()) {}
TPNObject::~TPNObject() = default;
IPNLockSection TPNObject::ReadLock() { return FIntLock->ReadLock(); }
IPNLockSection TPNObject::WriteLock() { return FIntLock->WriteLock(); }
IPNLockSection TPNObject::UnlockAll() { return FIntLock->UnlockAll(); }

// ---- TPNDestroyLock

int& TPNDestroyLock::mine() {
    // Few guards are entered by one thread at a time; entries go at zero.
    thread_local std::vector<std::pair<const TPNDestroyLock*, int>> counts;
    for (auto& [guard, count] : counts)
        if (guard == this) return count;
    std::erase_if(counts, [](const auto& e) { return e.second == 0; });
    return counts.emplace_back(this, 0).second;
}

IPNLockSection TPNDestroyLock::Lock() {
    // Entering and a destruction's start are each one sequentially consistent
    // update followed by a read of the other: at least one side sees the other.
    inside_.fetch_add(1);
    if (destroying_.load() > 0) {
        std::lock_guard l(m_);
        const auto me = std::this_thread::get_id();
        if (destroying_.load() > 0 && std::find(destroyers_.begin(), destroyers_.end(), me) == destroyers_.end()) {
            inside_.fetch_sub(1);
            cv_.notify_all();
            return {};
        }
    }
    ++mine();
    IPNLockSection s;
    s.kind_ = Kind::GuardEnter;
    s.guard_ = this;
    return s;
}

void TPNDestroyLock::leave() {
    --mine();
    inside_.fetch_sub(1);
    if (destroying_.load() > 0) {
        std::lock_guard l(m_);
        cv_.notify_all();
    }
}

IPNLockSection TPNDestroyLock::DestroyLock() {
    destroying_.fetch_add(1);
    {
        // Threads that wait for the owner's lock can then run and leave.
        IPNLockSection ownerFree = owner_.UnlockAll();
        const int own = mine();
        std::unique_lock l(m_);
        cv_.wait(l, [&] { return inside_.load() == own; });
        destroyers_.push_back(std::this_thread::get_id());
    }
    IPNLockSection s;
    s.kind_ = Kind::GuardDestroy;
    s.guard_ = this;
    return s;
}

void TPNDestroyLock::endDestroy() {
    std::lock_guard l(m_);
    if (destroying_.load() > 0) destroying_.fetch_sub(1);
    if (auto it = std::find(destroyers_.begin(), destroyers_.end(), std::this_thread::get_id());
        it != destroyers_.end())
        destroyers_.erase(it);
}

IPNLockSection TPNDestroyLock::DestroyUnlockLock() {
    IPNLockSection s;
    s.kind_ = Kind::GuardUnlock;
    s.guard_ = this;
    s.savedHolds_ = destroying_.exchange(0);
    return s;
}

void TPNDestroyLock::endDestroyUnlock(int count) { destroying_.fetch_add(count); }

}  // namespace oculon::pins
