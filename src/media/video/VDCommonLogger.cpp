#include "media/video/VDCommonLogger.h"

#include <exception>

#include "platform/Log.h"
#include "platform/MainLoop.h"

namespace oculon::mediavideo {

using audio::IAUAudioBuffer;
using audio::TAUAudioBuffer;
using audio::TPNStartWaveOperation;
using pins::IPNLockSection;
using pins::IPNNotifyOperation;
using pins::PNOperationAs;

namespace {

bool onMainThread() { return platform::MainLoop::instance().isMainThread(); }

bool isYuv(TVDVideoFormat format) {
    return format == TVDVideoFormat::vfYUY2 || format == TVDVideoFormat::vfUYVY || format == TVDVideoFormat::vfYV12 ||
           format == TVDVideoFormat::vfIYUV;
}

// The buffer a supplied operation carries, and whether it is to be
// processed: its own flag when it is an internal one, else `enabled`.
bool bufferEnabled(const IPNNotifyOperation& op, bool enabled) {
    const auto* internal = PNOperationAs<pins::TPNInternalBufferOperation>(op);
    return internal ? internal->Enabled : enabled;
}

constexpr std::int64_t kSecond = 10'000'000;  // 100-ns units

}  // namespace

TVDCommonLogger::TVDCommonLogger(pins::TComponent* owner, std::string name)
    : TSGBasicThreadedEnableFilter(owner, std::move(name)),
      FFileNamePin(pins::PNMakePin<pins::TPNStringSinkPin>(
          this, FLock, [this](pins::TPNSinkPin&, const std::string& text) { SetFileName(text); })),
      FInputPin(pins::PNMakePin<TVDPNImageSinkPin>(
          this, FInputLock,
          [this](pins::TPNBasicPin&, const pins::TGUID&, const IPNNotifyOperation& op, pins::TPNNotifyStates) {
              return VideoSinkDispatch(op);
          })),
      FAudioInputPin(pins::PNMakePin<audio::TAUPNAudioSinkPin>(
          this, FInputLock,
          [this](pins::TPNBasicPin&, const pins::TGUID&, const IPNNotifyOperation& op, pins::TPNNotifyStates) {
              return AudioSinkDispatch(op);
          })),
      FVideoSyncQueue(std::make_unique<pins::TSGOperationList>()),
      FAudioSyncQueue(std::make_unique<pins::TSGOperationList>()),
      FMainThreadNotify(
          std::make_unique<pins::TSGMainThreadNotify>([this](pins::TSGMainThreadNotify&) { MainThreadDataProcess(); })),
      FProgressNotify(
          std::make_unique<pins::TSGMainThreadNotify>([this](pins::TSGMainThreadNotify&) { SyncReportPosition(); })) {
    FEnabled = true;
    PublishPin("FileNamePin", *FFileNamePin);
    PublishPin("InputPin", *FInputPin);
    PublishPin("AudioInputPin", *FAudioInputPin);
}

TVDCommonLogger::~TVDCommonLogger() {
    StopHandOffs();
    const IPNLockSection stop = FLock->StopLock();
    StreamStop();
    FInputPin.reset();
    FAudioInputPin.reset();
    FFileNamePin.reset();
}

void TVDCommonLogger::BeforeDestruction() {
    {
        const IPNLockSection stop = FLock->StopLock();
        FAudioInputPin->Disconnect();
        FInputPin->Disconnect();
        // The descendant is still whole here: its file is finished, not lost.
        EndAVI(true);
    }
    TSGBasicThreadedEnableFilter::BeforeDestruction();
}

void TVDCommonLogger::GetPropInfos(pins::TPropList& props) {
    TSGBasicThreadedEnableFilter::GetPropInfos(props);
    props.push_back(pins::PNProp<std::string>(
        "FileName", [this] { return FileName(); }, [this](std::string v) { SetFileName(v); }));
}

void TVDCommonLogger::SetFileName(const std::string& name) {
    const IPNLockSection w = FLock->WriteLock();
    if (!w || name == FFileName) return;
    FFileName = name;
    if (!name.empty() && FEnabled && !FRunning) QueueStarts();
    NotifyProp();
}

void TVDCommonLogger::SetEnabled(bool enabled) {
    const IPNLockSection w = FLock->WriteLock();
    if (!w || (enabled == FEnabled && (!FEnabled || FRunning))) return;
    FEnabled = enabled;
    EnabledChanged();
    if (!FFileName.empty() && FEnabled && !FRunning) {
        FInSyncMode = true;
        QueueStarts();
    }
    NotifyProp();
}

void TVDCommonLogger::SetOnProgress(TVDLoggerProgressEvent handler) {
    const IPNLockSection w = FLock->WriteLock();
    if (w) std::swap(FOnProgress, handler);
}

std::int64_t TVDCommonLogger::CurrentFrame() { return FLock->Getter(FCurrentFrame); }
std::int64_t TVDCommonLogger::CurrentTime() { return FLock->Getter(FCurrentVideoTime); }
std::string TVDCommonLogger::CurrentFileName() { return FLock->Getter(FCurrentFileName); }

void TVDCommonLogger::SetAudioFormat(const audio::TAUWaveFormatExtensible& format) {
    const IPNLockSection w = FInputLock->WriteLock();
    if (w) FWaveFormat = format;
}

void TVDCommonLogger::ClearAudioFormat() {
    const IPNLockSection w = FInputLock->WriteLock();
    if (w) FWaveFormat.reset();
}

void TVDCommonLogger::IntStartVideo(std::int32_t width, std::int32_t height, std::uint32_t interlaceFlags,
                                    TVDVideoFormat format, std::int64_t frameDelay) {
    FStartWidth = width;
    FStartHeight = height;
    FInterlaceFlags = interlaceFlags;
    FStartDelay = frameDelay;
    // Packed and planar YUV pair their pixels: an odd width has no such form.
    FStartVideoFormat = (width & 1) != 0 && isYuv(format) ? TVDVideoFormat::vfRGB24 : format;
}

void TVDCommonLogger::QueueStarts() {
    if (FWaveFormat) FAudioSyncQueue->Push(std::make_shared<TPNStartWaveOperation>(&*FWaveFormat));
    if (FStartWidth > 0)
        FVideoSyncQueue->Push(std::make_shared<TPNStartFrameOperation>(
            FStartWidth, FStartHeight, static_cast<std::int32_t>(FStartDelay), FStartVideoFormat, FInterlaceFlags,
            static_cast<std::uint32_t>(FStartWidth), static_cast<std::uint32_t>(FStartHeight)));
}

// ---- the inputs

bool TVDCommonLogger::VideoSinkDispatch(const IPNNotifyOperation& op) {
    const IPNLockSection input = FInputLock->WriteLock();
    if (!input) return false;
    if (SubVideoSinkDispatch(op)) return true;
    const auto* start = PNOperationAs<TPNStartFrameOperation>(op);
    if (start && !PNOperationAs<TVDInternalStartFrameOperation>(op)) {
        FVideoStopped = false;
        FAudioStopped = false;
        FHasVideoInfo = true;
        IntStartVideo(start->Width, start->Height, start->InterlaceFlags, start->VideoFormat, start->FrameDelay);
        if (FEnabled && FRunning && !FFileName.empty() && FFileName != FCurrentFileName) {
            // The name changed while a file is written: end it, go on in the next.
            FVideoSyncQueue->Push(std::make_shared<TVDInternalStopOperation>());
            FVideoSyncQueue->Push(std::make_shared<TVDInternalStartFrameOperation>(
                FFileName, FStartWidth, FStartHeight, static_cast<std::int32_t>(FStartDelay), FStartVideoFormat,
                FInterlaceFlags, static_cast<std::uint32_t>(FStartWidth), static_cast<std::uint32_t>(FStartHeight)));
        }
    }
    FVideoSyncQueue->Push(op);
    const bool mainThread = onMainThread();
    if (FInSyncMode && !mainThread) NotifyMainThread();
    else ProcessStreams(mainThread);
    return true;
}

bool TVDCommonLogger::AudioSinkDispatch(const IPNNotifyOperation& op) {
    const IPNLockSection input = FInputLock->WriteLock();
    if (!input) return false;
    if (PNOperationAs<TPNStartWaveOperation>(op)) QueryPins();
    FAudioSyncQueue->Push(op);
    const bool mainThread = onMainThread();
    // Audio that video waits for is written at once, even in sync mode.
    if (FInSyncMode && !mainThread && !FCatchUpAudio) NotifyMainThread();
    else ProcessStreams(mainThread);
    return true;
}

bool TVDCommonLogger::SubVideoSinkDispatch(const IPNNotifyOperation&) { return false; }

void TVDCommonLogger::IntProcessStreams() {}

void TVDCommonLogger::QueryPins() {
    // The sources answer on this thread and may deliver to this logger from
    // another one meanwhile: the input lock is given up for the call.
    const IPNLockSection locksFree = FInputLock->UnlockAll();
    FInputPin->Notify(std::make_shared<pins::TPNQueryStreamOperation>());
    FAudioInputPin->Notify(std::make_shared<pins::TPNQueryStreamOperation>());
}

void TVDCommonLogger::ProcessStreams(bool inMainThread) {
    const auto drainOne = [&](pins::TSGOperationList& queue,
                              bool (TVDCommonLogger::*dispatch)(const IPNNotifyOperation&, bool)) {
        const IPNNotifyOperation op = queue.Pop();
        if (!op) return false;
        if ((this->*dispatch)(op, inMainThread)) return true;
        queue.PushBack(op);
        return false;
    };
    for (;;) {
        // While audio catches up with the frames of the file being ended, video waits.
        const bool video = !FCatchUpAudio && drainOne(*FVideoSyncQueue, &TVDCommonLogger::IntVideoDispatch);
        const bool audio = drainOne(*FAudioSyncQueue, &TVDCommonLogger::IntAudioDispatch);
        if (FCatchUpAudio && AudioCaughtUp()) SwitchFiles();
        IntProcessStreams();
        if (!video && !audio) break;
        if (FInSyncMode && !inMainThread) break;
    }
    if (inMainThread) FInSyncMode = false;
}

void TVDCommonLogger::MainThreadDataProcess() {
    // From the main loop: a failure is reported, not thrown into the loop.
    try {
        const IPNLockSection w = FLock->WriteLock();
        if (w) ProcessStreams(true);
    } catch (const std::exception& e) {
        log::error(log::Category::media, "%s: %s", pins::TCBThread::GetComponentName(*this).c_str(), e.what());
    }
}

bool TVDCommonLogger::HandToMainThread() {
    FInSyncMode = true;
    NotifyMainThread();
    return false;
}

void TVDCommonLogger::NotifyMainThread() {
    if (FMainThreadNotify) FMainThreadNotify->Notify(true);
}

// ---- video

bool TVDCommonLogger::IntVideoDispatch(const IPNNotifyOperation& op, bool inMainThread) {
    if (const auto* internal = PNOperationAs<TVDInternalStartFrameOperation>(op))
        return StartVideo(*internal, internal->FileName, inMainThread);
    if (const auto* start = PNOperationAs<TPNStartFrameOperation>(op))
        return StartVideo(*start, FFileName, inMainThread);
    if (PNOperationAs<TVDInternalStopOperation>(op)) {
        // The audio of the frames written so far goes into this file first.
        FStopping = true;
        FCatchUpAudio = true;
        if (AudioCaughtUp()) SwitchFiles();
        return true;
    }
    if (PNOperationAs<pins::TPNStopOperation>(op)) {
        // Audio still queued goes into the file: it ends with the audio stop.
        FHasVideoInfo = false;
        FVideoStopped = true;
        DrainWorker();
        TryEndAVI();
        return true;
    }
    if (PNOperationAs<pins::TPNSuppliedBufferOperation>(op)) {
        const bool enabled = bufferEnabled(op, FEnabled);
        if (FCatchUpAudio || FStopping) {
            // Back at the head of the queue, with the flag it came with.
            const auto* supplied = PNOperationAs<pins::TPNSuppliedBufferOperation>(op);
            FVideoSyncQueue->PushBack(std::make_shared<pins::TPNInternalBufferOperation>(enabled, supplied->Buffer));
            return true;
        }
        return VideoBuffer(op, enabled, inMainThread);
    }
    return true;
}

bool TVDCommonLogger::AudioCaughtUp() {
    return !HasAudioStream() || FAudioStopped || FCurrentAudioTime >= FCurrentVideoTime;
}

void TVDCommonLogger::SwitchFiles() {
    DrainWorker();
    const bool audioRan = HasAudioStream() && !FAudioStopped;
    FVideoStarted = false;
    EndAVI(false);
    FCatchUpAudio = false;
    FStopping = false;
    // The next file takes the audio stream along from its first block on.
    if (audioRan && FWaveFormat) FAudioSyncQueue->PushBack(std::make_shared<TPNStartWaveOperation>(&*FWaveFormat));
}

bool TVDCommonLogger::StartVideo(const TPNStartFrameOperation& start, const std::string& fileName, bool inMainThread) {
    // The file in hand is not ended yet: the start waits at the head of the queue.
    if (FCatchUpAudio || FStopping) return false;
    if (FRunning && fileName == FActiveFileName) return true;
    if (!inMainThread) return HandToMainThread();
    FActiveFileName = fileName;
    FHasVideoInfo = true;
    IntStartVideo(start.Width, start.Height, start.InterlaceFlags, start.VideoFormat, start.FrameDelay);
    if (!FEnabled) return true;
    BeginVideo(FStartWidth, FStartHeight, FStartVideoFormat, FStartDelay);
    return true;
}

bool TVDCommonLogger::VideoBuffer(const IPNNotifyOperation& op, bool enabled, bool inMainThread) {
    if (!FVideoStarted) {
        if (!enabled || FStartWidth <= 0) return true;  // nothing to start a file with: dropped
        if (!inMainThread) return HandToMainThread();
        BeginVideo(FStartWidth, FStartHeight, FStartVideoFormat, FStartDelay);
        // A file that cannot be made drops the frame rather than hoarding it.
        if (!FVideoStarted) return true;
    }
    const auto* supplied = PNOperationAs<pins::TPNSuppliedBufferOperation>(op);
    const IVDImageBuffer frame = TVDImageBuffer::CreateUniversal(supplied->Buffer);
    if (VideoMustWait(frame)) return false;
    return LoggerBufferOperation(op, enabled);
}

bool TVDCommonLogger::VideoMustWait(const IVDImageBuffer& frame) {
    if (!HasAudioStream() || FAudioStopped || !HasVideoStream()) return false;
    const pins::TMBTimeStamp& stamp = frame->GetTimeStamp();
    const std::int64_t duration = stamp.Available() ? stamp.EndTime() - stamp.BeginTime() : FStartDelay;
    return FCurrentVideoTime > FCurrentAudioTime + duration;
}

bool TVDCommonLogger::LoggerBufferOperation(const IPNNotifyOperation& op, bool enabled) {
    const auto push = std::make_shared<TPNPushBufferOperation>(op, enabled);
    if (const std::shared_ptr<pins::TSGFilterThread> worker = FFilterThread) {
        worker->PushOperation(push);
        return true;
    }
    IntLoggerSingleOperation(*push);
    return true;
}

void TVDCommonLogger::FilterPump(const IPNNotifyOperation& op) {
    const auto* push = PNOperationAs<TPNPushBufferOperation>(op);
    if (!push) return;
    IntPrepareImage(*push);
    const IPNLockSection input = FInputLock->WriteLock();
    if (input) IntLoggerSingleOperation(*push);
}

void TVDCommonLogger::IntLoggerSingleOperation(const TPNPushBufferOperation& push) {
    const auto* supplied = PNOperationAs<pins::TPNSuppliedBufferOperation>(push.Operation);
    if (!supplied || !HasVideoStream()) return;
    const IVDImageBuffer frame = TVDImageBuffer::CreateUniversal(supplied->Buffer);
    if (!KeepsFormat(*frame)) frame->SetFormat(FStartVideoFormat);
    FPushInHand = &push;
    const struct InHandEnds {
        const TPNPushBufferOperation*& push;
        ~InHandEnds() { push = nullptr; }
    } inHandEnds{FPushInHand};
    IntRenderImage(frame);
}

void TVDCommonLogger::TryEndAVI() {
    if (!FHasAudioInfo && !FHasVideoInfo) EndAVI(true);
}

// ---- audio

bool TVDCommonLogger::IntAudioDispatch(const IPNNotifyOperation& op, bool inMainThread) {
    if (const auto* start = PNOperationAs<TPNStartWaveOperation>(op)) {
        if (!inMainThread) return HandToMainThread();
        FAudioStartRequested = false;
        FWaveFormat = start->WaveFormat;
        FHasAudioInfo = true;
        FAudioStopped = false;
        if (FEnabled && !FAudioStarted) BeginAudio(start->WaveFormat);
        return true;
    }
    if (PNOperationAs<TVDInternalStopOperation>(op)) {
        if (!FVideoStarted) EndAVI(false);
        return true;
    }
    if (PNOperationAs<pins::TPNStopOperation>(op)) {
        FAudioStartRequested = false;
        FHasAudioInfo = false;
        FAudioStopped = true;
        TryEndAVI();
        FWaveFormat.reset();
        return true;
    }
    if (PNOperationAs<pins::TPNSuppliedBufferOperation>(op))
        return AudioBuffer(op, bufferEnabled(op, FEnabled), inMainThread);
    return true;
}

bool TVDCommonLogger::AudioBuffer(const IPNNotifyOperation& op, bool enabled, bool inMainThread) {
    const auto* supplied = PNOperationAs<pins::TPNSuppliedBufferOperation>(op);
    const IAUAudioBuffer block = TAUAudioBuffer::CreateUniversal(supplied->Buffer);
    if (!FAudioStarted) {
        if (!enabled) return true;
        if (!FWaveFormat) FWaveFormat = block->GetWaveFormat();
        if (!inMainThread) {
            if (FAudioStartRequested) return HandToMainThread();
            // The stream is opened on the main thread, by a start in front of the block.
            FAudioStartRequested = true;
            FAudioSyncQueue->PushBack(op);
            FAudioSyncQueue->PushBack(std::make_shared<TPNStartWaveOperation>(&*FWaveFormat));
            HandToMainThread();
            return true;
        }
        FHasAudioInfo = true;
        FAudioStopped = false;
        BeginAudio(*FWaveFormat);
        if (!FAudioStarted) return true;
    }
    return RenderAudio(block);
}

bool TVDCommonLogger::RenderAudio(const IAUAudioBuffer& block) {
    if (!HasAudioStream()) return false;
    const std::uint32_t frames = block->GetSize();
    const std::uint32_t rate = block->GetSamplesPerSecond();
    const std::int64_t duration = rate ? std::int64_t{frames} * kSecond / rate : 0;
    if (HasVideoStream() && !FVideoStopped && FCurrentAudioTime > FCurrentVideoTime + duration) return false;
    const std::uint32_t taken = IntRenderAudio(block);
    if (taken == 0 || taken >= frames) return true;
    // The rest waits at the head of the queue.
    const auto rest = std::make_shared<TAUAudioBuffer>(block->GetWaveFormat(), frames - taken);
    block->CopyToAudio(taken, *rest, frames - taken, 0);
    FAudioSyncQueue->PushBack(std::make_shared<pins::TPNInternalBufferOperation>(true, rest));
    return true;
}

// ---- for descendants

void TVDCommonLogger::ReportPosition() {
    ++FCurrentFrame;
    if (!FOnProgress) return;
    {
        std::lock_guard l(FPositionLock);
        if (FLastFrame == FCurrentFrame) return;
        FLastFrame = FCurrentFrame;
    }
    if (FProgressNotify) FProgressNotify->Notify();
}

void TVDCommonLogger::SyncReportPosition() {
    TVDLoggerProgressEvent handler = FLock->Getter(FOnProgress);
    std::int64_t frame = 0;
    {
        // A count that arrived with an earlier hand-off has been told already.
        std::lock_guard l(FPositionLock);
        if (FLastFrame == FReportedFrame) return;
        frame = FReportedFrame = FLastFrame;
    }
    if (handler) handler(*this, frame);
}

void TVDCommonLogger::ClearQueues() {
    FVideoSyncQueue->Clear();
    FAudioSyncQueue->Clear();
    FAudioStartRequested = false;
    FCatchUpAudio = FStopping = false;
}

void TVDCommonLogger::ResetStreams() {
    FVideoStarted = FAudioStarted = false;
    FHasVideoInfo = FHasAudioInfo = false;
    FVideoStopped = FAudioStopped = true;
    FActiveFileName.clear();
    // The next file takes the size and rate of its own start, not this one's:
    // switching on again queues the remembered start (QueueStarts) ahead of
    // the next stream's own, which would then find its file already open.
    FStartWidth = FStartHeight = 0;
    FStartDelay = 0;
    FInterlaceFlags = 0;
    FStartVideoFormat = TVDVideoFormat::vfRGB24;
    StartCounting();
}

void TVDCommonLogger::StartCounting() {
    FCurrentFrame = 0;
    FCurrentVideoTime = 0;
    FCurrentAudioTime = 0;
    std::lock_guard l(FPositionLock);
    FLastFrame = FReportedFrame = 0;
}

void TVDCommonLogger::StreamsEnded() {
    FAudioStarted = false;
    FHasVideoInfo = FHasAudioInfo = false;
}

void TVDCommonLogger::StopHandOffs() {
    FProgressNotify.reset();
    FMainThreadNotify.reset();
}

}  // namespace oculon::mediavideo
