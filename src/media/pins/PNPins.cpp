#include "media/pins/PNPins.h"

#include <algorithm>
#include <deque>

#include "media/pins/PNProperties.h"
#include "media/pins/PNRegistry.h"

namespace oculon::pins {

namespace {

struct LivePins {
    std::mutex m;
    std::vector<TPNBasicPin*> list;
};

LivePins& livePins() {
    static LivePins p;
    return p;
}

std::string afterFirstDot(const std::string& s) {
    const auto dot = s.find('.');
    return dot == std::string::npos ? std::string() : s.substr(dot + 1);
}

constexpr std::int32_t kMaxModificationLevel = 10000;
constexpr std::int32_t kLevelPerTakenOperation = 4;

}  // namespace

void PNForEachLivePin(const std::function<void(TPNBasicPin&)>& fn) {
    auto& live = livePins();
    std::lock_guard l(live.m);
    for (TPNBasicPin* pin : live.list) fn(*pin);
}

std::size_t PNLivePinCount() {
    auto& live = livePins();
    std::lock_guard l(live.m);
    return live.list.size();
}

// ---- TPNBasicPin

TPNBasicPin::TPNBasicPin() {
    auto& live = livePins();
    std::lock_guard l(live.m);
    live.list.push_back(this);
}

TPNBasicPin::~TPNBasicPin() {
    if (registered_) leaveRegister();  // a pin that was not owned through PNOwned
}

void TPNBasicPin::leaveRegister() {
    auto& live = livePins();
    std::lock_guard l(live.m);
    std::erase(live.list, this);
    registered_ = false;
}

void TPNBasicPin::AfterConstruction() {
    auto w = WriteLock();
    PNNotifyAddPin(*this);
}

void TPNBasicPin::BeforeDestruction() {
    bool rootDestroying = false;
    {
        auto w = WriteLock();
        auto d = FDestroyLock.DestroyLock();
        Disconnect();
        rootDestroying = OwnerInDesigning() && RootInDestroying();
    }
    auto free = UnlockAll();
    PNNotifyRemovePin(*this, rootDestroying);
    // Every other live pin drops this one, last registered first. Each is
    // entered through its guard under the register's lock and told outside
    // it, so a pin that waits for a delivery to end never blocks the register;
    // a pin that is being destroyed itself is left alone.
    std::vector<std::pair<TPNBasicPin*, IPNLockSection>> others;
    {
        auto& live = livePins();
        std::lock_guard l(live.m);
        std::erase(live.list, this);
        registered_ = false;
        for (auto it = live.list.rbegin(); it != live.list.rend(); ++it)
            if (auto inside = (*it)->FDestroyLock.Lock()) others.emplace_back(*it, std::move(inside));
    }
    for (auto& [pin, inside] : others) {
        pin->PinDeletedNotify(*this);
        inside.release();
    }
}

bool TPNBasicPin::CanConnectTo(TPNBasicPin& pin, bool checkOnly) {
    TPNConnectionChoice choice;
    return CanConnectToInt(pin, checkOnly, choice);
}

bool TPNBasicPin::CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly) {
    // An after-pin only means something among the members of a state link.
    return after ? false : CanConnectTo(pin, checkOnly);
}

void TPNBasicPin::Disconnect() {
    // A basic pin's only link is the state link, which the dispatcher pins add.
}

TPNQuery TPNBasicPin::RequestInterface(const TGUID& iid) const {
    return std::find(interfaces_.begin(), interfaces_.end(), iid) != interfaces_.end() ? TPNQuery::Supported
                                                                                       : TPNQuery::NoInterface;
}

void TPNBasicPin::DeclareInterface(const TGUID& iid) {
    if (!PNSupported(RequestInterface(iid))) interfaces_.push_back(iid);
}

