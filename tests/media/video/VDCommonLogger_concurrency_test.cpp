// The logger between threads: a stream that starts and sends its frames on
// a worker thread gets its file from the main thread and loses none of the
// frames that came before the file; the logger's own worker writes them in
// order; OnProgress runs on the main thread, once per changed count; a wave
// start asks both sources what they stream, with the input free meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <thread>

#include "LoggerTestKit.h"
#include "media/audio/AUStreamTypes.h"
#include "platform/AudioCompression.h"

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
    const std::string path = rig.open("threads.avi");
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

// A logger with a video and an audio source of its own, the audio
// compressed to IMA ADPCM (blocks of 2041 samples).
struct TwoStreams : LoggerRig {
    // What each source is asked from downstream, as its operation event sees it.
    std::function<bool(const pins::IPNNotifyOperation&)> videoAsked, audioAsked;
    pins::PNOwned<TVDPNImageSourcePin> video =
        pins::PNMakePin<TVDPNImageSourcePin>(nullptr, nullptr, nullptr, askedThrough(videoAsked));
    pins::PNOwned<pins::TSGPNSourcePin> audio =
        pins::PNMakePin<pins::TSGPNSourcePin>(nullptr, nullptr, nullptr, askedThrough(audioAsked));
    std::string path = dir.path() + "/both.avi";

    static pins::TSGPNOperationEvent askedThrough(const std::function<bool(const pins::IPNNotifyOperation&)>& asked) {
        return [&asked](pins::TPNBasicPin&, const pins::TGUID&, const pins::IPNNotifyOperation& op,
                        pins::TPNNotifyStates) { return asked && asked(op); };
    }

    TwoStreams() {
        compressWith({});
        const auto record = platform::suggestAudioFormat(platform::kWaveFormatImaAdpcm, 1, 8000)->bytes();
        logger->AudioCompression().Compressions().Items(0).Format().SetFormat(record.data(), record.size());
        logger->AudioCompression().SetEnabled(true);
        logger->InputPin().Disconnect();
        EXPECT_TRUE(logger->InputPin().Connect(video.get()));
        EXPECT_TRUE(logger->AudioInputPin().Connect(audio.get()));
        logger->SetFileName(path);
        logger->SetEnabled(true);
    }
    void startVideo() {
        video->Notify(std::make_shared<TPNStartFrameOperation>(24, 10, 400'000, TVDVideoFormat::vfRGBA32, 0, 24, 10));
    }
    void startAudio() {
        const audio::TAUWaveFormatExtensible format = audio::AUMakeWaveFormat(8000, 0, 1, 16);
        audio->Notify(std::make_shared<audio::TPNStartWaveOperation>(&format));
    }
    void frames(int count) {
        for (int n = 0; n < count; ++n) video->SubmitBuffer(patternFrame(24, 10, n));
    }
    void blocks(int count) {  // of 0.1 s
        for (int n = 0; n < count; ++n) audio->SubmitBuffer(audio::TAUAudioBuffer::CreateSizeEx(8000, 1, 800, 1, 16));
    }
    void pump() {
        loop.pumpUntil([] { return false; }, std::chrono::milliseconds(200));
    }
    // "frames,samples" as the file holds them.
    std::string written() {
        logger->Close();
        const std::string frames =
            run("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                "stream=nb_read_frames -of csv=p=0 " +
                path);
        const std::string samples = run("ffmpeg -v error -i " + path + " -map 0:a? -f s16le -");
        return frames.substr(0, frames.find('\n')) + "," + std::to_string(samples.size() / 2);
    }
};

TEST(LoggerThreads, AnAudioStreamStartedLaterJoinsTheFileOfTheFrames) {
    // An audio start from a worker waits for the main thread; the frames sent
    // meanwhile are written, and the audio stream joins their file.
    TwoStreams rig;
    std::thread([&] { rig.startVideo(); }).join();
    rig.pump();  // the video stream is begun
    std::thread([&] {
        rig.startAudio();  // handed to the main thread
        rig.frames(5);
    }).join();
    rig.pump();
    rig.blocks(3);
    rig.audio->Stop();
    rig.video->Stop();
    EXPECT_EQ(rig.written(), "5," + std::to_string(2 * 2041));
}

TEST(LoggerThreads, AudioAndVideoFromTwoThreadsAreAllWritten) {
    // Each stream from a thread of its own: every frame and every sample
    // reaches the file, the encoder's last block included. Both starts come
    // before any data.
    TwoStreams rig;
    std::latch started(2);
    std::atomic<int> done = 0;
    std::thread videoThread([&] {
        rig.startVideo();
        started.arrive_and_wait();
        rig.frames(25);
        rig.video->Stop();
        ++done;
    });
    std::thread audioThread([&] {
        rig.startAudio();
        started.arrive_and_wait();
        rig.blocks(10);
        rig.audio->Stop();
        ++done;
    });
    rig.loop.pumpUntil([&] { return done == 2; }, std::chrono::seconds(20));
    videoThread.join();
    audioThread.join();
    rig.pump();
    EXPECT_EQ(rig.written(), "25," + std::to_string(4 * 2041));
}

TEST(LoggerThreads, AWaveStartQueriesBothSourcesWithTheInputLockGivenUp) {
    TwoStreams rig;
    rig.startVideo();
    int videoQueries = 0, audioQueries = 0;
    bool delivered = false;
    rig.videoAsked = [&](const pins::IPNNotifyOperation& op) {
        videoQueries += pins::PNOperationAs<pins::TPNQueryStreamOperation>(op) != nullptr;
        return true;
    };
    rig.audioAsked = [&](const pins::IPNNotifyOperation& op) {
        if (!pins::PNOperationAs<pins::TPNQueryStreamOperation>(op)) return false;
        ++audioQueries;
        // A source answering a query may deliver from another thread meanwhile.
        auto frame = std::async(std::launch::async, [&] { rig.frames(1); });
        delivered = frame.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        return true;
    };
    rig.startAudio();
    EXPECT_EQ(videoQueries, 1);
    EXPECT_EQ(audioQueries, 1);
    EXPECT_TRUE(delivered);
    rig.audio->Stop();
    rig.video->Stop();
    EXPECT_EQ(rig.written(), "1,0");
}

}  // namespace
