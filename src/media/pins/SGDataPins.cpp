#include "media/pins/SGDataPins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <span>

#include "media/pins/PNRegistry.h"
#include "media/pins/SGComplexBuffer.h"
#include "media/pins/SGErrors.h"
#include "media/pins/SGIntegerBuffer.h"
#include "media/pins/SGRealBuffer.h"
#include "media/pins/SGRealMatrixBuffer.h"
#include "platform/Log.h"

namespace oculon::pins {

// ---- TCBBufferPair

ISGDataBuffer TCBBufferPair::GetBuffer(std::size_t index) const {
    if (index >= FList.size()) throw ERangeError(kIndexOutOfRange, index);
    ISGDataBuffer buffer = SGDataBuffer(FList[index]);
    if (!buffer) throw EIntfCastError();
    return buffer;
}

void TCBBufferPair::SetBuffer(std::size_t index, ISGData buffer) {
    if (index >= FList.size()) throw ERangeError(kIndexOutOfRange, index);
    FList[index] = std::move(buffer);
}

void TCBBufferPair::AddBuffer(ISGData buffer) { FList.push_back(std::move(buffer)); }

// ---- the channel-container registry

namespace {

struct ChannelTypes {
    std::mutex m;
    std::vector<TSGPNStreamTypeRecord> records;
};

ChannelTypes& channelTypes() {
    static ChannelTypes c;
    return c;
}

ISGData createBlock(std::uint32_t n) { return TSGBlockBuffer::CreateSize(n); }
ISGData createReal(std::uint32_t n) { return TSGRealBuffer::CreateSize(n); }
ISGData createInteger(std::uint32_t n) { return TSGIntegerBuffer::CreateSize(n); }
ISGData createComplex(std::uint32_t n) { return TSGComplexBuffer::CreateSize(n); }
void updateNothing(const ISGData&) {}

bool newLink(TPNNotifyStates states) { return states.contains(nsNewLink); }

// The source pins linking from their own side on this thread, innermost last.
thread_local std::vector<const TSGPNSourcePin*> connectingAfter;

// The operation event of a converter's output pin: up through the converter.
TSGPNOperationEvent converterOperationEvent(TComponent* owner) {
    auto* converter = dynamic_cast<TPNFormatConverter*>(owner);
    if (!converter) return {};
    return [converter](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
        return converter->SourceOperationEvent(op);
    };
}

// `op` to a data pin, as an operation of type `id`.
bool dispatchTo(TPNBasicPin& pin, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
    return PNSupported(pin.RequestInterface(kSGDispatchData)) && pin.DispatchData(id, states, op);
}

void registerDataStreams() {
    PNInitStandardStreams();
    const std::pair<TGUID, const char*> streams[] = {
        {kSGStreamBinary, "SG binary buffer"},       {kSGStreamReal, "SG real buffer"},
        {kSGStreamInteger, "SG integer buffer"},     {kSGStreamComplex, "SG complex buffer"},
        {kSGStreamUniversal, "SG Universal buffer"}, {kSGStreamGeneric, "SG Generic buffer"},
        {kSGStreamPaired, "SG Paired Buffers"},      {kSGStreamString, "SG String"},
        {kSGStreamRealMatrix, "SG Real Matrix"},     {kSGStreamUserControl, "User control"},
    };
    for (const auto& [id, name] : streams) PNRegisterStream(id, name);

    SGPNRegisterStreamType(kSGStreamGeneric, 1, createBlock, updateNothing);
    SGPNRegisterStreamType(kSGStreamBinary, 1, createBlock, updateNothing);
    SGPNRegisterStreamType(kSGStreamReal, 8, createReal, updateNothing);
    SGPNRegisterStreamType(kSGStreamInteger, 4, createInteger, updateNothing);
    SGPNRegisterStreamType(kSGStreamComplex, 16, createComplex, updateNothing);

    for (const TGUID& id : {kSGStreamBinary, kSGStreamReal, kSGStreamInteger, kSGStreamComplex, kSGStreamString,
                            kSGStreamGeneric, kSGStreamPaired, kSGStreamRealMatrix})
        PNRegisterDefaultHandler(id, DefaultSLChannelNotificationHandler);

    PNRegisterTypeConverter(kSGStreamInteger, kSGStreamBinary, &TSGPNIntToBinaryFormatConverter::Class);
    PNRegisterTypeConverter(kSGStreamReal, kSGStreamBinary, &TSGPNRealToBinaryFormatConverter::Class);
    PNRegisterTypeConverter(kSGStreamComplex, kSGStreamBinary, &TSGPNComplexToBinaryFormatConverter::Class);
    PNRegisterTypeConverter(kSGStreamInteger, kSGStreamReal, &TSGPNIntToRealFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamDateTime, kSGStreamString, &TSGPNTimeToStringFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamInteger, kSGStreamString, &TSGPNIntegerToStringFormatConverter::Class);
    PNRegisterTypeConverter(kPNStreamReal, kSGStreamString, &TSGPNRealToStringFormatConverter::Class);
    PNRegisterTypeConverter(kSGStreamReal, kSGStreamRealMatrix, &TSGPNRealToRealMatrixFormatConverter::Class);
}

}  // namespace

void SGPNRegisterStreamType(const TGUID& id, std::uint32_t elementSize, TSGPNCreateContainer create,
                            TSGPNUpdateContainer update) {
    auto& c = channelTypes();
    std::lock_guard l(c.m);
    for (auto& r : c.records) {
        if (r.ID == id) {
            r.Create = create;
            r.Update = update;
            return;
        }
    }
    c.records.push_back({id, elementSize, create, update});
}

std::optional<TSGPNStreamTypeRecord> SGPNGetStreamType(const TGUID& id) {
    auto& c = channelTypes();
    std::lock_guard l(c.m);
    for (const auto& r : c.records)
        if (r.ID == id) return r;
    return std::nullopt;
}

void SGPNInitDataStreams() { PNRegisterOnce(registerDataStreams); }

bool DefaultSLChannelNotificationHandler(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                         const IPNNotifyOperation& op) {
    if (newLink(states)) return false;
    if (const auto* start = PNOperationAs<TPNStartSampleRateOperation>(op)) {
        double divisor = 0;
        if (PNSupported(receiver.RequestInterface(kSGStreamReal))) divisor = 8.0;
        else if (PNSupported(receiver.RequestInterface(kSGStreamInteger))) divisor = 4.0;
        if (divisor != 0)
            return dispatchTo(receiver, id, states,
                              std::make_shared<TPNStartSampleRateOperation>(start->SampleRate / divisor));
    }
    return dispatchTo(receiver, id, states, op);
}

// ---- TSGPNSourcePin

TSGPNSourcePin::TSGPNSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                               std::shared_ptr<IPNLock> inputOwnerLock, TSGPNOperationEvent operationEvent,
                               TSGPNPinEvent onConnect, int maxConnections)
    : TPNSourcePin(owner, std::move(ownerLock), std::move(inputOwnerLock), maxConnections),
      FOnConnect(std::move(onConnect)),
      FOperationEvent(operationEvent ? std::move(operationEvent) : converterOperationEvent(owner)) {
    SGPNInitDataStreams();
    DeclareInterface(kSGDispatchData);
    AddType(kPNStreamClock, [this](TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                   const IPNNotifyOperation& op) { return ClockNotification(sink, id, states, op); });
    AddDataType(kSGStreamUniversal);
}

