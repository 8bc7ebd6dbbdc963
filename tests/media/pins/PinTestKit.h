#pragma once
// Pins for the pin tests: a sink that accepts given stream types and logs
// what reaches it, a source that logs what comes back up to it, and
// converters from one type to another on the converter base.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNPins.h"
#include "media/pins/PNRegistry.h"
#include "media/pins/PNSinkPin.h"

namespace pintest {

using namespace oculon::pins;

constexpr TGUID kA = PNGuid("{A0000000-0000-0000-0000-00000000000A}");
constexpr TGUID kB = PNGuid("{B0000000-0000-0000-0000-00000000000B}");
constexpr TGUID kC = PNGuid("{C0000000-0000-0000-0000-00000000000C}");
constexpr TGUID kD = PNGuid("{D0000000-0000-0000-0000-00000000000D}");

// The receivers' log, "name/marker" per delivery ("name^marker" upwards).
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

class TestSink : public TPNSinkPin {
public:
    TestSink(std::string name, Log& log, std::vector<TGUID> accepts, TComponent* owner = nullptr,
             std::shared_ptr<IPNLock> ownerLock = {})
        : TPNSinkPin(owner, std::move(ownerLock)), name_(std::move(name)), log_(log) {
        for (const auto& id : accepts) {
            AddType(id, PNDispatchDataHandler());
            DeclareInterface(id);
        }
    }
    // The sink stops taking `id` (its links keep their type until negotiated again).
    void Drop(const TGUID& id) {
        RemoveType(id);
        WithdrawInterface(id);
    }
    void IntDisconnect(TPNBasicPin& pin, bool keep, std::uint64_t link) override {
        ++unlinked;
        TPNSinkPin::IntDisconnect(pin, keep, link);
    }
    void PinDeletedNotify(TPNBasicPin& pin) override {
        {
            std::lock_guard l(m_);
            deleted.push_back(&pin);
        }
        if (onDeleted) onDeleted(pin);
        TPNSinkPin::PinDeletedNotify(pin);
    }
    void PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) override {
        ++replaced;
        TPNSinkPin::PinReplacedNotify(oldPin, newPin);
    }
    bool DispatchData(const TGUID&, TPNNotifyStates states, const IPNNotifyOperation& op) override {
        log_.add(name_ + "/" + std::to_string(states.marker()));
        return onReceive ? onReceive(op) : true;
    }

    std::function<bool(const IPNNotifyOperation&)> onReceive;
    std::function<void(TPNBasicPin&)> onDeleted;
    std::atomic<int> unlinked{0};
    std::vector<TPNBasicPin*> deleted;
    std::atomic<int> replaced{0};  // placeholders handed over

private:
    std::mutex m_;
    std::string name_;
    Log& log_;
};

class TestSource : public TPNSourcePin {
public:
    TestSource(std::string name, Log& log, std::vector<TGUID> types, TComponent* owner = nullptr,
               std::shared_ptr<IPNLock> ownerLock = {}, int maxConnections = 0)
        : TPNSourcePin(owner, std::move(ownerLock), nullptr, maxConnections), name_(std::move(name)), log_(log) {
        for (const auto& id : types) {
            AddType(id, PNDispatchDataHandler());
            DeclareInterface(id);  // takes operations of its types from its sinks
        }
    }
    bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) override {
        if (TPNSourcePin::DispatchData(id, states, op)) return true;
        log_.add(name_ + "^" + std::to_string(states.marker()));
        return true;
    }

private:
    std::string name_;
    Log& log_;
};

inline Log& sharedLog() {
    static Log log;
    return log;
}

inline PNOwned<TestSource> makeSource(std::vector<TGUID> types, TComponent* owner = nullptr,
                                      std::shared_ptr<IPNLock> ownerLock = {}, int maxConnections = 0,
                                      Log& log = sharedLog()) {
    return PNMakePin<TestSource>("src", log, std::move(types), owner, std::move(ownerLock), maxConnections);
}

// `in` in, `out` out: whatever reaches the input goes on through the output.
class TestConverter : public TPNFormatConverter {
public:
    TestConverter(Log& log, TGUID in, TGUID out) {
        ++made;
        ++alive;
        CreateEx(PNMakePin<Input>(*this, log, in),
                 PNMakePin<TestSource>("convout", log, std::vector{out}, this, Lock()));
    }
    ~TestConverter() override { --alive; }
    static inline std::atomic<int> made{0};
    static inline std::atomic<int> alive{0};
    static inline Log* log = &sharedLog();

private:
    struct Input : TestSink {
        Input(TestConverter& c, Log& log, TGUID in) : TestSink("conv", log, {in}, &c, c.Lock()), c_(c) {}
        bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) override {
            TestSink::DispatchData(id, states, op);
            return c_.OutputPin().Notify(op);
        }
        TestConverter& c_;
    };
};

template <const TGUID& In, const TGUID& Out>
std::shared_ptr<IPNFormatConverter> makeConverter() {
    return std::make_shared<TestConverter>(*TestConverter::log, In, Out);
}

inline const TPNFormatConverterClass kAtoC{"AtoC", makeConverter<kA, kC>};

}  // namespace pintest
