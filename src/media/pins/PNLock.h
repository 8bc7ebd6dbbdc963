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

namespace oculon::pins {

class IPNLock;
class TPNLock;
class TPNDestroyLock;

// A section of a TPNLock or TPNDestroyLock: move-only, ends when destroyed or
// released. A default-made section is nil: a refused request.
class IPNLockSection {
public:
    IPNLockSection() noexcept;
    IPNLockSection(IPNLockSection&& other) noexcept;
    IPNLockSection& operator=(IPNLockSection&& other) noexcept;
    IPNLockSection(const IPNLockSection&) = delete;
    IPNLockSection& operator=(const IPNLockSection&) = delete;
    ~IPNLockSection();

    // False for a refused request. Unlock and stop sections are always held.
    bool held() const { return kind_ != Kind::None; }
    explicit operator bool() const { return held(); }
    // Ends the section now; a no-op for a nil or already ended one.
    void release();

    // Both sections ended together, `second` before `first`; nil (and both
    // ended at once) unless both are held.
    static IPNLockSection Pair(IPNLockSection first, IPNLockSection second);

    enum class Kind : std::uint8_t { None, Read, Write, Stop, Unlock, Pair, GuardEnter, GuardDestroy, GuardUnlock };

private:
    friend class TPNLock;
    friend class TPNDestroyLock;
    struct Nested;

    Kind kind_ = Kind::None;
    TPNLock* lock_ = nullptr;
    TPNDestroyLock* guard_ = nullptr;
    int savedHolds_ = 0;   // unlock section: holds to take back; guard unlock: destroy count
    int savedParked_ = 0;  // unlock section: parked holds to give back
    IPNLock* first_ = nullptr;
    // Read/write: the unlock section of the second lock, ended after this
    // hold. Pair: both sections.
    std::unique_ptr<Nested> nested_;
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
void GOWDBGLog(const TPNLock& lock, TPNDBOperation op);

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
    // Per-thread bookkeeping, kept only while non-zero: holds that an unlock
    // section could not take back while a stop was pending (the thread's next
    // releases consume these instead of real holds), and live stop sections.
    struct Note {
        std::thread::id thread;
        int parked = 0;
        int stops = 0;
    };

    IPNLockSection hold(IPNLock* second, bool read);
    void endHold(IPNLockSection::Kind kind);
    void endUnlock(int holds, int parked, IPNLock* first);
    // Callers hold m_.
    bool refused(std::thread::id me) const;
    Note* findNote(std::thread::id me);
    Note& note(std::thread::id me);
    void tidyNotes();
    void releaseOne(std::thread::id me);

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::thread::id owner_;  // valid while holds_ > 0
    int holds_ = 0;
    int stopPending_ = 0;  // stop sections announced or held
    std::vector<Note> notes_;
};

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

protected:
    std::shared_ptr<TPNLock> FIntLock;
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

private:
    friend class IPNLockSection;
    void leave();
    void endDestroy();
    void endDestroyUnlock(int count);

    TPNObject& owner_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::pair<std::thread::id, int>> inside_;  // Lock sections per thread
    int destroying_ = 0;
    std::vector<std::thread::id> destroyers_;  // threads past their DestroyLock wait
};

}  // namespace oculon::pins
