// Data buffers through the pin framework: the frame rate of 1920x1080 RGB
// frames from a data source through a filter on its own worker thread to a
// counting sink, and the cost of one SubmitBuffer to 1 and to 4 sinks.
//
// No library outside passes buffers through pins like these, so every line
// says it has no outside peer and prints no "x peer". Passing a frame copies
// none of its bytes and is not bound by memory bandwidth: no memcpy anchor.

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/SGMemoryBuffer.h"
#include "media/pins/SGThreadedFilter.h"

using namespace oculon::pins;
namespace ob = oculon::bench;

namespace {

constexpr std::uint32_t kFrameBytes = 1920 * 1080 * 3;
constexpr int kBatch = 64;  // frames per timed run of the frame rate

class Pass : public TSGBasicCommonFilter {
public:
    Pass() : TSGBasicCommonFilter(nullptr, "Pass") {}
    TPNSourcePin* GetOutputPin() override { return Output.get(); }
    bool IntBufferOperation(const ISGDataBuffer&, const ISGDataBuffer& out) override {
        return Output->SubmitBuffer(out);
    }
    PNOwned<TSGPNSinkPin> Input =
        PNMakePin<TSGPNSinkPin>(this, FInputLock,
                                [this](TPNBasicPin& pin, const TGUID& id, const IPNNotifyOperation& op,
                                       TPNNotifyStates states) { return SinkDispatch(pin, id, op, states); });
    PNOwned<TSGPNSourcePin> Output = PNMakePin<TSGPNSourcePin>(this, FOutputLock, FInputLock);
};

struct Counter {
    std::mutex m;
    std::condition_variable cv;
    long buffers = 0;
    PNOwned<TSGPNSinkPin> pin = PNMakePin<TSGPNSinkPin>(
        nullptr, nullptr, [this](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
            if (!PNOperationAs<TPNSuppliedBufferOperation>(op)) return false;
            std::lock_guard l(m);
            ++buffers;
            cv.notify_all();
            return true;
        });
    void waitFor(long n) {
        std::unique_lock l(m);
        cv.wait(l, [&] { return buffers >= n; });
    }
};

void BM_FrameRate(benchmark::State& state) {
    TPNLibrary library;
    auto source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    auto filter = PNOwned<Pass>::make();
    Counter sink;
    filter->Threading().SetEnabled(true);
    filter->Input->Connect(source.get());
    sink.pin->Connect(filter->Output.get());
    source->Notify(std::make_shared<TPNStartSampleRateOperation>(25.0));
    long sent = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // Each frame new from the pool, as a camera's would be; its bytes are the producer's business.
        for (int i = 0; i < kBatch; ++i) {
            const auto frame = TSGBlockBuffer::CreateSize(kFrameBytes);
            frame->ByteWrite()[0] = static_cast<std::uint8_t>(i);
            source->SubmitBuffer(frame);
        }
        sink.waitFor(sent += kBatch);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    source->Stop();
    if (sink.buffers != sent) state.SkipWithError("frames were lost");
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void submitTo(benchmark::State& state, int sinkCount) {
    TPNLibrary library;
    auto source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    std::vector<std::unique_ptr<Counter>> sinks;
    for (int i = 0; i < sinkCount; ++i) {
        sinks.push_back(std::make_unique<Counter>());
        sinks.back()->pin->Connect(source.get());
    }
    const auto frame = TSGBlockBuffer::CreateSize(kFrameBytes);
    for (auto _ : state) benchmark::DoNotOptimize(source->SubmitBuffer(frame));
    for (const auto& s : sinks)
        if (s->buffers != static_cast<long>(state.iterations())) state.SkipWithError("a sink missed buffers");
}

}  // namespace

int main(int argc, char** argv) {
    if (!ob::initialize(argc, argv)) return 1;
    ob::Table table(benchmark::kMicrosecond);
    table.ours(std::to_string(kBatch) + " 1080p RGB frames, source->worker->sink", BM_FrameRate)->UseManualTime();
    table.noOutsidePeer();
    table.ours("SubmitBuffer to 1 sink", [](benchmark::State& s) { submitTo(s, 1); });
    table.noOutsidePeer();
    table.ours("SubmitBuffer to 4 sinks", [](benchmark::State& s) { submitTo(s, 4); });
    table.noOutsidePeer();
    table.run();
    return 0;
}
