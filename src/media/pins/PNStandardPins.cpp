#include "media/pins/PNStandardPins.h"

#include "media/pins/PNRegistry.h"

namespace oculon::pins {

namespace {

void registerStandardStreams() {
    const std::pair<TGUID, const char*> streams[] = {
        {kPNStreamClock, "Clock"},
        {kPNStreamInteger, "32 bit Integer"},
        {kPNStreamInt64, "64 bit Integer"},
        {kPNStreamFloat, "Float"},
        {kPNStreamReal, "Real"},
        {kPNStreamRealComplex, "Real Complex"},
        {kPNStreamBoolean, "Boolean"},
        {kPNStreamCharacter, "Character"},
        {kPNStreamString, "Sting"},
        {kPNStreamRangedInteger, "Ranged 32 bit Integer"},
        {kPNStreamRangedInt64, "Ranged 64 bit Integer"},
        {kPNStreamRangedReal, "Ranged Real"},
        {kPNStreamDateTime, "Date/Time"},
    };
    for (const auto& [id, name] : streams) PNRegisterStream(id, name);
    PNRegisterDefaultHandler(kPNDefaultDataNotification, PNDefaultDataNotificationHandler);
    PNRegisterStream(kPNStreamGraphSync, "DirectShow Graph synchronization");

    PNRegisterTypeConverter(kPNStreamInteger, kPNStreamFloat, &TPNIntToFloatFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamInteger, kPNStreamReal, &TPNIntToRealFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamInt64, kPNStreamFloat, &TPNInt64ToFloatFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamInt64, kPNStreamReal, &TPNInt64ToRealFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamFloat, kPNStreamReal, &TPNFloatToRealFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamRangedInteger, kPNStreamRangedReal, &TPNIntToRealRangedFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamRangedInt64, kPNStreamRangedReal, &TPNInt64ToRealRangedFormatConverter::Class);
}

}  // namespace

void PNInitStandardStreams() { PNRegisterOnce(registerStandardStreams); }

bool PNDeliverAs(TPNBasicPin& pin, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
    return PNSupported(pin.RequestInterface(id)) && pin.DispatchData(id, states, op);
}

bool PNDefaultDataNotificationHandler(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                      const IPNNotifyOperation& op) {
    return PNSupported(receiver.RequestInterface(kPNDefaultDataNotification)) && receiver.DispatchData(id, states, op);
}

// ---- sources

TPNClockSourcePin::TPNClockSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock,
                                     TPNSubmitFunction pinNotification, std::shared_ptr<IPNLock> inputOwnerLock,
                                     int maxConnections)
    : TPNSourcePin(owner, std::move(lock), std::move(inputOwnerLock), maxConnections) {
    PNInitStandardStreams();
    SetPinNotificationEvent(std::move(pinNotification));
    AddType(kPNStreamClock, [this](TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                   const IPNNotifyOperation& op) { return ClockNotification(sink, id, states, op); });
    DeclareInterface(kPNStreamClock);
}

bool TPNClockSourcePin::ClockNotification(TPNBasicPin& sink, const TGUID&, TPNNotifyStates states,
                                          const IPNNotifyOperation& op) {
    PNDeliverAs(sink, kPNStreamClock, states, op);
    return false;
}

TPNValueSourcePin::TPNValueSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification,
                                     std::initializer_list<TGUID> types, std::initializer_list<TGUID> served)
    : TPNClockSourcePin(owner, std::move(lock)), FPinNotificationEvent(std::move(notification)), served_(served) {
    for (const TGUID& id : types)
        AddType(id, [this](TPNBasicPin& sink, const TGUID& type, TPNNotifyStates states, const IPNNotifyOperation& op) {
            return Notification(sink, type, states, op);
        });
}

double TPNValueSourcePin::value() {
    auto r = ReadLock();
    return FValue;
}

void TPNValueSourcePin::setValue(double value) {
    auto w = WriteLock();
    if (w) FValue = value;
}

IPNNotifyOperation TPNValueSourcePin::ValueOperation(const TGUID& type) {
    auto r = ReadLock();
    if (type == kPNStreamFloat) return std::make_shared<TPNSuppliedSingleOperation>(static_cast<float>(FValue));
    if (type == kPNStreamRangedReal) return std::make_shared<TPNSuppliedRealValueRangeOperation>(FValue, FMin, FMax);
    return std::make_shared<TPNSuppliedRealOperation>(FValue);
}

bool TPNValueSourcePin::Notification(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                     const IPNNotifyOperation& op) {
    const TGUID* type = nullptr;
    for (const TGUID& t : served_) {
        if (PNSupported(sink.RequestInterface(t))) {
            type = &t;
            break;
        }
    }
    if (!type) return false;
    if (FPinNotificationEvent) return FPinNotificationEvent(sink, id, states, op);
    if (states.contains(nsNewLink)) {
        sink.DispatchData(*type, states, ValueOperation(*type));
    } else if (const auto* real = PNOperationAs<TPNSuppliedRealOperation>(op); real && *type == kPNStreamFloat) {
        sink.DispatchData(*type, states, std::make_shared<TPNSuppliedSingleOperation>(static_cast<float>(real->Value)));
    } else {
        sink.DispatchData(*type, states, op);
    }
    return false;
}

TPNFloatSourcePin::TPNFloatSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification)
    : TPNValueSourcePin(owner, std::move(lock), std::move(notification), {kPNStreamFloat}, {kPNStreamFloat}) {}

TPNRealSourcePin::TPNRealSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock, TPNSubmitFunction notification)
    : TPNValueSourcePin(owner, std::move(lock), std::move(notification), {kPNStreamFloat, kPNStreamReal},
                        {kPNStreamReal, kPNStreamFloat}) {}

TPNRealRangedSourcePin::TPNRealRangedSourcePin(TComponent* owner, std::shared_ptr<IPNLock> lock,
                                               TPNSubmitFunction notification)
    : TPNValueSourcePin(owner, std::move(lock), std::move(notification),
                        {kPNStreamFloat, kPNStreamReal, kPNStreamRangedReal},
                        {kPNStreamReal, kPNStreamFloat, kPNStreamRangedReal}) {}

double TPNRealRangedSourcePin::Min() {
    auto r = ReadLock();
    return FMin;
}

double TPNRealRangedSourcePin::Max() {
    auto r = ReadLock();
    return FMax;
}

void TPNRealRangedSourcePin::SetRange(double min, double max) {
    auto w = WriteLock();
    if (!w) return;
    FMin = min;
    FMax = max;
}

// ---- sinks

TPNRealSinkPin::TPNRealSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TDataChange onDataChange,
                               void* customData)
    : TPNValueSinkPin(owner, std::move(lock), std::move(onDataChange), customData, {kPNStreamReal, kPNStreamFloat}) {}

bool TPNRealSinkPin::DispatchData(const TGUID&, TPNNotifyStates, const IPNNotifyOperation& op) {
    if (const auto* real = PNOperationAs<TPNSuppliedRealOperation>(op)) return Store(real->Value);
    if (const auto* single = PNOperationAs<TPNSuppliedSingleOperation>(op)) return Store(single->Value);
    return false;
}

}  // namespace oculon::pins
