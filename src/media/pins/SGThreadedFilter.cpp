#include "media/pins/SGThreadedFilter.h"

#include <algorithm>
#include <limits>

#include "platform/ComponentStream.h"
#include "platform/Log.h"

namespace oculon::pins {

// ---- settings

void TSGThreadingQueue::SetFullMode(TSGQueueFullMode mode) { FLock->Setter(FFullMode, mode); }

void TSGThreadingQueue::GetPropInfos(TPropList& props) {
    TCBPersistent::GetPropInfos(props);
    props.push_back(PNProp<std::uint32_t>(
        "Size", [this] { return Size(); }, [this](std::uint32_t v) { SetSize(v); }, 15u));
    props.push_back(PNProp<TSGQueueFullMode>(
        "FullMode", [this] { return FullMode(); }, [this](TSGQueueFullMode v) { SetFullMode(v); },
        TSGQueueFullMode::fmBlock));
}

TSGThreading::TSGThreading(TCBComponent& owner, std::function<void()> priorityNotify, IPNLock& lock)
    : TCBPersistent(nullptr, lock), FOwner(owner), FPriorityNotify(std::move(priorityNotify)) {}

void TSGThreading::SetPriority(TThreadPriority priority) {
    {
        auto w = FLock->WriteLock();
        if (w) FPriority = priority;
    }
    if (FPriorityNotify) FPriorityNotify();
}

void TSGThreading::GetPropInfos(TPropList& props) {
    TCBPersistent::GetPropInfos(props);
    props.push_back(PNProp<bool>(
        "Enabled", [this] { return Enabled(); }, [this](bool v) { SetEnabled(v); }, false));
    props.push_back(PNProp<TThreadPriority>(
        "Priority", [this] { return Priority(); }, [this](TThreadPriority v) { SetPriority(v); },
        TThreadPriority::tpNormal));
    props.push_back(PNObjectProp("Queue", FQueue));
}

void TSGThreading::DefineProperties(platform::TFiler& filer) {
    TCBPersistent::DefineProperties(filer);
    filer.DefineProperty(
        "QueueSize", [this](platform::TReader& r) { r.Apply([this, size = r.ReadInteger()] { ReadQueueSize(size); }); },
        {}, false);
}

void TSGThreading::ReadQueueSize(std::int64_t size) {
    FQueue.SetSize(
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(size, 0, std::numeric_limits<std::uint32_t>::max())));
}

// ---- TSGFilterThread

TSGFilterThread::TSGFilterThread(const TComponent& owner, TOwnerNotify ownerNotify, TSGThreading& threading,
                                 std::shared_ptr<IPNLock> lock)
    : TCBThread(GetComponentName(owner) + ".TSGFilterThread"),
      FLock(std::move(lock)),
      FOwnerNotify(std::move(ownerNotify)),
      FThreading(threading) {
    limit_.store(threading.Queue().Size());
    SetPriority(threading.Priority());
    Start();
}

TSGFilterThread::~TSGFilterThread() { Terminate(); }

void TSGFilterThread::interrupt() {
    FEvent.Signal();
    FProcessedEvent.Signal();
}

void TSGFilterThread::Terminate() {
    TCBThread::Terminate();
    if (Thread::current() == this) return;
    // The worker ends after the operation in hand; only a handler that never
    // returns keeps it, and that is said.
    while (!WaitFor(std::chrono::seconds(10)))
        log::warning(log::Category::media, "%s: still waiting for the worker to end", Name().c_str());
}

bool TSGFilterThread::PushOperation(const IPNNotifyOperation& op) {
    const std::uint32_t size = FThreading.Queue().Size();
    const bool drop = FThreading.Queue().FullMode() == TSGQueueFullMode::fmDropData;
    limit_.store(size);
    while (FOperationQueue.ItemsCount() > size) {
        if (drop) return false;
        if (Terminated()) {
            // One wake-up per room made: hand it on to the next producer waiting.
            FProcessedEvent.Signal();
            return false;
        }
        const IPNLockSection inputFree = FLock->UnlockAll();
        FProcessedEvent.WaitFor();
    }
    {
        std::lock_guard l(emptyMutex_);
        if (Terminated()) return false;
        FQueueEmptyEvent.Reset();
        FOperationQueue.Push(op);
    }
    FEvent.Signal();
    return true;
}

