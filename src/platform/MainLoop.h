#pragma once
// The main thread's message loop. Worker threads never touch windows: they
// post messages to a target, which handles them on the main thread, or run a
// function there with synchronize(). Message numbers keep the original's
// WM_USER + n. A payload carried by a message belongs to the receiver.
//
// The loop itself is back-end neutral: the program drives it from Qt's event
// loop, tests pump it by hand (ManualLoopBackend).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace oculon::platform {

constexpr std::uint32_t WM_USER = 1024;

// Base of the objects that travel with a message.
struct MessagePayload {
    virtual ~MessagePayload() = default;
};

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<MessagePayload> payload;  // freed after the handler, unless it took it

    // The payload as T, or nullptr; takes it out of the message.
    template <typename T>
    std::unique_ptr<T> take() {
        if (auto* p = dynamic_cast<T*>(payload.get())) {
            payload.release();
            return std::unique_ptr<T>(p);
        }
        return nullptr;
    }
};

using TargetId = std::uint64_t;

// What the loop needs from the event loop that drives it.
class LoopBackend {
public:
    virtual ~LoopBackend() = default;
    // Called from any thread: arrange for MainLoop::processPending() to run on
    // the main thread soon.
    virtual void wake() = 0;
    // Timers on the main thread.
    virtual std::uint64_t startTimer(std::chrono::milliseconds interval, std::function<void()> onTick) = 0;
    virtual void stopTimer(std::uint64_t timer) = 0;
};

class MainLoop {
public:
    static MainLoop& instance();

    void setBackend(LoopBackend* backend);  // main thread, at start-up
    LoopBackend* backend() const { return backend_; }

    // Targets: a handler is called on the main thread for each message posted
    // to its id. Posting to an id that is gone frees the payload and drops it.
    TargetId registerTarget(std::function<void(Message&)> handler);
    void unregisterTarget(TargetId id);

    // Any thread.
    void post(TargetId target, std::uint32_t id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0,
              std::unique_ptr<MessagePayload> payload = nullptr);

    // Called by a worker: blocks until the main thread has run fn. Returns
    // false without running fn when the calling Thread is terminated before the
    // main thread got to it, so a main thread waiting for that worker never
    // deadlocks. On the main thread itself fn runs at once.
    bool synchronize(const std::function<void()>& fn);

    // Main thread: run posted messages and synchronize() calls.
    void processPending();

    bool isMainThread() const;
    void markMainThread();  // the calling thread is the main thread

    // Wakes every synchronize() waiter so terminated callers can give up.
    void wakeSynchronizers();

private:
    MainLoop();
    struct SyncCall;
    LoopBackend* backend_ = nullptr;
    std::mutex mutex_;
    std::condition_variable syncDone_;
    // Posted messages and synchronize() calls, in the order they came.
    struct Entry {
        TargetId target = 0;
        Message msg;
        std::shared_ptr<SyncCall> call;
    };
    std::deque<Entry> queue_;
    std::map<TargetId, std::shared_ptr<std::function<void(Message&)>>> targets_;
    TargetId nextTarget_ = 1;
    std::thread::id mainThread_;
};

// RAII registration of a message handler.
class MessageTarget {
public:
    explicit MessageTarget(std::function<void(Message&)> handler);
    ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;
    TargetId id() const { return id_; }

private:
    TargetId id_;
};

// A repeating timer on the main thread, in the style of a form's timer control.
class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setInterval(std::chrono::milliseconds interval);
    void setOnTimer(std::function<void()> onTimer);
    void setEnabled(bool enabled);
    bool enabled() const { return handle_ != 0; }

private:
    void restart();
    std::chrono::milliseconds interval_{1000};
    std::function<void()> onTimer_;
    std::uint64_t handle_ = 0;
};

// Back-end for tests: the test thread is the main thread and pumps.
class ManualLoopBackend : public LoopBackend {
public:
    ManualLoopBackend();  // installs itself and marks the calling thread as main
    ~ManualLoopBackend() override;

    void wake() override;
    std::uint64_t startTimer(std::chrono::milliseconds interval, std::function<void()> onTick) override;
    void stopTimer(std::uint64_t timer) override;

    // Runs messages, synchronize() calls and due timers once.
    void pumpOnce();
    // Pumps until pred() holds or the time runs out; true when pred() held.
    bool pumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
    void pumpFor(std::chrono::milliseconds d);

private:
    struct TimerEntry {
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point due;
        std::function<void()> onTick;
    };
    std::mutex mutex_;
    std::condition_variable wakeCv_;
    bool woken_ = false;
    std::map<std::uint64_t, TimerEntry> timers_;
    std::uint64_t nextTimer_ = 1;
};

}  // namespace oculon::platform
