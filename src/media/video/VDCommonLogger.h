#pragma once
// The base of the file writers: a component with an image input, an audio
// input and a file-name input that writes what comes in into the file named
// by FileName. The file format is the descendant's (BeginVideo, BeginAudio,
// EndAVI, IntRenderImage, IntRenderAudio).
//
// Each input has a queue of its own; the queues are drained in turn, and a
// frame that is ahead of the audio waits (and audio ahead of video), so the
// file holds both interleaved by their running times. Files are always
// created on the main thread: work that needs a new file and arrives on
// another thread is handed to the main thread (sync mode) and the frames
// behind it wait in the queue, none lost. A new name while a stream runs
// ends the file, once the audio has caught up with the frames written to it,
// and starts the next one with the same stream values; an audio stream may
// join a file after its first frames.
//
// OnProgress reports the number of frames written, on the main thread, once
// per changed count.
//
// Locks: the dispatch of both inputs and the writing run under the input
// lock; the file name and the handlers are properties on the component lock.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "media/audio/AUStreamTypes.h"
#include "media/pins/SGThreadQueues.h"
#include "media/pins/SGThreadedFilter.h"
#include "media/video/VDSimpleImageBuffer.h"
#include "media/video/VDStreamTypes.h"

namespace oculon::mediavideo {

// A frame or block handed to the logger's worker, with whether the logger
// was enabled when it arrived.
class TPNPushBufferOperation : public pins::TPNNotifyOperation {
public:
    TPNPushBufferOperation(pins::IPNNotifyOperation operation, bool enabled)
        : Operation(std::move(operation)), Enabled(enabled) {}
    const pins::IPNNotifyOperation Operation;
    const bool Enabled;
};

// Ends the file in hand ahead of a switch to the next one.
class TVDInternalStopOperation : public pins::TPNNotifyOperation {};

class TVDCommonLogger : public pins::TSGBasicThreadedEnableFilter {
public:
    // Sender and the number of frames written to the current file.
    using TVDLoggerProgressEvent = std::function<void(TVDCommonLogger& sender, std::int64_t currentFrame)>;

    explicit TVDCommonLogger(pins::TComponent* owner = nullptr, std::string name = {});
    ~TVDCommonLogger() override;
    // Unlinks the inputs and ends the file before anything is torn down.
    void BeforeDestruction() override;

    TVDPNImageSinkPin& InputPin() { return *FInputPin; }
    audio::TAUPNAudioSinkPin& AudioInputPin() { return *FAudioInputPin; }
    pins::TPNStringSinkPin& FileNamePin() { return *FFileNamePin; }

    std::string FileName() { return FLock->Getter(FFileName); }
    // A new, non-empty name while enabled and between files queues the
    // stream starts again, so the next frames go to a file of that name.
    void SetFileName(const std::string& name);
    void GetPropInfos(pins::TPropList& props) override;
    // Switching on between files (with a file name set) queues the stream
    // starts again, so the next frames open the file on the main thread.
    void SetEnabled(bool enabled) override;
    void SetOnProgress(TVDLoggerProgressEvent handler);

    // Frames written to the current file, and its video time (100-ns units).
    std::int64_t CurrentFrame();
    std::int64_t CurrentTime();
    // The file being written, or the last one written.
    std::string CurrentFileName();

    // The audio format that restarts the audio stream after a file switch.
    void SetAudioFormat(const audio::TAUWaveFormatExtensible& format);
    void ClearAudioFormat();

protected:
    // ---- The file format's part, called under the input lock.
    // Opens the file (when none is open) and its video stream; called on the main thread.
    virtual void BeginVideo(std::int32_t width, std::int32_t height, TVDVideoFormat format,
                            std::int64_t frameDelay) = 0;
    virtual void BeginAudio(const audio::TAUWaveFormatExtensible& format) = 0;
    // Closes the file; with `clearQueues` also drops whatever waits to be written.
    virtual void EndAVI(bool clearQueues) = 0;
    virtual bool HasVideoStream() = 0;
    virtual bool HasAudioStream() = 0;
    // Writes one frame, already in the stream's start format unless
    // KeepsFormat took it as it is.
    virtual void IntRenderImage(const IVDImageBuffer& frame) = 0;
    // Whether the file format writes this frame in its own format, sparing
    // it the conversion to the stream's start format; on the worker.
    virtual bool KeepsFormat(const TVDImageBuffer& frame) { return false; }
    // Called on the logger's worker for each frame before it takes the input
    // lock, so that a sender is not held up meanwhile: work on the frame that
    // needs none of what that lock guards (a compressor's), whose result
    // IntRenderImage may then use for the frame in hand (PushInHand).
    virtual void IntPrepareImage(const TPNPushBufferOperation& push) {}
    // The frame being written, while IntRenderImage runs; null otherwise.
    const TPNPushBufferOperation* PushInHand() const { return FPushInHand; }
    // Writes samples of `block`; the number of frames (samples per channel) taken.
    virtual std::uint32_t IntRenderAudio(const audio::IAUAudioBuffer& block) = 0;

