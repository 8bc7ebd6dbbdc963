#pragma once
// Home of the state structures that callers hold by pointer (FFT
// specifications, FIR states). A released structure keeps its memory with its
// identification word cleared, so a pointer used after release reads a word
// that matches no operation (and gets a status) instead of freed memory.
// Released slots are reused oldest first; slots go back to the heap only when
// the process ends.

#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "media/primitives/AlignedAlloc.h"

namespace oculon::primitives {

// T starts out, and is reset to, its value-initialized state, whose
// identification word is 0.
template <typename T>
class StatePool {
public:
    // The one pool of T in the process. It is never destroyed, so that a
    // state released while the process exits (by another static object's
    // destructor) still finds it.
    static StatePool& instance() {
        static StatePool* const pool = new StatePool;
        return *pool;
    }

    // A fresh slot, or null when none can be allocated.
    T* acquire() try {
        const std::lock_guard lock(mutex_);
        if (!free_.empty()) {
            T* slot = free_.front();
            free_.pop_front();
            return slot;
        }
        slots_.push_back(std::make_unique<T>());
        return slots_.back().get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }

    // Clears the slot (and with it whatever it owns) and queues it for reuse.
    void release(T* slot) {
        *slot = T{};
        const std::lock_guard lock(mutex_);
        try {
            free_.push_back(slot);
        } catch (const std::bad_alloc&) {
            // Not reused, still not freed: a stale pointer stays harmless.
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::unique_ptr<T>> slots_;
    std::deque<T*> free_;
};

// The same rule for states laid out in one memory block of their own size
// (FIR states), whose first word identifies them: a released block keeps its
// memory with that word cleared, and serves a later state that fits in it
// (the smallest that does).
class BlockPool {
public:
    static BlockPool& instance() {
        static BlockPool* const pool = new BlockPool;
        return *pool;
    }

    // A zero-filled, 32-byte-aligned block of at least `bytes`, or null when
    // none can be allocated.
    Ipp8u* acquire(long long bytes) try {
        if (bytes < 4 || bytes > kMaxBytes) return nullptr;
        const std::lock_guard lock(mutex_);
        Block* best = nullptr;
        for (Block& b : blocks_)
            if (b.free && b.size >= bytes && (!best || b.size < best->size)) best = &b;
        if (!best) {
            blocks_.reserve(blocks_.size() + 1);
            Ipp8u* p = ippsMalloc_8u(static_cast<int>(bytes));
            if (!p) return nullptr;
            best = &blocks_.emplace_back(Block{p, bytes, false});
        }
        best->free = false;
        std::memset(best->data, 0, static_cast<std::size_t>(bytes));
        return best->data;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }

    void release(void* block) {
        std::memset(block, 0, 4);
        const std::lock_guard lock(mutex_);
        for (Block& b : blocks_)
            if (b.data == block) b.free = true;
    }

private:
    static constexpr long long kMaxBytes = 0x7FFFFFFF;
    struct Block {
        Ipp8u* data;
        long long size;
        bool free;
    };
    std::mutex mutex_;
    std::vector<Block> blocks_;
};

}  // namespace oculon::primitives
