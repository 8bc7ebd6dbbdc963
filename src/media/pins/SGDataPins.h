#pragma once
// Data pins: the links that carry data buffers between components. A
// producer hands a buffer to its output pin (SubmitBuffer), which sends every
// linked sink an operation holding a buffer object of its own on the same
// data; a sink hands what reaches it to its owner's operation event. Since
// producer and operation both own the data, the producer's next write moves
// the producer to new data (copy-on-write) and what was sent stays as it
// was. An output pin remembers the last stream start it sent, so a sink
// linked later still learns the stream's format, and a sink that is
// unlinked is sent a stop first.
//
// Also here: the buffer operations, the buffer list TCBBufferPair, the
// converters between buffer types and scalar types, and the registry of
// channel containers.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "media/pins/PNStandardPins.h"
#include "media/pins/SGGenericBuffer.h"

namespace oculon::pins {

inline constexpr TGUID kSGStreamBinary = PNGuid("{BD807B57-05AE-44E0-A99F-3D9BAD83395E}");
inline constexpr TGUID kSGStreamReal = PNGuid("{58041272-EF20-4696-87E6-9EE46ABFBD89}");
inline constexpr TGUID kSGStreamInteger = PNGuid("{473B965F-AB43-4493-B9E3-BEE9CF0803D4}");
inline constexpr TGUID kSGStreamComplex = PNGuid("{BD797143-D7C6-4033-B686-9ABA658346CF}");
inline constexpr TGUID kSGStreamUniversal = PNGuid("{949B7FD0-421F-4F1B-B8D2-87969D3E66E0}");
inline constexpr TGUID kSGStreamGeneric = PNGuid("{DB6DD866-611D-4DC4-B46F-459CF8F02ECD}");
inline constexpr TGUID kSGStreamPaired = PNGuid("{F4D70F89-B478-4D08-990F-AD03759D0E31}");
inline constexpr TGUID kSGStreamString = PNGuid("{939000AB-3C12-4A1D-89B5-33DA284E4929}");
inline constexpr TGUID kSGStreamRealMatrix = PNGuid("{3A3BA3E1-0184-41DA-AA08-5412DD5F2B83}");
inline constexpr TGUID kSGStreamUserControl = PNGuid("{9E7972F6-919B-491D-A094-18722B974429}");
// Given by every data pin: operations of any type reach it through DispatchData.
inline constexpr TGUID kSGDispatchData = PNGuid("{20ACBC6D-DA0D-4359-8C78-CE0067D009A0}");

// A data buffer as the copy-on-write buffer it is (ISGDataBuffer); null for
// a null buffer or one of another kind.
inline ISGDataBuffer SGDataBuffer(const ISGData& data) { return std::dynamic_pointer_cast<TSGGenericBuffer>(data); }

// An ordered list of buffers handed on as one. Used by one thread at a time.
class TCBBufferPair {
public:
    std::size_t GetCount() const { return FList.size(); }
    // ERangeError outside 0..count-1; EIntfCastError for an entry that is no data buffer.
    ISGDataBuffer GetBuffer(std::size_t index) const;
    void SetBuffer(std::size_t index, ISGData buffer);  // ERangeError outside the list
    void AddBuffer(ISGData buffer);

private:
    std::vector<ISGData> FList;
};
using ICBBufferPair = std::shared_ptr<TCBBufferPair>;

// A supplied buffer: the operation holds a buffer object of its own on the
// buffer's data (MakeCopy), an owner of it like the producer's. Every
// receiver of one delivery sees that same object: one that writes takes a
// MakeCopy of its own first.
class TPNSuppliedBufferOperation : public TPNSuppliedOperation {
public:
    explicit TPNSuppliedBufferOperation(const ISGData& buffer) : Buffer(buffer ? buffer->MakeCopy() : nullptr) {}
    const ISGData Buffer;
};
// A buffer passed inside a filter or logger, with whether it is to be processed.
class TPNInternalBufferOperation : public TPNSuppliedBufferOperation {
public:
    TPNInternalBufferOperation(bool enabled, const ISGData& buffer)
        : TPNSuppliedBufferOperation(buffer), Enabled(enabled) {}
    const bool Enabled;
};
// The list itself travels, not a copy of it or of its buffers.
class TPNSuppliedBufferPairOperation : public TPNSuppliedOperation {
public:
    explicit TPNSuppliedBufferPairOperation(ICBBufferPair pair) : Pair(std::move(pair)) {}
    const ICBBufferPair Pair;
};
// The start of a stream of samples; Rate is the sample rate in single precision.
class TPNStartSampleRateOperation : public TPNStartRateOperation {
public:
    explicit TPNStartSampleRateOperation(double sampleRate)
        : TPNStartRateOperation(static_cast<float>(sampleRate)), SampleRate(sampleRate) {}
    const double SampleRate;
};

// The registry of channel containers: per buffer stream type, the size of
// one element and how a container of n elements is made.
using TSGPNCreateContainer = ISGData (*)(std::uint32_t elements);
using TSGPNUpdateContainer = void (*)(const ISGData& container);
struct TSGPNStreamTypeRecord {
    TGUID ID;
    std::uint32_t ElementSize = 0;
    TSGPNCreateContainer Create = nullptr;
    TSGPNUpdateContainer Update = nullptr;
};
// A type registered before keeps its element size and gets the new routines.
void SGPNRegisterStreamType(const TGUID& id, std::uint32_t elementSize, TSGPNCreateContainer create,
                            TSGPNUpdateContainer update);
std::optional<TSGPNStreamTypeRecord> SGPNGetStreamType(const TGUID& id);

// Registers the buffer stream types, channel containers, default handlers
// and converters (and the standard types before them), once per filling of
// the registries. Every data pin calls it when made.
void SGPNInitDataStreams();

// The default handler of the buffer types: a start with a sample rate
// counted in bytes reaches a real-buffer sink as a rate of 8-byte items and
// an integer-buffer sink as one of 4-byte items; everything else goes to the
// receiver unchanged. Only to data pins, and never the notice of a new link.
bool DefaultSLChannelNotificationHandler(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                         const IPNNotifyOperation& op);

// The owner's handler of the operations that reach a data pin; for a source
// pin those sent up by its sinks. True when it took the operation.
using TSGPNOperationEvent =
    std::function<bool(TPNBasicPin& sender, const TGUID& id, const IPNNotifyOperation& op, TPNNotifyStates marker)>;
using TSGPNPinEvent = std::function<void(TPNBasicPin& sender)>;

class TSGPNSourcePin : public TPNSourcePin {
public:
    TSGPNSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock, std::shared_ptr<IPNLock> inputOwnerLock = {},
                   TSGPNOperationEvent operationEvent = {}, TSGPNPinEvent onConnect = {}, int maxConnections = 0);

