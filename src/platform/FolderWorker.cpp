#include "platform/FolderWorker.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Log.h"
#include "platform/Thread.h"

namespace oculon::platform {

namespace {

// The bytes that the jobs of one or more workers hold.
struct Budget {
    explicit Budget(std::size_t l) : limit(l) {}
    const std::size_t limit;
    std::atomic<std::size_t> used{0};

    bool take(std::size_t bytes, bool always) {
        std::size_t now = used.load();
        do {
            if (!always && (bytes > limit || now > limit - bytes)) return false;
        } while (!used.compare_exchange_weak(now, now + bytes));
        return true;
    }
    void give(std::size_t bytes) { used -= bytes; }
};

std::shared_ptr<Budget> processBudget() {
    static const auto budget = std::make_shared<Budget>(FolderWorker::kMemoryBound);
    return budget;
}

struct Entry {
    FolderWorker::Job job;
    FolderWorker::Load load;
    bool always = false;
};

}  // namespace

struct FolderWorker::State {
    State(std::string n, Limits l, std::shared_ptr<Budget> b) : name(std::move(n)), limits(l), budget(std::move(b)) {}

    const std::string name;
    const Limits limits;
    const std::shared_ptr<Budget> budget;
    mutable std::mutex mutex;
    std::condition_variable wake;          // a job came, or the worker was let go
    mutable std::condition_variable done;  // a job has run
    std::deque<Entry> jobs;
    std::map<Holder, std::size_t> held;  // the bytes of each holder's queued jobs
    std::uint64_t given = 0;
    std::uint64_t finished = 0;
    bool busy = false;
    Clock::time_point busySince;
    bool letGo = false;

    // Under the mutex: the holder other than `asking` whose queued jobs hold
    // most here, and how much.
    std::pair<Holder, std::size_t> fullest(Holder asking) const {
        std::pair<Holder, std::size_t> most{0, 0};
        for (const auto& [holder, bytesHeld] : held)
            if (holder != asking && bytesHeld > most.second) most = {holder, bytesHeld};
        return most;
    }

    std::size_t holds(Holder holder) const {
        const auto it = held.find(holder);
        return it == held.end() ? 0 : it->second;
    }

    // Under the mutex: the newest queued job of the holder that holds most,
    // when it holds more than `asking` would with `bytes` more; moved out.
    std::optional<Entry> roomFor(Holder asking, std::size_t bytes) {
        const auto [most, mostBytes] = fullest(asking);
        if (most == 0 || mostBytes <= holds(asking) + bytes) return std::nullopt;
        return newestOf(most);
    }

    // Under the mutex: the newest queued job of `holder`, moved out and its
    // room given back.
    std::optional<Entry> newestOf(Holder holder) {
        for (auto it = jobs.rbegin(); it != jobs.rend(); ++it) {
            if (it->always || it->load.holder != holder) continue;
            Entry entry = std::move(*it);
            jobs.erase(std::next(it).base());
            forget(entry);
            budget->give(entry.load.bytes);
            // Done with, for those who wait for what was given before.
            ++finished;
            done.notify_all();
            return entry;
        }
        return std::nullopt;
    }

