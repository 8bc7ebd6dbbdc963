// The logger between threads: a stream that starts and sends its frames on
// a worker thread gets its file from the main thread and loses none of the
// frames that came before the file; the logger's own worker writes them in
// order; OnProgress runs on the main thread, once per changed count.
#include <gtest/gtest.h>

#include <thread>

#include "LoggerTestKit.h"

using namespace oculon::mediavideo;
using namespace oculon::mediavideo::testkit;
using namespace oculon;

namespace {

constexpr int kFrames = 40;

struct Case {
    bool upstreamThread;  // the stream is sent from a worker thread
    bool loggerThread;    // the logger writes on its own worker
    const char* name;
};

class LoggerThreads : public ::testing::TestWithParam<Case> {};

TEST_P(LoggerThreads, WriteEveryFrameInOrderAndReportOnTheMainThread) {
    const Case c = GetParam();
    LoggerRig rig;
    rig.logger->Threading().SetEnabled(c.loggerThread);
    rig.compressWith({});
    auto source = pins::PNMakePin<TVDPNImageSourcePin>(nullptr, nullptr);
    rig.logger->InputPin().Disconnect();
    ASSERT_TRUE(rig.logger->InputPin().Connect(source.get()));

    std::vector<std::int64_t> reported;
    bool offMainThread = false;
    rig.logger->SetOnProgress([&](TVDCommonLogger&, std::int64_t frame) {
        offMainThread |= !platform::MainLoop::instance().isMainThread();
        reported.push_back(frame);
    });
    const std::string path = rig.dir.path() + "/threads.avi";
    rig.logger->SetFileName(path);
    rig.logger->SetEnabled(true);
    std::vector<IVDImageBuffer> input;
    for (int n = 0; n < kFrames; ++n) input.push_back(patternFrame(24, 10, n));
    const auto send = [&] {
        source->Notify(std::make_shared<TPNStartFrameOperation>(24, 10, 400'000, TVDVideoFormat::vfRGBA32, 0, 24, 10));
        for (const auto& frame : input) source->SubmitBuffer(frame);
        source->Stop();
    };
    if (c.upstreamThread) {
        std::thread upstream(send);
        rig.loop.pumpUntil([&] { return !reported.empty() && reported.back() == kFrames; }, std::chrono::seconds(20));
        upstream.join();
    } else {
        send();
    }
    rig.loop.pumpUntil([&] { return !reported.empty() && reported.back() == kFrames; }, std::chrono::seconds(20));
    rig.logger->Close();

    EXPECT_EQ(probeVideo(path), "rawvideo,24,10,25/1,40\n");
    std::string expected;
    for (const auto& frame : input) {
        const auto p = pixels(*frame);
        expected.append(p.begin(), p.end());
    }
    EXPECT_TRUE(decodeVideo(path, "bgra") == expected);
    EXPECT_FALSE(offMainThread);
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), kFrames);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(std::adjacent_find(reported.begin(), reported.end()), reported.end());  // no count twice
}

INSTANTIATE_TEST_SUITE_P(Threads, LoggerThreads,
                         ::testing::Values(Case{false, false, "inline"}, Case{true, false, "upstreamWorker"},
                                           Case{false, true, "loggerWorker"}, Case{true, true, "both"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
