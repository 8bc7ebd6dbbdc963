#include "media/pins/PNFormatConverter.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "media/pins/PNRegistry.h"
#include "media/pins/PNStateDispatcher.h"

namespace oculon::pins {

// ---- TPNFormatConverter

TPNFormatConverter::TPNFormatConverter() : TComponent(nullptr), FLock(std::make_shared<TPNLock>()) {}

TPNFormatConverter::~TPNFormatConverter() {
    // Operations sent up through the input meanwhile are refused, not
    // waited for; each pin's own teardown waits for deliveries inside it.
    const IPNLockSection stop = FLock->StopLock();
    FInputPin.reset();
    FOutputPin.reset();
}

void TPNFormatConverter::CreateEx(PNOwned<TPNSinkPin> input, PNOwned<TPNSourcePin> output) {
    FInputPin = std::move(input);
    FOutputPin = std::move(output);
    FOutputPin->FunctionSources().Add(FInputPin.get());
    FOutputPin->SetPinNotificationEvent([this](TPNBasicPin&, const TGUID&, TPNNotifyStates,
                                               const IPNNotifyOperation& op) { return SourceOperationEvent(op); });
}

bool TPNFormatConverter::SourceOperationEvent(const IPNNotifyOperation& op) { return FInputPin->Notify(op); }

TPNFormatConverter* PNConverterOf(const TPNBasicPin& pin) {
    return dynamic_cast<TPNFormatConverter*>(pin.GetOwnerComponent());
}

// ---- the placeholder register

namespace {

std::string_view afterFirstDot(std::string_view s) {
    const auto dot = s.find('.');
    return dot == std::string_view::npos ? s : s.substr(dot + 1);
}

// Placeholders by one of their names, oldest first. A name is found by its
// hash: a stream names its pins again and again.
class PlaceholdersByName {
public:
    void add(std::string_view name, TPNUnloadedPin* pin) {
        index_.try_emplace(std::string(name)).first->second.emplace(pin->RegisterOrder(), pin);
    }
    void remove(std::string_view name, const TPNUnloadedPin* pin) {
        const auto it = index_.find(name);
        if (it == index_.end()) return;
        it->second.erase(pin->RegisterOrder());
        if (it->second.empty()) index_.erase(it);
        // Its buckets go with the last placeholder, as a tree's nodes would.
        if (index_.empty()) index_ = {};
    }
    // The oldest placeholder of that name that `match` accepts, or null.
    TPNUnloadedPin* oldest(std::string_view name, const std::function<bool(TPNUnloadedPin&)>& match) const {
        const auto it = index_.find(name);
        if (it == index_.end()) return nullptr;
        for (const auto& [order, pin] : it->second)
            if (match(*pin)) return pin;
        return nullptr;
    }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    // Many placeholders may share a name without root: by register order.
    std::unordered_map<std::string, std::map<std::uint64_t, TPNUnloadedPin*>, Hash, std::equal_to<>> index_;
};

// The placeholders by register order, and by each of their names (the
// identity name with root, without it, the display name with root).
struct Placeholders {
    std::mutex m;
    std::map<std::uint64_t, PNOwned<TPNUnloadedPin>> list;
    PlaceholdersByName byIdent, byTail, byDisplay;

    static std::string_view tail(const TPNUnloadedPin& pin) { return afterFirstDot(pin.IdentName()); }

