#pragma once
// A pass-through filter and a counting data sink for the filter and data
// pin tests, and buffers that carry their number in every byte.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "media/pins/PNLibrary.h"
#include "media/pins/SGMemoryBuffer.h"
#include "media/pins/SGThreadedFilter.h"

namespace filtertest {

using namespace oculon::pins;

inline ISGData numbered(std::uint8_t n, std::uint32_t size = 64) {
    auto b = TSGBlockBuffer::CreateSize(size);
    b->SetValue(n);
    return b;
}

// Hands every buffer on unchanged; `hook` runs first, on the processing thread.
class PassThrough : public TSGBasicCommonFilter {
public:
    explicit PassThrough(std::string name = "Pass") : TSGBasicCommonFilter(nullptr, std::move(name)) {
        PublishPin("InputPin", *Input);
        PublishPin("OutputPin", *Output);
    }
    TPNSourcePin* GetOutputPin() override { return Output.get(); }
    bool IntBufferOperation(const ISGDataBuffer&, const ISGDataBuffer& out) override {
        if (hook) hook();
        return Output->SubmitBuffer(out);
    }
    std::function<void()> hook;
    PNOwned<TSGPNSinkPin> Input =
        PNMakePin<TSGPNSinkPin>(this, FInputLock,
                                [this](TPNBasicPin& pin, const TGUID& id, const IPNNotifyOperation& op,
                                       TPNNotifyStates states) { return SinkDispatch(pin, id, op, states); });
    PNOwned<TSGPNSourcePin> Output = PNMakePin<TSGPNSourcePin>(this, FOutputLock, FInputLock);
};

// Records what reaches a data input: "start", "stop", the first byte of
// each buffer, and the marker of each delivery.
struct Counter {
    std::mutex m;
    std::condition_variable changed;
    std::vector<int> seen;  // -1 start, -2 stop, else the buffer's first byte
    std::vector<unsigned> markers;
    std::vector<ISGData> kept;  // with keep set
    bool keep = false;
    std::function<void(const ISGData&)> onBuffer;

    PNOwned<TSGPNSinkPin> pin = PNMakePin<TSGPNSinkPin>(
        nullptr, nullptr, [this](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates s) {
            int what = -3;
            ISGData buffer;
            if (PNOperationAs<TPNStartOperation>(op)) what = -1;
            if (PNOperationAs<TPNStopOperation>(op)) what = -2;
            if (const auto* b = PNOperationAs<TPNSuppliedBufferOperation>(op)) {
                buffer = b->Buffer->MakeCopy();  // a receiver's own, to write into
                what = SGDataBuffer(buffer)->ByteRead()[0];
                if (onBuffer) onBuffer(buffer);
            }
            std::lock_guard l(m);
            seen.push_back(what);
            markers.push_back(s.marker());
            if (keep && buffer) kept.push_back(buffer);
            changed.notify_all();
            return true;
        });

    std::vector<int> take() {
        std::lock_guard l(m);
        markers.clear();
        return std::exchange(seen, {});
    }
    // Waits (at most 10 s) until `n` deliveries are recorded.
    bool waitFor(std::size_t n) {
        std::unique_lock l(m);
        return changed.wait_for(l, std::chrono::seconds(10), [&] { return seen.size() >= n; });
    }
};

inline std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i < to; ++i) v.push_back(i);
    return v;
}

}  // namespace filtertest
