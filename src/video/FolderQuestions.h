#pragma once
// The file chooser's questions to the file system (FolderLook), asked on a
// worker, one at a time: a later question supersedes the one in hand, whose
// answer is dropped, and the main thread hears back by message. A worker
// stuck in a folder that stopped answering is let go, so the next question
// (another folder) never waits behind it; the threads so let go are bounded
// for the whole program, and past that bound a question queues instead.
// Main thread.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace oculon::platform {
class FolderWorker;
}

namespace oculon::video {

class FolderQuestions {
public:
    using Clock = std::chrono::steady_clock;
    // What a question does on the worker: it returns what its answer does
    // on the main thread.
    using Look = std::function<std::function<void()>()>;

    // Threads left stuck in folders, of all choosers together, before a
    // question waits behind one instead.
    static constexpr int kMaxStuck = 8;

    explicit FolderQuestions(std::string name);
    // Drops the question in hand; the worker runs it out by itself.
    ~FolderQuestions();
    FolderQuestions(const FolderQuestions&) = delete;
    FolderQuestions& operator=(const FolderQuestions&) = delete;

    void ask(Look look);
    // Drops the question in hand: its answer will not run.
    void drop();
    // A question is in hand, and since when.
    bool waiting() const;
    Clock::time_point askedAt() const { return askedAt_; }

    // Questions on a worker that have not come back yet (all choosers).
    static int running();

    struct Pending;

private:
    std::string name_;
    std::unique_ptr<platform::FolderWorker> worker_;
    std::shared_ptr<Pending> pending_;  // the question in hand; its answer checks it
    Clock::time_point askedAt_;
};

}  // namespace oculon::video