    void add(PNOwned<TPNUnloadedPin> pin) {
        TPNUnloadedPin* raw = pin.get();
        byIdent.add(raw->IdentName(), raw);
        byTail.add(tail(*raw), raw);
        byDisplay.add(raw->DisplayName(), raw);
        list.emplace(raw->RegisterOrder(), std::move(pin));
    }
    PNOwned<TPNUnloadedPin> remove(const TPNUnloadedPin* pin) {
        const auto it = list.find(pin->RegisterOrder());
        if (it == list.end() || it->second.get() != pin) return {};
        byIdent.remove(pin->IdentName(), pin);
        byTail.remove(tail(*pin), pin);
        byDisplay.remove(pin->DisplayName(), pin);
        PNOwned<TPNUnloadedPin> gone = std::move(it->second);
        list.erase(it);
        return gone;
    }
};

// Never torn down: placeholders still waiting for their roots when the
// process ends are not freed then, after the thread state their teardown
// needs has gone.
Placeholders& placeholders() {
    static auto* p = new Placeholders;
    return *p;
}

// Frees the placeholder outside the register's lock: its teardown tells
// the pins of components.
void unregister(const TPNUnloadedPin* pin) {
    PNOwned<TPNUnloadedPin> gone;
    auto& p = placeholders();
    std::lock_guard l(p.m);
    gone = p.remove(pin);
}

}  // namespace

TPNUnloadedPin* PNMakeUnloadedPin(TComponent* root, std::string createdFrom, std::string displayName,
                                  std::string identName, TPNPinType type) {
    auto pin =
        PNMakePin<TPNUnloadedPin>(root, std::move(createdFrom), std::move(displayName), std::move(identName), type);
    TPNUnloadedPin* raw = pin.get();
    auto& p = placeholders();
    std::lock_guard l(p.m);
    p.add(std::move(pin));
    return raw;
}

TPNUnloadedPin* PNFindUnloadedPin(const TPNPlaceholderNames& names, const std::function<bool(TPNUnloadedPin&)>& match) {
    auto& p = placeholders();
    std::lock_guard l(p.m);
    TPNUnloadedPin* oldest = nullptr;
    const auto look = [&](const PlaceholdersByName& byName, std::string_view name) {
        TPNUnloadedPin* found = byName.oldest(name, match);
        if (found && (!oldest || found->RegisterOrder() < oldest->RegisterOrder())) oldest = found;
    };
    for (const auto& ident : names.Idents) look(p.byIdent, ident);
    if (names.Tail) look(p.byTail, *names.Tail);
    if (names.Display) look(p.byDisplay, *names.Display);
    return oldest;
}

void PNForEachUnloadedPin(const std::function<void(TPNUnloadedPin&)>& fn) {
    auto& p = placeholders();
    std::lock_guard l(p.m);
    for (const auto& [order, pin] : p.list) fn(*pin);
}

std::size_t PNUnloadedPinCount() {
    auto& p = placeholders();
    std::lock_guard l(p.m);
    return p.list.size();
}

// ---- TPNUnloadedPin

TPNUnloadedPin::TPNUnloadedPin(TComponent* root, std::string createdFrom, std::string displayName,
                               std::string identName, TPNPinType type)
    : TPNBasicPin(true),
      FDisplayName(std::move(displayName)),
      FIdentName(std::move(identName)),
      FType(type),
      FCreatedFrom(std::move(createdFrom)) {
    if (root) {
        FDesignTime = root->InState(csDesigning);
        if (root->Name() == GetRootName()) FRoot = root;
    }
}

TPNUnloadedPin::~TPNUnloadedPin() = default;

std::string TPNUnloadedPin::GetFullName(bool withRoot) {
    return withRoot ? FDisplayName : std::string(afterFirstDot(FIdentName));
}

std::string TPNUnloadedPin::GetFullIdentName(bool withRoot) {
    return withRoot ? FIdentName : std::string(afterFirstDot(FIdentName));
}

std::string TPNUnloadedPin::GetName() {
    const auto dot = FDisplayName.rfind('.');
    return dot == std::string::npos ? FDisplayName : FDisplayName.substr(dot + 1);
}

std::vector<TPNPinEntry> TPNUnloadedPin::entries() {
    auto r = ReadLock();
    return FConnectedPins.items();
}

bool TPNUnloadedPin::ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) {
    if (!pin || pin == this) return false;
    auto link = PNLinkSection();
    if (IsConnectedTo(*pin)) return true;
    IntConnect(*pin, after);
    if (auto* source = dynamic_cast<TPNSourcePin*>(pin)) {
        source->IntConnect(*this, after);
    } else if (auto* sink = dynamic_cast<TPNSinkPin*>(pin)) {
        sink->Disconnect();
        sink->takePlaceholder(*this);
    } else if (auto* other = dynamic_cast<TPNUnloadedPin*>(pin)) {
        // Both ends keep the link, so that neither goes while it stands.
        other->IntConnect(*this, after);
    }
    return true;
}

void TPNUnloadedPin::IntConnect(TPNBasicPin& pin, TPNBasicPin* after) {
    auto w = WriteLock();
    TPNPinEntry e;
    e.RealPin = e.ConnectionPin = &pin;
    e.NotifyAfterPin = after;
    FConnectedPins.Add(std::move(e));
}

void TPNUnloadedPin::IntDisconnect(TPNBasicPin& pin, bool, std::uint64_t) {
    std::vector<TPNPinEntry> taken;
    {
        auto w = WriteLock();
        if (const auto index = FConnectedPins.IndexOf(&pin)) taken.push_back(FConnectedPins.Take(*index));
    }
    PNReleaseAfterPins(taken);
}

void TPNUnloadedPin::Disconnect() {
    std::vector<TPNPinEntry> taken;
    {
        auto w = WriteLock();
        taken = FConnectedPins.TakeAll();
    }
    PNReleaseAfterPins(taken);
}

void TPNUnloadedPin::DisconnectFrom(TPNBasicPin& pin) { IntDisconnect(pin, false, kAnyLink); }

