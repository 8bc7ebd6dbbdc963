#pragma once
// The thread that does the file system work on a folder the user chose (the
// picture folder, an export's folder). Such a folder may be on a share that
// stops answering for minutes, and a call into it then does not return: the
// event loop and the stream decoders never make such calls themselves, they
// hand them to a worker and hear back by message.
//
// Jobs run one after the other in the order given. What they hold is bounded
// in bytes (kMemoryBound for all the workers of the process together), so
// folders that hang cost a bounded amount of memory, and whoever gives a job
// learns at once when it was not taken. The bound is shared fairly among the
// holders of the jobs (the recordings, the calls): one that comes while it
// is reached takes the room of the newest job of the one that holds most,
// which learns it (Load::dropped). Nobody ever waits for the thread: let go,
// it runs what it holds and ends by itself, also long after its owner when a
// job is stuck. A job therefore owns everything it uses.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/MainLoop.h"

namespace oculon::platform {

// What a job tells the main thread: a function run there.
struct FolderReport : MessagePayload {
    explicit FolderReport(std::function<void()> fn) : onMainThread(std::move(fn)) {}
    std::function<void()> onMainThread;
};

class FolderWorker {
public:
    using Job = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    // A step on the folder that takes longer than this counts as the folder
    // not answering: a disk that wakes from sleep answers well within it.
    static constexpr std::chrono::seconds kNoAnswer{5};
    // What the jobs of all workers may hold together: about 75 minutes of one
    // camera's pictures, and no more memory than a desktop can spare.
    static constexpr std::size_t kMemoryBound = std::size_t{64} << 20;

    // A worker made with limits of its own holds at most these, apart from
    // the other workers; the job count stops a flood of empty jobs.
    struct Limits {
        std::size_t jobs = std::size_t{1} << 16;
        std::size_t bytes = kMemoryBound;
    };
    // Whose a job is, for the fair share of the bound; 0 is nobody's, and
    // such a job is never dropped for another.
    using Holder = std::uint64_t;
    static Holder newHolder();
    struct Load {
        std::size_t bytes = 0;
        Holder holder = 0;
        // Runs in place of the job when it was taken and then gave its room
        // to another holder's, on the thread that posts that one. It may
        // only count or post a message.
        std::function<void()> dropped;
    };
    // How a job is taken: within the limits, or always (a job that closes a
    // file and frees what it held, which must not be left to the thread
    // that lets go of it).
    enum class Admission { bounded, always };

    // Shares kMemoryBound with the other workers so made.
    explicit FolderWorker(std::string name);
    FolderWorker(std::string name, Limits limits);
    // Lets the thread go: it runs the jobs it holds, then ends.
    ~FolderWorker();
    FolderWorker(const FolderWorker&) = delete;
    FolderWorker& operator=(const FolderWorker&) = delete;

    // Queues `job`, which holds `bytes` of data until it has run; false, and
    // the job is freed unrun, when the queue is full.
    bool post(Job job, std::size_t bytes = 0, Admission admission = Admission::bounded);
    bool post(Job job, Load load, Admission admission = Admission::bounded);
    // True while the job in hand has been running for longer than `bound`.
    bool stuck(Clock::duration bound = kNoAnswer) const;
    // Nothing queued, nothing in hand.
    bool idle() const;
    // Waits until every job given before has run, at most `bound`; true when
    // they have.
    bool drain(std::chrono::milliseconds bound) const;

    // Any thread (a job): runs `onMainThread` on the main thread, after the
    // reports given before. It owns what it uses, as a job does.
    static void report(std::function<void()> onMainThread);

    // Every worker of the process, at its end: waits up to `bound` in all for
    // the jobs they hold (the recordings they close); true when all have run.
    static bool drainAll(std::chrono::milliseconds bound);
    // The main thread, as the very last step of the program: returns when no
    // worker holds a job. Otherwise the workers drop what waits, finish the
    // call in hand and the jobs that close what they made (a file made by
    // a call that returned only now is then removed), and the last of them
    // ends the process with `exitCode`; the main thread ends here, so that
    // nothing of the program but a call in the kernel stays.
    static void endProcess(int exitCode);

    struct State;

private:
    void start();

    std::shared_ptr<State> state_;
};

}  // namespace oculon::platform

template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_FOLDERREPORT> {
    using type = oculon::platform::FolderReport;
};
