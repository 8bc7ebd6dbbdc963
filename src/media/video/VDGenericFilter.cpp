#include "media/video/VDGenericFilter.h"

#include <exception>

#include "platform/Log.h"

namespace oculon::mediavideo {

using pins::IPNLockSection;

TVDBasicGenericFilter::TVDBasicGenericFilter(pins::TComponent* owner, std::string name)
    : TVDCommonFilter(owner, std::move(name)),
      FBufferQueue(std::make_unique<pins::TSGMainThreadBufferQueue>(
          [this](pins::TSGMainThreadBufferQueue&, const pins::ISGData& buffer) { SyncBuffer(buffer); })) {}

TVDBasicGenericFilter::~TVDBasicGenericFilter() {
    {
        // Also when not destroyed through PNOwned: the worker ends before
        // the queue it hands frames to.
        const IPNLockSection stop = FLock->StopLock();
        TVDCommonFilter::StreamStop();
    }
    FBufferQueue.reset();
}

void TVDBasicGenericFilter::GetPropInfos(pins::TPropList& props) {
    TVDCommonFilter::GetPropInfos(props);
    props.push_back(pins::PNProp<TSGSynchronizeType>(
        "SynchronizeType", [this] { return SynchronizeType(); },
        [this](TSGSynchronizeType v) { SetSynchronizeType(v); }, TSGSynchronizeType::stNone));
}

void TVDBasicGenericFilter::SetOnStop(TNotifyEvent handler) { SetEvent(FOnStop, std::move(handler)); }

void TVDBasicGenericFilter::SendStartCommand(std::int32_t width, std::int32_t height, std::int32_t frameDelay) {
    const auto start =
        std::make_shared<TPNStartFrameOperation>(width, height, frameDelay, TVDVideoFormat::vfRGBA32, 0,
                                                 static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    if (InputPin().IsConnected()) InputPin().Notify(start);
    else OutputPin().Notify(start);
}

void TVDBasicGenericFilter::SendStopCommand() {
    if (InputPin().IsConnected()) InputPin().Notify(std::make_shared<pins::TPNStopOperation>());
    OutputPin().Stop();
}

void TVDBasicGenericFilter::StreamStop() {
    const IPNLockSection stop = FLock->StopLock();
    const bool wasRunning = FRunning;
    TVDCommonFilter::StreamStop();
    if (!wasRunning) return;
    FBufferQueue->Clear();
    if (FOnStop) FOnStop(*this);
}

void TVDBasicGenericFilter::InternalOperation(const IVDImageBuffer& in, IVDImageBuffer& out, bool& sendOutputData,
                                              bool) {
    out->Assign(in);
    const IPNLockSection output = FOutputLock->WriteLock();
    if (!output || !GetHasEvent()) return;
    if (FSynchronizeType == TSGSynchronizeType::stNone) {
        DoProcessData(in, out, sendOutputData);
        return;
    }
    sendOutputData = false;  // the main thread sends the result
    const bool queue = FSynchronizeType == TSGSynchronizeType::stQueue;
    // A full queue waits for the main thread, which reads this filter's
    // settings under the output lock: wait with both locks given up.
    const IPNLockSection locksFree = FLock->UnlockAllLockInOrder(nullptr);
    FBufferQueue->AddBuffer(in, queue);
}

void TVDBasicGenericFilter::SetSizeRate(TVDFrameShape& shape, std::int64_t frameDelay, std::uint32_t interlaceFlags) {
    TVDCommonFilter::SetSizeRate(shape, frameDelay, interlaceFlags);
    IntStart(shape.Width, shape.Height, frameDelay);
}

void TVDBasicGenericFilter::SyncBuffer(const pins::ISGData& buffer) {
    // Runs from the main loop: a failing callback is reported, not thrown into the loop.
    try {
        const IVDImageBuffer in = VDImageBuffer(buffer);
        IVDImageBuffer out = TVDImageBuffer::CreateCopy(in);
        bool sendOutputData = true;
        if (FOutputLock->Getter(FEnabled)) DoProcessData(in, out, sendOutputData);
        if (sendOutputData && out) OutputPin().SubmitBuffer(out);
    } catch (const std::exception& e) {
        log::error(log::Category::media, "%s: a frame failed on the main thread: %s",
                   pins::TCBThread::GetComponentName(*this).c_str(), e.what());
    } catch (...) {
        log::error(log::Category::media, "%s: a frame failed on the main thread",
                   pins::TCBThread::GetComponentName(*this).c_str());
    }
}

void TVDBasicStartGenericFilter::IntStart(std::int32_t width, std::int32_t height, std::int64_t frameDelay) {
    if (FOnStart) FOnStart(*this, width, height, static_cast<double>(frameDelay));
}

void TVDGenericFilter::DoProcessData(const IVDImageBuffer& in, IVDImageBuffer& out, bool& sendOutputData) {
    // A copy: on the main thread the handler runs without the filter's locks.
    const TVDProcessVideoNotify handler = FOutputLock->Getter(FOnProcessData);
    if (handler) handler(*this, in, out, sendOutputData);
}

}  // namespace oculon::mediavideo
