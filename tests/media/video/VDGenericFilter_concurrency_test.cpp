// The generic video filter between an image output and an image input: a
// start and 100 frames inline, on the filter's worker and handed to a pumped
// main loop, with the time stamps the filter gives; frames dropped while one
// waits; the commands that drive a stream from code; and the filter base's
// start handling, format and enable switch.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <tuple>

#include "media/pins/PNLibrary.h"
#include "media/video/VDGenericFilter.h"
#include "platform/MainLoop.h"

using namespace oculon::mediavideo;
using namespace oculon::pins;

namespace {

constexpr std::int64_t kDelay = 400'000;
using Stamps = std::vector<std::tuple<int, std::int64_t, std::int64_t>>;  // value, begin, end

IVDImageBuffer numbered(int n, TVDVideoFormat format = TVDVideoFormat::vfRGB24) {
    auto frame = TVDImageBuffer::CreateSize(8, 4, format);
    frame->SetValue(static_cast<std::uint8_t>(n));
    return frame;
}
IPNNotifyOperation startOp(TVDVideoFormat format = TVDVideoFormat::vfRGB24) {
    return std::make_shared<TPNStartFrameOperation>(8, 4, kDelay, format, 0, 8, 4);
}
template <class T>
const T* as(const IPNNotifyOperation& op) {
    return PNOperationAs<T>(op);
}
IVDImageBuffer frameOf(const IPNNotifyOperation& op) {
    return VDImageBuffer(as<TPNSuppliedBufferOperation>(op)->Buffer);
}

// What reaches an image pin, in order.
struct Recorder {
    std::mutex m;
    std::vector<IPNNotifyOperation> ops;
    TSGPNOperationEvent event() {
        return [this](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
            std::lock_guard l(m);
            ops.push_back(op);
            return true;
        };
    }
    std::vector<IPNNotifyOperation> take() {
        std::lock_guard l(m);
        return std::exchange(ops, {});
    }
    Stamps frames() {
        std::lock_guard l(m);
        Stamps out;
        for (const auto& op : ops)
            if (as<TPNSuppliedBufferOperation>(op)) {
                const auto f = frameOf(op);
                out.emplace_back(f->Read()[0], f->GetTimeStamp().BeginTime(), f->GetTimeStamp().EndTime());
            }
        return out;
    }
};

Stamps stamped(int count, int offset) {
    Stamps v;
    for (int i = 0; i < count; ++i) v.emplace_back(i + offset, i * kDelay, (i + 1) * kDelay);
    return v;
}

struct Chain {
    TPNLibrary library;
    Recorder up, down;
    PNOwned<TVDPNImageSourcePin> source = PNMakePin<TVDPNImageSourcePin>(nullptr, nullptr, nullptr, up.event());
    PNOwned<TVDGenericFilter> filter = PNOwned<TVDGenericFilter>::make(nullptr, "Generic");
    PNOwned<TVDPNImageSinkPin> sink = PNMakePin<TVDPNImageSinkPin>(nullptr, nullptr, down.event());
    std::mutex m;
    std::vector<std::thread::id> handledOn;

