#include "platform/MainLoop.h"

#include <algorithm>
#include <vector>

#include "platform/Log.h"
#include "platform/Thread.h"

namespace oculon::platform {

struct MainLoop::SyncCall {
    enum class State { Pending, Running, Done, Cancelled };
    const std::function<void()>* fn;
    State state = State::Pending;
};

MainLoop::MainLoop() : mainThread_(std::this_thread::get_id()) {}

MainLoop& MainLoop::instance() {
    static MainLoop* loop = new MainLoop;  // threads may still post during exit
    return *loop;
}

void MainLoop::setBackend(LoopBackend* backend) {
    std::scoped_lock lock(backendMutex_, mutex_);
    backend_ = backend;
}

void MainLoop::wakeBackend() {
    // Outside the queue's lock: the main thread, woken, takes the queue's
    // lock at once, and would otherwise wait for the waker to return from the
    // wake-up. The back-end's own lock keeps it from being taken down meanwhile.
    std::lock_guard lock(backendMutex_);
    if (backend_) backend_->wake();
}

void MainLoop::markMainThread() {
    std::lock_guard lock(mutex_);
    mainThread_ = std::this_thread::get_id();
}

bool MainLoop::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

TargetId MainLoop::registerTarget(std::function<void(Message&)> handler) {
    std::lock_guard lock(mutex_);
    TargetId id = nextTarget_++;
    targets_[id] = std::make_shared<std::function<void(Message&)>>(std::move(handler));
    return id;
}

void MainLoop::unregisterTarget(TargetId id) {
    std::lock_guard lock(mutex_);
    targets_.erase(id);
}

void MainLoop::post(TargetId target, std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) {
    Message message;
    message.id = id;
    message.wParam = wParam;
    message.lParam = lParam;
    enqueue(target, std::move(message));
}

void MainLoop::enqueue(TargetId target, Message message) {
    {
        std::lock_guard lock(mutex_);
        Entry e;
        e.target = target;
        e.msg = std::move(message);
        queue_.push_back(std::move(e));
    }
    wakeBackend();
}

bool MainLoop::synchronize(const std::function<void()>& fn) {
    if (isMainThread()) {
        fn();
        return true;
    }
    Thread* self = Thread::current();
    auto call = std::make_shared<SyncCall>();
    call->fn = &fn;
    {
        std::lock_guard lock(mutex_);
        if (self && self->Terminated()) return false;
        Entry e;
        e.call = call;
        queue_.push_back(std::move(e));
    }
    wakeBackend();
    std::unique_lock lock(mutex_);
    for (;;) {
        if (call->state == SyncCall::State::Done) return true;
        if (call->state == SyncCall::State::Pending && self && self->Terminated()) {
            // Not started yet: withdraw it, fn may refer to this stack frame.
            call->state = SyncCall::State::Cancelled;
            return false;
        }
        syncDone_.wait(lock);
    }
}

void MainLoop::wakeSynchronizers() {
    std::lock_guard lock(mutex_);
    syncDone_.notify_all();
}

void MainLoop::processPending() {
    for (;;) {
        Entry e;
        std::shared_ptr<std::function<void(Message&)>> handler;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            e = std::move(queue_.front());
            queue_.pop_front();
            if (e.call) {
                if (e.call->state == SyncCall::State::Cancelled) continue;
                e.call->state = SyncCall::State::Running;
            } else if (auto it = targets_.find(e.target); it != targets_.end()) {
                handler = it->second;
            }
        }
        if (e.call) {
            try {
                (*e.call->fn)();
            } catch (const std::exception& ex) {
                log::error(log::Category::platform, "synchronized call failed: %s", ex.what());
            }
            std::lock_guard lock(mutex_);
            e.call->state = SyncCall::State::Done;
            syncDone_.notify_all();
            continue;
        }
        if (handler) {
            try {
                (*handler)(e.msg);
            } catch (const std::exception& ex) {
                log::error(log::Category::platform, "message %u failed: %s", e.msg.id, ex.what());
            }
        }
        // The message, and a payload nobody took, is freed here.
    }
}

MessageTarget::MessageTarget(std::function<void(Message&)> handler)
    : id_(MainLoop::instance().registerTarget(std::move(handler))) {}

MessageTarget::~MessageTarget() { MainLoop::instance().unregisterTarget(id_); }

// --- timers ------------------------------------------------------------------

Timer::~Timer() { setEnabled(false); }

void Timer::setInterval(std::chrono::milliseconds interval) {
    interval_ = interval;
    if (enabled()) restart();
}

void Timer::setOnTimer(std::function<void()> onTimer) { onTimer_ = std::move(onTimer); }

void Timer::setEnabled(bool enabled) {
    LoopBackend* backend = MainLoop::instance().backend();
    if (!enabled) {
        if (handle_ && backend) backend->stopTimer(handle_);
        handle_ = 0;
        return;
    }
    if (!handle_) restart();
}

void Timer::restart() {
    LoopBackend* backend = MainLoop::instance().backend();
    if (!backend) return;
    if (handle_) backend->stopTimer(handle_);
    handle_ = backend->startTimer(interval_, [this] {
        if (onTimer_) onTimer_();
    });
}

// --- manual back-end ---------------------------------------------------------

ManualLoopBackend::ManualLoopBackend() {
    MainLoop::instance().markMainThread();
    MainLoop::instance().setBackend(this);
}

ManualLoopBackend::~ManualLoopBackend() {
    MainLoop::instance().processPending();  // free what is still queued
    MainLoop::instance().setBackend(nullptr);
}

void ManualLoopBackend::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeCv_.notify_all();
}

std::uint64_t ManualLoopBackend::startTimer(std::chrono::milliseconds interval, std::function<void()> onTick) {
    std::lock_guard lock(mutex_);
    auto id = nextTimer_++;
    timers_[id] = TimerEntry{interval, std::chrono::steady_clock::now() + interval, std::move(onTick)};
    return id;
}

void ManualLoopBackend::stopTimer(std::uint64_t timer) {
    std::lock_guard lock(mutex_);
    timers_.erase(timer);
}

void ManualLoopBackend::pumpOnce() {
    MainLoop::instance().processPending();
    std::vector<std::uint64_t> due;
    {
        std::lock_guard lock(mutex_);
        auto now = std::chrono::steady_clock::now();
        for (auto& [id, t] : timers_) {
            if (t.due <= now) {
                due.push_back(id);
                t.due = now + t.interval;
            }
        }
    }
    for (auto id : due) {
        std::function<void()> tick;
        {
            std::lock_guard lock(mutex_);
            auto it = timers_.find(id);
            if (it == timers_.end()) continue;  // stopped by an earlier tick
            tick = it->second.onTick;
        }
        tick();
    }
}

bool ManualLoopBackend::pumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pumpOnce();
        if (pred()) return true;
        auto now = std::chrono::steady_clock::now();
        if (now >= end) return false;
        std::unique_lock lock(mutex_);
        wakeCv_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(5)),
                         [this] { return woken_; });
        woken_ = false;
    }
}

void ManualLoopBackend::pumpFor(std::chrono::milliseconds d) {
    pumpUntil([] { return false; }, d);
}

}  // namespace oculon::platform
