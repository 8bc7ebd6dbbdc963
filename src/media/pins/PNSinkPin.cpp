#include "media/pins/PNSinkPin.h"

#include <algorithm>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNRegistry.h"
#include "media/pins/PNStateDispatcher.h"

namespace oculon::pins {

namespace {

template <typename Pins, typename Ask>
TPNQuery all(const Pins& pins, Ask ask) {
    for (auto* pin : pins)
        if (!PNSupported(ask(*pin))) return TPNQuery::NoInterface;
    return TPNQuery::Supported;
}

}  // namespace

// ---- TPNBasicSinkPin

void TPNBasicSinkPin::SetIgnoreUpstream(bool ignore) {
    auto w = WriteLock();
    FIgnoreUpstream = ignore;
    PNNegotiationChanged();
}

bool TPNBasicSinkPin::IgnoreUpstream() {
    auto r = ReadLock();
    return r && FIgnoreUpstream;
}

bool TPNBasicSinkPin::HasToIgnoreUpstream() {
    auto r = ReadLock();
    return r && (FIgnoreUpstream || StreamType.GetLength() == 0);
}

bool TPNBasicSinkPin::CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) {
    if (!PNDesignStatesMatch(*this, pin)) return false;
    if (TPNStreamPin::CanConnectToInt(pin, checkOnly, choice)) return true;
    // A source that depends on this input would feed itself.
    return &pin != this && IsCompatible(pin, checkOnly) && !pin.DependsOn(*this);
}

bool TPNBasicSinkPin::IsCompatible(TPNBasicPin& pin, bool allowConverter) {
    auto* source = dynamic_cast<TPNSourcePin*>(&pin);
    return source && source->CheckDownStreamInterfaces(*this, allowConverter) &&
           (IgnoreUpstream() || CheckUpStreamInterfaces(pin, allowConverter));
}

bool TPNBasicSinkPin::CheckUpStreamInterfaces(TPNBasicPin& pin, bool useConverters) {
    if (HasToIgnoreUpstream()) return true;
    auto* source = dynamic_cast<TPNSourcePin*>(&pin);
    if (!source) return false;
    const TPNConnectionChoice proposal = source->DownStreamFindConnectionID(*this, useConverters, useConverters);
    // Through a converter this pin answers the converter's output, whose
    // type the choice has already matched with this pin.
    if (proposal.Converter || proposal.ConverterClass) return true;
    return !UpStreamFindConnectionID(source, proposal.ID).isNull();
}

TGUID TPNBasicSinkPin::UpStreamFindConnectionID(TPNSourcePin* source, const TGUID& preferred) {
    TGUID id;
    if (!source) return id;
    TPNPinTypeRestricted possible;
    source->UpStreamFillPossibleStreamTypes(possible, this);
    for (std::size_t i = possible.GetLength(); i-- > 0;) {
        const TGUID& entry = possible.GetID(i);
        if (!PNSupported(RequestInterface(entry))) continue;
        if (entry == preferred) return entry;
        if (id.isNull()) id = entry;
    }
    return id;
}

void TPNBasicSinkPin::DownStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownForthRestrict);
    if (!guard.entered()) return;
    if (from != this) list.RemoveIf([&](const TGUID& id) { return !PNSupported(RequestInterface(id)); });
    for (TPNSourcePin* output : DataTypeDependants()) output->DownStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNBasicSinkPin::UpStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpForthRestrict);
    if (!guard.entered() || HasToIgnoreUpstream() || from == this) return;
    const TPNPinStreamType own = StreamTypes();
    list.RemoveIf([&](const TGUID& id) { return own.Find(id) == nullptr; });
    for (TPNSourcePin* output : DataTypeDependants()) output->UpStreamForthRestrictPossibleStreamTypes(list, from);
}

TPNQuery TPNBasicSinkPin::DownStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownForthQuery);
    if (!guard.entered() || from == this) return TPNQuery::Supported;
    if (!PNSupported(TPNBasicPin::RequestInterface(id))) return TPNQuery::NoInterface;
    return all(DataTypeDependants(),
               [&](TPNSourcePin& out) { return out.DownStreamForthQueryPossybleInterface(id, from); });
}

TPNQuery TPNBasicSinkPin::UpStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpForthQuery);
    if (!guard.entered() || from == this) return TPNQuery::Supported;
    if (!StreamTypes().Find(id)) return TPNQuery::NoInterface;
    return all(DataTypeDependants(),
               [&](TPNSourcePin& out) { return out.UpStreamForthQueryPossybleInterface(id, from); });
}