std::string TPNBasicPin::GetRootName() {
    const std::string name = GetFullIdentName(true);
    const auto dot = name.find('.');
    return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

std::string TPNBasicPin::GetOwnerName() {
    const std::string rest = afterFirstDot(GetFullIdentName(true));
    const auto dot = rest.rfind('.');
    return dot == std::string::npos ? std::string() : rest.substr(0, dot);
}

void TPNBasicPin::SetLoadFormName(std::string name) {
    auto w = WriteLock();
    FLoadFormName = std::move(name);
}

void TPNBasicPin::ApplyFormName(std::string& name) const {
    if (FLoadFormName.empty() || name.size() <= FLoadFormName.size() ||
        name.compare(0, FLoadFormName.size(), FLoadFormName) != 0 || name[FLoadFormName.size()] != '.')
        return;
    if (const TComponent* root = GetRoot()) name.replace(0, FLoadFormName.size(), root->Name());
}

// ---- TPNPinStreamType

void TPNPinStreamType::AddType(const TGUID& id, TPNSubmitFunction submit) {
    for (auto& t : Types) {
        if (t.ID == id) {
            t.SubmitFunction = std::move(submit);
            return;
        }
    }
    Types.push_back({id, std::move(submit)});
}

void TPNPinStreamType::RemoveType(const TGUID& id) {
    const auto it = std::find_if(Types.begin(), Types.end(), [&](const auto& t) { return t.ID == id; });
    if (it != Types.end()) Types.erase(it);
}

void TPNPinStreamType::SwapPosition(std::size_t i, std::size_t j) { std::swap(Types.at(i), Types.at(j)); }

const TPNPinTypeEntry* TPNPinStreamType::Find(const TGUID& id) const {
    for (const auto& t : Types)
        if (t.ID == id) return &t;
    return nullptr;
}

// ---- TPNPin

TPNPin::TPNPin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock)
    : FOwner(owner), FOwnerLock(std::move(ownerLock)) {
    GetRootName();
}

TPNPin::~TPNPin() = default;

IPNLockSection TPNPin::ReadLock() { return FIntLock->ReadLock(FOwnerLock.get()); }
IPNLockSection TPNPin::WriteLock() { return FIntLock->WriteLock(FOwnerLock.get()); }

void TPNPin::AddType(const TGUID& id, TPNSubmitFunction submit) {
    auto w = WriteLock();
    StreamType.AddType(id, std::move(submit));
}

TPNPinStreamType TPNPin::StreamTypes() {
    auto r = ReadLock();
    return StreamType;
}

bool TPNPin::OwnerInLoading() const { return FOwner && FOwner->InState(csLoading); }
bool TPNPin::OwnerInDesigning() const { return FOwner && FOwner->InState(csDesigning); }

bool TPNPin::RootInDestroying() const {
    const TComponent* root = GetRoot();
    return root && root->InState(csDestroying);
}

std::string TPNPin::GetFullName(bool withRoot) { return PNValueToString(this, ".", withRoot, false); }
std::string TPNPin::GetFullIdentName(bool withRoot) { return PNValueToString(this, ".", withRoot, true); }
std::string TPNPin::GetName() { return afterFirstDot(GetFullName(false)); }
std::string TPNPin::GetSaveName() { return afterFirstDot(GetFullIdentName(false)); }

std::string TPNPin::GetRootName() {
    if (!FOwner) return TPNBasicPin::GetRootName();
    std::lock_guard l(rootNameMutex_);
    if (FOwner->Owner())
        if (const TComponent* root = GetRoot()) FLastRootName = root->Name();
    return FLastRootName;
}

TPNConnectionChoice TPNPin::chooseType(const TPNPinStreamType& types, TPNBasicPin& other, bool allowNewConverter) {
    for (std::size_t i = types.GetLength(); i-- > 0;)
        if (PNSupported(other.RequestInterface(types.GetID(i)))) return {types.GetID(i), nullptr, nullptr};
    if (!allowNewConverter) return {};
    const auto converters = PNConverters();
    for (std::size_t r = converters.size(); r-- > 0;) {
        const auto& c = converters[r];
        if (!PNSupported(other.RequestInterface(c.ToID))) continue;
        for (std::size_t i = types.GetLength(); i-- > 0;)
            if (types.GetID(i) == c.FromID) return {c.FromID, nullptr, c.ConverterClass};
    }
    return {};
}

TPNConnectionChoice TPNPin::FindConnectionID(TPNBasicPin& other, bool allowConverter) {
    const TPNPinStreamType types = StreamTypes();
    const auto kind = other.GetPinType();
    return chooseType(types, other, allowConverter && (kind == TPNPinType::ptSink || kind == TPNPinType::ptMultiSink));
}

TGUID TPNPin::GetConnectionID(const TPNBasicPin& pin) {
    return FindConnectionID(const_cast<TPNBasicPin&>(pin), true).ID;
}

