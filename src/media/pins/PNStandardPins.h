#pragma once
// The standard scalar pins: a clock source, sources that publish one
// floating-point value, sinks that receive one scalar value and report it
// through a data-change callback, and the format converters between scalar
// types. A pin takes a stream type's operations when it gives that type's
// interface (DeclareInterface); they then reach it through DispatchData.
//
// Callbacks run on the delivering thread without any pin lock held; the
// stored value is read under the pin's lock.

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNSinkPin.h"
#include "media/pins/PNStandardOperations.h"

namespace oculon::pins {

// Registers the standard stream types, the default handler and the scalar
// converters, once per filling of the registries (PNRegisterOnce). Every
// standard pin calls it when made.
void PNInitStandardStreams();

// The registry's handler for kPNDefaultDataNotification: the operation goes
// to a receiver that gives that interface; false otherwise.
bool PNDefaultDataNotificationHandler(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                      const IPNNotifyOperation& op);

// `op` to `pin` as an operation of type `id`, when the pin gives that
// interface; the pin's answer, else false.
bool PNDeliverAs(TPNBasicPin& pin, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op);

// A source of clock ticks: passes every operation to sinks that give the
// "Clock" interface. Operations sent up by its sinks go to `pinNotification`.
class TPNClockSourcePin : public TPNSourcePin {
public:
    TPNClockSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction pinNotification = {},
                      std::shared_ptr<IPNLock> inputOwnerLock = {}, int maxConnections = 0);
    // Always false: a tick is never taken.
    virtual bool ClockNotification(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                   const IPNNotifyOperation& op);
};

// A source that publishes one value. A sink newly linked is sent the current
// value instead of the notice of the link; other operations pass unchanged,
// but a real value going to a "Float" sink is rounded to single precision.
// `notification`, when set, takes over every delivery to a sink.
class TPNValueSourcePin : public TPNClockSourcePin {
public:
    // Serves the first of `served` that the sink gives, adding `types` after "Clock".
    TPNValueSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification,
                      std::initializer_list<TGUID> types, std::initializer_list<TGUID> served);
    virtual bool Notification(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op);

protected:
    double value();
    void setValue(double value);
    // The operation that brings a sink of `type` the current value.
    virtual IPNNotifyOperation ValueOperation(const TGUID& type);

    double FValue = 0;
    double FMin = 0;
    double FMax = 0;

private:
    const TPNSubmitFunction FPinNotificationEvent;
    const std::vector<TGUID> served_;
};

class TPNFloatSourcePin : public TPNValueSourcePin {
public:
    TPNFloatSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification = {});
    float Value() { return static_cast<float>(value()); }
    void SetValue(float v) { setValue(v); }
};

class TPNRealSourcePin : public TPNValueSourcePin {
public:
    TPNRealSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification = {});
    double Value() { return value(); }
    void SetValue(double v) { setValue(v); }
};

class TPNRealRangedSourcePin : public TPNValueSourcePin {
public:
    TPNRealRangedSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification = {});
    double Value() { return value(); }
    void SetValue(double v) { setValue(v); }
    double Min();
    double Max();
    void SetRange(double min, double max);
};

// Base of the scalar sinks: the last value received, and the callback told
// of it. DispatchData always answers false.
template <typename T>
class TPNValueSinkPin : public TPNSinkPin {
public:
    using ValueType = T;
    using TDataChange = std::function<void(TPNSinkPin& pin, T value)>;

    T Value() {
        auto r = ReadLock();
        return FValue;
    }

protected:
    TPNValueSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TDataChange onDataChange, void* customData,
                    std::initializer_list<TGUID> types)
        : TPNSinkPin(owner, std::move(lock)), FOnDataChange(std::move(onDataChange)) {
        PNInitStandardStreams();
        FCustomData = customData;
        for (const TGUID& id : types) {
            AddType(id, PNDispatchDataHandler());
            DeclareInterface(id);
        }
    }
    bool Store(T value) {
        {
            auto w = WriteLock();
            if (!w) return false;
            FValue = value;
        }
        if (FOnDataChange) FOnDataChange(*this, std::move(value));
        return false;
    }

    T FValue{};
    const TDataChange FOnDataChange;
};

