#pragma once
// The bases of the filters: components with an input pin and output pins
// that process the buffers an upstream source sends them, inline on the
// delivering thread or, with threading on, on a worker of their own fed
// through a bounded queue.
//
// Locks. A filter has an input lock, held while an operation is dispatched,
// and an output lock, held while a buffer is processed and sent on; its
// component lock is the pair of both (input first), so that a property
// change waits for both sides. Derived filters make their input pin on the
// input lock and their output pins on the output lock, with the input lock
// as the output pins' input-owner lock, so a delivery downstream holds
// neither.
//
// Order of a stream: a start (a TPNStartSampleRateOperation) starts the
// worker, then goes on downstream; a stop lets the worker finish what is
// queued, ends it, then goes on, so the end of a stream loses no buffer.
// StreamStop itself (and destruction) drops what is queued. Buffers that
// arrive while no worker runs are processed inline.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "media/pins/CBComponent.h"
#include "media/pins/CBThread.h"
#include "media/pins/PNStandardPins.h"
#include "media/pins/PNSync.h"
#include "media/pins/SGDataPins.h"
#include "media/pins/SGThreadQueues.h"

namespace oculon::pins {

enum class TSGQueueFullMode : std::uint8_t { fmBlock = 0, fmDropData = 1 };

// The worker's queue: up to Size + 1 operations wait (a push is taken while
// at most Size do); a push that finds the queue full is dropped or waits.
class TSGThreadingQueue : public TCBPersistent {
public:
    explicit TSGThreadingQueue(TCBPersistent& owner) : TCBPersistent(&owner) {}
    std::uint32_t Size() { return FLock->Getter(FSize); }
    void SetSize(std::uint32_t size) { FLock->Setter(FSize, size); }
    TSGQueueFullMode FullMode() { return FLock->Getter(FFullMode); }
    void SetFullMode(TSGQueueFullMode mode);
    void GetPropInfos(TPropList& props) override;

private:
    std::uint32_t FSize = 15;
    TSGQueueFullMode FFullMode = TSGQueueFullMode::fmBlock;
};

// A filter's threading settings, on the filter's input lock. A change of
// Enabled takes effect at the next stream start; one of Priority at once.
class TSGThreading : public TCBPersistent {
public:
    TSGThreading(TCBComponent& owner, std::function<void()> priorityNotify, IPNLock& lock);

    bool Enabled() { return FLock->Getter(FEnabled); }
    void SetEnabled(bool enabled) { FLock->Setter(FEnabled, enabled); }
    TThreadPriority Priority() { return FLock->Getter(FPriority); }
    // Tells the filter also when the priority stays the same.
    void SetPriority(TThreadPriority priority);
    TSGThreadingQueue& Queue() { return FQueue; }
    void SetQueue(TSGThreadingQueue& queue) { FQueue.Assign(queue); }
    void GetPropInfos(TPropList& props) override;
    // Adds the read-only "QueueSize".
    void DefineProperties(platform::TFiler& filer) override;
    TCBComponent& Owner() const { return FOwner; }
    // The "QueueSize" of a stored form: read into Queue.Size (clamped to its
    // range), never written back.
    void ReadQueueSize(std::int64_t size);

private:
    TCBComponent& FOwner;
    const std::function<void()> FPriorityNotify;
    bool FEnabled = false;
    TThreadPriority FPriority = TThreadPriority::tpNormal;
    TSGThreadingQueue FQueue{*this};
};

// The worker of a filter: runs the owner's notification for each queued
// operation in order. Named "<component name>.TSGFilterThread"; started when
// made, ended and joined by Terminate or the destructor. An operation whose
// handling throws is logged and the worker goes on with the next.
class TSGFilterThread : public TCBThread {
public:
    using TOwnerNotify = std::function<void(const IPNNotifyOperation&)>;

    // `lock` is the filter's input lock, which the producers hold.
    TSGFilterThread(const TComponent& owner, TOwnerNotify ownerNotify, TSGThreading& threading,
                    std::shared_ptr<IPNLock> lock);
    ~TSGFilterThread() override;

    // On the delivering thread, which holds `lock`. A full queue drops the
    // operation or, in block mode, waits with `lock` given up until the
    // worker has made room or has ended. False when it was not queued.
    bool PushOperation(const IPNNotifyOperation& op);
    // Ends the worker, releases producers waiting for room, and joins it
    // (unless called by the worker itself). Queued operations are dropped.
    void Terminate();
    // Set while nothing is queued and the worker is idle, or after it ended.
    TPNEvent& GetQueueEvent() { return FQueueEmptyEvent; }
    std::size_t QueuedCount() { return FOperationQueue.ItemsCount(); }

protected:
    void Execute() override;
    void interrupt() override;

private:
    void run(const IPNNotifyOperation& op);