TPNSubmitFunction TPNPin::GetSubmitFunctionID(const TGUID& id) {
    if (id.isNull()) return {};
    {
        auto r = ReadLock();
        if (const TPNPinTypeEntry* t = StreamType.Find(id); t && t->SubmitFunction) return t->SubmitFunction;
    }
    return [this](TPNBasicPin& receiver, const TGUID& type, TPNNotifyStates states, const IPNNotifyOperation& op) {
        return DefaultNotifyDispatcher(receiver, type, states, op);
    };
}

bool TPNPin::DefaultNotifyDispatcher(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                     const IPNNotifyOperation& op) {
    // Looked up in the registry and called without this pin's lock: a
    // handler never runs under a pin lock.
    const TPNSubmitFunction handler = PNGetDefaultHandler(id);
    return handler ? handler(receiver, id, states, op) : false;
}

std::string TPNPin::GetLinkNameID(const TGUID& id) { return id.isNull() ? std::string() : PNGetStreamTypeFromID(id); }

void TPNPin::OrderStreamTypes(TPNPinTypeRestricted& restricted) {
    if (restricted.Ordered) return;
    const TPNPinStreamType own = StreamTypes();
    std::size_t front = 0;
    for (std::size_t i = 0; i < own.GetLength(); ++i) {
        for (std::size_t k = front; k < restricted.GetLength(); ++k) {
            if (restricted.GetID(k) == own.GetID(i)) {
                restricted.SwapPosition(k, front++);
                break;
            }
        }
    }
    restricted.Ordered = true;
}

// ---- TPNStreamPin

void TPNStreamPin::DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    auto r = ReadLock();
    for (std::size_t i = 0; i < StreamType.GetLength(); ++i)
        list.AddType(StreamType.GetID(i), StreamType.GetSubmitFunc(i));
}

void TPNStreamPin::UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    DownStreamFillPossibleStreamTypes(list, from);
}

// ---- TPNSourcePin

TPNSourcePin::TPNSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock,
                           std::shared_ptr<IPNLock> inputOwnerLock, int maxConnections)
    : TPNStreamPin(owner, std::move(ownerLock)),
      FInputOwnerLock(std::move(inputOwnerLock)),
      FMaxConnections(maxConnections) {}

TPNSourcePin::~TPNSourcePin() = default;

std::size_t TPNSourcePin::GetSinkCount() {
    auto r = ReadLock();
    return FSinkPins.Count();
}

TPNBasicPin* TPNSourcePin::GetSink(std::size_t index) {
    auto r = ReadLock();
    return index < FSinkPins.Count() ? FSinkPins[index].RealPin : nullptr;
}

std::vector<TPNPinEntry> TPNSourcePin::Entries() {
    auto r = ReadLock();
    return FSinkPins.items();
}

TPNFormatConverterList TPNSourcePin::FormatConverters() {
    auto r = ReadLock();
    return FFormatConverters;
}

TPNConnectionChoice TPNSourcePin::DownStreamFindConnectionID(TPNBasicPin& sink, bool useConverters,
                                                             bool allowNewConverter) {
    TPNPinTypeRestricted possible;
    DownStreamFillPossibleStreamTypes(possible, this);
    if (auto direct = chooseType(possible, sink, false); !direct.ID.isNull()) return direct;
    if (useConverters) {
        const TPNFormatConverterList own = FormatConverters();
        for (std::size_t i = own.size(); i-- > 0;) {
            const auto& converter = own[i];
            if (converter->OutputPin().DownStreamFindConnectionID(sink, false, false).ID.isNull()) continue;
            const TGUID in = DownStreamFindConnectionID(converter->InputPin(), false, false).ID;
            if (!in.isNull()) return {in, converter, nullptr};
        }
    }
    return allowNewConverter ? chooseType(possible, sink, true) : TPNConnectionChoice{};
}