void TPNBasicSinkPin::IntAddFunctionDependance(TPNSourcePin& source) {
    auto w = WriteLock();
    FFunctionDependants.push_back(&source);
}

void TPNBasicSinkPin::IntRemoveFunctionDependance(TPNSourcePin& source) {
    auto w = WriteLock();
    std::erase(FFunctionDependants, &source);
}

void TPNBasicSinkPin::IntAddDataTypeDependance(TPNSourcePin& source) {
    auto w = WriteLock();
    FDataTypeDependants.push_back(&source);
    PNNegotiationChanged();
}

void TPNBasicSinkPin::IntRemoveDataTypeDependance(TPNSourcePin& source) {
    auto w = WriteLock();
    std::erase(FDataTypeDependants, &source);
    PNNegotiationChanged();
}

std::vector<TPNSourcePin*> TPNBasicSinkPin::FunctionDependants() {
    auto r = ReadLock();
    return r ? FFunctionDependants : std::vector<TPNSourcePin*>{};
}

std::vector<TPNSourcePin*> TPNBasicSinkPin::DataTypeDependants() {
    auto r = ReadLock();
    return r ? FDataTypeDependants : std::vector<TPNSourcePin*>{};
}

// ---- TPNSinkPin

TPNSinkPin::~TPNSinkPin() = default;

TPNBasicPin* TPNSinkPin::GetSourcePin() {
    auto r = ReadLock();
    return r ? FIntRealSourcePin : nullptr;
}

TPNBasicPin* TPNSinkPin::GetConnectionSourcePin() {
    auto r = ReadLock();
    return r ? FConnectionSourcePin : nullptr;
}

TPNSourcePin* TPNSinkPin::connectionSource() { return dynamic_cast<TPNSourcePin*>(GetConnectionSourcePin()); }

bool TPNSinkPin::Notify(const IPNNotifyOperation& op) {
    IPNLockSection owner;
    if (FOwnerLock) {
        owner = FOwnerLock->ReadLock();
        if (!owner) return false;
    }
    // Entered before the link is read: an unlink, also the source's own
    // teardown, waits for this call, so the source stays alive through it.
    const IPNLockSection inside = FDestroyLock.Lock();
    if (!inside) return false;
    TPNBasicPin* source = nullptr;
    TPNBasicPin* connection = nullptr;
    TPNSubmitFunction handler;
    TGUID id;
    {
        auto r = ReadLock();
        if (!r || !FIntRealSourcePin || !FSubmitFunction) return false;
        source = FIntRealSourcePin;
        connection = FConnectionSourcePin;
        handler = FSubmitFunction;
        id = FConnectedID;
    }
    // A converter serving the link, or standing as the source, lives through the call.
    std::shared_ptr<TPNFormatConverter> converter, sourceConverter;
    if (TPNFormatConverter* c = connection ? PNConverterOf(*connection) : nullptr)
        converter = c->weak_from_this().lock();
    if (TPNFormatConverter* c = PNConverterOf(*source)) sourceConverter = c->weak_from_this().lock();
    IPNLockSection ownerFree;
    if (FOwnerLock) ownerFree = FOwnerLock->UnlockAll();
    return handler(*source, id, TPNNotifyStates{nsLastIteration}, op);
}

std::shared_ptr<IPNFormatConverter> TPNSinkPin::FormatConverter() {
    TPNBasicPin* connection = GetConnectionSourcePin();
    if (!connection || connection == GetSourcePin()) return nullptr;
    TPNFormatConverter* converter = PNConverterOf(*connection);
    return converter ? converter->weak_from_this().lock() : nullptr;
}

void TPNSinkPin::clearSource() {
    FConnectionSourcePin = FRealSourcePin = FIntRealSourcePin = nullptr;
    FSubmitFunction = nullptr;
    FConnectedID = GUID_NULL;
    ++FLinkGeneration;
}

void TPNSinkPin::setSource(TPNBasicPin& source) {
    FConnectionSourcePin = FRealSourcePin = FIntRealSourcePin = &source;
    ++FLinkGeneration;
}