    // Sends every linked sink a TPNSuppliedBufferOperation on the buffer.
    // Never throws: a failure is logged and answers false. True when a sink took it.
    bool SubmitBuffer(const ISGData& buffer);
    // Sends a new stop.
    void Stop();
    // Delivers, then remembers a start (a TPNStartOperation) or forgets it on a stop.
    bool Notify(const IPNNotifyOperation& op) override;
    // The last start sent, null after a stop.
    IPNNotifyOperation StartOperation();

    // Links as a source pin does, then replays the remembered start to the
    // new sink alone and calls the connect event. A converter's output
    // leaves both to the source in front of the converter.
    void IntConnect(TPNBasicPin& sink, TPNBasicPin* after) override;
    // A link made from this side: the connect event first, then the
    // remembered start to the new sink alone; each once.
    bool IntConnectAfter(TPNBasicPin& pin, TPNBasicPin* after) override;
    // The owner's operation event; false without one. A converter's output
    // pin made without one passes operations up through the converter.
    bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) override;

    // The handlers of the pin's stream types.
    virtual bool ClockNotification(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                   const IPNNotifyOperation& op);
    bool NotificationHandler(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op);
    // For a sink without the dispatch interface: nothing here (false).
    virtual bool IntNotificationHandler(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states,
                                        const IPNNotifyOperation& op);

protected:
    // Adds a stream type served by NotificationHandler.
    void AddDataType(const TGUID& id);
    // A sink about to be unlinked is sent a stop, it alone (also through a
    // converter that serves other sinks too).
    void SinkUnlinking(TPNBasicPin& sink) override;

private:
    // The remembered start to a sink just linked, and the connect event.
    void replay(TPNBasicPin& sink, bool connectEventFirst);
    // `op` to `sink` alone, with no link lock held while its handler runs;
    // a handler's exception is logged, not passed on.
    void sendTo(TPNBasicPin& sink, const IPNNotifyOperation& op);

    std::mutex FLPDataSection;  // guards the two fields below
    IPNNotifyOperation FStartOperation;
    const TSGPNPinEvent FOnConnect;
    const TSGPNOperationEvent FOperationEvent;
};