void TPNSourcePin::IntConnect(TPNBasicPin& sink, TPNBasicPin* after) {
    auto w = WriteLock();
    if (!w) return;
    if (FMaxConnections > 0 && FSinkPins.Count() >= static_cast<std::size_t>(FMaxConnections) &&
        !FSinkPins.GetItemByPin(&sink))
        DisconnectFrom(*FSinkPins[0].RealPin);

    TPNConnectionChoice choice = DownStreamFindConnectionID(sink, true, true);
    if (!choice.Converter && choice.ConverterClass) {
        choice.Converter = choice.ConverterClass->Create();
        if (choice.Converter) FFormatConverters.push_back(choice.Converter);
    }
    TPNPinEntry entry;
    entry.RealPin = &sink;
    entry.NotifyAfterPin = after;
    entry.ConnectedID = choice.ID;
    entry.ConnectionPin = &sink;
    if (choice.Converter) {
        entry.ConnectionPin = &choice.Converter->InputPin();
        entry.Converter = choice.Converter;
        choice.Converter->OutputPin().IntConnect(sink, after);
        sink.SetConnectionSourcePin(&choice.Converter->OutputPin());
    }
    entry.SubmitFunction = GetSubmitFunctionID(choice.ID);
    FSinkPins.Add() = std::move(entry);
}

