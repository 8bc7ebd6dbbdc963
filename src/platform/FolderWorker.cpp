#include "platform/FolderWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "platform/Log.h"
#include "platform/Thread.h"

namespace oculon::platform {

struct FolderWorker::State {
    State(std::string n, Limits l) : name(std::move(n)), limits(l) {}

    const std::string name;
    const Limits limits;
    mutable std::mutex mutex;
    std::condition_variable wake;          // a job came, or the worker was let go
    mutable std::condition_variable done;  // a job has run
    std::deque<std::pair<Job, std::size_t>> jobs;
    std::size_t bytes = 0;  // of the queued jobs and the one in hand
    std::uint64_t given = 0;
    std::uint64_t finished = 0;
    bool busy = false;
    Clock::time_point busySince;
    bool letGo = false;
};

namespace {

// The workers whose threads still run; the program's end waits for them.
struct Running {
    std::mutex mutex;
    std::set<std::shared_ptr<FolderWorker::State>> states;
};

Running& running() {
    static Running* r = new Running;  // threads stuck in a call outlive every static
    return *r;
}

void work(const std::shared_ptr<FolderWorker::State>& s) {
    setCurrentThreadName(s->name);
    for (;;) {
        std::unique_lock lock(s->mutex);
        s->wake.wait(lock, [&] { return !s->jobs.empty() || s->letGo; });
        if (s->jobs.empty()) break;
        auto [job, bytes] = std::move(s->jobs.front());
        s->jobs.pop_front();
        s->busy = true;
        s->busySince = FolderWorker::Clock::now();
        lock.unlock();
        try {
            job();
        } catch (const std::exception& e) {
            log::warning(log::Category::platform, "%s: a job failed: %s", s->name.c_str(), e.what());
        } catch (...) {
            log::warning(log::Category::platform, "%s: a job failed", s->name.c_str());
        }
        // What it held goes before it counts as done: a closed recording is
        // closed on this thread.
        job = nullptr;
        lock.lock();
        s->busy = false;
        s->bytes -= bytes;
        ++s->finished;
        s->done.notify_all();
    }
}

}  // namespace

FolderWorker::FolderWorker(std::string name) : FolderWorker(std::move(name), Limits{}) {}

FolderWorker::FolderWorker(std::string name, Limits limits) : state_(std::make_shared<State>(std::move(name), limits)) {
    {
        std::lock_guard lock(running().mutex);
        running().states.insert(state_);
    }
    std::thread([state = state_] {
        work(state);
        std::lock_guard lock(running().mutex);
        running().states.erase(state);
    }).detach();
}

FolderWorker::~FolderWorker() {
    {
        std::lock_guard lock(state_->mutex);
        state_->letGo = true;
    }
    state_->wake.notify_all();
}

bool FolderWorker::post(Job job, std::size_t bytes, Admission admission) {
    {
        std::lock_guard lock(state_->mutex);
        State& s = *state_;
        // The job in hand counts: the bounds are on what the folder holds up.
        const std::size_t jobs = s.jobs.size() + (s.busy ? 1 : 0);
        if (admission == Admission::bounded && (jobs >= s.limits.jobs || s.bytes + bytes > s.limits.bytes))
            return false;
        s.jobs.emplace_back(std::move(job), bytes);
        s.bytes += bytes;
        ++s.given;
    }
    state_->wake.notify_one();
    return true;
}

bool FolderWorker::stuck(Clock::duration bound) const {
    std::lock_guard lock(state_->mutex);
    return state_->busy && Clock::now() - state_->busySince > bound;
}

bool FolderWorker::drain(std::chrono::milliseconds bound) const {
    std::unique_lock lock(state_->mutex);
    const std::uint64_t given = state_->given;
    return state_->done.wait_for(lock, bound, [&] { return state_->finished >= given; });
}

void FolderWorker::report(std::function<void()> onMainThread) {
    // Never freed: a job stuck at the program's end may report after it.
    static auto* target = new MessageTarget([](Message& message) {
        if (auto report = message.take<WM_FOLDERREPORT>(); report && report->onMainThread) report->onMainThread();
    });
    MainLoop::instance().post<WM_FOLDERREPORT>(target->id(), std::make_unique<FolderReport>(std::move(onMainThread)));
}

bool FolderWorker::drainAll(std::chrono::milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    std::set<std::shared_ptr<State>> states;
    {
        std::lock_guard lock(running().mutex);
        states = running().states;
    }
    bool all = true;
    for (const auto& s : states) {
        std::unique_lock lock(s->mutex);
        const std::uint64_t given = s->given;
        if (!s->done.wait_until(lock, deadline, [&] { return s->finished >= given; })) {
            log::warning(log::Category::platform, "%s: %zu jobs not done, the folder does not answer", s->name.c_str(),
                         s->jobs.size() + (s->busy ? 1 : 0));
            all = false;
        }
    }
    return all;
}

}  // namespace oculon::platform