void TSGFilterThread::run(const IPNNotifyOperation& op) {
    try {
        FOwnerNotify(op);
    } catch (const std::exception& e) {
        log::error(log::Category::media, "%s: an operation failed: %s", Name().c_str(), e.what());
    } catch (...) {
        log::error(log::Category::media, "%s: an operation failed", Name().c_str());
    }
}

void TSGFilterThread::Execute() {
    SetName();
    while (!Terminated()) {
        FEvent.WaitFor();
        while (!Terminated()) {
            IPNNotifyOperation op = FOperationQueue.Pop();
            if (!op) break;
            run(op);
            op.reset();
            if (FOperationQueue.ItemsCount() <= limit_.load()) FProcessedEvent.Signal();
        }
        std::lock_guard l(emptyMutex_);
        if (FOperationQueue.ItemsCount() == 0) FQueueEmptyEvent.Signal();
    }
    ThreadEnded();
    {
        std::lock_guard l(emptyMutex_);
        FOperationQueue.Clear();
        FQueueEmptyEvent.Signal();
    }
    FProcessedEvent.Signal();
    FTerminatedEvent.Signal();
}

// ---- TSGBasicThreadedFilter

TSGBasicThreadedFilter::TSGBasicThreadedFilter(TComponent* owner, std::string name)
    : TCBComponent(owner, std::move(name)) {
    FInputLock = FLock;
    FOutputLock = std::make_shared<TCBLock>([this] { NotifyProp(); });
    FLock = std::make_shared<TCBPairedLock>(FInputLock, FOutputLock, [this] { NotifyProp(); });
    FThreading = std::make_unique<TSGThreading>(
        *this, [this] { ThreadPriorityChange(); }, *FInputLock);
}

TSGBasicThreadedFilter::~TSGBasicThreadedFilter() {
    StreamStop();  // when not destroyed through PNOwned
    const IPNLockSection stop = FLock->StopLock();
    FThreading.reset();
}

void TSGBasicThreadedFilter::BeforeDestruction() {
    {
        // Under the stop, a delivery that arrives meanwhile is refused; one
        // already on its way to an input is waited for while that input's
        // link goes. No delivery then reaches the parts destroyed next.
        const IPNLockSection stop = FLock->StopLock();
        StreamStop();
        for (const auto& p : PublishedProperties()) {
            if (p.Pin) p.Pin->Disconnect();
            for (std::size_t i = 0; p.List && i < p.List->PublishedCount(); ++i)
                if (TPNBasicPin* pin = p.List->PublishedPin(i)) pin->Disconnect();
        }
    }
    TCBComponent::BeforeDestruction();
}

std::shared_ptr<TSGFilterThread> TSGBasicThreadedFilter::FilterThread() {
    auto r = FInputLock->ReadLock();
    return FFilterThread;
}

bool TSGBasicThreadedFilter::SinkDispatch(TPNBasicPin&, const TGUID&, const IPNNotifyOperation& op,
                                          TPNNotifyStates states) {
    const IPNLockSection input = FInputLock->WriteLock();
    if (!input) return false;
    if (PNOperationAs<TPNStartSampleRateOperation>(op)) {
        StreamStart();
        return OutputPinsNotify(op);
    }
    if (PNOperationAs<TPNStopOperation>(op)) {
        DrainWorker();
        StreamStop();
        return OutputPinsNotify(op);
    }
    if (PNOperationAs<TPNSuppliedBufferOperation>(op)) return BufferOperation(op, states);
    return OutputPinsNotify(op);
}

void TSGBasicThreadedFilter::StreamStart() {
    auto input = FInputLock->WriteLock();
    if (!input) return;
    FRunning = true;
    if (FThreading->Enabled() && !FFilterThread)
        FFilterThread = std::make_shared<TSGFilterThread>(
            *this, [this](const IPNNotifyOperation& op) { FilterPump(op); }, *FThreading, FInputLock);
}