void TPNSourcePin::removeEntry(std::size_t index, TPNFormatConverterList& dropped) {
    const TPNPinEntry entry = FSinkPins[index];
    FSinkPins.Delete(index);
    if (entry.ConnectionPin == entry.RealPin) return;
    for (std::size_t i = FFormatConverters.size(); i-- > 0;) {
        auto converter = FFormatConverters[i];
        TPNSourcePin& out = converter->OutputPin();
        if (out.IsConnectedTo(*entry.RealPin)) out.DisconnectFrom(*entry.RealPin);
        if (!out.IsConnected()) {
            dropped.push_back(std::move(converter));
            FFormatConverters.erase(FFormatConverters.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void TPNSourcePin::IntDisconnect(TPNBasicPin& sink, bool keepPlaceholder) {
    TPNFormatConverterList dropped;  // freed after the sections below
    auto w = WriteLock();
    if (!w) return;
    auto d = FDestroyLock.DestroyLock();
    if (FDisconnecting == std::this_thread::get_id()) return;  // re-entered from the sink's side
    auto& items = FSinkPins.items();
    const auto it = std::find_if(items.rbegin(), items.rend(), [&](const auto& e) { return e.RealPin == &sink; });
    if (it == items.rend()) return;
    removeEntry(static_cast<std::size_t>(items.rend() - it - 1), dropped);
    PNNotifyChangePin(*this);
}

void TPNSourcePin::IntDisconnectFrom(TPNBasicPin& sink, TPNFormatConverterList& dropped) {
    const bool keep = OwnerInDesigning() && RootInDestroying();
    PNNotifyDisconnected(*this, sink);
    FDisconnecting = std::this_thread::get_id();
    try {
        sink.IntDisconnect(*this, keep);
    } catch (...) {
        FDisconnecting = {};
        throw;
    }
    FDisconnecting = {};
    auto& items = FSinkPins.items();
    const auto it = std::find_if(items.rbegin(), items.rend(), [&](const auto& e) { return e.RealPin == &sink; });
    if (it != items.rend()) removeEntry(static_cast<std::size_t>(items.rend() - it - 1), dropped);
    sink.CheckRemove();
}

void TPNSourcePin::DisconnectFrom(TPNBasicPin& sink) {
    BeforeDisconnect();
    if (!IsConnectedTo(sink)) {
        TPNBasicPin::DisconnectFrom(sink);
        return;
    }
    TPNFormatConverterList dropped;
    auto w = WriteLock();
    if (!w) return;
    auto d = FDestroyLock.DestroyLock();
    if (FSinkPins.GetItemByPin(&sink)) IntDisconnectFrom(sink, dropped);
}

void TPNSourcePin::Disconnect() {
    TPNFormatConverterList dropped;
    auto w = WriteLock();
    if (!w) return;
    auto d = FDestroyLock.DestroyLock();
    BeforeDisconnect();
    TPNBasicPin::Disconnect();
    while (FSinkPins.Count() > 0) {
        TPNBasicPin& sink = *FSinkPins[FSinkPins.Count() - 1].RealPin;
        sink.BeforeDisconnect();
        IntDisconnectFrom(sink, dropped);
    }
}

void TPNSourcePin::ReorderChangedData() {
    auto w = WriteLock();
    reorder();
}

void TPNSourcePin::reorder() {
    auto& v = FSinkPins.items();
    for (auto& e : v)
        if (e.ModificationLevel > 0) --e.ModificationLevel;
    // Insertion sort: stable, in place, and linear for the nearly sorted
    // lists that one delivery leaves.
    for (std::size_t i = 1; i < v.size(); ++i)
        for (std::size_t j = i; j > 0 && v[j - 1].ModificationLevel > v[j].ModificationLevel; --j)
            std::swap(v[j - 1], v[j]);
    for (std::size_t i = 0; i < v.size(); ++i)
        for (std::size_t j = i + 1; j < v.size(); ++j)
            if (v[i].NotifyAfterPin && v[j].RealPin == v[i].NotifyAfterPin) std::swap(v[i], v[j]);
}

bool TPNSourcePin::NotifyPin(TPNBasicPin* onlySink, const IPNNotifyOperation& op) {
    // The calling thread's holds on the owner locks are given up for the
    // whole call and taken back when it ends, the input owner's first.
    IPNLockSection inputFree, ownerFree;
    if (FInputOwnerLock) {
        inputFree = FInputOwnerLock->UnlockAll();
        if (FOwnerLock) ownerFree = FOwnerLock->UnlockAllLockInOrder(FInputOwnerLock.get());
    } else if (FOwnerLock) {
        ownerFree = FOwnerLock->UnlockAll();
    }
    // Held for the whole call, not only around each handler: unlinking and
    // destruction wait until this delivery is done with the snapshot below,
    // whose pins they would otherwise free under it.
    IPNLockSection inside = FDestroyLock.Lock();
    if (!inside) return false;

    // The snapshot lives in a per-thread slot per nesting level, so that a
    // steady stream copies the links without allocating.
    thread_local std::deque<std::vector<TPNPinEntry>> slots;
    thread_local std::size_t depth = 0;
    if (slots.size() == depth) slots.emplace_back();
    std::vector<TPNPinEntry>& snapshot = slots[depth];
    {
        auto r = ReadLock();
        if (!r) return false;
        if (FInSending.load() > kMaxNestedDeliveries) throw EOWException(kPinDependsOnItself);
        snapshot.assign(FSinkPins.items().begin(), FSinkPins.items().end());
        FInSending.fetch_add(1);
    }
    constexpr std::int32_t kTaken = -1;  // marks a snapshot entry whose handler took the operation
    // Step out on every path: the scores of the sinks that took the operation
    // rise, the order is renewed and the nesting count taken back, also when
    // a handler throws.
    struct Finish {
        TPNSourcePin& pin;
        std::vector<TPNPinEntry>& snapshot;
        std::size_t& depth;
        ~Finish() {
            if (auto w = pin.WriteLock()) {
                for (const auto& e : snapshot) {
                    if (e.ModificationLevel != kTaken) continue;
                    TPNPinEntry* live = pin.FSinkPins.GetItemByPin(e.RealPin);
                    if (live && live->ModificationLevel < kMaxModificationLevel)
                        live->ModificationLevel += kLevelPerTakenOperation;
                }
                if (pin.FDisconnecting == std::thread::id{}) pin.reorder();
            }
            pin.FInSending.fetch_sub(1);
            snapshot.clear();
            --depth;
        }
    } finish{*this, snapshot, depth};
    ++depth;

    // A converter input reached by several links is served once, by its first entry.
    for (std::size_t i = snapshot.size(); i-- > 0;) {
        auto& e = snapshot[i];
        if (!e.SubmitFunction || e.ConnectionPin == e.RealPin) continue;
        for (std::size_t k = 0; k < i; ++k) {
            if (snapshot[k].ConnectionPin == e.ConnectionPin) {
                e.SubmitFunction = nullptr;
                break;
            }
        }
    }

    bool taken = NotifyDispatcher(op, nullptr, {});
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        auto& e = snapshot[i];
        if ((onlySink && onlySink != e.RealPin) || !e.SubmitFunction) continue;
        const TPNNotifyStates states = i + 1 == snapshot.size() ? TPNNotifyStates{nsLastIteration} : TPNNotifyStates{};
        if (!e.SubmitFunction(*e.ConnectionPin, e.ConnectedID, states, op)) continue;
        taken = true;
        e.ModificationLevel = kTaken;
    }
    return taken;
}

void TPNSourcePin::PinDeletedNotify(TPNBasicPin& pin) {
    if (auto* sink = dynamic_cast<TPNPin*>(&pin)) {
        if (FFunctionSources.Contains(*sink)) FFunctionSources.Remove(*sink);
        if (FDataTypeSources.Contains(*sink)) FDataTypeSources.Remove(*sink);
    }
    std::size_t links = 0;
    {
        auto r = ReadLock();
        for (const auto& e : FSinkPins.items()) links += e.RealPin == &pin;
    }
    while (links-- > 0) IntDisconnect(pin, false);
    auto w = WriteLock();
    for (auto& e : FSinkPins.items())
        if (e.NotifyAfterPin == &pin) e.NotifyAfterPin = nullptr;
}

void TPNSourcePin::PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) {
    auto w = WriteLock();
    for (auto& e : FSinkPins.items())
        if (e.NotifyAfterPin == &oldPin) e.NotifyAfterPin = &newPin;
}

void TPNSourcePin::SetNotifyAfterByName(TPNBasicPin& sink, std::string_view name) {
    auto w = WriteLock();
    TPNPinEntry* entry = FSinkPins.GetItemByPin(&sink);
    if (!entry) return;
    for (const auto& e : FSinkPins.items()) {
        if (e.RealPin->GetFullName(false) == name || e.RealPin->GetFullName(true) == name) {
            entry->NotifyAfterPin = e.RealPin;
            return;
        }
    }
}

std::string TPNSourcePin::GetAfterPinDisplayName(const TPNBasicPin& sink) {
    TPNBasicPin* after = GetConnectedAfterForPin(sink);
    if (!after) return {};
    return after->GetFullName(after->GetRootName() != GetRootName());
}

TPNBasicPin* TPNSourcePin::GetConnectedAfterForPin(const TPNBasicPin& pin) {
    auto r = ReadLock();
    const TPNPinEntry* e = FSinkPins.GetItemByPin(&pin);
    return e ? e->NotifyAfterPin : nullptr;
}

bool TPNSourcePin::DirectDependsOn(const TPNBasicPin& pin) { return FFunctionSources.Contains(pin); }

bool TPNSourcePin::DependsOn(const TPNBasicPin& pin) {
    // The pins of the walk in progress on this thread: a loop answers false.
    thread_local std::vector<const TPNSourcePin*> walking;
    if (std::find(walking.begin(), walking.end(), this) != walking.end()) return false;
    walking.push_back(this);
    bool depends = false;
    for (std::size_t i = 0; !depends && i < FFunctionSources.Count(); ++i) {
        TPNPin* source = FFunctionSources.Items(i);
        depends = source == &pin || source->DependsOn(pin);
    }
    walking.pop_back();
    return depends;
}

TGUID TPNSourcePin::GetConnectionID(const TPNBasicPin& pin) {
    {
        auto r = ReadLock();
        if (const TPNPinEntry* e = FSinkPins.GetItemByPin(&pin)) return e->ConnectedID;
    }
    return TPNPin::GetConnectionID(pin);
}

TGUID TPNSourcePin::GetPrimaryConnectionID() {
    {
        auto r = ReadLock();
        if (FSinkPins.Count() > 0) return FSinkPins[0].ConnectedID;
    }
    return TPNPin::GetPrimaryConnectionID();
}

bool TPNSourcePin::IsConnected() { return GetSinkCount() > 0 || TPNPin::IsConnected(); }

bool TPNSourcePin::IsConnectedTo(const TPNBasicPin& pin) {
    {
        auto r = ReadLock();
        if (FSinkPins.GetItemByPin(&pin)) return true;
    }
    return TPNPin::IsConnectedTo(pin);
}

bool TPNSourcePin::IsConnectedToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) {
    {
        auto r = ReadLock();
        for (const auto& e : FSinkPins.items())
            if (e.RealPin == &pin && e.NotifyAfterPin == after) return true;
    }
    return TPNPin::IsConnectedToAfter(pin, after);
}

bool TPNSourcePin::IsConnectedByConverterTo(const TPNBasicPin& pin) {
    if (TPNPin::IsConnectedByConverterTo(pin)) return true;
    if (!IsConnectedTo(pin)) return false;
    const TPNFormatConverterList converters = FormatConverters();
    return std::any_of(converters.rbegin(), converters.rend(),
                       [&](const auto& c) { return c->OutputPin().IsConnectedTo(pin); });
}

}  // namespace oculon::pins