// A data input: takes whatever type comes from upstream. Operations that
// reach it go to the owner's operation event, none while the owner is
// being destroyed.
class TSGPNSinkPin : public TPNSinkPin {
public:
    TSGPNSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TSGPNOperationEvent operationEvent = {},
                 TSGPNPinEvent onConnect = {}, TSGPNPinEvent onDisconnect = {});

    bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) override;
    // Operations sent up: to a source that gives the dispatch interface.
    bool NotificationHandler(TPNBasicPin& source, const TGUID& id, TPNNotifyStates states,
                             const IPNNotifyOperation& op);
    // The connect event follows a link made.
    bool ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) override;
    // The disconnect event comes before the link goes.
    void BeforeDisconnect() override;

protected:
    void AddDataType(const TGUID& id);

private:
    const TSGPNOperationEvent FOperationEvent;
    const TSGPNPinEvent FOnConnect;
    const TSGPNPinEvent FOnDisconnect;
};

// Data pins of one buffer type, beside the universal one.
template <const TGUID& Type>
class TSGPNTypedSourcePin : public TSGPNSourcePin {
public:
    TSGPNTypedSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                        std::shared_ptr<IPNLock> inputOwnerLock = {}, TSGPNOperationEvent operationEvent = {})
        : TSGPNSourcePin(owner, std::move(ownerLock), std::move(inputOwnerLock), std::move(operationEvent)) {
        AddDataType(Type);
    }
};
template <const TGUID& Type>
class TSGPNTypedSinkPin : public TSGPNSinkPin {
public:
    TSGPNTypedSinkPin(TComponent* owner, std::shared_ptr<IPNLock> lock, TSGPNOperationEvent operationEvent = {})
        : TSGPNSinkPin(owner, std::move(lock), std::move(operationEvent)) {
        AddDataType(Type);
    }
};

using TSGPNBinarySourcePin = TSGPNTypedSourcePin<kSGStreamBinary>;
using TSGPNIntegerSourcePin = TSGPNTypedSourcePin<kSGStreamInteger>;
using TSGPNPairedSourcePin = TSGPNTypedSourcePin<kSGStreamPaired>;
using TSGPNRealMatrixSourcePin = TSGPNTypedSourcePin<kSGStreamRealMatrix>;
using TSGPNIntegerSinkPin = TSGPNTypedSinkPin<kSGStreamInteger>;
using TSGPNRealSinkPin = TSGPNTypedSinkPin<kSGStreamReal>;
using TSGPNComplexSinkPin = TSGPNTypedSinkPin<kSGStreamComplex>;

// Real buffers; with `floatOutput` also to scalar inputs, which are sent the
// last item of each buffer (nothing for an empty one).
class TSGPNRealSourcePin : public TSGPNSourcePin {
public:
    TSGPNRealSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                       std::shared_ptr<IPNLock> inputOwnerLock = {}, TSGPNOperationEvent operationEvent = {},
                       bool floatOutput = false);
    bool NotificationSingle(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op);
};

// Texts; supplied values also reach the scalar string inputs.
class TSGPNStringSourcePin : public TSGPNSourcePin {
public:
    TSGPNStringSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                         std::shared_ptr<IPNLock> inputOwnerLock = {}, TSGPNOperationEvent operationEvent = {});
    bool NotificationString(TPNBasicPin& sink, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op);
};

// A converter between buffer types: a supplied buffer goes on as a new
// buffer that Convert::Buffer makes of it; every other operation unchanged.
template <typename Input, typename Output, typename Convert>
class TSGPNBufferFormatConverter : public TPNFormatConverter {
public:
    TSGPNBufferFormatConverter() {
        PNOwned<Output> output;
        if constexpr (std::is_same_v<Output, TSGPNRealSourcePin>)
            output = PNMakePin<Output>(this, Lock(), nullptr, TSGPNOperationEvent{}, true);
        else output = PNMakePin<Output>(this, Lock());
        auto input = PNMakePin<Input>(
            this, Lock(), [this](TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op, TPNNotifyStates) {
                return SinkOperationEvent(op);
            });
        CreateEx(std::move(input), std::move(output));
    }
    bool SinkOperationEvent(const IPNNotifyOperation& op) {
        if (const auto* supplied = PNOperationAs<TPNSuppliedBufferOperation>(op))
            return OutputPin().Notify(std::make_shared<TPNSuppliedBufferOperation>(Convert::Buffer(supplied->Buffer)));
        return OutputPin().Notify(op);
    }