TPNBasicPin* TPNSinkPin::unlinkSource(bool keepPlaceholder) {
    TPNBasicPin* real = nullptr;
    std::uint64_t generation = 0;
    {
        auto r = ReadLock();
        if (!r || !FIntRealSourcePin) return nullptr;
        real = FIntRealSourcePin;
        generation = FLinkGeneration;
    }
    real->IntDisconnect(*this, keepPlaceholder, generation);
    {
        auto d = DestroyWait();
        auto w = WriteLock();
        // The link lock was given up on the way here. Another thread may have
        // linked this pin meanwhile, to a placeholder the source left in its
        // place at design time or to the very same source again: that newer
        // link stays, only the old one goes.
        if (FLinkGeneration == generation) clearSource();
    }
    PNNotifyDisconnected(*this, *real);
    return real;
}

TGUID TPNSinkPin::negotiate(TPNSourcePin& connection, const TGUID& preferred) {
    // Read first: a change while the choice is made leaves it out of date.
    const std::uint64_t epoch = PNNegotiationEpoch();
    const TGUID chosen = UpStreamFindConnectionID(&connection, preferred);
    TPNSubmitFunction handler = GetSubmitFunctionID(chosen);
    auto w = WriteLock();
    if (w && FConnectionSourcePin == &connection) {
        FConnectedID = chosen;
        FSubmitFunction = std::move(handler);
        FChoice = {&connection, FLinkGeneration, preferred, epoch};
    }
    return chosen;
}

bool TPNSinkPin::ForthChainSettled(const TPNSourcePin& from, const TGUID& preferred) {
    auto r = ReadLock();
    return r && FConnectionSourcePin == &from && FDataTypeDependants.empty() && FChoice.With == &from &&
           FChoice.Link == FLinkGeneration && FChoice.Preferred == preferred && FChoice.Epoch == PNNegotiationEpoch();
}

bool TPNSinkPin::ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) {
    if (pin == this) return false;
    auto link = PNLinkSection();
    TPNBasicPin* real = GetSourcePin();
    if (!pin && !real) return true;
    if (pin && pin == real && pin->GetConnectedAfterForPin(*this) == after) return true;
    if (pin && pin == GetConnectionSourcePin()) return true;
    if (!pin) {
        // This pin's form going away at design time leaves a placeholder in
        // the source in its place.
        TPNBasicPin* old = unlinkSource(OwnerInDesigning() && RootInDestroying());
        PNNotifyChangePin(*this);
        if (old) old->CheckRemove();
        return true;
    }
    if (!CanConnectTo(*pin, true)) return false;
    LeaveState();
    if (TPNBasicPin* old = unlinkSource(false)) old->CheckRemove();
    bool linked = true;
    if (auto* source = dynamic_cast<TPNSourcePin*>(pin)) {
        {
            auto w = WriteLock();
            setSource(*source);
        }
        source->IntConnect(*this, after);
        TGUID proposed, chosen;
        if (TPNSourcePin* connection = connectionSource()) {
            proposed = connection->DownStreamFindConnectionID(*this, true, false).ID;
            chosen = negotiate(*connection, proposed);
        }
        source->NewConnection(*this);
        ChainReconnect(proposed, chosen);
    } else {
        linked = pin->ConnectAfter(this, after);
    }
    PNNotifyConnected(*this, *pin);
    PNNotifyChangePin(*this);
    return linked;
}

bool TPNSinkPin::CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly) {
    return pin.CanConnectAfter(*this, after, checkOnly);
}

void TPNSinkPin::Disconnect() {
    auto link = PNLinkSection();
    BeforeDisconnect();
    TPNBasicPin* source = GetSourcePin();
    IPNLockSection sourceGuard;
    if (source) {
        source->BeforeDisconnect();
        if (!dynamic_cast<TPNUnloadedPin*>(source) && !PNConverterOf(*source)) sourceGuard = source->DestroyWait();
    }
    // Operations sent through this pin meanwhile are refused, not queued:
    // the guard refuses them until the end. (A stop on the pin's own lock
    // would be held while the link lock is given up and taken back below,
    // and two threads unlinking the pin at once would wait for each other.)
    auto d = DestroyWait();
    LeaveState();
    ConnectAfter(nullptr, nullptr);
}

void TPNSinkPin::DisconnectFrom(TPNBasicPin& pin) {
    if (IsConnectedTo(pin)) Disconnect();
}