    // ---- Hooks: a descendant may take an operation of the image input
    // before the logger sees it (true: taken), and is called once per round
    // of draining the queues.
    virtual bool SubVideoSinkDispatch(const pins::IPNNotifyOperation& op);
    virtual void IntProcessStreams();
    // Asks the sources of both inputs what they stream (a query-stream
    // operation through each input); also when an audio stream starts.
    virtual void QueryPins();

    // ---- For descendants.
    // After a frame was written: counts it and tells OnProgress.
    void ReportPosition();
    // Drops everything queued on both inputs.
    void ClearQueues();
    // Forgets both streams and their start values: the next start, with its
    // own size and rate, begins a new file.
    void ResetStreams();
    // A new file counts its frames and time from 0.
    void StartCounting();
    // The file is closed: the audio stream and what was known of both
    // streams go with it.
    void StreamsEnded();
    // No main-thread hand-off runs after this: for a descendant's destructor.
    void StopHandOffs();

    // Set by the descendant once a stream of the file is ready for data.
    bool FVideoStarted = false;
    bool FAudioStarted = false;
    std::int64_t FCurrentVideoTime = 0;  // 100-ns units
    std::int64_t FCurrentAudioTime = 0;
    std::int64_t FCurrentFrame = 0;
    std::int64_t FStartDelay = 0;
    std::int32_t FStartWidth = 0;
    std::int32_t FStartHeight = 0;
    TVDVideoFormat FStartVideoFormat = TVDVideoFormat::vfRGB24;
    std::uint32_t FInterlaceFlags = 0;
    std::string FCurrentFileName;

private:
    bool VideoSinkDispatch(const pins::IPNNotifyOperation& op);
    bool AudioSinkDispatch(const pins::IPNNotifyOperation& op);
    // Drains the queues in turn while either gives something on; an
    // operation that has to wait goes back to the head of its queue. Off the
    // main thread it stops once work has been handed to the main thread.
    void ProcessStreams(bool inMainThread);
    void MainThreadDataProcess();
    // True when the operation was used up, false when it has to wait.
    bool IntVideoDispatch(const pins::IPNNotifyOperation& op, bool inMainThread);
    bool IntAudioDispatch(const pins::IPNNotifyOperation& op, bool inMainThread);
    bool StartVideo(const TPNStartFrameOperation& start, const std::string& fileName, bool inMainThread);
    bool VideoBuffer(const pins::IPNNotifyOperation& op, bool enabled, bool inMainThread);
    bool AudioBuffer(const pins::IPNNotifyOperation& op, bool enabled, bool inMainThread);
    // Work that would open a file off the main thread waits for the main
    // thread, which is asked to drain the queues: false.
    bool HandToMainThread();
    void NotifyMainThread();
    bool LoggerBufferOperation(const pins::IPNNotifyOperation& op, bool enabled);
    void FilterPump(const pins::IPNNotifyOperation& op) override;
    void IntLoggerSingleOperation(const TPNPushBufferOperation& push);
    // Frames wait while they are ahead of the audio, audio while it is ahead
    // of the video, each only while the other stream runs.
    bool VideoMustWait(const IVDImageBuffer& frame);
    bool RenderAudio(const audio::IAUAudioBuffer& block);
    // At a file switch: the audio has reached the time of the frames written
    // (or there is no audio to wait for).
    bool AudioCaughtUp();
    // Ends the file in hand and queues the audio start of the next one.
    void SwitchFiles();
    void IntStartVideo(std::int32_t width, std::int32_t height, std::uint32_t interlaceFlags, TVDVideoFormat format,
                       std::int64_t frameDelay);
    // Ends the file unless one of the streams still has its start.
    void TryEndAVI();
    // The starts a new name or switching on queues: the audio one when a
    // format is known, the video one when a stream has been seen.
    void QueueStarts();
    void SyncReportPosition();

    pins::PNOwned<pins::TPNStringSinkPin> FFileNamePin;
    pins::PNOwned<TVDPNImageSinkPin> FInputPin;
    pins::PNOwned<audio::TAUPNAudioSinkPin> FAudioInputPin;
    std::string FFileName;
    std::string FActiveFileName;
    TVDLoggerProgressEvent FOnProgress;
    std::mutex FPositionLock;
    std::int64_t FLastFrame = 0;
    std::int64_t FReportedFrame = 0;  // the last count OnProgress was given
    const TPNPushBufferOperation* FPushInHand = nullptr;
    std::unique_ptr<pins::TSGOperationList> FVideoSyncQueue;
    std::unique_ptr<pins::TSGOperationList> FAudioSyncQueue;
    std::optional<audio::TAUWaveFormatExtensible> FWaveFormat;
    // A file switch waits for the audio of the frames written: video is
    // held back (FCatchUpAudio) and the next file's start waits (FStopping).
    bool FCatchUpAudio = false;
    bool FStopping = false;
    // An audio start is queued in front of a block that came before the stream.
    bool FAudioStartRequested = false;
    bool FHasVideoInfo = false;
    bool FHasAudioInfo = false;
    bool FVideoStopped = true;
    bool FAudioStopped = true;
    bool FInSyncMode = false;
    // Last members: gone first, so no hand-off reaches a logger being torn down.
    std::unique_ptr<pins::TSGMainThreadNotify> FMainThreadNotify;
    std::unique_ptr<pins::TSGMainThreadNotify> FProgressNotify;
};

}  // namespace oculon::mediavideo
