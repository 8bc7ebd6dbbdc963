#include "media/video/VDCommonFilter.h"

#include <memory>

#include "platform/Log.h"

namespace oculon::mediavideo {

using pins::IPNLockSection;
using pins::IPNNotifyOperation;
using pins::PNOperationAs;

TVDCommonFilter::TVDCommonFilter(pins::TComponent* owner, std::string name)
    : TSGBasicCommonFilter(owner, std::move(name)),
      FOutputPin(pins::PNMakePin<TVDPNImageSourcePin>(
          this, FOutputLock, FInputLock,
          [this](pins::TPNBasicPin&, const pins::TGUID&, const IPNNotifyOperation& op, pins::TPNNotifyStates) {
              return SourceDispatch(op);
          })),
      FInputPin(pins::PNMakePin<TVDPNImageSinkPin>(
          this, FInputLock,
          [this](pins::TPNBasicPin& sender, const pins::TGUID& id, const IPNNotifyOperation& op,
                 pins::TPNNotifyStates states) { return SinkDispatch(sender, id, op, states); })) {
    FOutputPin->FunctionSources().Add(FInputPin.get());
    PublishPin("OutputPin", *FOutputPin);
    PublishPin("InputPin", *FInputPin);
}

TVDCommonFilter::~TVDCommonFilter() {
    // Also when not destroyed through PNOwned: no worker may outlive the pins.
    const IPNLockSection stop = FLock->StopLock();
    TVDCommonFilter::StreamStop();
    FInputPin.reset();
    FOutputPin.reset();
}

void TVDCommonFilter::BeforeDestruction() {
    {
        // Under a stop section, deliveries from other threads are refused
        // rather than waited for while the links go.
        const IPNLockSection stop = FLock->StopLock();
        StreamStop();
        FInputPin->Disconnect();
        FOutputPin->Disconnect();
    }
    TSGBasicCommonFilter::BeforeDestruction();
}

bool TVDCommonFilter::SinkDispatch(pins::TPNBasicPin&, const pins::TGUID&, const IPNNotifyOperation& op,
                                   pins::TPNNotifyStates states) {
    const IPNLockSection input = FInputLock->WriteLock();
    if (!input) return false;
    if (const auto* start = PNOperationAs<TPNStartFrameOperation>(op)) return StartStream(*start, op);
    if (PNOperationAs<pins::TPNStopOperation>(op)) {
        // The end of a stream loses no frame the worker still holds.
        DrainWorker();
        if (OptionalStop()) return false;
        FRunning = false;
        return OutputPinsNotify(op);
    }
    if (const auto* supplied = PNOperationAs<pins::TPNSuppliedBufferOperation>(op)) {
        const auto frame = std::dynamic_pointer_cast<TVDImageBuffer>(supplied->Buffer);
        if (!frame) {
            log::warning(log::Category::media, "%s: a buffer that is no frame was refused",
                         pins::TCBThread::GetComponentName(*this).c_str());
            return false;
        }
        return BufferOperation(Stamped(frame, op), states);
    }
    if (PNOperationAs<pins::TPNPumpRequestOperation>(op)) {
        PumpRequest(op);
        return false;
    }
    return OutputPinsNotify(op);
}

bool TVDCommonFilter::StartStream(const TPNStartFrameOperation& start, const IPNNotifyOperation& op) {
    FRunningVideoFormat = start.VideoFormat;
    FRunningFrameDelay = start.FrameDelay;
    FRunningInterlaceFlags = start.InterlaceFlags;
    FInputWidth = static_cast<std::uint32_t>(start.Width);
    FInputHeight = static_cast<std::uint32_t>(start.Height);
    FCurrentTime = 0;
    TVDFrameShape shape{start.Width, start.Height, start.VideoFormat, start.RatioWidth, start.RatioHeight};
    SetSizeRate(shape, start.FrameDelay, start.InterlaceFlags);
    FRunningVideoFormat = shape.VideoFormat;
    StreamStart();
    if (!CanStart()) return false;
    if (shape.Width == start.Width && shape.Height == start.Height && shape.VideoFormat == start.VideoFormat)
        return OutputPinsNotify(op);
    FStartSent = true;
    // The delay came in as a 32-bit value, so it goes out as one unchanged.
    return OutputPinsNotify(std::make_shared<TPNStartFrameOperation>(
        shape.Width, shape.Height, static_cast<std::int32_t>(FRunningFrameDelay), shape.VideoFormat,
        FRunningInterlaceFlags, static_cast<std::uint32_t>(shape.Width), static_cast<std::uint32_t>(shape.Height)));
}

IPNNotifyOperation TVDCommonFilter::Stamped(const IVDImageBuffer& frame, const IPNNotifyOperation& op) {
    if (frame->GetTimeStamp().Available()) {
        FCurrentTime = frame->GetTimeStamp().EndTime();
        return op;
    }
    // The stamp lives in the store, which the sender and the other receivers
    // of this frame share: the stamp goes on a store of this filter's own,
    // or their frames would change their stamps under them.
    const IVDImageBuffer own = VDImageBuffer(frame->MakeCopy());
    own->MakeUnique(true);
    pins::TMBTimeStamp& stamp = own->GetTimeStamp();
    stamp.SetBeginTime(FCurrentTime);
    stamp.SetEndTime(FCurrentTime + FRunningFrameDelay);
    stamp.SetAvailable(true);
    FCurrentTime += FRunningFrameDelay;
    return std::make_shared<pins::TPNSuppliedBufferOperation>(own);
}

bool TVDCommonFilter::SourceDispatch(const IPNNotifyOperation& op) {
    const IPNLockSection w = FLock->WriteLock();
    if (!w) return false;
    if (FInputPin->IsConnected()) return FInputPin->Notify(op);
    if (!PNOperationAs<pins::TPNStartOperation>(op)) return false;
    FOutputPin->Notify(std::make_shared<pins::TPNPumpRequestOperation>());
    return SinkDispatch(*FOutputPin, pins::GUID_NULL, op, {});
}

bool TVDCommonFilter::IntBufferOperation(const pins::ISGDataBuffer& inData, const pins::ISGDataBuffer& outData) {
    const IVDImageBuffer in = VDImageBuffer(inData);
    IVDImageBuffer out = VDImageBuffer(outData);
    bool sendOutputData = true;
    // FEnabled is read under the output lock held here (its setter holds
    // both locks): taking the input lock now would invert the lock order.
    if (FEnabled) InternalOperation(in, out, sendOutputData, FOutputPin->IsConnected() || !NeedsOutput());
    else ProcessDisabled(in, out);
    return sendOutputData && out && FOutputPin->SubmitBuffer(out);
}

void TVDCommonFilter::InternalOperation(const IVDImageBuffer& in, IVDImageBuffer& out, bool&, bool process) {
    if (!process) return;
    SetVideoFormat(in);
    out->Assign(in);
    FilterInternalOperation(in, out);
}

void TVDCommonFilter::SetVideoFormat(const IVDImageBuffer& frame) { frame->SetFormat(TVDVideoFormat::vfRGB24); }

bool TVDCommonFilter::OptionalStop() {
    StreamStop();
    return false;
}

void TVDCommonFilter::SetSizeRate(TVDFrameShape& shape, std::int64_t, std::uint32_t interlaceFlags) {
    const IPNLockSection w = FLock->WriteLock();
    FWidth = static_cast<std::uint32_t>(shape.Width);
    FHeight = static_cast<std::uint32_t>(shape.Height);
    FAspectRatioWidth = shape.RatioWidth;
    FAspectRatioHeight = shape.RatioHeight;
    FRunningWidth = FWidth;
    FRunningHeight = FHeight;
    FInterlaceFlags = interlaceFlags;
}

void TVDCommonFilter::StreamStop() {
    const IPNLockSection stop = FLock->StopLock();
    TSGBasicCommonFilter::StreamStop();
    FStartSent = false;
}

}  // namespace oculon::mediavideo