// A sink of one operation class `Op`, on the stream types `Types`.
template <typename Op, const TGUID&... Types>
class TPNScalarSinkPin : public TPNValueSinkPin<typename Op::ValueType> {
    using Base = TPNValueSinkPin<typename Op::ValueType>;

public:
    TPNScalarSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, typename Base::TDataChange onDataChange = {},
                     void* customData = nullptr)
        : Base(owner, std::move(lock), std::move(onDataChange), customData, {Types...}) {}
    bool DispatchData(const TGUID&, TPNNotifyStates, const IPNNotifyOperation& op) override {
        if (const auto* o = PNOperationAs<Op>(op)) return this->Store(o->Value);
        return false;
    }
};

using TPNFloatSinkPin = TPNScalarSinkPin<TPNSuppliedSingleOperation, kPNStreamFloat>;
using TPNStringSinkPin = TPNScalarSinkPin<TPNSuppliedStringOperation, kPNStreamString>;
using TPNBoolSinkPin = TPNScalarSinkPin<TPNSuppliedBoolOperation, kPNStreamBoolean>;
using TPNIntegerSinkPin = TPNScalarSinkPin<TPNSuppliedIntegerOperation, kPNStreamInteger>;
using TPNInt64SinkPin = TPNScalarSinkPin<TPNSuppliedInt64Operation, kPNStreamInt64>;
using TPNDateTimeSinkPin = TPNScalarSinkPin<TPNSuppliedDateTimeOperation, kPNStreamDateTime>;

// Takes real values, and single-precision ones widened.
class TPNRealSinkPin : public TPNValueSinkPin<double> {
public:
    TPNRealSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TDataChange onDataChange = {},
                   void* customData = nullptr);
    bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) override;
};

// An integer with its range: a value with range, a range alone, or a plain
// value (reported with the range stored before, `withRange` false).
template <typename T, typename ValueRangeOp, typename RangeOp, typename PlainOp, const TGUID& Ranged,
          const TGUID& Plain>
class TPNRangedSinkPin : public TPNValueSinkPin<T> {
    using Base = TPNValueSinkPin<T>;

public:
    using TDataChange = std::function<void(TPNSinkPin& pin, T value, T min, T max, bool withRange)>;
    using TRangeChange = std::function<void(TPNSinkPin& pin, T min, T max)>;

    TPNRangedSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TDataChange onDataChange = {},
                     TRangeChange onRangeChange = {}, void* customData = nullptr)
        : Base(owner, std::move(lock), {}, customData, {Ranged, Plain}),
          FOnDataChange(std::move(onDataChange)),
          FOnRangeChange(std::move(onRangeChange)) {}

    T Min() {
        auto r = this->ReadLock();
        return FMin;
    }
    T Max() {
        auto r = this->ReadLock();
        return FMax;
    }

    bool DispatchData(const TGUID&, TPNNotifyStates, const IPNNotifyOperation& op) override {
        T value{}, min{}, max{};
        bool withRange = true;
        {
            auto w = this->WriteLock();
            if (!w) return false;
            if (const auto* o = PNOperationAs<ValueRangeOp>(op)) {
                value = this->FValue = o->Value;
                min = FMin = o->Min;
                max = FMax = o->Max;
            } else if (const auto* r = PNOperationAs<RangeOp>(op)) {
                min = FMin = r->Min;
                max = FMax = r->Max;
                w.release();
                if (FOnRangeChange) FOnRangeChange(*this, min, max);
                return false;
            } else if (const auto* p = PNOperationAs<PlainOp>(op)) {
                value = this->FValue = p->Value;
                min = FMin;
                max = FMax;
                withRange = false;
            } else {
                return false;
            }
        }
        if (FOnDataChange) FOnDataChange(*this, value, min, max, withRange);
        return false;
    }

private:
    T FMin{};
    T FMax{};
    const TDataChange FOnDataChange;
    const TRangeChange FOnRangeChange;
};

using TPNIntAndRangedSinkPin =
    TPNRangedSinkPin<std::int32_t, TPNSuppliedIntValueRangeOperation, TPNSuppliedIntRangeOperation,
                     TPNSuppliedIntegerOperation, kPNStreamRangedInteger, kPNStreamInteger>;
using TPNInt64AndRangedSinkPin =
    TPNRangedSinkPin<std::int64_t, TPNSuppliedInt64ValueRangeOperation, TPNSuppliedInt64RangeOperation,
                     TPNSuppliedInt64Operation, kPNStreamRangedInt64, kPNStreamInt64>;

