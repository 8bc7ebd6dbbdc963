#include "media/pins/PNPins.h"

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

#include "media/pins/PNAfterPinOrder.h"
#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNProperties.h"
#include "media/pins/PNRegistry.h"
#include "media/pins/PNSinkPin.h"
#include "media/pins/PNStateDispatcher.h"

namespace oculon::pins {

namespace {

// The pins of components by their name keys (TPNBasicPin::NameKey), for
// the searches by name; brought up to date by the search that needs it, and
// made anew when a component's name changed.
class NameIndex {
public:
    using Pins = std::map<std::uint64_t, TPNBasicPin*>;
    // Files the pins registered or completed since the last search.
    void update(const Pins& owned) {
        if (const std::uint64_t epoch = PNComponentNamesEpoch(); epoch != namesEpoch_) {
            *this = {};
            namesEpoch_ = epoch;
        }
        for (auto it = incomplete_.begin(); it != incomplete_.end();) {
            const auto pin = owned.find(*it);
            if (pin != owned.end() && !pin->second->IsComplete()) {
                ++it;
                continue;
            }
            if (pin != owned.end()) file(pin->first, *pin->second);
            it = incomplete_.erase(it);
        }
        for (auto it = owned.upper_bound(upTo_); it != owned.end(); ++it) {
            if (it->second->IsComplete()) file(it->first, *it->second);
            else incomplete_.insert(it->first);
            upTo_ = it->first;
        }
    }
    void forget(std::uint64_t order) {
        incomplete_.erase(order);
        unkeyed_.erase(order);
        const auto key = keyOf_.find(order);
        if (key == keyOf_.end()) return;
        const auto pins = byKey_.find(key->second);
        std::erase(pins->second, order);
        if (pins->second.empty()) byKey_.erase(pins);
        keyOf_.erase(key);
    }
    // The pins that could be named `name`, in register order: those whose
    // key is a part of it between points, and those without a key.
    std::vector<std::uint64_t> candidates(std::string_view name) const {
        std::vector<std::uint64_t> orders(unkeyed_.begin(), unkeyed_.end());
        for (std::size_t begin = 0;;) {
            const std::size_t dot = name.find('.', begin);
            const auto pins = byKey_.find(std::string(name.substr(begin, dot - begin)));
            if (pins != byKey_.end()) orders.insert(orders.end(), pins->second.begin(), pins->second.end());
            if (dot == std::string_view::npos) break;
            begin = dot + 1;
        }
        std::sort(orders.begin(), orders.end());
        orders.erase(std::unique(orders.begin(), orders.end()), orders.end());
        return orders;
    }

private:
    void file(std::uint64_t order, TPNBasicPin& pin) {
        auto key = pin.NameKey();
        if (!key) {
            unkeyed_.insert(order);
            return;
        }
        byKey_[*key].push_back(order);
        keyOf_.emplace(order, std::move(*key));
    }

    std::uint64_t namesEpoch_ = 0;
    std::uint64_t upTo_ = 0;  // every pin registered up to it is filed or incomplete
    std::unordered_map<std::string, std::vector<std::uint64_t>> byKey_;
    std::unordered_map<std::uint64_t, std::string> keyOf_;
    std::set<std::uint64_t> unkeyed_;     // any name may fit them
    std::set<std::uint64_t> incomplete_;  // filed once complete
};

// Every live pin by the order it was registered in; the pins of components
// and the placeholders apart, so that a search by name looks at the pins of
// components only (placeholders are found by name in their own register).
struct LivePins {
    using Pins = NameIndex::Pins;
    std::mutex m;
    std::uint64_t next = 1;
    Pins owned;
    Pins placeholders;
    NameIndex names;
    Pins& of(bool placeholder) { return placeholder ? placeholders : owned; }

