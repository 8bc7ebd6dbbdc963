#pragma once
// The stream types every media component shares and the small operations
// that travel on them: clock ticks, stream start and stop, pump requests and
// supplied scalar values. A receiver tells them apart by class
// (dynamic_cast), so a derived operation also answers for its bases: a
// start with a rate is a start, every supplied value is a clock tick.

#include <cstdint>
#include <string>
#include <utility>

#include "media/pins/PNGuid.h"
#include "media/pins/PNOperations.h"

namespace oculon::pins {

// The standard stream types; their names are registered as they stand,
// "Sting" included (stored forms carry it).
inline constexpr TGUID kPNStreamClock = PNGuid("{48CDAF9F-00C7-4B45-999D-4EE25353A952}");
inline constexpr TGUID kPNStreamInteger = PNGuid("{92F6B47E-B46E-49BB-9A8E-676D3C2F2E66}");
inline constexpr TGUID kPNStreamInt64 = PNGuid("{6D054E38-F733-4212-8D5A-0E866802F866}");
inline constexpr TGUID kPNStreamFloat = PNGuid("{67F6997B-7EB4-4E2F-8320-4A512B5F2BC7}");
inline constexpr TGUID kPNStreamReal = PNGuid("{208F9564-3C20-4C97-BB77-2FC5AE6E4194}");
inline constexpr TGUID kPNStreamRealComplex = PNGuid("{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
inline constexpr TGUID kPNStreamBoolean = PNGuid("{7AA677AE-F983-4714-8E64-EC6F3D17695B}");
inline constexpr TGUID kPNStreamCharacter = PNGuid("{3241B885-95E1-495F-ACEC-4A1C98872B63}");
inline constexpr TGUID kPNStreamString = PNGuid("{25C048B4-89D4-4277-AA98-A835EB29F5C1}");
inline constexpr TGUID kPNStreamRangedInteger = PNGuid("{836EE1EA-B8BD-4E04-8225-6AB547D1A3C4}");
inline constexpr TGUID kPNStreamRangedInt64 = PNGuid("{B201C2F8-CA4D-4CF3-8E6D-E620D2B9D7EF}");
inline constexpr TGUID kPNStreamRangedReal = PNGuid("{648AC95D-2772-427C-AD9D-2B7F1EDDE1A7}");
inline constexpr TGUID kPNStreamDateTime = PNGuid("{475D7D8B-4796-42A5-8F8E-B512B8FD2704}");
inline constexpr TGUID kPNStreamGraphSync = PNGuid("{3E151076-1292-4D90-ABDD-C53040C95ABC}");
// A pin that gives this interface takes any type the registry sends it
// through PNDefaultDataNotificationHandler.
inline constexpr TGUID kPNDefaultDataNotification = PNGuid("{CFDF94D7-5134-49D9-AC65-902BBC1CD140}");

class TPNClockOperation : public TPNNotifyOperation {};
class TPNSuppliedOperation : public TPNClockOperation {};

class TPNStartOperation : public TPNNotifyOperation {};
class TPNStartRateOperation : public TPNStartOperation {
public:
    explicit TPNStartRateOperation(float rate) : Rate(rate) {}
    const float Rate;
};
class TPNStopOperation : public TPNNotifyOperation {};
class TPNQueryStreamOperation : public TPNNotifyOperation {};

enum class TPNPumpType : std::uint8_t { ptNone, ptSlave, ptMaster, ptHardware };
// Asks upstream for a pump; the fields are filled by whoever answers.
class TPNPumpRequestOperation : public TPNNotifyOperation {
public:
    void* Pump = nullptr;  // the answering object; not owned
    TPNPumpType PumpType = TPNPumpType::ptNone;
    std::int32_t PumpPriority = 0;
    float DesiredRate = 0;
};

// A supplied value of type T.
template <typename T>
class TPNSuppliedValueOperation : public TPNSuppliedOperation {
public:
    using ValueType = T;
    explicit TPNSuppliedValueOperation(T value) : Value(std::move(value)) {}
    const T Value;
};
// A value with the range it lies in.
template <typename Base>
class TPNSuppliedValueRange : public Base {
public:
    using typename Base::ValueType;
    TPNSuppliedValueRange(ValueType value, ValueType min, ValueType max) : Base(value), Min(min), Max(max) {}
    const ValueType Min;
    const ValueType Max;
};
// Only the range changed.
template <typename T>
class TPNSuppliedRange : public TPNSuppliedOperation {
public:
    using ValueType = T;
    TPNSuppliedRange(T min, T max) : Min(min), Max(max) {}
    const T Min;
    const T Max;
};

class TPNSuppliedSingleOperation : public TPNSuppliedValueOperation<float> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
class TPNSuppliedRealOperation : public TPNSuppliedValueOperation<double> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
class TPNSuppliedStringOperation : public TPNSuppliedValueOperation<std::string> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
class TPNSuppliedBoolOperation : public TPNSuppliedValueOperation<bool> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
class TPNSuppliedIntegerOperation : public TPNSuppliedValueOperation<std::int32_t> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
class TPNSuppliedInt64Operation : public TPNSuppliedValueOperation<std::int64_t> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
// Days since 30 December 1899, the fraction the time of day.
class TPNSuppliedDateTimeOperation : public TPNSuppliedValueOperation<double> {
public:
    using TPNSuppliedValueOperation::TPNSuppliedValueOperation;
};
class TPNSuppliedRealValueRangeOperation : public TPNSuppliedValueRange<TPNSuppliedRealOperation> {
public:
    using TPNSuppliedValueRange::TPNSuppliedValueRange;
};
class TPNSuppliedIntValueRangeOperation : public TPNSuppliedValueRange<TPNSuppliedIntegerOperation> {
public:
    using TPNSuppliedValueRange::TPNSuppliedValueRange;
};
class TPNSuppliedInt64ValueRangeOperation : public TPNSuppliedValueRange<TPNSuppliedInt64Operation> {
public:
    using TPNSuppliedValueRange::TPNSuppliedValueRange;
};
class TPNSuppliedIntRangeOperation : public TPNSuppliedRange<std::int32_t> {
public:
    using TPNSuppliedRange::TPNSuppliedRange;
};
class TPNSuppliedInt64RangeOperation : public TPNSuppliedRange<std::int64_t> {
public:
    using TPNSuppliedRange::TPNSuppliedRange;
};

// The operation behind `op` as a T, or null.
template <typename T>
T* PNOperationAs(const IPNNotifyOperation& op) {
    return dynamic_cast<T*>(op.get());
}

}  // namespace oculon::pins
