#pragma once
// The main thread's message loop. Worker threads never touch windows: they
// post messages to a target, which handles them on the main thread, or run a
// function there with synchronize(). The message numbers, and which object
// each carries, are in Messages.h. An object carried by a message belongs to
// the receiver.
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
#include <type_traits>

#include "platform/Messages.h"

namespace oculon::platform {

// Base of the objects that travel with a message.
struct MessagePayload {
    virtual ~MessagePayload() = default;
};

struct Message {
    std::uint32_t id = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;

    // Message Id with the object it is bound to (Messages.h); null is allowed.
    template <std::uint32_t Id>
    static Message carrying(std::unique_ptr<PayloadOf<Id>> payload, std::uintptr_t wParam = 0) {
        static_assert(std::is_base_of_v<MessagePayload, PayloadOf<Id>>);
        Message message;
        message.id = Id;
        message.wParam = wParam;
        message.payload_ = std::move(payload);
        message.payloadId_ = Id;
        return message;
    }
    // The object of message Id, taken out of the message; null when it
    // carried none or is another message.
    template <std::uint32_t Id>
    std::unique_ptr<PayloadOf<Id>> take() {
        if (payloadId_ != Id) return nullptr;
        return std::unique_ptr<PayloadOf<Id>>(static_cast<PayloadOf<Id>*>(payload_.release()));
    }
    bool hasPayload() const { return payload_ != nullptr; }

private:
    std::unique_ptr<MessagePayload> payload_;  // freed after the handler, unless it took it
    std::uint32_t payloadId_ = 0;              // the message it was bound to when attached
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

    // Any thread: a message that carries no object.
    void post(TargetId target, std::uint32_t id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Any thread: message Id with the object it is bound to (Messages.h).
    template <std::uint32_t Id>
    void post(TargetId target, std::unique_ptr<PayloadOf<Id>> payload, std::uintptr_t wParam = 0) {
        enqueue(target, Message::carrying<Id>(std::move(payload), wParam));
    }

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
    void enqueue(TargetId target, Message message);
    void wakeBackend();
    struct SyncCall;
    LoopBackend* backend_ = nullptr;
    std::mutex backendMutex_;  // held while the back-end is woken or replaced
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