    const std::shared_ptr<IPNLock> FLock;
    const TOwnerNotify FOwnerNotify;
    TSGThreading& FThreading;
    TPNEvent FEvent{false, false};           // work to do
    TPNEvent FProcessedEvent{false, false};  // room in the queue
    TPNEvent FTerminatedEvent{true, false};
    TSGOperationList FOperationQueue;
    TPNEvent FQueueEmptyEvent{true, true};
    std::mutex emptyMutex_;  // the queue-empty event changes with the queue under it
    std::atomic<std::uint32_t> limit_{15};
};

class TSGBasicThreadedFilter : public TCBComponent {
public:
    explicit TSGBasicThreadedFilter(TComponent* owner = nullptr, std::string name = {});
    ~TSGBasicThreadedFilter() override;
    // Stops the stream and unlinks every published pin before anything is
    // torn down.
    void BeforeDestruction() override;

    TSGThreading& Threading() { return *FThreading; }
    void SetThreading(TSGThreading& settings) { FThreading->Assign(settings); }
    void GetPropInfos(TPropList& props) override;
    const std::shared_ptr<ICBLock>& InputLock() const { return FInputLock; }
    const std::shared_ptr<ICBLock>& OutputLock() const { return FOutputLock; }
    // Both changed on the input side only: read without waiting for the worker.
    bool Running() { return FInputLock->Getter(FRunning); }
    std::shared_ptr<TSGFilterThread> FilterThread();

    // The entry point for the input pin's operation event, under the input
    // lock: starts and stops the stream, hands buffers to BufferOperation and
    // passes everything else on. False when the input lock refuses (the
    // filter is stopping).
    virtual bool SinkDispatch(TPNBasicPin& sender, const TGUID& id, const IPNNotifyOperation& op,
                              TPNNotifyStates states);
    virtual bool IsEnabled() { return true; }
    // Run by the worker for each queued operation, under the output lock.
    virtual void FilterPump(const IPNNotifyOperation& op);
    virtual bool IntSingleOperation(const IPNNotifyOperation& op);
    virtual bool IntSingleBufferOperation(const ISGDataBuffer& buffer) { return false; }
    // Drops the buffer while disabled, queues it for the worker, or
    // processes it inline under the input lock.
    virtual bool BufferOperation(const IPNNotifyOperation& op, TPNNotifyStates states);
    virtual void EnabledChanged() {}
    virtual void StreamStop();
    virtual void StreamStart();
    // `op` through the output pin; false while the filter is being destroyed.
    virtual bool OutputPinsNotify(const IPNNotifyOperation& op);
    virtual TPNSourcePin* GetOutputPin() { return nullptr; }

protected:
    void ThreadPriorityChange();
    // Waits, with the input lock given up, until the worker has done what is queued.
    void DrainWorker();

    std::shared_ptr<ICBLock> FInputLock;
    std::shared_ptr<ICBLock> FOutputLock;
    std::unique_ptr<TSGThreading> FThreading;
    // Shared with producers inside PushOperation: a worker stopped meanwhile
    // stays alive until they have left it.
    std::shared_ptr<TSGFilterThread> FFilterThread;
    bool FRunning = false;
};

// A filter with an on/off switch, also as a Boolean input pin "EnablePin".
class TSGBasicThreadedEnableFilter : public TSGBasicThreadedFilter {
public:
    explicit TSGBasicThreadedEnableFilter(TComponent* owner = nullptr, std::string name = {});
    bool IsEnabled() override { return FLock->Getter(FEnabled); }
    // A change calls EnabledChanged, then NotifyProp.
    virtual void SetEnabled(bool enabled);
    TPNBoolSinkPin& EnablePin() { return *FEnablePin; }
    void GetPropInfos(TPropList& props) override;

protected:
    bool FEnabled = true;
    PNOwned<TPNBoolSinkPin> FEnablePin;
};

// A filter that reads an input buffer and writes an output buffer, both on
// the received data; the output may be written in place when this filter is
// the last receiver of the data and CanInline says so. Descendants decide
// in IntBufferOperation whether to work while disabled.
class TSGBasicCommonFilter : public TSGBasicThreadedEnableFilter {
public:
    using TSGBasicThreadedEnableFilter::TSGBasicThreadedEnableFilter;
    bool IntSingleBufferOperation(const ISGDataBuffer& buffer) override;
    bool BufferOperation(const IPNNotifyOperation& op, TPNNotifyStates states) override;
    // Under the output lock; writes `out` and sends it on.
    virtual bool IntBufferOperation(const ISGDataBuffer& in, const ISGDataBuffer& out) { return false; }
    virtual bool CanInline() { return false; }
};

}  // namespace oculon::pins
