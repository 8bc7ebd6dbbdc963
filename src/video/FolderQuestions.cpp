#include "video/FolderQuestions.h"

#include <utility>

#include "platform/FolderWorker.h"

namespace oculon::video {

namespace {

std::atomic<int> questionsRunning{0};

// Counts a question out however its look ends.
struct Running {
    Running() { ++questionsRunning; }
    ~Running() { --questionsRunning; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
};

}  // namespace

// Main thread only: the answer runs while the asker still holds it.
struct FolderQuestions::Pending {
    bool answered = false;
};

FolderQuestions::FolderQuestions(std::string name) : name_(std::move(name)) {}

FolderQuestions::~FolderQuestions() = default;

int FolderQuestions::running() { return questionsRunning.load(); }

void FolderQuestions::ask(Look look) {
    // The question in hand may be stuck in its folder: this one goes to a
    // worker of its own.
    if (waiting() && running() < kMaxStuck) worker_.reset();
    if (!worker_) worker_ = std::make_unique<platform::FolderWorker>(name_);
    pending_ = std::make_shared<Pending>();
    askedAt_ = Clock::now();
    const std::weak_ptr<Pending> asked = pending_;
    auto running = std::make_shared<Running>();
    worker_->post([look = std::move(look), asked, running]() mutable {
        std::function<void()> answer = look();
        running.reset();
        platform::FolderWorker::report([asked, answer = std::move(answer)] {
            const auto pending = asked.lock();
            if (!pending) return;
            pending->answered = true;
            if (answer) answer();
        });
    });
    // A question the worker did not take stays unanswered: the chooser says
    // that the folder does not answer.
}

void FolderQuestions::drop() { pending_.reset(); }

bool FolderQuestions::waiting() const { return pending_ && !pending_->answered; }

}  // namespace oculon::video