    // The pin registered next after `order` (before it with `lastFirst`),
    // or none; placeholders only `withPlaceholders`.
    std::optional<Pins::value_type> step(std::uint64_t order, bool lastFirst, bool withPlaceholders) const {
        const auto near = [&](const Pins& pins) -> std::optional<Pins::value_type> {
            if (!lastFirst) {
                const auto it = pins.upper_bound(order);
                return it == pins.end() ? std::nullopt : std::optional(*it);
            }
            const auto it = pins.lower_bound(order);
            return it == pins.begin() ? std::nullopt : std::optional(*std::prev(it));
        };
        const auto a = near(owned);
        const auto b = withPlaceholders ? near(placeholders) : std::nullopt;
        if (!a || !b) return a ? a : b;
        return (a->first < b->first) != lastFirst ? a : b;
    }
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

void raiseScore(TPNPinEntry& e) {
    if (e.ModificationLevel < kMaxModificationLevel) e.ModificationLevel += kLevelPerTakenOperation;
}

TPNLock& linkLock() {
    static const std::shared_ptr<TPNLock> lock = std::make_shared<TPNLock>();
    return *lock;
}

std::atomic<bool>& pinsExist() {
    static std::atomic<bool> exist{false};
    return exist;
}

std::atomic<std::uint64_t>& negotiationEpoch() {
    static std::atomic<std::uint64_t> epoch{1};
    return epoch;
}

std::atomic<bool>& designBehaviour() {
    static std::atomic<bool> on{true};
    return on;
}

// The walks of each kind in progress on this thread, innermost last.
thread_local std::vector<std::pair<const void*, int>> walks;

}  // namespace

std::uint64_t PNNegotiationEpoch() { return negotiationEpoch().load(std::memory_order_acquire); }
void PNNegotiationChanged() { negotiationEpoch().fetch_add(1, std::memory_order_acq_rel); }

IPNLockSection PNLinkSection() { return linkLock().WriteLock(); }
IPNLockSection PNLinkUnlockAll() { return linkLock().UnlockAll(); }

IPNLockSection PNDestroyWait(TPNDestroyLock& guard) {
    auto linkFree = linkLock().UnlockAll();
    auto destroying = guard.DestroyLock();
    // The link lock comes back before any pin lock the caller takes next.
    linkFree.release();
    return destroying;
}

TPNWalkGuard::TPNWalkGuard(const void* pin, int kind)
    : entered_(std::find(walks.begin(), walks.end(), std::pair{pin, kind}) == walks.end()) {
    if (entered_) walks.emplace_back(pin, kind);
}

TPNWalkGuard::~TPNWalkGuard() {
    if (entered_) walks.pop_back();
}

bool PNDesignStatesMatch(const TPNBasicPin& a, const TPNBasicPin& b) {
    // A placeholder takes the state of whatever links to it, and converters
    // serve both sides.
    if (PNConverterOf(a) || PNConverterOf(b)) return true;
    if (dynamic_cast<const TPNUnloadedPin*>(&a) || dynamic_cast<const TPNUnloadedPin*>(&b)) return true;
    return a.OwnerInDesigning() == b.OwnerInDesigning();
}

TPNSubmitFunction PNDispatchDataHandler() {
    return [](TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
        return receiver.DispatchData(id, states, op);
    };
}

TPNBasicPin* PNFirstComponentPin(std::string_view name, const std::function<bool(TPNBasicPin&)>& match) {
    auto& live = livePins();
    std::lock_guard l(live.m);
    live.names.update(live.owned);
    for (const std::uint64_t order : live.names.candidates(name)) {
        TPNBasicPin* pin = live.owned.at(order);
        if (pin->IsComplete() && match(*pin)) return pin;
    }
    return nullptr;
}

std::size_t PNLivePinCount() {
    auto& live = livePins();
    std::lock_guard l(live.m);
    return live.owned.size() + live.placeholders.size();
}

// ---- TPNBasicPin

TPNBasicPin::TPNBasicPin() : TPNBasicPin(false) {}

TPNBasicPin::TPNBasicPin(bool placeholder) : placeholder_(placeholder) {
    auto& live = livePins();
    std::lock_guard l(live.m);
    registerOrder_ = live.next++;
    live.of(placeholder_).emplace(registerOrder_, this);
}

TPNBasicPin::~TPNBasicPin() {
    if (registered_) leaveRegister();  // a pin that was not owned through PNOwned
    if (CurrentEditorPtr) *CurrentEditorPtr = nullptr;
}

void TPNBasicPin::VisitLivePins(bool lastFirst, bool completeOnly, bool withPlaceholders,
                                const std::function<void(TPNBasicPin&)>& visit) const {
    auto& live = livePins();
    std::uint64_t order = lastFirst ? std::numeric_limits<std::uint64_t>::max() : 0;
    for (;;) {
        TPNBasicPin* pin = nullptr;
        IPNLockSection inside;
        {
            // The next pin is looked up afresh each time: pins may come and
            // go while one is visited, and a pin that waits for a delivery
            // to end never blocks the register.
            std::lock_guard l(live.m);
            while (!pin) {
                const auto next = live.step(order, lastFirst, withPlaceholders);
                if (!next) break;
                order = next->first;
                if (next->second == this || (completeOnly && !next->second->IsComplete())) continue;
                inside = next->second->DestroyGuard().Lock();
                if (inside) pin = next->second;
            }
        }
        if (!pin) return;
        visit(*pin);
    }
}

void TPNBasicPin::leaveRegister() {
    auto& live = livePins();
    std::lock_guard l(live.m);
    live.of(placeholder_).erase(registerOrder_);
    if (!placeholder_) live.names.forget(registerOrder_);
    registered_ = false;
}

void TPNBasicPin::AfterConstruction() {
    auto w = WriteLock();
    complete_.store(true);
    PNNotifyAddPin(*this);
}

void TPNBasicPin::BeforeDestruction() {
    bool rootDestroying = false;
    // Held to the end: no link change sees this pin half torn down.
    auto link = PNLinkSection();
    {
        auto d = DestroyWait();
        Disconnect();
        rootDestroying = OwnerInDesigning() && RootInDestroying();
    }
    auto free = UnlockAll();
    PNNotifyRemovePin(*this, rootDestroying);
    // A list that holds this pin without owning it lets it go.
    if (TPNPinList* list = FOwnerPinList.load()) list->PinDestroyed(*this);
    // Every other live pin is told, last registered first, whether or not
    // it is linked to this one: pins of callers may watch pins they never
    // link to. A pin that is being destroyed itself is left alone. The
    // placeholders are not told of a placeholder's going: one refers to
    // another only by a link or as a notify-after pin, and either keeps it
    // until it has handed them on; so many placeholders of a root that does
    // not load go in time linear in their number.
    leaveRegister();
    complete_.store(false);
    VisitLivePins(true, false, !placeholder_, [this](TPNBasicPin& pin) { pin.PinDeletedNotify(*this); });
}

IPNLockSection TPNBasicPin::DestroyWait() { return PNDestroyWait(FDestroyLock); }

bool TPNBasicPin::CanConnectTo(TPNBasicPin& pin, bool checkOnly) {
    TPNConnectionChoice choice;
    return CanConnectToInt(pin, checkOnly, choice);
}

bool TPNBasicPin::CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly) {
    if (!after) return CanConnectTo(pin, checkOnly);
    // An after-pin only means something among the members of a state link.
    const auto dispatcher = Dispatcher();
    return dispatcher && dispatcher->CanConnectAfter(pin, after);
}

bool TPNBasicPin::ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) {
    return pin && pin != this && ConnectByStateAfter(*pin, after);
}

void TPNBasicPin::Disconnect() { LeaveState(); }

void TPNBasicPin::LeaveState() {
    auto link = PNLinkSection();
    const auto dispatcher = Dispatcher();
    if (!dispatcher) return;
    PNNotifyDisconnected(*this, *dispatcher);
    dispatcher->RemovePin(*this);
    SetDispatcher(nullptr);
    PNNotifyChangePin(*this);
}

std::shared_ptr<TPNStateDispatcher> TPNBasicPin::Dispatcher() const {
    // Every delivery asks; most pins have no state link.
    if (!stateLinked_.load(std::memory_order_acquire)) return nullptr;
    std::lock_guard l(FIntLockSection);
    return FDispatcher;
}

void TPNBasicPin::SetDispatcher(std::shared_ptr<TPNStateDispatcher> dispatcher) {
    // The old one is let go outside the leaf lock: it may be its last reference.
    std::shared_ptr<TPNStateDispatcher> old;
    std::lock_guard l(FIntLockSection);
    old = std::exchange(FDispatcher, std::move(dispatcher));
    stateLinked_.store(FDispatcher != nullptr, std::memory_order_release);
}