void TPNSinkPin::IntDisconnect(TPNBasicPin& pin, bool keepPlaceholder, std::uint64_t link) {
    auto linkSection = PNLinkSection();
    TPNBasicPin* old = nullptr;
    {
        auto d = DestroyWait();
        auto w = WriteLock();
        if (!w || (&pin != FConnectionSourcePin && &pin != FIntRealSourcePin && &pin != FRealSourcePin)) return;
        // The wait above gave up the link lock: a link made meanwhile to the
        // same pin is not the one the caller is taking off.
        if (link != kAnyLink && link != FLinkGeneration) return;
        old = FRealSourcePin;
        clearSource();
    }
    if (keepPlaceholder && old && !RootInDestroying()) {
        TPNUnloadedPin* placeholder =
            PNMakeUnloadedPin(GetRoot(), {}, old->GetFullName(true), old->GetFullIdentName(true), TPNPinType::ptSource);
        Connect(placeholder);
    }
    PNNotifyChangePin(*this);
}

std::uint64_t TPNSinkPin::LinkNumber() {
    auto r = ReadLock();
    return r ? FLinkGeneration : kAnyLink;
}

void TPNSinkPin::IntStateDisconnect() {
    auto link = PNLinkSection();
    if (TPNBasicPin* old = unlinkSource(false)) old->CheckRemove();
}

void TPNSinkPin::SetConnectionSourcePin(TPNBasicPin* converterOutput) {
    auto w = WriteLock();
    FConnectionSourcePin = converterOutput;
}

void TPNSinkPin::SetStateSource(TPNBasicPin& statePin) {
    auto w = WriteLock();
    FRealSourcePin = FIntRealSourcePin = &statePin;
}

void TPNSinkPin::feedFrom(TPNSourcePin& source, const TGUID& id) {
    TPNSubmitFunction handler = GetSubmitFunctionID(id);
    auto w = WriteLock();
    setSource(source);
    FConnectedID = id;
    FSubmitFunction = std::move(handler);
}

void TPNSinkPin::takePlaceholder(TPNBasicPin& placeholder) {
    auto w = WriteLock();
    clearSource();
    setSource(placeholder);
}

TGUID TPNSinkPin::GetConnectionID(const TPNBasicPin&) {
    auto r = ReadLock();
    return r ? FConnectedID : GUID_NULL;
}

TGUID TPNSinkPin::GetPrimaryConnectionID() {
    const TGUID id = GetConnectionID(*this);
    return id.isNull() ? TPNBasicSinkPin::GetPrimaryConnectionID() : id;
}

TGUID TPNSinkPin::GetDownStreamID() {
    TGUID id;
    if (auto* source = dynamic_cast<TPNSourcePin*>(GetSourcePin())) id = source->GetConnectionID(*this);
    if (auto* connection = dynamic_cast<TPNPin*>(GetConnectionSourcePin()); id.isNull() && connection)
        id = connection->FindConnectionID(*this, true).ID;
    return id;
}

std::string TPNSinkPin::GetUpStreamLinkName() {
    if (GetSourcePin()) return GetLinkNameID(GetConnectionID(*this));
    const auto dispatcher = Dispatcher();
    if (!dispatcher) return {};
    for (const auto& m : dispatcher->Members())
        if (m.RealPin != this) return GetLinkNameID(FindConnectionID(*m.RealPin, true).ID);
    return {};
}

std::string TPNSinkPin::GetDownStreamLinkName() {
    return GetSourcePin() ? GetLinkNameID(GetDownStreamID()) : GetUpStreamLinkName();
}

bool TPNSinkPin::IsConnected() { return GetSourcePin() || TPNBasicSinkPin::IsConnected(); }

bool TPNSinkPin::IsConnectedTo(const TPNBasicPin& pin) {
    return GetSourcePin() == &pin || TPNBasicSinkPin::IsConnectedTo(pin);
}

bool TPNSinkPin::IsConnectedByConverterTo(const TPNBasicPin& pin) {
    {
        auto r = ReadLock();
        if (r && FIntRealSourcePin == &pin) return FIntRealSourcePin != FConnectionSourcePin;
    }
    return TPNBasicSinkPin::IsConnectedByConverterTo(pin);
}

TPNBasicPin* TPNSinkPin::GetConnectedAfterForPin(const TPNBasicPin& pin) {
    TPNBasicPin* source = GetSourcePin();
    if (source == &pin) return source->GetConnectedAfterForPin(*this);
    return TPNBasicSinkPin::GetConnectedAfterForPin(pin);
}

bool TPNSinkPin::DependsOn(const TPNBasicPin& pin) {
    const TPNWalkGuard guard(this, wkDependsOn);
    if (!guard.entered()) return false;
    TPNBasicPin* source = GetSourcePin();
    return source == &pin || (source && source->DependsOn(pin));
}

