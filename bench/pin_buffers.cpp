// Data buffers through the pin framework: the frame rate of 1920x1080 RGB
// frames from a data source through a filter on its own worker thread to a
// counting sink, and the cost of one SubmitBuffer to 1 and to 4 sinks.
//
// No library passes buffers through pins like these, so there is no peer
// and no "x peer". Passing a frame copies none of its bytes; beside the frame
// rate stands the memcpy of one frame (x memcpy = copying one frame / passing
// one: how many copies a frame's passage is worth).

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
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

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

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

void BM_FrameCopy(benchmark::State& state) { ob::copyAnchor(state, kFrameBytes); }

void BM_Submit(benchmark::State& state) {
    TPNLibrary library;
    auto source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    std::vector<std::unique_ptr<Counter>> sinks;
    for (long i = 0; i < state.range(0); ++i) {
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
    std::printf("load average before: %s\n", loadAverage().c_str());
    ob::repeated(benchmark::RegisterBenchmark("FrameRate", BM_FrameRate))
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    ob::repeated(benchmark::RegisterBenchmark("FrameCopy", BM_FrameCopy))->UseRealTime()->Unit(benchmark::kMicrosecond);
    ob::repeated(benchmark::RegisterBenchmark("Submit", BM_Submit))->Arg(1)->Arg(4)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    ob::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double perFrame = reporter.seconds("FrameRate") / kBatch;
    const double copy = reporter.seconds("FrameCopy");
    std::printf("\nmedian of %d runs; no peer passes buffers through pins, so no x peer\n", ob::kRepetitions);
    std::printf("%-40s %12s %12s %10s\n", "case", "per item", "items/s", "x memcpy");
    std::printf("%-40s %9.1f us %12.0f %10s\n", "1080p RGB frame, source->worker->sink", perFrame * 1e6,
                perFrame > 0 ? 1 / perFrame : 0.0, ob::ratio(copy, perFrame).c_str());
    std::printf("%-40s %9.1f us %12.0f %10s\n", "memcpy of one 1080p RGB frame", copy * 1e6, copy > 0 ? 1 / copy : 0.0,
                "1.00");
    for (const char* n : {"1", "4"}) {
        const double t = reporter.seconds(std::string("Submit/") + n);
        std::printf("%-40s %9.3f us %12.0f %10s\n", (std::string("SubmitBuffer to ") + n + " sink(s)").c_str(), t * 1e6,
                    t > 0 ? 1 / t : 0.0, "-");
    }
    std::printf("load average after: %s\n", loadAverage().c_str());
    return 0;
}
