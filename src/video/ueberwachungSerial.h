#pragma once
// Runs the wall's operations one after the other on the main thread. A
// layout change keeps the window alive while it waits for decoders, so
// messages, resizes and drops can arrive in the middle of it; they are
// queued here and run, in order, when the running operation has finished,
// instead of re-entering it.

#include <deque>
#include <functional>
#include <memory>

namespace oculon::video {

class SerialRunner {
public:
    using Job = std::function<void()>;

    // Runs the job now, or after the running one when called from inside it.
    // A job that throws is abandoned; the queue goes on.
    void run(Job job);
    bool busy() const { return busy_; }
    // Jobs not yet run (they are dropped, not run, when the runner goes).
    std::size_t pending() const { return queue_.size(); }
    void clear() { queue_.clear(); }

private:
    std::deque<Job> queue_;
    bool busy_ = false;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace oculon::video