bool TPNBasicPin::IsConnectedByStateTo(const TPNBasicPin& pin) const {
    const auto dispatcher = Dispatcher();
    return dispatcher && dispatcher->IsConnectedTo(pin);
}

bool TPNBasicPin::IsConnectedByStateToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) const {
    const auto dispatcher = Dispatcher();
    if (!dispatcher) return false;
    for (const auto& m : dispatcher->Members())
        if (m.RealPin == &pin && m.AfterPin == after) return true;
    return false;
}

TPNBasicPin* TPNBasicPin::GetConnectedAfterForPin(const TPNBasicPin& pin) {
    const auto dispatcher = Dispatcher();
    return dispatcher ? dispatcher->GetConnectedAfterForPin(pin) : nullptr;
}

bool TPNBasicPin::CanConnectToStateInt(const TPNStateDispatcher* dispatcher) {
    if (!dispatcher || IsConnectedToState(dispatcher)) return false;
    for (const auto& m : const_cast<TPNStateDispatcher*>(dispatcher)->Members()) {
        TPNConnectionChoice choice;
        if (!CanConnectToInt(*m.RealPin, true, choice)) return false;
    }
    return true;
}

bool TPNBasicPin::ConnectToStateAfter(const std::shared_ptr<TPNStateDispatcher>& dispatcher, TPNBasicPin* after) {
    auto link = PNLinkSection();
    if (IsConnectedToState(dispatcher.get())) return false;
    LeaveState();
    if (!dispatcher || !CanConnectToStateInt(dispatcher.get())) return false;
    dispatcher->AddPinAfter(*this, *this, after);
    UpdateStateValue();
    PNNotifyConnected(*this, *dispatcher);
    PNNotifyChangePin(*this);
    return true;
}

bool TPNBasicPin::ConnectByStateAfter(TPNBasicPin& pin, TPNBasicPin* after) {
    auto link = PNLinkSection();
    TPNConnectionChoice choice;
    if (&pin == this || !CanConnectToInt(pin, true, choice)) return false;
    auto dispatcher = Dispatcher();
    const bool fresh = !dispatcher && !pin.IsStateConnected();
    if (fresh) {
        dispatcher = CreateDispatcher(GetRoot());
        dispatcher->AddPin(*this, *this);
    }
    if (dispatcher) {
        if (!choice.Converter && choice.ConverterClass) {
            choice.Converter = choice.ConverterClass->Create();
            if (choice.Converter) dispatcher->AddFormatConverter(choice.Converter);
        }
        if (choice.Converter) {
            // The converter's input joins in `pin`'s name; its output feeds `pin`.
            TPNSourcePin& out = choice.Converter->OutputPin();
            out.ConnectAfter(&pin, after);
            dispatcher->AddPinAfter(choice.Converter->InputPin(), pin, after);
            if (auto* sink = dynamic_cast<TPNSinkPin*>(&pin)) sink->SetStateSource(*this);
            PNNotifyConnected(pin, *dispatcher);
            PNNotifyChangePin(pin);
        } else if (fresh) {
            dispatcher->AddPinAfter(pin, pin, after);
            pin.UpdateStateValue();
        } else {
            pin.ConnectToStateAfter(dispatcher, after);
        }
        UpdateStateValue();
        if (fresh) {
            PNNotifyConnected(*this, *dispatcher);
            PNNotifyConnected(pin, *dispatcher);
            PNNotifyChangePin(pin);
        }
    } else {
        ConnectToStateAfter(pin.Dispatcher(), after);
        UpdateStateValue();
    }
    PNNotifyChangePin(*this);
    return true;
}

bool TPNBasicPin::LinkToStateByName(const std::string& name) {
    auto link = PNLinkSection();
    const auto dispatcher = TPNStateDispatcher::GetByNameCreate(*this, name, OwnerInDesigning());
    const bool joined = ConnectToState(dispatcher);
    UpdateStateValue();
    return joined;
}

std::shared_ptr<TPNStateDispatcher> TPNBasicPin::CreateDispatcher(const TComponent* root) {
    return TPNStateDispatcher::Create(root);
}

std::shared_ptr<TPNStateDispatcher> TPNBasicPin::CreateNamedDispatcher(const std::string& name, bool designing) {
    return TPNStateDispatcher::CreateNamed(name, designing);
}

std::string TPNBasicPin::GetEditorString() {
    const auto dispatcher = Dispatcher();
    if (!dispatcher) return "(Disconnected)";
    const auto members = dispatcher->Members();
    if (members.size() == 2) {
        TPNBasicPin* other = members[0].RealPin == this ? members[1].RealPin : members[0].RealPin;
        return other->GetFullName(true);
    }
    return dispatcher->Name();
}

bool TPNBasicPin::IsLinkedTo(std::string_view name) {
    const auto dispatcher = Dispatcher();
    if (!dispatcher) return false;
    for (const auto& m : dispatcher->Members())
        if (m.RealPin->GetFullName(true) == name) return true;
    return false;
}

void TPNBasicPin::CheckVirtualList() {
    auto link = PNLinkSection();
    const std::string ident = GetFullIdentName(true);
    const std::string display = GetFullName(true);
    for (;;) {
        TPNUnloadedPin* found =
            PNFindUnloadedPin({{ident}, std::nullopt, display}, [&](TPNUnloadedPin& p) { return &p != this; });
        if (!found) return;
        found->PopulatePinAndDestroy(*this);
    }
}

TPNQuery TPNBasicPin::RequestInterface(const TGUID& iid) const {
    return std::find(interfaces_.begin(), interfaces_.end(), iid) != interfaces_.end() ? TPNQuery::Supported
                                                                                       : TPNQuery::NoInterface;
}

// A pin still being made has no links whose choice its types could change.
void TPNBasicPin::DeclareInterface(const TGUID& iid) {
    if (std::find(interfaces_.begin(), interfaces_.end(), iid) != interfaces_.end()) return;
    interfaces_.push_back(iid);
    if (IsComplete()) PNNegotiationChanged();
}