    explicit Chain(bool linkInput = true) {
        EXPECT_TRUE(!linkInput || filter->InputPin().Connect(source.get()));
        EXPECT_TRUE(sink->Connect(&filter->OutputPin()));
    }
    // The callback adds 100 to every frame and notes its thread.
    void handle() {
        filter->SetOnProcessData([this](TVDBasicGenericFilter&, const IVDImageBuffer& in, IVDImageBuffer& out, bool&) {
            out->SetValue(static_cast<std::uint8_t>(in->Read()[0] + 100));
            std::lock_guard l(m);
            handledOn.push_back(std::this_thread::get_id());
        });
    }
    void send(int from, int to) {
        for (int i = from; i < to; ++i) source->SubmitBuffer(numbered(i));
    }
};

class GenericFilter : public ::testing::TestWithParam<bool> {};  // threading on

TEST_P(GenericFilter, StampsAStartAnd100Frames) {
    Chain c;
    EXPECT_EQ(c.source->GetConnectionID(c.filter->InputPin()), kVDStreamImage);
    c.filter->Threading().SetEnabled(GetParam());
    c.handle();
    const IPNNotifyOperation start = startOp();
    c.source->Notify(start);
    c.send(0, 100);
    c.source->Stop();  // after the worker has done all it queued
    EXPECT_EQ(c.down.frames(), stamped(100, 100));
    const auto ops = c.down.take();
    ASSERT_EQ(ops.size(), 102u);
    EXPECT_EQ(ops.front(), start);  // unchanged shape: the start itself goes on
    EXPECT_TRUE(as<TPNStopOperation>(ops.back()));
    EXPECT_EQ(c.handledOn.at(0) == std::this_thread::get_id(), !GetParam());
}

INSTANTIATE_TEST_SUITE_P(Threading, GenericFilter, ::testing::Bool());

TEST(GenericFilterStamps, AStampedFrameSetsTheTimeAndAStartResetsIt) {
    Chain c;
    c.source->Notify(startOp());
    // The sender's frame is sent three times: the filter's stamps never reach it.
    const auto frame = numbered(1);
    const auto given = numbered(2);
    given->GetTimeStamp().SetBeginTime(5000);
    given->GetTimeStamp().SetEndTime(9000);
    given->GetTimeStamp().SetAvailable(true);
    for (const auto& f : {frame, given, frame}) c.source->SubmitBuffer(f);
    c.source->Notify(startOp());
    c.source->SubmitBuffer(frame);
    EXPECT_EQ(c.down.frames(), (Stamps{{1, 0, kDelay}, {2, 5000, 9000}, {1, 9000, 9000 + kDelay}, {1, 0, kDelay}}));
    EXPECT_FALSE(frame->GetTimeStamp().Available());
}

TEST(GenericFilterHandOff, QueuedFramesAreHandledOnThePumpedMainThread) {
    oculon::platform::ManualLoopBackend loop;
    Chain c;
    c.filter->Threading().SetEnabled(true);
    c.filter->SetSynchronizeType(TSGSynchronizeType::stQueue);
    c.handle();
    int stops = 0;
    c.filter->SetOnStop([&](TVDBasicGenericFilter&) { ++stops; });
    c.source->Notify(startOp());
    c.send(0, 100);
    EXPECT_TRUE(loop.pumpUntil([&] { return c.down.frames().size() == 100; }, std::chrono::seconds(20)));
    EXPECT_EQ(c.down.frames(), stamped(100, 100));
    for (const auto& id : c.handledOn) EXPECT_EQ(id, std::this_thread::get_id());
    c.source->Stop();
    EXPECT_TRUE(as<TPNStopOperation>(c.down.take().back()));
    EXPECT_EQ(stops, 1);
}

TEST(GenericFilterHandOff, ASingleBufferDropsFramesWhileOneWaits) {
    oculon::platform::ManualLoopBackend loop;
    Chain c;
    c.filter->SetSynchronizeType(TSGSynchronizeType::stSingleBuffer);
    c.handle();
    c.source->Notify(startOp());
    c.send(0, 5);
    loop.pumpFor(std::chrono::milliseconds(20));
    c.send(5, 6);
    loop.pumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(c.down.frames(), (Stamps{{100, 0, kDelay}, {105, 5 * kDelay, 6 * kDelay}}));
    // What still waits when the stream stops is dropped: nothing follows the stop.
    c.send(6, 7);
    c.source->Stop();
    loop.pumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(c.down.frames().size(), 2u);
    EXPECT_TRUE(as<TPNStopOperation>(c.down.take().back()));
}

TEST(GenericFilterCommands, DriveAStreamFromCode) {
    Chain c(false);
    Stamps starts;  // width, height, delay
    c.filter->SetOnStart([&](TVDBasicGenericFilter&, int w, int h, double d) { starts.emplace_back(w, h, d); });
    c.filter->SendStartCommand(640, 480, 1'000'000);
    const auto frame = numbered(3);
    EXPECT_TRUE(c.filter->SendData(frame));
    c.filter->SendStopCommand();
    auto ops = c.down.take();
    ASSERT_EQ(ops.size(), 3u);
    const auto* start = as<TPNStartFrameOperation>(ops[0]);
    ASSERT_TRUE(start);
    EXPECT_EQ(std::tuple(start->Width, start->Height, start->FrameDelay, start->VideoFormat, start->RatioWidth,
                         start->RatioHeight, start->SampleRate),
              std::tuple(640, 480, 1'000'000, TVDVideoFormat::vfRGBA32, 640u, 480u, 10.0));
    EXPECT_EQ(frameOf(ops[1])->DataContainer(), frame->DataContainer());
    EXPECT_TRUE(as<TPNStopOperation>(ops[2]));
    EXPECT_TRUE(starts.empty() && c.up.take().empty());  // straight down the output

    // Asked from downstream without an input link, the filter heads the stream.
    c.sink->Notify(startOp());
    ops = c.down.take();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_TRUE(as<TPNPumpRequestOperation>(ops[0]) && as<TPNStartFrameOperation>(ops[1]));
    EXPECT_EQ(starts, (Stamps{{8, 4, kDelay}}));

    // With an input link the commands go up to the stream's head; the output stops.
    ASSERT_TRUE(c.filter->InputPin().Connect(c.source.get()));
    c.down.take();
    c.filter->SendStartCommand(640, 480, 1'000'000);
    c.filter->SendStopCommand();
    ops = c.up.take();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_TRUE(as<TPNStartFrameOperation>(ops[0]) && as<TPNStopOperation>(ops[1]));
    EXPECT_EQ(c.down.take().size(), 1u);
}

// Halves the width and counts its work.
class Halving : public TVDCommonFilter {
public:
    using TVDCommonFilter::TVDCommonFilter;
    void SetSizeRate(TVDFrameShape& shape, std::int64_t delay, std::uint32_t interlace) override {
        shape.Width /= 2;
        TVDCommonFilter::SetSizeRate(shape, delay, interlace);
    }
    void FilterInternalOperation(const IVDImageBuffer&, IVDImageBuffer&) override { ++work; }
    int work = 0;
};

TEST(CommonFilter, AnnouncesItsShapeWorksInRGB24AndPassesWhileDisabled) {
    TPNLibrary library;
    Recorder down;
    auto source = PNMakePin<TVDPNImageSourcePin>(nullptr, nullptr);
    auto filter = PNOwned<Halving>::make();
    auto sink = PNMakePin<TVDPNImageSinkPin>(nullptr, nullptr, down.event());
    ASSERT_TRUE(filter->InputPin().Connect(source.get()) && sink->Connect(&filter->OutputPin()));
    source->Notify(startOp(TVDVideoFormat::vfRGBA32));
    source->SubmitBuffer(numbered(1, TVDVideoFormat::vfRGBA32));
    filter->SetEnabled(false);
    source->SubmitBuffer(numbered(2, TVDVideoFormat::vfRGBA32));
    EXPECT_FALSE(source->SubmitBuffer(TSGBlockBuffer::CreateSize(8)));  // no frame: refused
    const auto ops = down.take();
    ASSERT_EQ(ops.size(), 3u);
    const auto* start = as<TPNStartFrameOperation>(ops[0]);
    ASSERT_TRUE(start);
    EXPECT_EQ(std::tuple(start->Width, start->Height, start->FrameDelay, start->RatioWidth, start->RatioHeight),
              std::tuple(4, 4, kDelay, 4u, 4u));
    EXPECT_EQ(frameOf(ops[1])->GetFormat(), TVDVideoFormat::vfRGB24);
    EXPECT_EQ(frameOf(ops[2])->GetFormat(), TVDVideoFormat::vfRGBA32);
    EXPECT_EQ(filter->work, 1);
}

}  // namespace