    static inline const TPNFormatConverterClass Class{Convert::Name, []() -> std::shared_ptr<IPNFormatConverter> {
                                                          return std::make_shared<TSGPNBufferFormatConverter>();
                                                      }};
};

// The texts of the scalar-to-string converters: the locale's date and time
// (the time left out at midnight; empty outside the years 1 to 9999), the
// decimal integer, and the shortest of 15 significant digits ("0.1", "1E20").
std::string SGPNDateTimeToStr(double dateTime);
std::string SGPNFloatToStr(double value);

namespace detail {
struct ByteView {
    static ISGData Buffer(const ISGData& b);
};
struct IntegerToReal {
    static ISGData Buffer(const ISGData& b);
};
struct MatrixView {
    static ISGData Buffer(const ISGData& b);
};
template <std::string (*Text)(double)>
struct ToText {
    template <typename V>
    static IPNNotifyOperation Operation(V v) {
        return std::make_shared<TPNSuppliedStringOperation>(Text(static_cast<double>(v)));
    }
};
inline std::string integerText(double v) { return std::to_string(static_cast<std::int64_t>(v)); }
inline constexpr char kIntToBinary[] = "TSGPNIntToBinaryFormatConverter";
inline constexpr char kRealToBinary[] = "TSGPNRealToBinaryFormatConverter";
inline constexpr char kComplexToBinary[] = "TSGPNComplexToBinaryFormatConverter";
inline constexpr char kIntToRealBuffer[] = "TSGPNIntToRealFormatConverter";
inline constexpr char kRealToRealMatrix[] = "TSGPNRealToRealMatrixFormatConverter";
inline constexpr char kTimeToString[] = "TSGPNTimeToStringFormatConverter";
inline constexpr char kIntegerToString[] = "TSGPNIntegerToStringFormatConverter";
inline constexpr char kRealToString[] = "TSGPNRealToStringFormatConverter";
}  // namespace detail

using TSGPNIntToBinaryFormatConverter =
    TSGPNBufferFormatConverter<TSGPNIntegerSinkPin, TSGPNBinarySourcePin,
                               detail::Named<detail::ByteView, detail::kIntToBinary>>;
using TSGPNRealToBinaryFormatConverter =
    TSGPNBufferFormatConverter<TSGPNRealSinkPin, TSGPNBinarySourcePin,
                               detail::Named<detail::ByteView, detail::kRealToBinary>>;
using TSGPNComplexToBinaryFormatConverter =
    TSGPNBufferFormatConverter<TSGPNComplexSinkPin, TSGPNBinarySourcePin,
                               detail::Named<detail::ByteView, detail::kComplexToBinary>>;
using TSGPNIntToRealFormatConverter =
    TSGPNBufferFormatConverter<TSGPNIntegerSinkPin, TSGPNRealSourcePin,
                               detail::Named<detail::IntegerToReal, detail::kIntToRealBuffer>>;
using TSGPNRealToRealMatrixFormatConverter =
    TSGPNBufferFormatConverter<TSGPNRealSinkPin, TSGPNRealMatrixSourcePin,
                               detail::Named<detail::MatrixView, detail::kRealToRealMatrix>>;
// Integers are sent as exact doubles, so their text is exact.
using TSGPNTimeToStringFormatConverter =
    TPNScalarFormatConverter<TPNDateTimeSinkPin, TSGPNStringSourcePin,
                             detail::Named<detail::ToText<SGPNDateTimeToStr>, detail::kTimeToString>>;
using TSGPNIntegerToStringFormatConverter =
    TPNScalarFormatConverter<TPNIntegerSinkPin, TSGPNStringSourcePin,
                             detail::Named<detail::ToText<detail::integerText>, detail::kIntegerToString>>;
using TSGPNRealToStringFormatConverter =
    TPNScalarFormatConverter<TPNRealSinkPin, TSGPNStringSourcePin,
                             detail::Named<detail::ToText<SGPNFloatToStr>, detail::kRealToString>>;

}  // namespace oculon::pins
