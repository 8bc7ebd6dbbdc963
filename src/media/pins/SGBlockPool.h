#pragma once
// The process-wide block pool of the data buffers: freed blocks are kept in
// one free list per exact size and handed out again last-freed first, so a
// steady stream of frames or audio blocks never touches the heap. A trim
// tick (every 200 ms) gives idle blocks back slowly: a list keeps all its
// blocks for 8 ticks after the last allocation or release of its size, then
// frees one block per tick, and goes itself when it is empty.
//
// Blocks are 32-byte aligned and at most 1 GiB. Every pool operation and
// the tick are serialised on one lock (TSGPoolLock); the heap is called
// outside it.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace oculon::pins {

// The largest block the pool hands out.
inline constexpr std::uint32_t kSGLargestBlock = 1u << 30;

// The pool's lock: taken with one atomic exchange and given back with a
// plain store, where a mutex takes an atomic read-modify-write for each
// (about 6 ns apiece on a current processor, most of a small block's take
// and give). It is held for a few list operations only, never while blocks
// are freed or a thread waits; a thread that finds it taken spins a little,
// then yields its core until it is free.
class TSGPoolLock {
public:
    void lock() noexcept {
        if (FTaken.exchange(true, std::memory_order_acquire)) Wait();
    }
    void unlock() noexcept { FTaken.store(false, std::memory_order_release); }

private:
    void Wait() noexcept;
    std::atomic<bool> FTaken{false};
};

// The free blocks of one size, used as a stack.
class TSGSmartBufferList {
public:
    explicit TSGSmartBufferList(std::uint32_t size) : FSize(size) {}
    ~TSGSmartBufferList();  // frees the blocks it still holds
    TSGSmartBufferList(const TSGSmartBufferList&) = delete;
    TSGSmartBufferList& operator=(const TSGSmartBufferList&) = delete;

    // The last freed block, or null when the list is empty; either way the
    // count-down starts again from the free blocks left + 8.
    void* Take();
    // Keeps the block; false (and nothing kept) when the list cannot grow.
    bool Put(void* block) noexcept;
    // One trim tick: counts down and hands the blocks above the count to
    // `freed` (for the caller to free once it has let go of the pool's
    // lock). True when the count has run out, so the list may go.
    bool DownSize(std::vector<void*>& freed) noexcept;

    std::uint32_t Size() const { return FSize; }
    std::size_t FreeBlocks() const { return BufferList.size(); }
    std::uint32_t CountDown() const { return FCountDown; }

private:
    void Renew() { FCountDown = static_cast<std::uint32_t>(BufferList.size()) + 8; }

    const std::uint32_t FSize;
    std::vector<void*> BufferList;
    std::uint32_t FCountDown = 0;
};

// What drives a pool's trim. It calls `tick` about every interval while
// `tick` answers true (free blocks are left); after a false it may rest
// until Wake().
class TSGTrimClock {
public:
    virtual ~TSGTrimClock() = default;
    // Something was freed into an idle pool: ticks are due again.
    virtual void Wake() = 0;
};
using TSGTrimClockFactory = std::function<std::unique_ptr<TSGTrimClock>(std::function<bool()> tick)>;

// A thread of its own that ticks every `interval`; it rests while the pool
// holds nothing, and stops without delay when destroyed.
TSGTrimClockFactory SGThreadClock(std::chrono::milliseconds interval = std::chrono::milliseconds(200));
// No clock: the pool trims only when its owner calls OnTimer.
TSGTrimClockFactory SGNoClock();

class TSGSmartBufferManager {
public:
    explicit TSGSmartBufferManager(const TSGTrimClockFactory& clock = SGThreadClock());
    // Stops the clock first, then frees every free block. Blocks still lent
    // out are not tracked.
    ~TSGSmartBufferManager();
    TSGSmartBufferManager(const TSGSmartBufferManager&) = delete;
    TSGSmartBufferManager& operator=(const TSGSmartBufferManager&) = delete;

    // A 32-byte-aligned block of exactly `size` bytes; null for size 0.
    // Throws EBufferTooLarge above kSGLargestBlock and EOutOfMemory when the
    // heap refuses (the lists are then as before).
    void* Allocate(std::uint32_t size);
    // `size` must be the one the block was allocated with.
    void Deallocate(void* block, std::uint32_t size) noexcept;
    // Frees every free block and every list.
    void ReleaseMemory() noexcept;
    // One trim tick; true while any list is left.
    bool OnTimer() noexcept;
    // Replaces the clock (the old one is stopped first).
    void SetClock(const TSGTrimClockFactory& clock);

    struct ListState {
        std::uint32_t Size;
        std::size_t FreeBlocks;
        std::uint32_t CountDown;
        friend bool operator==(const ListState&, const ListState&) = default;
    };
    // The list of one size, if there is one.
    std::optional<ListState> List(std::uint32_t size) const;
    std::size_t ListCount() const;

private:
    TSGSmartBufferList& ListFor(std::uint32_t size);  // callers hold FLock

    mutable TSGPoolLock FLock;
    // In creation order, at most one per size.
    std::vector<std::unique_ptr<TSGSmartBufferList>> ChainsList;
    // The list ListFor found last, tried first (a stream of blocks of one
    // size); null when it is gone.
    TSGSmartBufferList* FLastUsed = nullptr;
    std::unique_ptr<TSGTrimClock> FTimer;
};

// The process-wide pool, made on first use. Until the end of the process:
// blocks that come back after it is gone go straight to the heap.
TSGSmartBufferManager& SGBufferManager();
void* SGBufferAllocate(std::uint32_t size);
void SGBufferDeallocate(void* block, std::uint32_t size) noexcept;
// A plain byte move; the ranges may overlap.
void SGPasFastCopy(const void* source, void* dest, std::size_t count);

// Base of the objects whose own memory comes from the pool, in a free list
// of their exact size.
struct TSGPooledInstance {
    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;
};

}  // namespace oculon::pins
