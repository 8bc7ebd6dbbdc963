#include "platform/Thread.h"

#include <pthread.h>

#include <set>
#include <vector>

#include "platform/Log.h"
#include "platform/MainLoop.h"

namespace oculon::platform {

namespace {

thread_local Thread* tlsCurrent = nullptr;

// Self-freeing threads still running; shut-down stops them.
struct DetachedThreads {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<Thread*> running;
};

DetachedThreads& detached() {
    static DetachedThreads* d = new DetachedThreads;  // outlives every thread at exit
    return *d;
}

}  // namespace

void setCurrentThreadName(const std::string& name) { pthread_setname_np(pthread_self(), name.substr(0, 15).c_str()); }

Thread::Thread(std::string name) : name_(std::move(name)) {}

Thread::~Thread() {
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
        else thread_.join();
    }
}

void Thread::Start() {
    thread_ = std::thread([this] { run(); });
}

void Thread::run() {
    tlsCurrent = this;
    setCurrentThreadName(name_);
    try {
        Execute();
    } catch (const std::exception& e) {
        log::error(log::Category::platform, "thread %s ended by an exception: %s", name_.c_str(), e.what());
    } catch (...) {
        log::error(log::Category::platform, "thread %s ended by an exception", name_.c_str());
    }
    tlsCurrent = nullptr;
    if (selfFreeing_) {
        auto& d = detached();
        {
            // startDetached() holds this lock until thread_ is assigned.
            std::lock_guard lock(d.mutex);
            thread_.detach();
            d.running.erase(this);
            delete this;
        }
        d.changed.notify_all();
        return;
    }
    bool released = false;
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        released = released_;
    }
    if (released) {
        thread_.detach();
        delete this;
        return;
    }
    wake_.notify_all();
}

void Thread::Terminate() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    wake_.notify_all();
    MainLoop::instance().wakeSynchronizers();
    interrupt();
}

bool Thread::WaitFor(std::chrono::milliseconds bound) {
    if (!thread_.joinable()) return true;  // never started, or already joined
    std::unique_lock lock(mutex_);
    if (!wake_.wait_for(lock, bound, [this] { return finished_.load(); })) return false;
    lock.unlock();
    if (thread_.joinable()) thread_.join();
    return true;
}

bool Thread::sleepFor(std::chrono::milliseconds d) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, d, [this] { return terminated_.load(); });
}

Thread* Thread::current() { return tlsCurrent; }

void Thread::startDetached(std::unique_ptr<Thread> thread) {
    auto& d = detached();
    Thread* t = thread.release();
    t->selfFreeing_ = true;
    std::lock_guard lock(d.mutex);
    d.running.insert(t);
    t->Start();
}

bool Thread::terminateDetached(std::chrono::milliseconds bound) {
    auto& d = detached();
    std::unique_lock lock(d.mutex);
    // Terminate under the lock: a listed thread cannot free itself meanwhile.
    for (Thread* t : d.running) t->Terminate();
    return d.changed.wait_for(lock, bound, [&] { return d.running.empty(); });
}

void Thread::release(std::unique_ptr<Thread> thread) {
    if (!thread) return;
    thread->Terminate();
    {
        std::lock_guard lock(thread->mutex_);
        // Started and still running: run() frees it once it is done.
        if (thread->thread_.joinable() && !thread->finished_) {
            thread->released_ = true;
            (void)thread.release();
            return;
        }
    }
    thread->WaitFor(std::chrono::milliseconds(0));
}

bool stopAndFree(std::unique_ptr<Thread> thread, std::chrono::milliseconds bound) {
    if (!thread) return true;
    thread->Terminate();
    if (thread->WaitFor(bound)) return true;
    log::warning(log::Category::platform, "thread %s did not stop in time and is left running", thread->Name().c_str());
    (void)thread.release();
    return false;
}

}  // namespace oculon::platform
