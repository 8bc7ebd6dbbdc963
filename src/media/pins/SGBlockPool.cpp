#include "media/pins/SGBlockPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "media/pins/SGErrors.h"
#include "media/primitives/AlignedAlloc.h"

namespace oculon::pins {

namespace prim = oculon::primitives;

namespace {

void* heapBlock(std::uint32_t size) {
    if (size > kSGLargestBlock) throw EBufferTooLarge(size);
    void* block = prim::_ippMalloc(static_cast<int>(size));
    if (!block) throw EOutOfMemory();
    return block;
}

class ThreadClock final : public TSGTrimClock {
public:
    ThreadClock(std::function<bool()> tick, std::chrono::milliseconds interval)
        : tick_(std::move(tick)), interval_(interval), thread_([this] { run(); }) {}
    ~ThreadClock() override {
        {
            std::lock_guard l(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void Wake() override {
        {
            std::lock_guard l(m_);
            woken_ = true;
        }
        cv_.notify_all();
    }

private:
    void run() {
        std::unique_lock l(m_);
        bool busy = false;
        for (;;) {
            // An idle pool rests until something is freed into it; the first
            // tick then comes one interval later, as every other does.
            if (!busy) cv_.wait(l, [&] { return stop_ || woken_; });
            if (cv_.wait_for(l, interval_, [&] { return stop_; })) return;
            woken_ = false;
            l.unlock();
            busy = tick_();
            l.lock();
        }
    }

    const std::function<bool()> tick_;
    const std::chrono::milliseconds interval_;
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    bool woken_ = false;
    std::thread thread_;  // last: starts once the fields above exist
};

}  // namespace

void TSGPoolLock::Wait() noexcept {
    for (int round = 0;; ++round) {
        if (!FTaken.load(std::memory_order_relaxed) && !FTaken.exchange(true, std::memory_order_acquire)) return;
        if (round < 64) __builtin_ia32_pause();
        else std::this_thread::yield();
    }
}

TSGSmartBufferList::~TSGSmartBufferList() {
    for (void* block : BufferList) prim::_ippFree(block);
}

void* TSGSmartBufferList::Take() {
    Renew();
    if (BufferList.empty()) return nullptr;
    void* block = BufferList.back();
    BufferList.pop_back();
    return block;
}

bool TSGSmartBufferList::Put(void* block) noexcept {
    try {
        BufferList.push_back(block);
    } catch (...) {
        return false;
    }
    Renew();
    return true;
}

bool TSGSmartBufferList::DownSize(std::vector<void*>& freed) noexcept {
    if (FCountDown > 0) {
        --FCountDown;
        while (BufferList.size() > FCountDown) {
            try {
                freed.push_back(BufferList.back());
            } catch (...) {
                prim::_ippFree(BufferList.back());  // no room to hand it over
            }
            BufferList.pop_back();
        }
    }
    return FCountDown == 0;
}

TSGTrimClockFactory SGThreadClock(std::chrono::milliseconds interval) {
    return [interval](std::function<bool()> tick) -> std::unique_ptr<TSGTrimClock> {
        return std::make_unique<ThreadClock>(std::move(tick), interval);
    };
}

TSGTrimClockFactory SGNoClock() {
    return [](std::function<bool()>) -> std::unique_ptr<TSGTrimClock> { return nullptr; };
}

TSGSmartBufferManager::TSGSmartBufferManager(const TSGTrimClockFactory& clock) { SetClock(clock); }

TSGSmartBufferManager::~TSGSmartBufferManager() {
    SetClock(SGNoClock());
    ReleaseMemory();
}

TSGSmartBufferList& TSGSmartBufferManager::ListFor(std::uint32_t size) {
    if (FLastUsed && FLastUsed->Size() == size) return *FLastUsed;
    for (const auto& list : ChainsList)
        if (list->Size() == size) return *(FLastUsed = list.get());
    ChainsList.push_back(std::make_unique<TSGSmartBufferList>(size));
    // The first list of an idle pool: its clock starts ticking again.
    if (ChainsList.size() == 1 && FTimer) FTimer->Wake();
    return *(FLastUsed = ChainsList.back().get());
}

void* TSGSmartBufferManager::Allocate(std::uint32_t size) {
    if (size == 0) return nullptr;
    if (size > kSGLargestBlock) throw EBufferTooLarge(size);
    {
        std::lock_guard l(FLock);
        if (void* block = ListFor(size).Take()) return block;
    }
    return heapBlock(size);
}

void TSGSmartBufferManager::Deallocate(void* block, std::uint32_t size) noexcept {
    if (!block) return;
    bool kept = false;
    try {
        std::lock_guard l(FLock);
        kept = ListFor(size).Put(block);
    } catch (...) {
        // No room for the bookkeeping: the block goes back to the heap.
    }
    if (!kept) prim::_ippFree(block);
}

void TSGSmartBufferManager::ReleaseMemory() noexcept {
    std::vector<std::unique_ptr<TSGSmartBufferList>> gone;
    std::lock_guard l(FLock);
    gone.swap(ChainsList);
    FLastUsed = nullptr;
    // `gone` frees its blocks after the lock is given back.
}

bool TSGSmartBufferManager::OnTimer() noexcept {
    std::vector<void*> freed;
    bool left = false;
    {
        std::lock_guard l(FLock);
        for (auto i = ChainsList.size(); i-- > 0;)
            if (ChainsList[i]->DownSize(freed)) {
                if (ChainsList[i].get() == FLastUsed) FLastUsed = nullptr;
                ChainsList.erase(ChainsList.begin() + static_cast<std::ptrdiff_t>(i));
            }
        left = !ChainsList.empty();
    }
    for (void* block : freed) prim::_ippFree(block);
    return left;
}

void TSGSmartBufferManager::SetClock(const TSGTrimClockFactory& clock) {
    std::unique_ptr<TSGTrimClock> old;
    {
        std::lock_guard l(FLock);
        old = std::move(FTimer);
    }
    old.reset();  // waits for a tick in progress, which needs FLock
    auto fresh = clock ? clock([this] { return OnTimer(); }) : nullptr;
    std::lock_guard l(FLock);
    FTimer = std::move(fresh);
    if (FTimer && !ChainsList.empty()) FTimer->Wake();
}

std::optional<TSGSmartBufferManager::ListState> TSGSmartBufferManager::List(std::uint32_t size) const {
    std::lock_guard l(FLock);
    for (const auto& list : ChainsList)
        if (list->Size() == size) return ListState{list->Size(), list->FreeBlocks(), list->CountDown()};
    return std::nullopt;
}

std::size_t TSGSmartBufferManager::ListCount() const {
    std::lock_guard l(FLock);
    return ChainsList.size();
}

namespace {

// Set once the process-wide pool is destroyed at exit.
constinit std::atomic<bool> gPoolGone{false};

struct ProcessPool {
    TSGSmartBufferManager manager;
    ~ProcessPool() { gPoolGone.store(true, std::memory_order_release); }
};

}  // namespace

TSGSmartBufferManager& SGBufferManager() {
    static ProcessPool pool;
    return pool.manager;
}

void* SGBufferAllocate(std::uint32_t size) {
    if (!gPoolGone.load(std::memory_order_acquire)) return SGBufferManager().Allocate(size);
    return size == 0 ? nullptr : heapBlock(size);
}

void SGBufferDeallocate(void* block, std::uint32_t size) noexcept {
    if (!gPoolGone.load(std::memory_order_acquire)) SGBufferManager().Deallocate(block, size);
    else prim::_ippFree(block);
}

void SGPasFastCopy(const void* source, void* dest, std::size_t count) {
    if (count) std::memmove(dest, source, count);
}

void* TSGPooledInstance::operator new(std::size_t size) { return SGBufferAllocate(static_cast<std::uint32_t>(size)); }

void TSGPooledInstance::operator delete(void* block, std::size_t size) noexcept {
    SGBufferDeallocate(block, static_cast<std::uint32_t>(size));
}

}  // namespace oculon::pins
