#pragma once
// The thread that does the file system work on a folder the user chose (the
// picture folder, an export's folder). Such a folder may be on a share that
// stops answering for minutes, and a call into it then does not return: the
// event loop and the stream decoders never make such calls themselves, they
// hand them to a worker and hear back by message.
//
// Jobs run one after the other in the order given. The queue is bounded, so
// a folder that hangs costs a bounded amount of memory, and whoever gives a
// job learns at once when it was not taken. Nobody ever waits for the
// thread: let go, it runs what it holds and ends by itself, also long after
// its owner (or the program's end) when a job is stuck. A job therefore owns
// everything it uses.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
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

    struct Limits {
        std::size_t jobs = 512;
        std::size_t bytes = std::size_t{64} << 20;
    };
    // How a job is taken: within the limits, or always (a job that closes a
    // file and frees what it held, which must not be left to the thread
    // that lets go of it).
    enum class Admission { bounded, always };

    explicit FolderWorker(std::string name);
    FolderWorker(std::string name, Limits limits);
    // Lets the thread go: it runs the jobs it holds, then ends.
    ~FolderWorker();
    FolderWorker(const FolderWorker&) = delete;
    FolderWorker& operator=(const FolderWorker&) = delete;

    // Queues `job`, which holds `bytes` of data until it has run; false, and
    // the job is freed unrun, when the queue is full.
    bool post(Job job, std::size_t bytes = 0, Admission admission = Admission::bounded);
    // True while the job in hand has been running for longer than `bound`.
    bool stuck(Clock::duration bound = kNoAnswer) const;
    // Waits until every job given before has run, at most `bound`; true when
    // they have.
    bool drain(std::chrono::milliseconds bound) const;

    // Any thread (a job): runs `onMainThread` on the main thread, after the
    // reports given before. It owns what it uses, as a job does.
    static void report(std::function<void()> onMainThread);

    // Every worker of the process, at its end: waits up to `bound` in all for
    // the jobs they hold (the recordings they close); true when all have run.
    static bool drainAll(std::chrono::milliseconds bound);

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace oculon::platform

template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_FOLDERREPORT> {
    using type = oculon::platform::FolderReport;
};