void TSGPNSourcePin::AddDataType(const TGUID& id) {
    AddType(id, [this](TPNBasicPin& sink, const TGUID& type, TPNNotifyStates states, const IPNNotifyOperation& op) {
        return NotificationHandler(sink, type, states, op);
    });
    DeclareInterface(id);
}

bool TSGPNSourcePin::SubmitBuffer(const ISGData& buffer) {
    if (!buffer) return false;
    try {
        return Notify(std::make_shared<TPNSuppliedBufferOperation>(buffer));
    } catch (const std::exception& e) {
        log::warning(log::Category::media, "%s: a buffer was not delivered: %s", GetFullName(true).c_str(), e.what());
    } catch (...) {
        log::warning(log::Category::media, "%s: a buffer was not delivered", GetFullName(true).c_str());
    }
    return false;
}

void TSGPNSourcePin::Stop() { Notify(std::make_shared<TPNStopOperation>()); }

bool TSGPNSourcePin::Notify(const IPNNotifyOperation& op) {
    const bool taken = TPNSourcePin::Notify(op);
    IPNNotifyOperation forgotten;  // released after the section
    std::lock_guard l(FLPDataSection);
    if (PNOperationAs<TPNStartOperation>(op)) forgotten = std::exchange(FStartOperation, op);
    else if (PNOperationAs<TPNStopOperation>(op)) forgotten = std::exchange(FStartOperation, nullptr);
    return taken;
}

IPNNotifyOperation TSGPNSourcePin::StartOperation() {
    std::lock_guard l(FLPDataSection);
    return FStartOperation;
}

