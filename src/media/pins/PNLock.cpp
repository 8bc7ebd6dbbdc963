#include "media/pins/PNLock.h"

#include <algorithm>
#include <array>
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

IPNLockSection::IPNLockSection() noexcept = default;
IPNLockSection::~IPNLockSection() { release(); }

IPNLockSection::IPNLockSection(IPNLockSection&& o) noexcept
    : kind_(std::exchange(o.kind_, Kind::None)),
      lock_(o.lock_),
      guard_(o.guard_),
      savedHolds_(o.savedHolds_),
      savedParked_(o.savedParked_),
      first_(o.first_),
      nested_(std::move(o.nested_)) {}

IPNLockSection& IPNLockSection::operator=(IPNLockSection&& o) noexcept {
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

void IPNLockSection::release() {
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
    s.nested_ = std::make_unique<Nested>(std::move(first), std::move(second));
    return s;
}

// ---- trace

namespace {

struct TraceListeners {
    std::mutex m;
    std::vector<std::shared_ptr<IPNDBGNotify>> list;
    std::atomic<int> count{0};
};

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
    t.count.store(static_cast<int>(t.list.size()), std::memory_order_release);
}

void GOWRemoveDBGListener(const std::shared_ptr<IPNDBGNotify>& listener) {
    auto& t = traceListeners();
    std::lock_guard l(t.m);
    std::erase(t.list, listener);
    t.count.store(static_cast<int>(t.list.size()), std::memory_order_release);
}

void GOWDBGLog(const TPNLock& lock, TPNDBOperation op) {
    auto& t = traceListeners();
    if (t.count.load(std::memory_order_acquire) == 0) return;
    std::lock_guard l(t.m);
    for (const auto& listener : t.list) listener->Notify(lock, op, std::this_thread::get_id());
}

// ---- TPNLock

TPNLock::TPNLock() { GOWDBGLog(*this, Op::owdbCreate); }

TPNLock::~TPNLock() { GOWDBGLog(*this, Op::owdbDestroy); }

bool TPNLock::refused(std::thread::id me) const {
    if (stopPending_ == 0) return false;
    for (const Note& n : notes_)
        if (n.thread == me) return n.stops == 0;  // a thread that stops is never refused
    return true;
}

TPNLock::Note* TPNLock::findNote(std::thread::id me) {
    for (Note& n : notes_)
        if (n.thread == me) return &n;
    return nullptr;
}

TPNLock::Note& TPNLock::note(std::thread::id me) {
    if (Note* n = findNote(me)) return *n;
    return notes_.emplace_back(Note{me});
}

void TPNLock::tidyNotes() {
    std::erase_if(notes_, [](const Note& n) { return n.parked == 0 && n.stops == 0; });
}

void TPNLock::releaseOne(std::thread::id me) {
    if (Note* n = findNote(me); n && n->parked > 0) {
        --n->parked;
        return;
    }
    if (holds_ > 0 && owner_ == me && --holds_ == 0) {
        owner_ = {};
        cv_.notify_all();
    }
}

bool TPNLock::HeldByCurrentThread() const {
    std::lock_guard l(m_);
    return holds_ > 0 && owner_ == std::this_thread::get_id();
}

bool TPNLock::StopPending() const {
    std::lock_guard l(m_);
    return stopPending_ > 0;
}

IPNLockSection TPNLock::hold(IPNLock* second, bool read) {
    GOWDBGLog(*this, read ? Op::owdbBeginReadCreate : Op::owdbBeginWriteCreate);
    const auto me = std::this_thread::get_id();
    IPNLockSection secondFree;  // declared before l, so it ends after m_ is left
    std::unique_lock l(m_);
    if (holds_ > 0 && owner_ == me) {
        ++holds_;  // re-entry never waits and is never refused, not even during a stop
    } else {
        const auto free = [&] { return holds_ == 0 || refused(me); };
        if (!cv_.wait_for(l, kSecondLockPatience, free)) {
            if (second) {
                // Whoever holds this lock may be waiting for the second one, which we hold.
                l.unlock();
                secondFree = second->UnlockAll();
                l.lock();
            }
            cv_.wait(l, free);
        }
        if (refused(me)) {
            l.unlock();
            GOWDBGLog(*this, read ? Op::owdbReadCreate : Op::owdbWriteCreate);
            return {};
        }
        owner_ = me;
        holds_ = 1;
    }
    l.unlock();
    GOWDBGLog(*this, read ? Op::owdbReadCreate : Op::owdbWriteCreate);
    IPNLockSection s;
    s.kind_ = read ? Kind::Read : Kind::Write;
    s.lock_ = this;
    if (secondFree.held())
        s.nested_ = std::make_unique<IPNLockSection::Nested>(std::move(secondFree), IPNLockSection());
    return s;
}

IPNLockSection TPNLock::StopLock() {
    GOWDBGLog(*this, Op::owdbBeginStopCreate);
    const auto me = std::this_thread::get_id();
    {
        std::unique_lock l(m_);
        ++stopPending_;
        ++note(me).stops;
        cv_.notify_all();  // queued requests of other threads give up now
        if (holds_ > 0 && owner_ == me) {
            ++holds_;
        } else {
            cv_.wait(l, [&] { return holds_ == 0; });
            owner_ = me;
            holds_ = 1;
        }
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
    {
        const auto me = std::this_thread::get_id();
        std::lock_guard l(m_);
        if (stop) {
            --stopPending_;
            --note(me).stops;
        }
        releaseOne(me);
        tidyNotes();
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
        const auto me = std::this_thread::get_id();
        std::lock_guard l(m_);
        if (holds_ > 0 && owner_ == me) {
            s.savedHolds_ = std::exchange(holds_, 0);
            owner_ = {};
            cv_.notify_all();
        }
        if (Note* n = findNote(me)) {
            s.savedParked_ = std::exchange(n->parked, 0);
            tidyNotes();
        }
    }
    GOWDBGLog(*this, Op::owdbUnlockCreate);
    return s;
}

void TPNLock::endUnlock(int holds, int parked, IPNLock* first) {
    GOWDBGLog(*this, Op::owdbBeginUnlockDestroy);
    // The first lock is always re-taken before this one: two threads never
    // take the pair crosswise.
    IPNLockSection firstSection;
    if (first) firstSection = first->WriteLock();
    {
        const auto me = std::this_thread::get_id();
        std::unique_lock l(m_);
        if (holds > 0) {
            if (holds_ > 0 && owner_ == me) {
                holds_ += holds;
            } else {
                cv_.wait(l, [&] { return holds_ == 0 || refused(me); });
                if (refused(me)) {
                    // A stop is pending: waiting could deadlock with the stopping
                    // thread, so the holds are parked and the outer sections
                    // of this thread end without releasing anything.
                    note(me).parked += holds;
                } else {
                    owner_ = me;
                    holds_ = holds;
                }
            }
        }
        if (parked > 0) note(me).parked += parked;
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

IPNLockSection TPNDestroyLock::Lock() {
    const auto me = std::this_thread::get_id();
    std::lock_guard l(m_);
    if (destroying_ > 0 && std::find(destroyers_.begin(), destroyers_.end(), me) == destroyers_.end()) return {};
    auto it = std::find_if(inside_.begin(), inside_.end(), [&](const auto& e) { return e.first == me; });
    if (it == inside_.end()) inside_.emplace_back(me, 1);
    else ++it->second;
    IPNLockSection s;
    s.kind_ = Kind::GuardEnter;
    s.guard_ = this;
    return s;
}

void TPNDestroyLock::leave() {
    const auto me = std::this_thread::get_id();
    std::lock_guard l(m_);
    auto it = std::find_if(inside_.begin(), inside_.end(), [&](const auto& e) { return e.first == me; });
    if (it == inside_.end()) return;
    if (--it->second == 0) inside_.erase(it);
    if (destroying_ > 0) cv_.notify_all();
}

IPNLockSection TPNDestroyLock::DestroyLock() {
    const auto me = std::this_thread::get_id();
    {
        std::lock_guard l(m_);
        ++destroying_;
    }
    {
        // Threads that wait for the owner's lock can then run and leave.
        IPNLockSection ownerFree = owner_.UnlockAll();
        std::unique_lock l(m_);
        cv_.wait(l, [&] {
            return std::all_of(inside_.begin(), inside_.end(), [&](const auto& e) { return e.first == me; });
        });
        destroyers_.push_back(me);
    }
    IPNLockSection s;
    s.kind_ = Kind::GuardDestroy;
    s.guard_ = this;
    return s;
}

void TPNDestroyLock::endDestroy() {
    std::lock_guard l(m_);
    if (destroying_ > 0) --destroying_;
    if (auto it = std::find(destroyers_.begin(), destroyers_.end(), std::this_thread::get_id());
        it != destroyers_.end())
        destroyers_.erase(it);
}

IPNLockSection TPNDestroyLock::DestroyUnlockLock() {
    std::lock_guard l(m_);
    IPNLockSection s;
    s.kind_ = Kind::GuardUnlock;
    s.guard_ = this;
    s.savedHolds_ = std::exchange(destroying_, 0);
    return s;
}

void TPNDestroyLock::endDestroyUnlock(int count) {
    std::lock_guard l(m_);
    destroying_ += count;
}

}  // namespace oculon::pins
