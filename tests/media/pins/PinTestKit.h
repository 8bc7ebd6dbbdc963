#pragma once
// Pins for the pin tests: a sink that accepts given stream types and logs
// what reaches it, a source whose handler hands each operation to the
// receiving TestSink, and a converter from one type to another.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "media/pins/PNPins.h"
#include "media/pins/PNRegistry.h"

namespace pintest {

using namespace oculon::pins;

constexpr TGUID kA = PNGuid("{A0000000-0000-0000-0000-00000000000A}");
constexpr TGUID kB = PNGuid("{B0000000-0000-0000-0000-00000000000B}");
constexpr TGUID kC = PNGuid("{C0000000-0000-0000-0000-00000000000C}");
constexpr TGUID kD = PNGuid("{D0000000-0000-0000-0000-00000000000D}");

// The receivers' log, "name/marker" per delivery.
struct Log {
    std::mutex m;
    std::vector<std::string> lines;
    void add(std::string line) {
        std::lock_guard l(m);
        lines.push_back(std::move(line));
    }
    std::vector<std::string> take() {
        std::lock_guard l(m);
        return std::exchange(lines, {});
    }
};

class TestSink : public TPNPin {
public:
    TestSink(std::string name, Log& log, std::vector<TGUID> accepts, TComponent* owner = nullptr,
             std::shared_ptr<IPNLock> ownerLock = {})
        : TPNPin(owner, std::move(ownerLock)), name_(std::move(name)), log_(log) {
        for (const auto& id : accepts) DeclareInterface(id);
    }
    TPNPinType GetPinType() const override { return TPNPinType::ptSink; }
    void IntDisconnect(TPNBasicPin&, bool) override { ++unlinked; }
    void PinDeletedNotify(TPNBasicPin& pin) override {
        std::lock_guard l(m_);
        deleted.push_back(&pin);
    }
    virtual bool Receive(TPNNotifyStates states, const IPNNotifyOperation& op) {
        log_.add(name_ + "/" + std::to_string(states.marker()));
        return onReceive ? onReceive(op) : true;
    }

    std::function<bool(const IPNNotifyOperation&)> onReceive;
    std::atomic<int> unlinked{0};
    std::vector<TPNBasicPin*> deleted;

private:
    std::mutex m_;
    std::string name_;
    Log& log_;
};

inline TPNSubmitFunction handTo() {
    return [](TPNBasicPin& receiver, const TGUID&, TPNNotifyStates states, const IPNNotifyOperation& op) {
        return static_cast<TestSink&>(receiver).Receive(states, op);
    };
}

inline PNOwned<TPNSourcePin> makeSource(std::vector<TGUID> types, TComponent* owner = nullptr,
                                        std::shared_ptr<IPNLock> ownerLock = {}, int maxConnections = 0) {
    auto source = PNMakePin<TPNSourcePin>(owner, std::move(ownerLock), nullptr, maxConnections);
    for (const auto& id : types) source->AddType(id, handTo());
    return source;
}

// kA in, kC out: whatever reaches the input goes on through the output.
class TestConverter : public IPNFormatConverter {
public:
    explicit TestConverter(Log& log) {
        ++made;
        in_ = PNMakePin<Input>(*this, log);
        out_ = makeSource({kC});
    }
    TPNPin& InputPin() override { return *in_; }
    TPNSourcePin& OutputPin() override { return *out_; }
    static inline std::atomic<int> made{0};
    static inline Log* log = nullptr;

private:
    struct Input : TestSink {
        Input(TestConverter& c, Log& log) : TestSink("conv", log, {kA}), c_(c) {}
        bool Receive(TPNNotifyStates states, const IPNNotifyOperation& op) override {
            TestSink::Receive(states, op);
            return c_.OutputPin().Notify(op);
        }
        TestConverter& c_;
    };
    PNOwned<TPNSourcePin> out_;
    PNOwned<Input> in_;
};

inline const TPNFormatConverterClass kAtoC{
    "AtoC", [] { return std::shared_ptr<IPNFormatConverter>(std::make_shared<TestConverter>(*TestConverter::log)); }};

}  // namespace pintest
