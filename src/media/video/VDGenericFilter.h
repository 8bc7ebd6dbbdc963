#pragma once
// The generic video filter: hands each frame to a callback, on the thread
// that processes it or on the main thread, and lets code announce, push and
// end a stream of its own (SendStartCommand, SendData, SendStopCommand).
//
// With SynchronizeType stNone the callback runs where the frame is
// processed (the worker, or inline) and its result goes on from there. With
// stSingleBuffer or stQueue the frame is handed to the main thread, where
// the callback runs and its result is sent; stSingleBuffer drops a frame
// while another is still waiting for the main thread, stQueue queues every
// frame. Frames still waiting when the stream stops are dropped, so nothing
// follows the stop. Without a callback every frame goes on unchanged.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/pins/SGThreadQueues.h"
#include "media/video/VDCommonFilter.h"

namespace oculon::mediavideo {

enum class TSGSynchronizeType : std::uint8_t { stNone = 0, stSingleBuffer = 1, stQueue = 2 };

class TVDBasicGenericFilter : public TVDCommonFilter {
public:
    using TNotifyEvent = std::function<void(TVDBasicGenericFilter& sender)>;

    explicit TVDBasicGenericFilter(pins::TComponent* owner = nullptr, std::string name = {});
    ~TVDBasicGenericFilter() override;

    TSGSynchronizeType SynchronizeType() { return FLock->Getter(FSynchronizeType); }
    void SetSynchronizeType(TSGSynchronizeType type) { FLock->Setter(FSynchronizeType, type); }
    void GetPropInfos(pins::TPropList& props) override;
    // Called when a running stream stops.
    void SetOnStop(TNotifyEvent handler);

    // Announces a stream of RGBA32 frames of this size, `frameDelay` apart
    // (100-ns units): up through the input when it is linked, so that the
    // stream's head starts it; otherwise straight down the output.
    void SendStartCommand(std::int32_t width, std::int32_t height, std::int32_t frameDelay);
    // Sends a stop up through a linked input, then stops the output.
    void SendStopCommand();

    // Clears the main-thread queue when the stream was running, then OnStop.
    void StreamStop() override;
    void InternalOperation(const IVDImageBuffer& in, IVDImageBuffer& out, bool& sendOutputData, bool process) override;
    void SetSizeRate(TVDFrameShape& shape, std::int64_t frameDelay, std::uint32_t interlaceFlags) override;

    // At a stream start, with the announced size and frame delay.
    virtual void IntStart(std::int32_t width, std::int32_t height, std::int64_t frameDelay) = 0;
    // Whether a frame callback is set; read under the output lock.
    virtual bool GetHasEvent() = 0;
    // The frame callback: may replace `out`, or clear `sendOutputData` to keep it back.
    virtual void DoProcessData(const IVDImageBuffer& in, IVDImageBuffer& out, bool& sendOutputData) = 0;

protected:
    // Stores an event field under the property lock; the old handler is
    // released after the section.
    template <class Event>
    void SetEvent(Event& field, Event handler) {
        const pins::IPNLockSection w = FLock->WriteLock();
        if (w) std::swap(field, handler);
    }

private:
    // On the main thread: one frame handed over.
    void SyncBuffer(const pins::ISGData& buffer);

    TNotifyEvent FOnStop;
    TSGSynchronizeType FSynchronizeType = TSGSynchronizeType::stNone;
    std::unique_ptr<pins::TSGMainThreadBufferQueue> FBufferQueue;
};

class TVDBasicStartGenericFilter : public TVDBasicGenericFilter {
public:
    // Sender, width, height, frame delay in 100-ns units.
    using TVDStartNotify =
        std::function<void(TVDBasicGenericFilter& sender, std::int32_t width, std::int32_t height, double frameDelay)>;
    using TVDBasicGenericFilter::TVDBasicGenericFilter;

    void SetOnStart(TVDStartNotify handler) { SetEvent(FOnStart, std::move(handler)); }
    void IntStart(std::int32_t width, std::int32_t height, std::int64_t frameDelay) override;

private:
    TVDStartNotify FOnStart;
};

class TVDGenericFilter : public TVDBasicStartGenericFilter {
public:
    using TVDProcessVideoNotify = std::function<void(TVDBasicGenericFilter& sender, const IVDImageBuffer& in,
                                                     IVDImageBuffer& out, bool& sendOutputData)>;
    using TVDBasicStartGenericFilter::TVDBasicStartGenericFilter;

    void SetOnProcessData(TVDProcessVideoNotify handler) { SetEvent(FOnProcessData, std::move(handler)); }
    // Sends the frame down the output, past the input side; true when a sink took it.
    bool SendData(const IVDImageBuffer& buffer) { return OutputPin().SubmitBuffer(buffer); }

    bool GetHasEvent() override { return static_cast<bool>(FOnProcessData); }
    void DoProcessData(const IVDImageBuffer& in, IVDImageBuffer& out, bool& sendOutputData) override;

private:
    TVDProcessVideoNotify FOnProcessData;
};

}  // namespace oculon::mediavideo