bool TPNSinkPin::DirectDependsOn(const TPNBasicPin& pin) {
    TPNBasicPin* source = GetSourcePin();
    return source && source->DirectDependsOn(pin);
}

void TPNSinkPin::PinDeletedNotify(TPNBasicPin& pin) {
    auto link = PNLinkSection();
    if (auto* source = dynamic_cast<TPNSourcePin*>(&pin)) {
        auto w = WriteLock();
        std::erase(FFunctionDependants, source);
        std::erase(FDataTypeDependants, source);
    }
    bool linked = false;
    {
        auto r = ReadLock();
        linked = r && (FRealSourcePin == &pin || FConnectionSourcePin == &pin);
    }
    if (linked) ConnectAfter(nullptr, nullptr);
}

void TPNSinkPin::BackChainReconnect(const TGUID& a, const TGUID& b) {
    const TPNWalkGuard guard(this, wkBackChain);
    if (!guard.entered()) return;
    auto link = PNLinkSection();
    if (TPNSourcePin* connection = connectionSource()) connection->BackChainReconnect(a, b);
    ForthChainReconnect(a, b);
}

void TPNSinkPin::ForthChainReconnect(const TGUID& a, const TGUID& b) {
    const TPNWalkGuard guard(this, wkForthChain);
    if (!guard.entered()) return;
    auto link = PNLinkSection();
    if (TPNSourcePin* connection = connectionSource()) negotiate(*connection, connection->GetConnectionID(*this));
    for (TPNSourcePin* output : DataTypeDependants()) output->ForthChainReconnect(a, b);
}

void TPNSinkPin::BackPopulateStreamChains(TPNObjectListList& chains, TPNObjectList& list) {
    const TPNWalkGuard guard(this, wkPopulate);
    if (!guard.entered()) return;
    list.push_back(this);
    if (TPNSourcePin* connection = connectionSource()) connection->BackPopulateStreamChains(chains, list);
}

void TPNSinkPin::DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    TPNBasicSinkPin::DownStreamFillPossibleStreamTypes(list, from);
    for (TPNSourcePin* output : DataTypeDependants()) output->DownStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNSinkPin::UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    TPNBasicSinkPin::UpStreamFillPossibleStreamTypes(list, from);
    if (HasToIgnoreUpstream()) return;
    for (TPNSourcePin* output : DataTypeDependants()) output->UpStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNSinkPin::DownStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownBackRestrict);
    if (!guard.entered()) return;
    if (from == this) {
        for (TPNSourcePin* output : DataTypeDependants())
            output->DownStreamForthRestrictPossibleStreamTypes(list, this);
        return;
    }
    if (TPNSourcePin* connection = connectionSource()) {
        connection->DownStreamBackRestrictPossibleStreamTypes(list, from);
        return;
    }
    OrderStreamTypes(list);
    DownStreamForthRestrictPossibleStreamTypes(list, from);
}

void TPNSinkPin::UpStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpBackRestrict);
    if (!guard.entered()) return;
    if (from == this) {
        for (TPNSourcePin* output : DataTypeDependants()) output->UpStreamForthRestrictPossibleStreamTypes(list, this);
        return;
    }
    if (HasToIgnoreUpstream()) return;
    if (TPNSourcePin* connection = connectionSource()) connection->UpStreamBackRestrictPossibleStreamTypes(list, from);
    else UpStreamForthRestrictPossibleStreamTypes(list, from);
}

TPNQuery TPNSinkPin::DownStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkDownBackQuery);
    if (!guard.entered()) return TPNQuery::Supported;
    if (from == this)
        return all(DataTypeDependants(),
                   [&](TPNSourcePin& out) { return out.DownStreamForthQueryPossybleInterface(id, this); });
    if (TPNSourcePin* connection = connectionSource())
        return connection->DownStreamBackQueryPossybleInterface(id, from);
    return DownStreamForthQueryPossybleInterface(id, from);
}

TPNQuery TPNSinkPin::UpStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
    const TPNWalkGuard guard(this, wkUpBackQuery);
    if (!guard.entered()) return TPNQuery::Supported;
    if (from == this)
        return all(DataTypeDependants(),
                   [&](TPNSourcePin& out) { return out.UpStreamForthQueryPossybleInterface(id, this); });
    if (TPNSourcePin* connection = connectionSource()) return connection->UpStreamBackQueryPossybleInterface(id, from);
    return UpStreamForthQueryPossybleInterface(id, from);
}