void TPNBasicPin::WithdrawInterface(const TGUID& iid) {
    std::erase(interfaces_, iid);
    if (IsComplete()) PNNegotiationChanged();
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

void TPNBasicPin::ApplyFormName(std::string& name) const { PNApplyFormName(FLoadFormName, GetRoot(), name); }

void PNApplyFormName(const std::string& loadName, const TComponent* root, std::string& name) {
    if (loadName.empty() || name.size() <= loadName.size() || name.compare(0, loadName.size(), loadName) != 0 ||
        name[loadName.size()] != '.')
        return;
    if (root) name.replace(0, loadName.size(), root->Name());
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

void TPNPinStreamType::RemoveIf(const std::function<bool(const TGUID&)>& drop) {
    std::erase_if(Types, [&](const TPNPinTypeEntry& t) { return drop(t.ID); });
}

const TPNPinTypeEntry* TPNPinStreamType::Find(const TGUID& id) const {
    for (const auto& t : Types)
        if (t.ID == id) return &t;
    return nullptr;
}

// ---- TPNPin

TPNPin::TPNPin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock)
    : FOwner(owner), FOwnerLock(std::move(ownerLock)) {
    pinsExist().store(true);
    GetRootName();
}

TPNPin::~TPNPin() = default;

IPNLockSection TPNPin::ReadLock() { return FIntLock->ReadLock(FOwnerLock.get()); }
IPNLockSection TPNPin::WriteLock() { return FIntLock->WriteLock(FOwnerLock.get()); }

void TPNPin::AddType(const TGUID& id, TPNSubmitFunction submit) {
    auto w = WriteLock();
    StreamType.AddType(id, std::move(submit));
    if (IsComplete()) PNNegotiationChanged();
}

void TPNPin::RemoveType(const TGUID& id) {
    auto w = WriteLock();
    StreamType.RemoveType(id);
    if (IsComplete()) PNNegotiationChanged();
}

TPNPinStreamType TPNPin::StreamTypes() {
    auto r = ReadLock();
    return StreamType;
}

bool TPNPin::OwnerInLoading() const { return FOwner && FOwner->InState(csLoading); }
bool TPNPin::OwnerInDesigning() const { return PNDesignBehaviour() && FOwner && FOwner->InState(csDesigning); }

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

std::optional<std::string> TPNPin::NameKey() {
    // An owner's name with a point in it could stand for several parts.
    if (!FOwner || FOwner->Name().find('.') != std::string::npos) return std::nullopt;
    return FOwner->Name();
}

bool TPNPin::CouldBeNamed(std::string_view name) {
    if (!FOwner) return true;
    const std::string& owner = FOwner->Name();
    const auto follows = [&](std::size_t at) {
        return name.size() > at + owner.size() && name.compare(at, owner.size(), owner) == 0 &&
               name[at + owner.size()] == '.';
    };
    if (follows(0)) return true;
    // The root's name is built only for a name whose part after a point is
    // the owner's: most names of a search are not.
    for (std::size_t dot = name.find('.'); dot != std::string_view::npos; dot = name.find('.', dot + 1)) {
        if (!follows(dot + 1)) continue;
        const std::string root = GetRootName();
        return name.size() > root.size() && name.compare(0, root.size(), root) == 0 && name[root.size()] == '.' &&
               follows(root.size() + 1);
    }
    return false;
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

bool TPNPin::OwnedByConverter() const { return PNConverterOf(*this) != nullptr; }

bool TPNPin::CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) {
    if (!PNDesignStatesMatch(*this, pin)) return false;
    return dynamic_cast<TPNUnloadedPin*>(&pin) && pin.CanConnectTo(*this, checkOnly);
}

TPNConnectionChoice TPNPin::FindConnectionID(TPNBasicPin& other, bool allowConverter) {
    const TPNPinStreamType types = StreamTypes();
    const auto kind = other.GetPinType();
    const bool converters = allowConverter && (kind == TPNPinType::ptSink || kind == TPNPinType::ptMultiSink);
    if (auto direct = chooseType(types, other, false); !direct.ID.isNull() || !converters) return direct;
    if (const auto dispatcher = Dispatcher()) {
        const TPNFormatConverterList own = dispatcher->FormatConverters();
        for (std::size_t i = own.size(); i-- > 0;) {
            const TGUID out = own[i]->OutputPin().GetPrimaryConnectionID();
            if (!out.isNull() && PNSupported(other.RequestInterface(out))) return {out, own[i], nullptr};
        }
    }
    return chooseType(types, other, true);
}

TGUID TPNPin::GetPrimaryConnectionID() {
    const auto dispatcher = Dispatcher();
    TPNBasicPin* first = dispatcher ? dispatcher->GetPin(0) : nullptr;
    return first ? FindConnectionID(*first, true).ID : GUID_NULL;
}

bool TPNPin::NotifyDispatcher(const IPNNotifyOperation& op, TPNBasicPin* onlyPin, TPNNotifyStates states) {
    const auto dispatcher = Dispatcher();
    if (!dispatcher) return false;
    // Members leave only after this fan-out (RemovePin waits for it).
    const IPNLockSection inDispatcher = dispatcher->DestroyGuard().Lock();
    const IPNLockSection inside = FDestroyLock.Lock();
    if (!inDispatcher || !inside) return false;
    const auto members = dispatcher->Members();
    const std::size_t n = members.size();
    bool last = false;
    bool taken = false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto& m = members[i];
        if (onlyPin) {
            if (m.RealPin != onlyPin) continue;
            last = true;
        } else if (i + 1 == n || (i + 2 == n && members[n - 1].RealPin == this)) {
            last = true;
        }
        if (m.RealPin == this || m.ConnectionPin == this) continue;
        const TGUID id = GetConnectionID(*m.ConnectionPin);
        const TPNSubmitFunction handler = GetSubmitFunctionID(id);
        if (!handler) continue;
        TPNNotifyStates served = states;
        if (last)
            served = states.contains(nsNewLink) ? TPNNotifyStates{nsNewLink, nsLastIteration}
                                                : TPNNotifyStates{nsLastIteration};
        taken = handler(*m.ConnectionPin, id, served, op) || taken;
    }
    return taken;
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
    return index < FSinkPins.Count() ? readSinks().At(index).RealPin : nullptr;
}

std::vector<TPNPinEntry> TPNSourcePin::Entries() {
    auto r = ReadLock();
    return readSinks().items();
}

TPNFormatConverterList TPNSourcePin::FormatConverters() {
    auto r = ReadLock();
    return FFormatConverters;
}

std::vector<TPNBasicPin*> TPNSourcePin::linkedSinks() {
    auto r = ReadLock();
    std::vector<TPNBasicPin*> sinks;
    for (const auto& e : readSinks().items()) sinks.push_back(e.RealPin);
    return sinks;
}