// A converter whose input is a scalar sink: each value it receives goes on
// through the output as the operation Convert::Operation makes of it.
template <typename Input, typename Output, typename Convert>
class TPNScalarFormatConverter : public TPNFormatConverter {
public:
    TPNScalarFormatConverter() {
        auto output = PNMakePin<Output>(this, Lock());
        auto input = PNMakePin<Input>(this, Lock(), [this](TPNSinkPin&, auto... v) { this->SinkOperationEvent(v...); });
        CreateEx(std::move(input), std::move(output));
    }
    template <typename... V>
    bool SinkOperationEvent(V... v) {
        return OutputPin().Notify(Convert::Operation(v...));
    }

    static inline const TPNFormatConverterClass Class{Convert::Name, []() -> std::shared_ptr<IPNFormatConverter> {
                                                          return std::make_shared<TPNScalarFormatConverter>();
                                                      }};
};

namespace detail {
template <typename Op>
struct ToOperation {
    template <typename V>
    static IPNNotifyOperation Operation(V v) {
        return std::make_shared<Op>(static_cast<typename Op::ValueType>(v));
    }
};
// With its range a real value with range, else a single-precision value.
struct ToRangedReal {
    template <typename V>
    static IPNNotifyOperation Operation(V v, V min, V max, bool withRange) {
        if (withRange)
            return std::make_shared<TPNSuppliedRealValueRangeOperation>(
                static_cast<double>(v), static_cast<double>(min), static_cast<double>(max));
        return std::make_shared<TPNSuppliedSingleOperation>(static_cast<float>(v));
    }
};
template <typename Base, const char* N>
struct Named : Base {
    static constexpr const char* Name = N;
};
inline constexpr char kIntToFloat[] = "TPNIntToFloatFormatConverter";
inline constexpr char kIntToReal[] = "TPNIntToRealFormatConverter";
inline constexpr char kInt64ToFloat[] = "TPNInt64ToFloatFormatConverter";
inline constexpr char kInt64ToReal[] = "TPNInt64ToRealFormatConverter";
inline constexpr char kFloatToReal[] = "TPNFloatToRealFormatConverter";
inline constexpr char kIntToRealRanged[] = "TPNIntToRealRangedFormatConverter";
inline constexpr char kInt64ToRealRanged[] = "TPNInt64ToRealRangedFormatConverter";
}  // namespace detail

using TPNIntToFloatFormatConverter =
    TPNScalarFormatConverter<TPNIntegerSinkPin, TPNFloatSourcePin,
                             detail::Named<detail::ToOperation<TPNSuppliedSingleOperation>, detail::kIntToFloat>>;
using TPNIntToRealFormatConverter =
    TPNScalarFormatConverter<TPNIntegerSinkPin, TPNRealSourcePin,
                             detail::Named<detail::ToOperation<TPNSuppliedRealOperation>, detail::kIntToReal>>;
using TPNInt64ToFloatFormatConverter =
    TPNScalarFormatConverter<TPNInt64SinkPin, TPNFloatSourcePin,
                             detail::Named<detail::ToOperation<TPNSuppliedSingleOperation>, detail::kInt64ToFloat>>;
using TPNInt64ToRealFormatConverter =
    TPNScalarFormatConverter<TPNInt64SinkPin, TPNRealSourcePin,
                             detail::Named<detail::ToOperation<TPNSuppliedRealOperation>, detail::kInt64ToReal>>;
using TPNFloatToRealFormatConverter =
    TPNScalarFormatConverter<TPNFloatSinkPin, TPNRealSourcePin,
                             detail::Named<detail::ToOperation<TPNSuppliedRealOperation>, detail::kFloatToReal>>;
using TPNIntToRealRangedFormatConverter =
    TPNScalarFormatConverter<TPNIntAndRangedSinkPin, TPNRealRangedSourcePin,
                             detail::Named<detail::ToRangedReal, detail::kIntToRealRanged>>;
using TPNInt64ToRealRangedFormatConverter =
    TPNScalarFormatConverter<TPNInt64AndRangedSinkPin, TPNRealRangedSourcePin,
                             detail::Named<detail::ToRangedReal, detail::kInt64ToRealRanged>>;

}  // namespace oculon::pins