bool TPNUnloadedPin::IsConnected() {
    auto r = ReadLock();
    return FConnectedPins.Count() > 0;
}

bool TPNUnloadedPin::IsConnectedTo(const TPNBasicPin& pin) {
    auto r = ReadLock();
    return FConnectedPins.GetItemByPin(&pin) != nullptr;
}

std::size_t TPNUnloadedPin::GetConnectedPinCount() {
    auto r = ReadLock();
    return FConnectedPins.Count();
}

TPNBasicPin* TPNUnloadedPin::GetConnectedPin(std::size_t index) {
    auto r = ReadLock();
    return index < FConnectedPins.Count() ? FConnectedPins.At(index).RealPin : nullptr;
}

TPNBasicPin* TPNUnloadedPin::GetConnectedAfterForPin(const TPNBasicPin& pin) {
    auto r = ReadLock();
    const TPNPinEntry* e = FConnectedPins.GetItemByPin(&pin);
    return e ? e->NotifyAfterPin : nullptr;
}

void TPNUnloadedPin::PinDeletedNotify(TPNBasicPin& pin) {
    {
        // Most placeholders are told of pins they never met.
        auto r = ReadLock();
        if (r && FConnectedPins.LinksTo(&pin) == 0 && FConnectedPins.AfterPinUses(&pin) == 0) return;
    }
    std::vector<TPNPinEntry> taken;
    {
        auto w = WriteLock();
        taken = FConnectedPins.TakeLinksTo(&pin);
        // Nothing to let go of: the pin is on its way out.
        FConnectedPins.ReplaceAfterPin(&pin, nullptr);
    }
    PNReleaseAfterPins(taken);
}

void TPNUnloadedPin::PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) {
    std::size_t named = 0;
    {
        auto w = WriteLock();
        FConnectedPins.ReplaceLinkedPin(&oldPin, &newPin);
        named = FConnectedPins.ReplaceAfterPin(&oldPin, &newPin);
    }
    while (named-- > 0) oldPin.ReleasePin();
}

void TPNUnloadedPin::HoldPin() { FHolds.fetch_add(1); }

void TPNUnloadedPin::ReleasePin() {
    // Under the link lock, which every other way to free a placeholder takes:
    // none can free it between the last hold's end and the check.
    auto link = PNLinkSection();
    if (FHolds.fetch_sub(1) == 1) CheckRemove();
}

void TPNUnloadedPin::SetInEditor(bool inEditor) {
    {
        auto w = WriteLock();
        FInEditor = inEditor;
    }
    if (!inEditor) CheckRemove();
}

void TPNUnloadedPin::SetOwnedByList(bool owned) {
    {
        auto w = WriteLock();
        FOwnedByList = owned;
    }
    if (!owned) CheckRemove();
}

void TPNUnloadedPin::CheckRemove() {
    auto link = PNLinkSection();
    {
        auto r = ReadLock();
        if (FInRemove || FInEditor || FOwnedByList || FConnectedPins.Count() > 0 || FHolds.load() > 0) return;
    }
    unregister(this);
}

void TPNUnloadedPin::PopulatePinAndDestroy(TPNBasicPin& realPin) {
    auto link = PNLinkSection();
    {
        auto w = WriteLock();
        FInRemove = true;  // the relinking below must not free it half way
    }
    // Every live pin hears of it, linked or not (a caller's pin may keep the
    // placeholder without a link), and the other placeholders as well: they
    // may name this one as a notify-after pin.
    VisitLivePins(false, true, true, [&](TPNBasicPin& pin) { pin.PinReplacedNotify(*this, realPin); });
    // In the order they were made, so that the real pin keeps its sinks'
    // order and every notify-after pin is linked before the sink that
    // follows it. A source linked to the placeholder puts the real pin's
    // link where the placeholder's stood. The notify-after pins stay while
    // the links move, though the placeholder's entries go meanwhile.
    const std::vector<TPNPinEntry> links = entries();
    std::vector<TPNPinHold> afterPins;
    for (const auto& entry : links) afterPins.emplace_back(entry.NotifyAfterPin);
    for (const auto& entry : links) {
        if (entry.RealPin == &realPin) continue;
        realPin.ConnectAfter(entry.RealPin, entry.NotifyAfterPin);
        entry.RealPin->PutLinkInPlaceOf(realPin, *this);
        entry.RealPin->DisconnectFrom(*this);
    }
    Disconnect();  // what is left: links to the real pin itself
    afterPins.clear();
    // A pin list that held the placeholder holds the real pin from now on.
    if (TPNPinList* list = OwnerPinList()) list->ReplacePin(*this, realPin);
    unregister(this);
}

}  // namespace oculon::pins