bool TPNSourcePin::ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) {
    if (!pin || pin == this) return false;
    auto link = PNLinkSection();
    return CanConnectAfter(*pin, after, true) && IntConnectAfter(*pin, after);
}

bool TPNSourcePin::IntConnectAfter(TPNBasicPin& pin, TPNBasicPin* after) {
    if (!dynamic_cast<TPNBasicSinkPin*>(&pin) && !dynamic_cast<TPNUnloadedPin*>(&pin)) return false;
    auto link = PNLinkSection();
    makeRoomFor(pin);
    return pin.ConnectAfter(this, after);
}

void TPNSourcePin::makeRoomFor(const TPNBasicPin& sink) {
    TPNBasicPin* first = nullptr;
    {
        auto r = ReadLock();
        if (FMaxConnections <= 0 || FSinkPins.Count() < static_cast<std::size_t>(FMaxConnections) ||
            readSinks().GetItemByPin(&sink))
            return;
        first = readSinks().At(0).RealPin;
    }
    DisconnectFrom(*first);
}

bool TPNSourcePin::CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly) {
    if (TPNStreamPin::CanConnectAfter(pin, after, checkOnly)) return true;
    if (&pin == after) return false;
    if (OwnerInLoading()) return true;
    std::vector<const TPNBasicPin*> seen;
    auto r = ReadLock();
    if (FInEditor) return true;
    // The chain of after-pins, each linked here; a chain that runs in a
    // circle never ends in a free place.
    for (const TPNBasicPin* a = after; a;) {
        const TPNPinEntry* e = readSinks().GetItemByPin(a);
        if (!e || std::find(seen.begin(), seen.end(), a) != seen.end() || e->NotifyAfterPin == &pin) return false;
        if (!e->NotifyAfterPin) return true;
        seen.push_back(a);
        a = e->NotifyAfterPin;
    }
    return false;
}

bool TPNSourcePin::CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) {
    if (!PNDesignStatesMatch(*this, pin)) return false;
    if (TPNStreamPin::CanConnectToInt(pin, checkOnly, choice)) return true;
    auto* sink = dynamic_cast<TPNBasicSinkPin*>(&pin);
    if (!sink || &pin == this || !sink->CanConnectTo(*this, checkOnly)) return false;
    choice = DownStreamFindConnectionID(pin, true, true);
    return true;
}

bool TPNSourcePin::IsCompatible(TPNBasicPin& pin, bool allowConverter) {
    auto* sink = dynamic_cast<TPNBasicSinkPin*>(&pin);
    return sink && sink->IsCompatible(*this, allowConverter);
}

bool TPNSourcePin::CheckDownStreamInterfaces(TPNBasicPin& sink, bool useConverters) {
    return !DownStreamFindConnectionID(sink, useConverters, true).ID.isNull();
}

void TPNSourcePin::SetInEditor(bool inEditor) {
    auto w = WriteLock();
    FInEditor = inEditor;
}

void TPNSourcePin::IntConnect(TPNBasicPin& sink, TPNBasicPin* after) {
    auto link = PNLinkSection();
    // Read before anything here gives up the link lock: the sink made this
    // link just before the call.
    const std::uint64_t number = sink.LinkNumber();
    makeRoomFor(sink);
    // A placeholder gives no stream type's interface: its link carries none.
    TPNConnectionChoice choice = dynamic_cast<const TPNUnloadedPin*>(&sink)
                                     ? TPNConnectionChoice{}
                                     : DownStreamFindConnectionID(sink, true, true);
    bool made = false;
    if (!choice.Converter && choice.ConverterClass) {
        choice.Converter = choice.ConverterClass->Create();
        made = choice.Converter != nullptr;
    }
    TPNPinEntry entry;
    entry.RealPin = &sink;
    entry.NotifyAfterPin = after;
    entry.ConnectedID = choice.ID;
    entry.ConnectionPin = &sink;
    entry.Link = number;
    if (choice.Converter) {
        TPNSinkPin& input = choice.Converter->InputPin();
        entry.ConnectionPin = &input;
        entry.Converter = choice.Converter;
        if (made) input.feedFrom(*this, choice.ID);
        choice.Converter->OutputPin().IntConnect(sink, after);
        sink.SetConnectionSourcePin(&choice.Converter->OutputPin());
    }
    entry.SubmitFunction = GetSubmitFunctionID(choice.ID);
    auto w = WriteLock();
    if (!w) return;
    if (made) FFormatConverters.push_back(choice.Converter);
    FSinkPins.Add(std::move(entry));
    forthFresh(sink);
}

void TPNSourcePin::removeEntry(const TPNBasicPin& sink, std::uint64_t link, TPNFormatConverterList& dropped) {
    TPNPinEntry entry;
    {
        auto w = WriteLock();
        if (!w) return;
        const auto slot = readSinks().LastIndexOf(&sink, link);
        if (!slot) return;
        entry = FSinkPins.Take(*slot);
    }
    // The link's notify-after pin, which may be a placeholder that nothing
    // else names, is let go on the way out.
    const TPNPinHold after(entry.NotifyAfterPin, std::adopt_lock);
    if (entry.ConnectionPin == entry.RealPin) return;
    // The converters that fed the sink let it go; one that feeds nothing any
    // more goes with the link.
    const TPNFormatConverterList converters = FormatConverters();
    for (std::size_t i = converters.size(); i-- > 0;) {
        TPNSourcePin& out = converters[i]->OutputPin();
        out.disconnectLink(*entry.RealPin, entry.Link);
        if (out.IsConnected()) continue;
        auto w = WriteLock();
        std::erase(FFormatConverters, converters[i]);
        dropped.push_back(converters[i]);
    }
}

namespace {
// Marks the thread that takes a sink off, for the calls back from the sink's
// side. Marks nest, and other threads mark and unmark meanwhile: each takes
// away only its own.
struct DisconnectingMark {
    TPNSourcePin& pin;
    std::vector<std::thread::id>& marks;
    DisconnectingMark(TPNSourcePin& p, std::vector<std::thread::id>& m) : pin(p), marks(m) {
        auto w = pin.WriteLock();
        marks.push_back(std::this_thread::get_id());
    }
    ~DisconnectingMark() {
        auto w = pin.WriteLock();
        if (const auto own = std::find(marks.begin(), marks.end(), std::this_thread::get_id()); own != marks.end())
            marks.erase(own);
    }
};
}  // namespace

