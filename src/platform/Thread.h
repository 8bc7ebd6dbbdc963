#pragma once
// Worker thread base in the shape the program's threads expect: a named
// thread running Execute(), a terminate flag that Execute() polls, a wait with
// a bound, and self-freeing threads that are still tracked so shut-down can
// stop them.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace oculon::platform {

class Thread {
public:
    explicit Thread(std::string name);
    virtual ~Thread();  // joins; the derived class must have stopped it already
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Start();
    // Sets the terminate flag, wakes sleepFor() and a pending synchronize(),
    // and calls interrupt() so a blocking call can be broken off.
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Waits until Execute() has returned, at most `bound`. True when it has.
    bool WaitFor(std::chrono::milliseconds bound);
    bool Finished() const { return finished_.load(); }
    const std::string& Name() const { return name_; }

    // Starts a thread that frees itself when Execute() returns. It stays
    // listed until then, so terminateDetached() can stop it at shut-down.
    static void startDetached(std::unique_ptr<Thread> thread);
    // Terminates every self-freeing thread and waits for them, at most `bound`
    // in all. True when all have ended.
    static bool terminateDetached(std::chrono::milliseconds bound);
    // Terminates a thread that may be inside a call nothing can break off,
    // and waits for nothing: it is freed now when it has ended, else by
    // itself once Execute() returns. Nobody waits for it, the end of the
    // program included, so once terminated it must touch only its own
    // members.
    static void release(std::unique_ptr<Thread> thread);

    // The Thread running the calling code, or nullptr on a thread not made here.
    static Thread* current();

protected:
    virtual void Execute() = 0;
    // Called from Terminate() on the terminating thread: close the socket or
    // wake the wait the worker may be blocked in.
    virtual void interrupt() {}
    // Sleeps up to `d`; returns early (false) once terminated.
    bool sleepFor(std::chrono::milliseconds d);

private:
    void run();

    std::string name_;
    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    bool selfFreeing_ = false;
    bool released_ = false;  // guarded by mutex_
    std::mutex mutex_;
    std::condition_variable wake_;
};

// Stops a thread and frees it: Terminate, wait at most `bound`, delete. A
// thread that does not end in time is left running and not freed (it may
// still use itself); that is reported on stderr. True when it was freed.
bool stopAndFree(std::unique_ptr<Thread> thread, std::chrono::milliseconds bound);

// Names the calling thread for debuggers (cut to 15 characters).
void setCurrentThreadName(const std::string& name);

}  // namespace oculon::platform