    void forget(const Entry& entry) {
        if (entry.always || entry.load.holder == 0) return;
        const auto it = held.find(entry.load.holder);
        if (it == held.end()) return;
        it->second -= std::min(it->second, entry.load.bytes);
        if (it->second == 0) held.erase(it);
    }
};

namespace {

// The workers whose threads still run; the program's end waits for them.
struct Running {
    std::mutex mutex;
    std::set<std::shared_ptr<FolderWorker::State>> states;
    // Set once the main thread has gone: the last worker ends the process.
    bool ended = false;
    int exitCode = 0;
};

Running& running() {
    static Running* r = new Running;  // threads stuck in a call outlive every static
    return *r;
}

std::atomic<bool> ending{false};

// The room a holder that would hold `wouldHold` may take from the workers
// sharing `self`'s budget: a folder that does not answer and filled the
// bound must not starve the recordings of the folders that do.
std::optional<Entry> roomElsewhere(const std::shared_ptr<FolderWorker::State>& self, FolderWorker::Holder asking,
                                   std::size_t wouldHold) {
    std::lock_guard all(running().mutex);
    std::shared_ptr<FolderWorker::State> fullest;
    std::pair<FolderWorker::Holder, std::size_t> most{0, 0};
    for (const auto& s : running().states) {
        if (s == self || s->budget != self->budget) continue;
        std::lock_guard lock(s->mutex);
        if (const auto candidate = s->fullest(asking); candidate.second > most.second) fullest = s, most = candidate;
    }
    if (!fullest || most.second <= wouldHold) return std::nullopt;
    std::lock_guard lock(fullest->mutex);
    return fullest->newestOf(most.first);
}

void work(const std::shared_ptr<FolderWorker::State>& s) {
    setCurrentThreadName(s->name);
    std::size_t leftUnwritten = 0;
    for (;;) {
        std::unique_lock lock(s->mutex);
        s->wake.wait(lock, [&] { return !s->jobs.empty() || s->letGo || ending; });
        if (s->jobs.empty()) break;
        Entry entry = std::move(s->jobs.front());
        s->jobs.pop_front();
        s->forget(entry);
        s->busy = true;
        s->busySince = FolderWorker::Clock::now();
        lock.unlock();
        // Once the program has gone only what closes and frees runs: what
        // waits would keep the process for nobody.
        if (!ending || entry.always) {
            try {
                entry.job();
            } catch (const std::exception& e) {
                log::warning(log::Category::platform, "%s: a job failed: %s", s->name.c_str(), e.what());
            } catch (...) {
                log::warning(log::Category::platform, "%s: a job failed", s->name.c_str());
            }
        } else {
            ++leftUnwritten;
        }
        // What it held goes before it counts as done: a closed recording is
        // closed on this thread.
        const std::size_t bytes = entry.load.bytes;
        entry = {};
        lock.lock();
        s->busy = false;
        s->budget->give(bytes);
        ++s->finished;
        s->done.notify_all();
    }
    if (leftUnwritten > 0)
        log::warning(log::Category::platform, "%s: %zu waiting pictures or files not written: the program ended first",
                     s->name.c_str(), leftUnwritten);
}

}  // namespace

FolderWorker::Holder FolderWorker::newHolder() {
    static std::atomic<Holder> next{1};
    return next++;
}

FolderWorker::FolderWorker(std::string name)
    : state_(std::make_shared<State>(std::move(name), Limits{}, processBudget())) {
    start();
}

FolderWorker::FolderWorker(std::string name, Limits limits)
    : state_(std::make_shared<State>(std::move(name), limits, std::make_shared<Budget>(limits.bytes))) {
    start();
}

void FolderWorker::start() {
    {
        std::lock_guard lock(running().mutex);
        running().states.insert(state_);
    }
    std::thread([state = state_] {
        work(state);
        std::lock_guard lock(running().mutex);
        running().states.erase(state);
        if (running().ended && running().states.empty()) {
            log::info(log::Category::platform, "the folders have answered: the program ends");
            std::fflush(nullptr);
            ::_exit(running().exitCode);
        }
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
    return post(std::move(job), Load{bytes, 0, nullptr}, admission);
}

bool FolderWorker::post(Job job, Load load, Admission admission) {
    std::vector<Entry> dropped;
    bool taken = false;
    const bool always = admission == Admission::always;
    for (;;) {
        std::size_t wouldHold = 0;
        bool roomInCount = false;
        {
            std::lock_guard lock(state_->mutex);
            State& s = *state_;
            for (;;) {
                // The job in hand counts: the bounds are on what the folder holds up.
                const std::size_t jobs = s.jobs.size() + (s.busy ? 1 : 0);
                if (always || (jobs < s.limits.jobs && s.budget->take(load.bytes, false))) {
                    if (always) s.budget->take(load.bytes, true);
                    taken = true;
                    break;
                }
                std::optional<Entry> room = s.roomFor(load.holder, load.bytes);
                if (!room) break;
                dropped.push_back(std::move(*room));
            }
            if (taken) {
                if (load.holder != 0 && !always) s.held[load.holder] += load.bytes;
                s.jobs.push_back({std::move(job), std::move(load), always});
                ++s.given;
            } else {
                wouldHold = s.holds(load.holder) + load.bytes;
                roomInCount = s.jobs.size() + (s.busy ? 1 : 0) < s.limits.jobs;
            }
        }
        if (taken || !roomInCount) break;
        // The bound may be held by other folders' workers (taken outside this
        // worker's lock: never two workers' locks at once).
        std::optional<Entry> room = roomElsewhere(state_, load.holder, wouldHold);
        if (!room) break;
        dropped.push_back(std::move(*room));
    }
    if (taken) state_->wake.notify_one();
    for (Entry& entry : dropped)
        if (entry.load.dropped) entry.load.dropped();
    return taken;
}

bool FolderWorker::stuck(Clock::duration bound) const {
    std::lock_guard lock(state_->mutex);
    return state_->busy && Clock::now() - state_->busySince > bound;
}

bool FolderWorker::idle() const {
    std::lock_guard lock(state_->mutex);
    return !state_->busy && state_->jobs.empty();
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

void FolderWorker::endProcess(int exitCode) {
    std::set<std::shared_ptr<State>> states;
    {
        std::lock_guard lock(running().mutex);
        ending = true;
        states = running().states;
        bool holding = false;
        for (const auto& s : states) {
            std::lock_guard stateLock(s->mutex);
            holding = holding || s->busy || !s->jobs.empty();
        }
        if (!holding) return;
        running().ended = true;
        running().exitCode = exitCode;
    }
    // Workers that wait for jobs end now; those in a call once it returns.
    for (const auto& s : states) {
        { std::lock_guard lock(s->mutex); }
        s->wake.notify_all();
    }
    std::fflush(nullptr);
    ::pthread_exit(nullptr);
}

}  // namespace oculon::platform