bool TPNSourcePin::disconnectingHere() {
    auto r = ReadLock();
    return std::find(FDisconnecting.begin(), FDisconnecting.end(), std::this_thread::get_id()) != FDisconnecting.end();
}

void TPNSourcePin::IntDisconnect(TPNBasicPin& sink, bool keepPlaceholder, std::uint64_t link) {
    TPNFormatConverterList dropped;  // freed after the sections below
    auto linkSection = PNLinkSection();
    if (disconnectingHere()) return;  // re-entered from the sink's side
    if (sink.IsComplete() && hasEntry(sink, link)) {
        // The sink takes itself off: its stop leaves the order as it is, as
        // when this pin takes it off (sinks going one by one would renew
        // the order of all the others each time).
        DisconnectingMark quiet(*this, FUnlinking);
        SinkUnlinking(sink);
    }
    auto d = DestroyWait();
    if (keepPlaceholder && !RootInDestroying()) {
        // The sink's form goes away at design time: a placeholder of its name keeps the link.
        TPNBasicPin* after = GetConnectedAfterForPin(sink);
        DisconnectingMark mark(*this, FDisconnecting);
        PNMakeUnloadedPin(GetRoot(), {}, sink.GetFullName(true), sink.GetFullIdentName(true), sink.GetPinType())
            ->ConnectAfter(this, after);
    }
    removeEntry(sink, link, dropped);
    PNNotifyChangePin(*this);
}

void TPNSourcePin::IntDisconnectFrom(TPNBasicPin& sink, std::uint64_t link, TPNFormatConverterList& dropped) {
    const bool keep = OwnerInDesigning() && RootInDestroying();
    if (sink.IsComplete()) {
        // Like every delivery while this pin takes a sink off, the sink's
        // stop leaves the order as it is: a teardown that renewed the order
        // with each stop would walk every link once per link.
        DisconnectingMark quiet(*this, FUnlinking);
        SinkUnlinking(sink);
    }
    PNNotifyDisconnected(*this, sink);
    // Held until the end: the entry may name the sink itself as its
    // notify-after pin, and a placeholder goes with its last hold.
    const TPNPinHold held(&sink);
    {
        DisconnectingMark mark(*this, FDisconnecting);
        sink.IntDisconnect(*this, keep, link);
    }
    removeEntry(sink, link, dropped);
    sink.CheckRemove();
}

bool TPNSourcePin::hasEntry(const TPNBasicPin& sink, std::uint64_t link) {
    auto r = ReadLock();
    if (readSinks().LinksTo(&sink) == 0) return false;
    return link == kAnyLink || readSinks().LastIndexOf(&sink, link);
}

std::optional<std::uint64_t> TPNSourcePin::lastLinkTo(const TPNBasicPin& sink) {
    auto r = ReadLock();
    const auto slot = readSinks().LastIndexOf(&sink, kAnyLink);
    if (!slot) return std::nullopt;
    return readSinks()[*slot].Link;
}

void TPNSourcePin::DisconnectFrom(TPNBasicPin& sink) {
    TPNFormatConverterList dropped;
    auto link = PNLinkSection();
    BeforeDisconnect();
    if (!hasEntry(sink)) {
        TPNStreamPin::DisconnectFrom(sink);
        return;
    }
    auto d = DestroyWait();
    // The link in place now, which may be newer than the one seen above.
    if (const auto current = lastLinkTo(sink)) IntDisconnectFrom(sink, *current, dropped);
}

void TPNSourcePin::disconnectLink(TPNBasicPin& sink, std::uint64_t link) {
    TPNFormatConverterList dropped;
    auto linkSection = PNLinkSection();
    if (!hasEntry(sink, link)) return;
    BeforeDisconnect();
    auto d = DestroyWait();
    if (hasEntry(sink, link)) IntDisconnectFrom(sink, link, dropped);
}

void TPNSourcePin::Disconnect() {
    TPNFormatConverterList dropped;
    auto link = PNLinkSection();
    auto d = DestroyWait();
    BeforeDisconnect();
    LeaveState();
    for (std::size_t n = GetSinkCount(); n > 0; --n) {
        TPNBasicPin* sink = nullptr;
        std::uint64_t number = kAnyLink;
        {
            auto r = ReadLock();
            if (FSinkPins.Count() == 0) break;
            sink = readSinks().Last().RealPin;
            number = readSinks().Last().Link;
        }
        sink->BeforeDisconnect();
        IntDisconnectFrom(*sink, number, dropped);
    }
}

void TPNSourcePin::ReorderChangedData() {
    auto w = WriteLock();
    reorder();
}

// The links of one delivery whose handler took the operation.
class TPNSourcePin::TakenLinks {
public:
    explicit TakenLinks(std::size_t count) {
        if (count > kInline) more_.resize(count);
    }
    void set(std::size_t i) {
        if (more_.empty()) {
            bits_ |= std::uint64_t{1} << i;
        } else {
            more_[i] = true;
            anyMore_ = true;
        }
    }
    bool test(std::size_t i) const { return more_.empty() ? (bits_ >> i & 1u) != 0 : more_[i]; }
    bool any() const { return more_.empty() ? bits_ != 0 : anyMore_; }

private:
    static constexpr std::size_t kInline = 64;
    std::uint64_t bits_ = 0;
    bool anyMore_ = false;
    std::vector<bool> more_;  // only for lists longer than kInline
};