void TSGPNSourcePin::sendTo(TPNBasicPin& sink, const IPNNotifyOperation& op) {
    // A converter on the way may serve other sinks too: its output hands the
    // operation to this sink alone. It lives through the call.
    std::shared_ptr<IPNFormatConverter> converter;
    {
        auto r = ReadLock();
        if (const TPNPinEntry* e = readSinks().GetItemByPin(&sink); e && e->ConnectionPin != e->RealPin)
            converter = e->Converter;
    }
    const IPNLockSection linkFree = PNLinkUnlockAll();
    // A link is made or dropped whatever the sink makes of the news; this
    // runs also while a pin is being destroyed.
    try {
        if (converter) converter->OutputPin().NotifyPin(&sink, op);
        else NotifyPin(&sink, op);
    } catch (const std::exception& e) {
        log::warning(log::Category::media, "%s: a sink failed on a start or stop: %s", GetFullName(true).c_str(),
                     e.what());
    } catch (...) {
        log::warning(log::Category::media, "%s: a sink failed on a start or stop", GetFullName(true).c_str());
    }
}

void TSGPNSourcePin::IntConnect(TPNBasicPin& sink, TPNBasicPin* after) {
    TPNSourcePin::IntConnect(sink, after);
    // A link made from this side replays in IntConnectAfter.
    if (std::find(connectingAfter.begin(), connectingAfter.end(), this) == connectingAfter.end()) replay(sink, false);
}

bool TSGPNSourcePin::IntConnectAfter(TPNBasicPin& pin, TPNBasicPin* after) {
    connectingAfter.push_back(this);
    bool linked = false;
    try {
        linked = TPNSourcePin::IntConnectAfter(pin, after);
    } catch (...) {
        connectingAfter.pop_back();
        throw;
    }
    connectingAfter.pop_back();
    if (linked) replay(pin, true);
    return linked;
}

void TSGPNSourcePin::replay(TPNBasicPin& sink, bool connectEventFirst) {
    // A converter's output leaves the start and stop of its sinks to the
    // source in front of the converter, which knows which sink is meant.
    if (!hasEntry(sink) || PNConverterOf(*this)) return;
    if (connectEventFirst && FOnConnect) FOnConnect(*this);
    if (IPNNotifyOperation start = StartOperation()) sendTo(sink, start);
    if (!connectEventFirst && FOnConnect) FOnConnect(*this);
}

void TSGPNSourcePin::SinkUnlinking(TPNBasicPin& sink) {
    if (!PNConverterOf(*this)) sendTo(sink, std::make_shared<TPNStopOperation>());
}

bool TSGPNSourcePin::DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
    return FOperationEvent && FOperationEvent(*this, id, op, states);
}

bool TSGPNSourcePin::ClockNotification(TPNBasicPin& sink, const TGUID&, TPNNotifyStates states,
                                       const IPNNotifyOperation& op) {
    PNDeliverAs(sink, kPNStreamClock, states, op);
    return false;
}

bool TSGPNSourcePin::NotificationHandler(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                         const IPNNotifyOperation& op) {
    if (newLink(states)) return false;
    if (PNSupported(sink.RequestInterface(kSGDispatchData))) return dispatchTo(sink, id, states, op);
    return IntNotificationHandler(sink, id, states, op);
}

bool TSGPNSourcePin::IntNotificationHandler(TPNBasicPin&, const TGUID&, TPNNotifyStates, const IPNNotifyOperation&) {
    return false;
}

// ---- TSGPNSinkPin

TSGPNSinkPin::TSGPNSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TSGPNOperationEvent operationEvent,
                           TSGPNPinEvent onConnect, TSGPNPinEvent onDisconnect)
    : TPNSinkPin(owner, std::move(lock)),
      FOperationEvent(std::move(operationEvent)),
      FOnConnect(std::move(onConnect)),
      FOnDisconnect(std::move(onDisconnect)) {
    SGPNInitDataStreams();
    DeclareInterface(kSGDispatchData);
    FIgnoreUpstream = true;
    AddDataType(kSGStreamUniversal);
}

void TSGPNSinkPin::AddDataType(const TGUID& id) {
    AddType(id, [this](TPNBasicPin& source, const TGUID& type, TPNNotifyStates states, const IPNNotifyOperation& op) {
        return NotificationHandler(source, type, states, op);
    });
    DeclareInterface(id);
}

bool TSGPNSinkPin::DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
    if (!FOperationEvent || (FOwner && FOwner->InState(csDestroying))) return false;
    return FOperationEvent(*this, id, op, states);
}

bool TSGPNSinkPin::NotificationHandler(TPNBasicPin& source, const TGUID& id, TPNNotifyStates states,
                                       const IPNNotifyOperation& op) {
    return !newLink(states) && dispatchTo(source, id, states, op);
}

bool TSGPNSinkPin::ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) {
    const bool linked = TPNSinkPin::ConnectAfter(pin, after);
    if (linked && pin && FOnConnect && GetSourcePin() == pin) FOnConnect(*this);
    return linked;
}

