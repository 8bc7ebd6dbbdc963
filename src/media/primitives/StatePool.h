#pragma once
// Home of the state structures that callers hold by pointer (FFT
// specifications, FIR states). A released structure keeps its memory with its
// identification word cleared, so a pointer used after release reads a word
// that matches no operation (and gets a status) instead of freed memory.
// Released slots are reused oldest first; slots go back to the heap only when
// the process ends.

#include <deque>
#include <memory>
#include <mutex>
#include <new>

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

}  // namespace oculon::primitives
