#include "media/pins/SGThreadQueues.h"

#include <algorithm>
#include <map>
#include <vector>

#include "media/pins/SGErrors.h"
#include "platform/MainLoop.h"

namespace oculon::pins {

// ---- TSGOperationList

TSGOperationList::TSGOperationList(std::shared_ptr<IPNLock> lock)
    : FLock(lock ? std::move(lock) : std::make_shared<TPNLock>()) {}

std::size_t TSGOperationList::Push(const IPNNotifyOperation& op, bool single) {
    std::deque<IPNNotifyOperation> dropped;  // released after the section
    auto w = FLock->WriteLock();
    if (!w) return 0;
    if (single) dropped.swap(FList);
    FList.push_back(op);
    return FList.size();
}

std::size_t TSGOperationList::PushBack(const IPNNotifyOperation& op) {
    auto w = FLock->WriteLock();
    if (!w) return 0;
    FList.push_front(op);
    return FList.size();
}

IPNNotifyOperation TSGOperationList::Pop() {
    auto w = FLock->WriteLock();
    if (!w || FList.empty()) return nullptr;
    IPNNotifyOperation op = std::move(FList.front());
    FList.pop_front();
    return op;
}

std::size_t TSGOperationList::ItemsCount() {
    auto r = FLock->ReadLock();
    return r ? FList.size() : 0;
}

void TSGOperationList::Clear() {
    std::deque<IPNNotifyOperation> dropped;
    auto w = FLock->WriteLock();
    if (w) dropped.swap(FList);
}

// ---- TSGBufferList

bool TSGBufferList::Add(const ISGData& buffer, bool queue) {
    if (!buffer) return false;
    ISGData copy = buffer->MakeCopy();
    std::lock_guard l(FSection);
    if (!queue && !FList.empty()) return false;
    FList.push_back(std::move(copy));
    return true;
}

bool TSGBufferList::PopFirst(ISGData& buffer) {
    std::lock_guard l(FSection);
    if (FList.empty()) return false;
    buffer = std::move(FList.front());
    FList.pop_front();
    return true;
}

ISGData TSGBufferList::GetVarItem(std::size_t index) {
    std::lock_guard l(FSection);
    if (index >= FList.size()) throw ERangeError(kIndexOutOfRange, index);
    return FList[index];
}

std::size_t TSGBufferList::Count() {
    std::lock_guard l(FSection);
    return FList.size();
}

std::size_t TSGBufferList::Clear() {
    std::deque<ISGData> dropped;
    std::lock_guard l(FSection);
    dropped.swap(FList);
    return dropped.size();
}

// ---- the main-thread hand-off

namespace {

// The live notifiers by number, and the main loop's target their hand-offs
// are posted to. A number is never given twice, so a hand-off posted for a
// notifier that is gone finds nothing, even when another lives at its address.
struct Node {
    std::mutex m;
    std::condition_variable done;
    std::map<std::uint64_t, TSGMainThreadNotify*> notifiers;
    std::uint64_t next = 1;
    // The notifiers whose callbacks run now, innermost last: a callback that
    // runs a nested loop lets others run inside it.
    std::vector<std::uint64_t> calling;
    std::unique_ptr<platform::MessageTarget> target;
};

Node& node() {
    static Node* n = new Node;  // hand-offs may still arrive during exit
    return *n;
}

void deliver(std::uint64_t id) {
    Node& n = node();
    TSGMainThreadNotify* notifier = nullptr;
    {
        std::lock_guard l(n.m);
        const auto it = n.notifiers.find(id);
        if (it == n.notifiers.end()) return;
        notifier = it->second;
        n.calling.push_back(id);
    }
    struct Done {
        Node& n;
        ~Done() {
            std::lock_guard l(n.m);
            n.calling.pop_back();
            n.done.notify_all();
        }
    } finished{n};
    notifier->SyncNotify();
}

}  // namespace

TSGMainThreadNotify::TSGMainThreadNotify(TNotifyEvent onNotify) : FOnNotify(std::move(onNotify)) {
    Node& n = node();
    std::lock_guard l(n.m);
    FId = n.next++;
    n.notifiers.emplace(FId, this);
    if (!n.target)
        n.target = std::make_unique<platform::MessageTarget>([](platform::Message& m) {
            if (m.id == platform::WM_SGMAINTHREADNOTIFY) deliver(m.wParam);
        });
}

TSGMainThreadNotify::~TSGMainThreadNotify() {
    Node& n = node();
    std::unique_ptr<platform::MessageTarget> target;  // unregistered after the node's lock
    std::unique_lock l(n.m);
    n.notifiers.erase(FId);
    // On the main thread a callback in progress is the caller's own.
    if (!platform::MainLoop::instance().isMainThread())
        n.done.wait(l, [&] { return std::find(n.calling.begin(), n.calling.end(), FId) == n.calling.end(); });
    if (n.notifiers.empty()) target = std::move(n.target);
}

void TSGMainThreadNotify::Notify(bool forceAsync) {
    if (!forceAsync && platform::MainLoop::instance().isMainThread()) {
        SyncNotify();
        return;
    }
    if (FSignaled.exchange(true)) return;
    platform::TargetId target = 0;
    {
        Node& n = node();
        std::lock_guard l(n.m);
        target = n.target->id();
    }
    platform::MainLoop::instance().post(target, platform::WM_SGMAINTHREADNOTIFY, FId);
}

void TSGMainThreadNotify::SyncNotify() {
    FSignaled.store(false);
    if (FOnNotify) FOnNotify(*this);
}

// ---- TSGMainThreadBufferQueue

TSGMainThreadBufferQueue::TSGMainThreadBufferQueue(TBufferEvent onBuffer, int capacity)
    : FOnBuffer(std::move(onBuffer)),
      freeSlots_(capacity > 0 ? capacity : 1),
      FMainThreadNotify([this](TSGMainThreadNotify&) { (void)ExtractBuffer(); }) {}

TSGMainThreadBufferQueue::~TSGMainThreadBufferQueue() {
    std::unique_lock l(m_);
    closed_ = true;
    space_.notify_all();
    space_.wait(l, [&] { return producers_ == 0; });
}

bool TSGMainThreadBufferQueue::AddBuffer(const ISGData& buffer, bool queue) {
    const bool mainThread = platform::MainLoop::instance().isMainThread();
    {
        std::unique_lock l(m_);
        ++producers_;
        while (freeSlots_ == 0 && !closed_) {
            // The main thread makes room itself; with nothing to deliver yet
            // (producers between their slot and their buffer) it waits too.
            bool delivered = false;
            if (mainThread) {
                l.unlock();
                delivered = ExtractBuffer();
                l.lock();
            }
            if (!delivered) {
                ++waiting_;
                space_.wait(l);
                --waiting_;
            }
        }
        if (closed_) {
            --producers_;
            space_.notify_all();
            return false;
        }
        --freeSlots_;
    }
    const bool added = FBufferQueue.Add(buffer, queue);
    if (added) FMainThreadNotify.Notify(true);
    std::lock_guard l(m_);
    if (!added) ++freeSlots_;
    --producers_;
    space_.notify_all();
    return added;
}

int TSGMainThreadBufferQueue::WaitingProducers() {
    std::lock_guard l(m_);
    return waiting_;
}

void TSGMainThreadBufferQueue::giveBack(int slots) {
    if (slots == 0) return;
    std::lock_guard l(m_);
    freeSlots_ += slots;
    space_.notify_all();
}

bool TSGMainThreadBufferQueue::ExtractBuffer() {
    ISGData buffer;
    if (!FBufferQueue.PopFirst(buffer)) return false;
    // The slot comes back after the callback, also when it throws: a
    // producer waits for the main thread to have dealt with a buffer.
    struct Slot {
        TSGMainThreadBufferQueue& q;
        ~Slot() {
            q.giveBack(1);
            if (q.FBufferQueue.Count() > 0) q.FMainThreadNotify.Notify(true);
        }
    } slot{*this};
    if (FOnBuffer) FOnBuffer(*this, buffer);
    return true;
}

void TSGMainThreadBufferQueue::Clear() { giveBack(static_cast<int>(FBufferQueue.Clear())); }

}  // namespace oculon::pins