void TSGPNSinkPin::BeforeDisconnect() {
    TPNSinkPin::BeforeDisconnect();
    if (FOnDisconnect && GetSourcePin()) FOnDisconnect(*this);
}

// ---- typed sources

TSGPNRealSourcePin::TSGPNRealSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                                       std::shared_ptr<IPNLock> inputOwnerLock, TSGPNOperationEvent operationEvent,
                                       bool floatOutput)
    : TSGPNSourcePin(owner, std::move(ownerLock), std::move(inputOwnerLock), std::move(operationEvent)) {
    if (floatOutput)
        AddType(kPNStreamFloat,
                [this](TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
                    return NotificationSingle(sink, id, states, op);
                });
    AddDataType(kSGStreamReal);
}

bool TSGPNRealSourcePin::NotificationSingle(TPNBasicPin& sink, const TGUID&, TPNNotifyStates states,
                                            const IPNNotifyOperation& op) {
    if (newLink(states)) return false;
    const auto* supplied = PNOperationAs<TPNSuppliedBufferOperation>(op);
    const auto* real = supplied ? dynamic_cast<const TSGRealBuffer*>(supplied->Buffer.get()) : nullptr;
    if (!real || real->GetSize() == 0) return false;
    const double last = real->GetItem(real->GetSize() - 1);
    if (PNSupported(sink.RequestInterface(kPNStreamReal)))
        sink.DispatchData(kPNStreamReal, states, std::make_shared<TPNSuppliedRealOperation>(last));
    else if (PNSupported(sink.RequestInterface(kPNStreamFloat)))
        sink.DispatchData(kPNStreamFloat, states,
                          std::make_shared<TPNSuppliedSingleOperation>(static_cast<float>(last)));
    return false;
}

TSGPNStringSourcePin::TSGPNStringSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                                           std::shared_ptr<IPNLock> inputOwnerLock, TSGPNOperationEvent operationEvent)
    : TSGPNSourcePin(owner, std::move(ownerLock), std::move(inputOwnerLock), std::move(operationEvent)) {
    AddType(kPNStreamString, [this](TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                    const IPNNotifyOperation& op) { return NotificationString(sink, id, states, op); });
    AddDataType(kSGStreamString);
}

bool TSGPNStringSourcePin::NotificationString(TPNBasicPin& sink, const TGUID&, TPNNotifyStates states,
                                              const IPNNotifyOperation& op) {
    if (!newLink(states) && PNOperationAs<TPNSuppliedOperation>(op)) PNDeliverAs(sink, kPNStreamString, states, op);
    return false;
}

// ---- converters

ISGData detail::ByteView::Buffer(const ISGData& b) { return TSGBlockBuffer::CreateUniversal(b); }

ISGData detail::IntegerToReal::Buffer(const ISGData& b) {
    std::shared_ptr<const TSGIntegerBuffer> ints = std::dynamic_pointer_cast<const TSGIntegerBuffer>(b);
    if (!ints) ints = TSGIntegerBuffer::CreateCopy(b);  // the bytes of any buffer, read as integers
    return TSGRealBuffer::CreateIntegerData(std::span(ints->Read(), ints->GetSize()));
}

ISGData detail::MatrixView::Buffer(const ISGData& b) { return TSGRealMatrixBuffer::CreateUniversal(b); }

std::string SGPNDateTimeToStr(double dateTime) {
    // Days since 1899-12-30; the fraction is the time of day also before that day.
    if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6) return {};
    double whole = std::trunc(dateTime);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(dateTime - whole) * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        whole += dateTime < 0 ? -1 : 1;
    }
    // Civil date of a day count from 1970-01-01 (proleptic Gregorian).
    std::int64_t z = static_cast<std::int64_t>(whole) - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999) return {};
    std::tm t{};
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_mon = static_cast<int>(month - 1);
    t.tm_mday = static_cast<int>(day);
    t.tm_hour = static_cast<int>(ms / 3600000);
    t.tm_min = static_cast<int>(ms / 60000 % 60);
    t.tm_sec = static_cast<int>(ms / 1000 % 60);
    char text[128];
    const std::size_t n = std::strftime(text, sizeof text, ms != 0 ? "%x %X" : "%x", &t);
    return std::string(text, n);
}

std::string SGPNFloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char text[40];
    std::snprintf(text, sizeof text, "%.15G", value);
    std::string s = text;
    // "1E+20" -> "1E20", "1E-05" -> "1E-5"
    if (const auto e = s.find('E'); e != std::string::npos) {
        std::string exponent = s.substr(e + 1);
        const bool negative = exponent[0] == '-';
        exponent.erase(0, exponent.find_first_not_of("+-0"));
        s = s.substr(0, e + 1) + (negative ? "-" : "") + exponent;
    }
    return s;
}

}  // namespace oculon::pins