void TSGBasicThreadedFilter::DrainWorker() {
    const std::shared_ptr<TSGFilterThread> worker = FFilterThread;
    if (!worker) return;
    const IPNLockSection inputFree = FInputLock->UnlockAll();
    worker->GetQueueEvent().WaitFor();
}

void TSGBasicThreadedFilter::StreamStop() {
    const IPNLockSection stop = FLock->StopLock();
    if (FFilterThread) {
        FFilterThread->Terminate();
        FFilterThread.reset();
    }
    FRunning = false;
}

void TSGBasicThreadedFilter::FilterPump(const IPNNotifyOperation& op) {
    const IPNLockSection output = FOutputLock->WriteLock();
    if (output) IntSingleOperation(op);
}

bool TSGBasicThreadedFilter::IntSingleOperation(const IPNNotifyOperation& op) {
    const auto* supplied = PNOperationAs<TPNSuppliedBufferOperation>(op);
    const ISGDataBuffer buffer = supplied && supplied->Buffer ? SGDataBuffer(supplied->Buffer->MakeCopy()) : nullptr;
    return buffer && IntSingleBufferOperation(buffer);
}

bool TSGBasicThreadedFilter::BufferOperation(const IPNNotifyOperation& op, TPNNotifyStates) {
    if (!IsEnabled()) return false;
    if (FFilterThread) {
        const std::shared_ptr<TSGFilterThread> worker = FFilterThread;
        worker->PushOperation(op);
        return false;
    }
    return IntSingleOperation(op);
}

bool TSGBasicThreadedFilter::OutputPinsNotify(const IPNNotifyOperation& op) {
    if (InState(csDestroying)) return false;
    TPNSourcePin* output = GetOutputPin();
    return output && output->Notify(op);
}

void TSGBasicThreadedFilter::ThreadPriorityChange() {
    const IPNLockSection w = FLock->WriteLock();
    if (w && FFilterThread) FFilterThread->SetPriority(FThreading->Priority());
}

// ---- TSGBasicThreadedEnableFilter

TSGBasicThreadedEnableFilter::TSGBasicThreadedEnableFilter(TComponent* owner, std::string name)
    : TSGBasicThreadedFilter(owner, std::move(name)),
      FEnablePin(PNMakePin<TPNBoolSinkPin>(this, FLock, [this](TPNSinkPin&, bool on) { SetEnabled(on); })) {
    PublishPin("EnablePin", *FEnablePin);
}

void TSGBasicThreadedFilter::GetPropInfos(TPropList& props) {
    TCBComponent::GetPropInfos(props);
    props.push_back(PNObjectProp("Threading", *FThreading));
}

void TSGBasicThreadedEnableFilter::GetPropInfos(TPropList& props) {
    TSGBasicThreadedFilter::GetPropInfos(props);
    props.push_back(PNProp<bool>(
        "Enabled", [this] { return IsEnabled(); }, [this](bool v) { SetEnabled(v); }, true));
}

void TSGBasicThreadedEnableFilter::SetEnabled(bool enabled) {
    FLock->Setter(FEnabled, enabled, [this] { EnabledChanged(); });
}

// ---- TSGBasicCommonFilter

bool TSGBasicCommonFilter::IntSingleBufferOperation(const ISGDataBuffer& buffer) {
    return IntBufferOperation(buffer, SGDataBuffer(buffer->MakeCopy()));
}

bool TSGBasicCommonFilter::BufferOperation(const IPNNotifyOperation& op, TPNNotifyStates states) {
    if (FFilterThread) {
        const std::shared_ptr<TSGFilterThread> worker = FFilterThread;
        worker->PushOperation(op);
        return false;
    }
    const auto* supplied = PNOperationAs<TPNSuppliedBufferOperation>(op);
    const ISGDataBuffer in = supplied && supplied->Buffer ? SGDataBuffer(supplied->Buffer->MakeCopy()) : nullptr;
    if (!in) return false;
    const ISGDataBuffer out = SGDataBuffer(in->MakeCopy());
    // The last receiver of the data may write into it in place.
    if (states.contains(nsLastIteration) && CanInline()) out->RemoveOwnerShip();
    const IPNLockSection output = FOutputLock->WriteLock();
    return output && IntBufferOperation(in, out);
}

}  // namespace oculon::pins