void TPNSourcePin::reorder(const TakenLinks* taken) {
    const bool any = taken && taken->any();
    // No level to lower or raise: only the notify-after pass, when it would
    // move anything at all, and that waits until the order is looked at
    // next (a link made or taken off sends one sink a start or a stop, which
    // must not cost a walk through all).
    if (!any && FSinkPins.LevelsQuiet()) {
        if (FSinkPins.HasFollowers()) FSinkPins.DeferPass();
        return;
    }
    // Slot i is link i of the delivery: the scores rise before the deferred
    // passes move anything.
    if (any)
        for (std::size_t i = 0; i < FSinkPins.Count(); ++i)
            if (taken->test(i)) raiseScore(FSinkPins.ScoreOf(i));
    auto& v = FSinkPins.ScoresAndOrder();
    TPNPinEntry* const e = v.data();
    const std::size_t n = v.size();
    bool positive = false;
    bool sorted = true;
    for (std::size_t i = 0; i < n; ++i) {
        if (e[i].ModificationLevel > 0) --e[i].ModificationLevel;
        positive |= e[i].ModificationLevel > 0;
        sorted = sorted && (i == 0 || e[i - 1].ModificationLevel <= e[i].ModificationLevel);
    }
    FSinkPins.SetLevelsQuiet(!positive);
    // Most deliveries change no place, and the fan-out list stays.
    const bool unsettled = FSinkPins.HasFollowers() && !FSinkPins.Settled();
    if (sorted && !unsettled) return;
    // Stable: links of one level keep their order.
    if (!sorted) {
        std::stable_sort(v.begin(), v.end(),
                         [](const auto& a, const auto& b) { return a.ModificationLevel < b.ModificationLevel; });
        FSinkPins.OrderChanged();
    }
    if (FSinkPins.HasFollowers() && !FSinkPins.Settled()) FSinkPins.RunPass();
}

void TPNSourcePin::scoreDelivery(const Delivery& delivery, const TakenLinks& taken) {
    const bool reordering = FDisconnecting.empty() && FUnlinking.empty();
    const TPNFanOut& links = *delivery.links;
    if (delivery.at.empty() && FSinkPins.Shares(links)) {
        // The links are as the delivery found them (slot i is link i): the
        // scores rise in the pass that lowers them.
        if (reordering) {
            reorder(&taken);
            return;
        }
        for (std::size_t i = 0; taken.any() && i < links.size(); ++i)
            if (taken.test(i)) raiseScore(FSinkPins.ScoreOf(i));
        return;
    }
    for (std::size_t i = 0; taken.any() && i < links.size(); ++i) {
        if (!taken.test(i)) continue;
        TPNBasicPin* const sink = links[i].RealPin;
        // The entry is where the delivery found it unless the list changed.
        const std::size_t at = delivery.entry(i);
        if (FSinkPins.Holds(at, sink)) raiseScore(FSinkPins.ScoreOf(at));
        else if (const auto found = FSinkPins.IndexOf(sink)) raiseScore(FSinkPins.ScoreOf(*found));
    }
    if (reordering) reorder();
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
    // destruction wait until this delivery is done with the sinks it serves,
    // which they would otherwise free under it.
    IPNLockSection inside = FDestroyLock.Lock();
    if (!inside) return false;

    // All links: shared with the pin, not copied; links made or reordered
    // meanwhile give the pin a new list and leave this one as it is. One
    // sink's links: found by the list's count of them, without a walk
    // through the others.
    Delivery delivery;
    {
        auto r = ReadLock();
        if (!r) return false;
        if (FInSending.value() > kMaxNestedDeliveries) throw EOWException(kPinDependsOnItself);
        if (onlySink) {
            // A sink that no handler serves (a placeholder) gets nothing,
            // wherever its links stand.
            static const auto none = std::make_shared<const TPNFanOut>();
            delivery.links = none;
            if (readSinks().HasHandlerFor(onlySink)) {
                delivery.at = readSinks().IndicesOf(onlySink);
                delivery.links = readSinks().FanOutOf(delivery.at);
                delivery.endsList = readSinks().IsLast(delivery.at.back());
            }
        } else {
            delivery.links = FSinkPins.FanOut();
        }
        FInSending.enter();
    }
    // Step out on every path: the scores of the sinks that took the operation
    // rise, the order is renewed and the nesting count taken back, also when
    // a handler throws.
    struct Finish {
        TPNSourcePin& pin;
        const Delivery& delivery;
        TakenLinks taken;
        ~Finish() {
            const IPNLockSection w = pin.WriteLock();
            if (w) pin.scoreDelivery(delivery, taken);
            pin.FInSending.leave(w);
        }
    } finish{*this, delivery, TakenLinks(delivery.links->size())};

    bool taken = NotifyDispatcher(op, nullptr, {});
    const TPNFanOut& links = *delivery.links;
    // The link of the last entry of the pin's list, told so also when it is served alone.
    const std::size_t last = links.empty() || !delivery.endsList ? links.size() : links.size() - 1;
    for (std::size_t i = 0; i < links.size(); ++i) {
        const auto& e = links[i];
        if (!e.SubmitFunction) continue;
        const TPNNotifyStates states = i == last ? TPNNotifyStates{nsLastIteration} : TPNNotifyStates{};
        if (!e.SubmitFunction(*e.ConnectionPin, e.ConnectedID, states, op)) continue;
        taken = true;
        finish.taken.set(i);
    }
    return taken;
}

void TPNSourcePin::PinDeletedNotify(TPNBasicPin& pin) {
    auto link = PNLinkSection();
    if (auto* sink = dynamic_cast<TPNPin*>(&pin)) {
        if (FFunctionSources.Contains(*sink)) FFunctionSources.Remove(*sink);
        if (FDataTypeSources.Contains(*sink)) FDataTypeSources.Remove(*sink);
    }
    std::size_t links = 0, named = 0;
    {
        auto r = ReadLock();
        links = readSinks().LinksTo(&pin);
        named = readSinks().AfterPinUses(&pin);
    }
    while (links-- > 0) IntDisconnect(pin, false, kAnyLink);
    if (named == 0) return;  // the link lock keeps it so
    // Nothing to let go of: the pin is on its way out.
    auto w = WriteLock();
    FSinkPins.ReplaceAfterPin(&pin, nullptr);
}

void TPNSourcePin::SetPinNotificationEvent(TPNSubmitFunction handler) {
    auto w = WriteLock();
    FPinNotificationEvent = std::move(handler);
}

bool TPNSourcePin::DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) {
    TPNSubmitFunction handler;
    {
        auto r = ReadLock();
        if (!r) return false;
        handler = FPinNotificationEvent;
    }
    return handler && handler(*this, id, states, op);
}

void TPNSourcePin::UpdateStateValue() {
    if (IsStateConnected()) NotifyDispatcher(std::make_shared<TPNNotifyOperation>(), nullptr, {});
}