TPNQuery TPNSinkPin::DownStreamQueryPossybleInterface(const TGUID& id) {
    const TPNWalkGuard guard(this, wkDownQuery);
    const TPNQuery own = TPNBasicSinkPin::DownStreamQueryPossybleInterface(id);
    if (!guard.entered() || !PNSupported(own)) return own;
    return all(DataTypeDependants(),
               [&](TPNSourcePin& out) { return out.DownStreamBackQueryPossybleInterface(id, this); });
}

TPNQuery TPNSinkPin::UpStreamQueryPossybleInterface(const TGUID& id) {
    const TPNWalkGuard guard(this, wkUpQuery);
    const auto outputs = DataTypeDependants();
    if (!guard.entered() || outputs.empty()) return TPNBasicSinkPin::UpStreamQueryPossybleInterface(id);
    return all(outputs, [&](TPNSourcePin& out) { return out.UpStreamBackQueryPossybleInterface(id, this); });
}

TPNQuery TPNSinkPin::RequestInterface(const TGUID& iid) const {
    if (PNSupported(TPNBasicSinkPin::RequestInterface(iid))) return TPNQuery::Supported;
    // The walk reads the pin's links under its own lock; nothing is changed.
    return const_cast<TPNSinkPin*>(this)->DownStreamQueryPossybleInterface(iid);
}

bool TPNSinkPin::ConnectToStateAfter(const std::shared_ptr<TPNStateDispatcher>& dispatcher, TPNBasicPin* after) {
    auto link = PNLinkSection();
    if (IsConnectedToState(dispatcher.get())) return false;
    LeaveState();
    if (!dispatcher) return false;
    // A dispatcher without members (named in a stream whose other members'
    // root is not read yet) is joined as it is: those members decide when
    // they come.
    if (FInConnect || dispatcher->GetPinCount() == 0) return TPNBasicSinkPin::ConnectToStateAfter(dispatcher, after);
    // The members decide, each by its own test; the flag (guarded by the
    // link lock) sends their call back here to the plain join.
    FInConnect = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FInConnect};
    bool joined = false;
    for (const auto& m : dispatcher->Members()) joined = m.RealPin->ConnectByStateAfter(*this, after) || joined;
    if (!joined) return false;
    UpdateStateValue();
    PNNotifyConnected(*this, *dispatcher);
    return true;
}

bool TPNSinkPin::CanConnectToStateInt(const TPNStateDispatcher* dispatcher) {
    if (!dispatcher || IsConnectedToState(dispatcher)) return false;
    const auto members = const_cast<TPNStateDispatcher*>(dispatcher)->Members();
    return members.empty() || std::any_of(members.begin(), members.end(), [&](const auto& m) {
               TPNConnectionChoice choice;
               return CanConnectToInt(*m.RealPin, true, choice);
           });
}

void TPNSinkPin::UpdateStateValue() {
    if (const auto dispatcher = Dispatcher()) dispatcher->NewConnection(*this);
}

std::string TPNSinkPin::GetLinkStr() {
    TPNBasicPin* source = GetSourcePin();
    if (!source) return {};
    return source->GetFullIdentName(source->GetRootName() != GetRootName());
}

std::string TPNSinkPin::GetEditorString() { return GetSourcePin() ? GetLinkStr() : TPNBasicSinkPin::GetEditorString(); }

bool TPNSinkPin::IsLinkedTo(std::string_view name) { return GetLinkStr() == name; }

bool TPNSinkPin::SetEditorString(const std::string& text) {
    auto link = PNLinkSection();
    const bool wasLinked = IsConnected();
    if (text.empty() || text == "(Disconnected)") {
        Disconnect();
        return wasLinked;
    }
    if (TryLinkTo(text, text)) return true;
    if (const auto dispatcher = TPNStateDispatcher::GetByName(text, true); dispatcher && ConnectToState(dispatcher))
        return true;
    return wasLinked;
}

bool TPNSinkPin::TryLinkTo(std::string name, std::string displayName) {
    auto link = PNLinkSection();
    if (name == "nil") return Connect(nullptr);
    ApplyFormName(name);
    ApplyFormName(displayName);
    TPNBasicPin* pin =
        TPNInternalPinList::GetByNameCreate(GetRoot(), TPNPinType::ptSource, name, std::move(displayName), name);
    if (!pin) return false;
    const bool linked = Connect(pin);
    // A placeholder made for a link that was refused has nothing to stand for.
    if (!linked) pin->CheckRemove();
    return linked;
}

}  // namespace oculon::pins
