#pragma once
// The base of the video filters: one image input, one image output, and the
// values a start-frame operation announces (size, interval, pixel format).
// Frames without a time stamp get one from the stream's running time, so
// every frame leaves the filter stamped. Descendants do their work in the
// hooks below, on the filter's worker or inline (see SGThreadedFilter.h).
//
// Locks: the running stream values belong to the input side (changed under
// the input lock); what a descendant reads while a frame is processed
// belongs to the output side.

#include <cstdint>
#include <string>

#include "media/pins/SGThreadedFilter.h"
#include "media/video/VDSimpleImageBuffer.h"
#include "media/video/VDStreamTypes.h"

namespace oculon::mediavideo {

// What a stream start announces of its pictures; a filter may change it to
// what its output will carry.
struct TVDFrameShape {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TVDVideoFormat VideoFormat = TVDVideoFormat::vfRGB24;
    std::uint32_t RatioWidth = 0;
    std::uint32_t RatioHeight = 0;
};

class TVDCommonFilter : public pins::TSGBasicCommonFilter {
public:
    explicit TVDCommonFilter(pins::TComponent* owner = nullptr, std::string name = {});
    ~TVDCommonFilter() override;
    // Stops the stream and unlinks both pins before anything is torn down.
    void BeforeDestruction() override;

    TVDPNImageSourcePin& OutputPin() { return *FOutputPin; }
    TVDPNImageSinkPin& InputPin() { return *FInputPin; }

    // An operation at the input, under the input lock: a start frame takes
    // the stream's values and goes on (changed when SetSizeRate changed the
    // shape); a stop goes on once the worker has done what it queued; a
    // frame is stamped when it has no stamp and handed to BufferOperation;
    // a pump request goes to PumpRequest; anything else goes on. A buffer
    // that is no frame is refused (false) and reported.
    bool SinkDispatch(pins::TPNBasicPin& sender, const pins::TGUID& id, const pins::IPNNotifyOperation& op,
                      pins::TPNNotifyStates states) override;
    // An operation from downstream: up through the input when it is linked;
    // without an input link a start makes this filter the head of the
    // stream (a pump request goes down, then the start is handled as if it
    // had come in).
    virtual bool SourceDispatch(const pins::IPNNotifyOperation& op);
    pins::TPNSourcePin* GetOutputPin() override { return FOutputPin.get(); }
    // One frame, under the output lock: processed when enabled (the work is
    // asked for while the output is linked, or always when the filter does
    // not need an output), ProcessDisabled otherwise; the result goes out
    // unless the work said not to send it.
    bool IntBufferOperation(const pins::ISGDataBuffer& in, const pins::ISGDataBuffer& out) override;
    void StreamStop() override;

    // ---- The hooks of descendants, with the defaults of a pass-through.
    virtual bool CanSoftRestart() { return false; }
    // False keeps a start from going on.
    virtual bool CanStart() { return true; }
    // Converts the frame to the working format, RGB24.
    virtual void SetVideoFormat(const IVDImageBuffer& frame);
    // With `process`: the frame in the working format, copied to `out`, then
    // FilterInternalOperation. Clearing `sendOutputData` keeps `out` back.
    virtual void InternalOperation(const IVDImageBuffer& in, IVDImageBuffer& out, bool& sendOutputData, bool process);
    // While disabled; `out` comes in as a copy of `in` and goes on as it is left.
    virtual void ProcessDisabled(const IVDImageBuffer& in, IVDImageBuffer& out) {}
    virtual void FilterInternalOperation(const IVDImageBuffer& in, IVDImageBuffer& out) {}
    virtual bool StartPump(const pins::IPNNotifyOperation& op) { return FOutputPin->Notify(op); }
    // A stop at the input: true keeps it from going on. Here: stops the stream.
    virtual bool OptionalStop();
    // False: the work is done also while nothing is linked to the output.
    virtual bool NeedsOutput() { return true; }
    // At a stream start, under the input lock: stores the announced shape;
    // a descendant may change `shape` to its output's.
    virtual void SetSizeRate(TVDFrameShape& shape, std::int64_t frameDelay, std::uint32_t interlaceFlags);
    virtual bool PumpRequest(const pins::IPNNotifyOperation& op) { return FOutputPin->Notify(op); }
    virtual void ReclaculateRoiAndOffset() {}
    virtual bool RestoreBufferSize() { return false; }

protected:
    bool FStartSent = false;
    std::uint32_t FWidth = 0;
    std::uint32_t FHeight = 0;
    std::uint32_t FAspectRatioWidth = 0;
    std::uint32_t FAspectRatioHeight = 0;
    std::uint32_t FInterlaceFlags = 0;
    std::uint32_t FRunningWidth = 0;
    std::uint32_t FRunningHeight = 0;
    std::uint32_t FInputWidth = 0;
    std::uint32_t FInputHeight = 0;
    std::int64_t FRunningFrameDelay = 0;  // 100-ns units
    TVDVideoFormat FRunningVideoFormat = TVDVideoFormat::vfRGB24;
    std::uint32_t FRunningInterlaceFlags = 0;
    std::int64_t FCurrentTime = 0;  // stream time of the next unstamped frame, 100-ns units

private:
    bool StartStream(const TPNStartFrameOperation& start, const pins::IPNNotifyOperation& op);
    // The operation itself for a stamped frame; for one without a stamp a new
    // operation on a frame of its own that carries the running time.
    pins::IPNNotifyOperation Stamped(const IVDImageBuffer& frame, const pins::IPNNotifyOperation& op);

    pins::PNOwned<TVDPNImageSourcePin> FOutputPin;
    pins::PNOwned<TVDPNImageSinkPin> FInputPin;
};

}  // namespace oculon::mediavideo
