// The file chooser's questions: one stuck in a folder that does not answer
// holds up neither the main thread nor the next question, its late answer
// is dropped, and the threads so left stuck are bounded.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/MainLoop.h"
#include "video/FolderQuestions.h"

namespace oculon::video {
namespace {

using namespace std::chrono_literals;

TEST(FolderQuestions, AQuestionStuckInAFolderHoldsUpNothingButItsOwnAnswer) {
    platform::ManualLoopBackend loop;
    std::atomic<bool> answering{false};
    std::vector<std::string> answers;
    const auto stuck = [&] {
        return [&]() -> std::function<void()> {
            while (!answering) std::this_thread::sleep_for(1ms);
            return [&] { answers.push_back("stuck"); };
        };
    };
    const auto quick = [&](std::string name) {
        return [&, name]() -> std::function<void()> { return [&, name] { answers.push_back(name); }; };
    };
    {
        FolderQuestions questions("test questions");
        questions.ask(stuck());
        EXPECT_TRUE(questions.waiting());
        questions.ask(quick("home"));
        ASSERT_TRUE(loop.pumpUntil([&] { return !answers.empty(); }, 5s));
        EXPECT_EQ(answers, std::vector<std::string>{"home"});
        EXPECT_FALSE(questions.waiting());

        // Past the bound of threads left stuck, a question waits behind one.
        while (FolderQuestions::running() < FolderQuestions::kMaxStuck) questions.ask(stuck());
        questions.ask(quick("queued"));
        loop.pumpFor(300ms);
        EXPECT_EQ(answers.size(), 1u);
        answering = true;
        ASSERT_TRUE(loop.pumpUntil([&] { return answers.size() == 2; }, 5s));
        EXPECT_EQ(answers.back(), "queued");
        ASSERT_TRUE(loop.pumpUntil([] { return FolderQuestions::running() == 0; }, 5s));
        answering = false;
        questions.ask(stuck());
    }
    // Its asker has gone: the answer is dropped, and nothing waits for it.
    answering = true;
    ASSERT_TRUE(loop.pumpUntil([] { return FolderQuestions::running() == 0; }, 5s));
    loop.pumpFor(100ms);
    EXPECT_EQ(answers.size(), 2u) << "a superseded or orphaned answer ran";
}

}  // namespace
}  // namespace oculon::video