std::string TPNSourcePin::GetEditorString() {
    const auto sinks = linkedSinks();
    const auto dispatcher = Dispatcher();
    if (sinks.empty()) return TPNStreamPin::GetEditorString();
    if (sinks.size() == 1 && !dispatcher) {
        TPNBasicPin* sink = sinks.front();
        return sink->GetFullName(sink->GetRootName() != GetRootName());
    }
    std::size_t links = sinks.size();
    if (dispatcher) links += dispatcher->GetPinCount() - 1;
    return "( " + std::to_string(links) + " Links )";
}

bool TPNSourcePin::IsLinkedTo(std::string_view name) {
    const std::string root = GetRootName();
    for (TPNBasicPin* sink : linkedSinks())
        if (sink->GetFullName(true) == name || (sink->GetRootName() == root && sink->GetFullName(false) == name))
            return true;
    return false;
}

void TPNSourcePin::PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) {
    std::size_t named = 0;
    {
        auto w = WriteLock();
        named = FSinkPins.ReplaceAfterPin(&oldPin, &newPin);
    }
    while (named-- > 0) oldPin.ReleasePin();
}

void TPNSourcePin::PutLinkInPlaceOf(const TPNBasicPin& pin, const TPNBasicPin& placeholder) {
    auto w = WriteLock();
    const auto at = readSinks().IndexOf(&placeholder);
    const auto links = readSinks().IndicesOf(&pin);
    if (w && at && !links.empty() && links.back() > *at) FSinkPins.Move(links.back(), *at);
}

void TPNSourcePin::orderLinksAs(const std::vector<TPNBasicPin*>& sinks) {
    std::unordered_map<const TPNBasicPin*, std::size_t> place;
    for (std::size_t i = 0; i < sinks.size(); ++i) place.emplace(sinks[i], i);
    auto w = WriteLock();
    if (w) FSinkPins.OrderByPlaces(place);
}

void TPNSourcePin::SetNotifyAfterByName(TPNBasicPin& sink, std::string_view name) {
    TPNBasicPin* before = nullptr;
    {
        auto w = WriteLock();
        const auto& entries = readSinks().items();
        const auto index = readSinks().IndexOf(&sink);
        if (!index) return;
        for (const auto& e : entries) {
            if (e.RealPin->GetFullName(false) == name || e.RealPin->GetFullName(true) == name) {
                before = FSinkPins.SetAfterPin(*index, e.RealPin);
                break;
            }
        }
    }
    if (before) before->ReleasePin();
}

std::string TPNSourcePin::GetAfterPinDisplayName(const TPNBasicPin& sink) {
    TPNBasicPin* after = GetConnectedAfterForPin(sink);
    if (!after) return {};
    return after->GetFullName(after->GetRootName() != GetRootName());
}

TPNBasicPin* TPNSourcePin::GetConnectedAfterForPin(const TPNBasicPin& pin) {
    auto r = ReadLock();
    const TPNPinEntry* e = readSinks().GetItemByPin(&pin);
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
        if (const TPNPinEntry* e = readSinks().GetItemByPin(&pin)) return e->ConnectedID;
    }
    return TPNPin::GetConnectionID(pin);
}

TGUID TPNSourcePin::GetPrimaryConnectionID() {
    {
        auto r = ReadLock();
        if (FSinkPins.Count() > 0) return readSinks().At(0).ConnectedID;
    }
    return TPNPin::GetPrimaryConnectionID();
}

bool TPNSourcePin::IsConnected() { return GetSinkCount() > 0 || TPNPin::IsConnected(); }

bool TPNSourcePin::IsConnectedTo(const TPNBasicPin& pin) {
    {
        auto r = ReadLock();
        if (readSinks().GetItemByPin(&pin)) return true;
    }
    return TPNPin::IsConnectedTo(pin);
}

bool TPNSourcePin::IsConnectedToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) {
    {
        auto r = ReadLock();
        for (const auto& e : readSinks().items())
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

void PNReleaseAfterPins(const std::vector<TPNPinEntry>& taken) {
    for (const auto& e : taken)
        if (e.NotifyAfterPin) e.NotifyAfterPin->ReleasePin();
}

// ---- Editors and process-wide switches

bool PNPinsExist() { return pinsExist().load(); }
void PNSetDesignBehaviour(bool on) { designBehaviour().store(on); }
bool PNDesignBehaviour() { return designBehaviour().load(); }

TPNBasicPin* TPNBasicPin::GetConnectedAfterPin(std::size_t index) {
    TPNBasicPin* pin = GetConnectedPin(index);
    return pin ? GetConnectedAfterForPin(*pin) : nullptr;
}

std::string TPNSourcePin::GetLinkStr(std::size_t index) {
    TPNBasicPin* sink = GetSink(index);
    return sink ? sink->GetFullName(sink->GetRootName() != GetRootName()) : std::string();
}

bool TPNSourcePin::TryLinkTo(TComponent* root, const std::string& name, bool checkOnly) {
    if (name.empty()) {
        if (!checkOnly) Disconnect();
        return false;
    }
    TComponent* top = PNGetMainOwnerComponent(root);
    if (!top) return false;
    // Names under another root carry that root in front, as the editor shows them.
    const std::string rootName = top == GetRoot() ? std::string() : top->Name();
    std::vector<TPNPinCandidate> candidates;
    PNGetPinsValueListSingle(candidates, top, *this, checkOnly ? pvoFullList | pvoSaveValue : unsigned{pvoFullList},
                             rootName, ".");
    const auto it = std::find_if(candidates.begin(), candidates.end(), [&](const auto& c) { return c.Text == name; });
    return it != candidates.end() && Connect(it->Pin);
}

bool TPNSourcePin::TryLinkToList(TComponent* root, const std::string& names, bool checkOnly) {
    bool linked = false;
    std::size_t begin = 0;
    while (begin <= names.size()) {
        std::size_t end = names.find(',', begin);
        if (end == std::string::npos) end = names.size();
        std::string name = names.substr(begin, end - begin);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty()) linked = TryLinkTo(root, name, checkOnly) || linked;
        begin = end + 1;
    }
    return linked;
}

bool TPNSourcePin::SetEditorString(const std::string& text) {
    auto link = PNLinkSection();
    const bool wasLinked = IsConnected();
    if (text.empty() || text == "(Disconnected)") {
        Disconnect();
        return wasLinked;
    }
    return TryLinkToList(GetRoot(), text, false) || wasLinked;
}

}  // namespace oculon::pins
