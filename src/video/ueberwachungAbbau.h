#pragma once
// Tear-down of the wall's stream decoders off the main thread. Stopping a
// decoder means waiting for its thread; the wall hands each decoder to a
// TDecoderThread of its own, all running at once, and the main thread only
// watches the count go down (with a progress bar) instead of blocking in
// one wait after the other.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/Thread.h"

namespace oculon::video {

// Finished tear-downs of one DecoderTeardown; shared with its threads, so a
// thread that outlives the wall's wait still has somewhere to count.
struct TeardownCount {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
};

// Waits for one terminated decoder and frees it. Self-freeing: nothing
// holds it once started, so a decoder is freed even when nobody waits.
class TDecoderThread : public platform::Thread {
public:
    TDecoderThread(std::unique_ptr<platform::Thread> decoder, std::shared_ptr<TeardownCount> count);

protected:
    void Execute() override;

private:
    std::unique_ptr<platform::Thread> myDecoder;
    std::shared_ptr<TeardownCount> count_;
};

// One round of tear-downs (a layout change, a recording restart, the close).
// Main thread.
class DecoderTeardown {
public:
    using Progress = std::function<void(int percent)>;

    DecoderTeardown();
    // Terminates the decoder at once, on the calling thread, so that none of
    // its calls to the main thread runs any more, then lets a TDecoderThread
    // wait for it and free it.
    void add(std::unique_ptr<platform::Thread> decoder);
    std::size_t total() const { return total_; }
    std::size_t remaining() const;
    // Waits until every decoder is freed or `bound` has passed; calls
    // `progress` (percent freed) whenever the count changes and at least
    // every `step`, so the caller can keep its window alive. True when all
    // are freed. Those still running are freed by their threads later.
    bool waitAll(std::chrono::milliseconds bound, const Progress& progress = {},
                 std::chrono::milliseconds step = std::chrono::milliseconds(20));

private:
    std::shared_ptr<TeardownCount> count_;
    std::size_t total_ = 0;
};

}  // namespace oculon::video
