#include "media/pins/PNStateDispatcher.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNRegistry.h"

namespace oculon::pins {

namespace {

// The dispatchers of each design state, by raw pointer: a dispatcher leaves
// its list in its destructor, and a lookup takes a reference only while the
// dispatcher is still alive.
struct DispatcherLists {
    std::mutex m;
    std::vector<TPNStateDispatcher*> lists[2];
};

DispatcherLists& dispatcherLists() {
    static DispatcherLists d;
    return d;
}

std::shared_ptr<TPNStateDispatcher> findLocked(DispatcherLists& d, const std::string& name, bool designing) {
    for (TPNStateDispatcher* p : d.lists[designing])
        if (p->Name() == name)
            if (auto alive = p->weak_from_this().lock()) return alive;
    return nullptr;
}

std::string uniqueNameLocked(DispatcherLists& d, const TComponent* root) {
    const std::string base = (root ? root->Name() : std::string()) + "Link";
    const bool designing = root && root->InState(csDesigning);
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        const auto& list = d.lists[designing];
        if (std::none_of(list.begin(), list.end(), [&](const auto* p) { return p->Name() == name; })) return name;
    }
}

std::shared_ptr<TPNStateDispatcher> makeLocked(DispatcherLists& d, std::string name, bool designing) {
    auto dispatcher = std::make_shared<TPNStateDispatcher>(std::move(name), designing);
    d.lists[designing].push_back(dispatcher.get());
    return dispatcher;
}

}  // namespace

TPNStateDispatcher::TPNStateDispatcher(std::string name, bool designing)
    : FName(std::move(name)), FDesigning(designing) {}

TPNStateDispatcher::~TPNStateDispatcher() {
    PNNotifyRemoveDispatcher(*this);
    auto& d = dispatcherLists();
    std::lock_guard l(d.m);
    std::erase(d.lists[FDesigning], this);
}

std::shared_ptr<TPNStateDispatcher> TPNStateDispatcher::CreateNamed(std::string name, bool designing) {
    std::shared_ptr<TPNStateDispatcher> dispatcher;
    {
        auto& d = dispatcherLists();
        std::lock_guard l(d.m);
        dispatcher = makeLocked(d, std::move(name), designing);
    }
    PNNotifyAddDispatcher(*dispatcher);
    return dispatcher;
}

std::shared_ptr<TPNStateDispatcher> TPNStateDispatcher::Create(const TComponent* root) {
    std::shared_ptr<TPNStateDispatcher> dispatcher;
    {
        // Choosing the name and taking it is one step.
        auto& d = dispatcherLists();
        std::lock_guard l(d.m);
        dispatcher = makeLocked(d, uniqueNameLocked(d, root), root && root->InState(csDesigning));
    }
    PNNotifyAddDispatcher(*dispatcher);
    return dispatcher;
}

std::shared_ptr<TPNStateDispatcher> TPNStateDispatcher::GetByName(const std::string& name, bool designing) {
    auto& d = dispatcherLists();
    std::lock_guard l(d.m);
    return findLocked(d, name, designing);
}

std::shared_ptr<TPNStateDispatcher> TPNStateDispatcher::GetByNameCreate(TPNBasicPin& pin, const std::string& name,
                                                                        bool designing) {
    if (auto found = GetByName(name, designing)) return found;
    return pin.CreateNamedDispatcher(name, designing);
}

std::string TPNStateDispatcher::GetUniqueName(const TComponent* root) {
    auto& d = dispatcherLists();
    std::lock_guard l(d.m);
    return uniqueNameLocked(d, root);
}

std::vector<std::string> TPNStateDispatcher::Names(bool designing) {
    auto& d = dispatcherLists();
    std::lock_guard l(d.m);
    std::vector<std::string> names;
    for (const auto* p : d.lists[designing]) names.push_back(p->Name());
    return names;
}

std::vector<std::shared_ptr<TPNStateDispatcher>> PNDispatchers(bool designing) {
    auto& d = dispatcherLists();
    std::lock_guard l(d.m);
    std::vector<std::shared_ptr<TPNStateDispatcher>> live;
    for (TPNStateDispatcher* p : d.lists[designing])
        if (auto alive = p->weak_from_this().lock()) live.push_back(std::move(alive));
    return live;
}

std::size_t TPNStateDispatcher::GetPinCount() {
    auto r = ReadLock();
    return FPins.size();
}

TPNBasicPin* TPNStateDispatcher::GetPin(std::size_t index) {
    auto r = ReadLock();
    return index < FPins.size() ? FPins[index].RealPin : nullptr;
}

TPNBasicPin* TPNStateDispatcher::GetConnectionPin(std::size_t index) {
    auto r = ReadLock();
    return index < FPins.size() ? FPins[index].ConnectionPin : nullptr;
}

TPNBasicPin* TPNStateDispatcher::GetAfterPin(std::size_t index) {
    auto r = ReadLock();
    return index < FPins.size() ? FPins[index].AfterPin : nullptr;
}

std::vector<TPNDispatcherPinStorage> TPNStateDispatcher::Members() {
    auto r = ReadLock();
    return FPins;
}

bool TPNStateDispatcher::IsConnectedTo(const TPNBasicPin& pin) {
    auto r = ReadLock();
    return std::any_of(FPins.begin(), FPins.end(), [&](const auto& m) { return m.RealPin == &pin; });
}

TPNBasicPin* TPNStateDispatcher::GetConnectedAfterForPin(const TPNBasicPin& pin) {
    auto r = ReadLock();
    for (const auto& m : FPins)
        if (m.RealPin == &pin) return m.AfterPin;
    return nullptr;
}

void TPNStateDispatcher::AddPinAfter(TPNBasicPin& connectionPin, TPNBasicPin& realPin, TPNBasicPin* after) {
    {
        auto w = WriteLock();
        if (std::any_of(FPins.begin(), FPins.end(), [&](const auto& m) {
                return m.ConnectionPin == &connectionPin || m.RealPin == &connectionPin;
            }))
            return;
        FPins.push_back({&connectionPin, &realPin, after});
    }
    connectionPin.SetDispatcher(shared_from_this());
    realPin.SetDispatcher(shared_from_this());
    PNNotifyChangeDispatcher(*this);
}

void TPNStateDispatcher::RemovePin(TPNBasicPin& pin) {
    const auto self = shared_from_this();  // it may be freed when this call ends
    // Fan-outs of other threads over the members end first.
    const IPNLockSection noFanOut = PNDestroyWait(FDestroyLock);
    std::vector<TPNBasicPin*> released;
    TPNFormatConverterList converters;  // freed after the section
    {
        auto w = WriteLock();
        const auto it = std::find_if(FPins.begin(), FPins.end(), [&](const auto& m) { return m.RealPin == &pin; });
        if (it == FPins.end()) return;
        released = {it->RealPin, it->ConnectionPin};
        TPNBasicPin* after = it->AfterPin;
        FPins.erase(it);
        if (after) {
            const auto same =
                std::find_if(FPins.begin(), FPins.end(), [&](const auto& m) { return m.AfterPin == after; });
            if (same != FPins.end()) same->AfterPin = nullptr;
        }
        // Nobody is notified after a pin that is no member any more: the
        // dispatcher hears of no pin's destruction, so such a reference
        // would outlive the pin.
        for (auto& m : FPins)
            if (m.AfterPin == released[0] || m.AfterPin == released[1]) m.AfterPin = nullptr;
        if (FPins.size() == 1) {
            released.push_back(FPins[0].RealPin);
            released.push_back(FPins[0].ConnectionPin);
            FPins.clear();
        }
        if (FPins.empty()) converters.swap(FFormatConverters);
    }
    for (TPNBasicPin* p : released)
        if (p->IsConnectedToState(this)) p->SetDispatcher(nullptr);
    PNNotifyChangeDispatcher(*this);
}

bool TPNStateDispatcher::CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after) {
    std::vector<const TPNBasicPin*> seen;
    auto r = ReadLock();
    for (const TPNBasicPin* a = after; a;) {
        if (&pin == a || std::find(seen.begin(), seen.end(), a) != seen.end()) return false;
        const auto m = std::find_if(FPins.begin(), FPins.end(), [&](const auto& s) { return s.RealPin == a; });
        if (m == FPins.end()) return false;
        seen.push_back(a);
        a = m->AfterPin;
    }
    return true;
}

void TPNStateDispatcher::NewConnection(TPNBasicPin& pin) {
    const auto members = Members();
    for (const auto& m : members) {
        if (auto* source = dynamic_cast<TPNSourcePin*>(m.RealPin)) {
            source->NotifyDispatcher(std::make_shared<TPNNotifyOperation>(), source == &pin ? nullptr : &pin, {});
            return;
        }
    }
    for (const auto& m : members)
        if (auto* member = dynamic_cast<TPNPin*>(m.RealPin))
            member->NotifyDispatcher(std::make_shared<TPNNotifyOperation>(), member == &pin ? nullptr : &pin, {});
}

void TPNStateDispatcher::AddFormatConverter(std::shared_ptr<IPNFormatConverter> converter) {
    auto w = WriteLock();
    FFormatConverters.push_back(std::move(converter));
}

TPNFormatConverterList TPNStateDispatcher::FormatConverters() {
    auto r = ReadLock();
    return FFormatConverters;
}

void TPNStateDispatcher::PinDeletedNotify(TPNBasicPin& pin) {
    auto w = WriteLock();
    for (auto& m : FPins)
        if (m.AfterPin == &pin) m.AfterPin = nullptr;
}

void TPNStateDispatcher::SetNotifyAfterByName(TPNBasicPin& pin, std::string_view name) {
    const auto members = Members();
    const auto named = std::find_if(members.begin(), members.end(), [&](const auto& m) {
        return m.RealPin->GetFullName(false) == name || m.RealPin->GetFullName(true) == name;
    });
    if (named == members.end()) return;
    auto w = WriteLock();
    for (auto& m : FPins)
        if (m.RealPin == &pin) m.AfterPin = named->RealPin;
}

std::string TPNStateDispatcher::GetAfterPinDisplayName(const TPNBasicPin& pin) {
    TPNBasicPin* after = GetConnectedAfterForPin(pin);
    return after ? after->GetFullName(true) : std::string();
}

bool TPNStateDispatcher::IsCrosForm() {
    const auto members = Members();
    if (members.empty()) return false;
    const std::string first = members[0].RealPin->GetRootName();
    return std::any_of(members.begin(), members.end(),
                       [&](const auto& m) { return m.RealPin->GetRootName() != first; });
}

void TPNStateDispatcher::ResetFormsSave() {
    auto w = WriteLock();
    FSavedForms.clear();
    FCountSaved = 0;
}

void TPNStateDispatcher::AddFormSaved(const TComponent* form) {
    auto w = WriteLock();
    if (std::find(FSavedForms.begin(), FSavedForms.end(), form) == FSavedForms.end()) FSavedForms.push_back(form);
    ++FCountSaved;
}

int TPNStateDispatcher::CountSaved() {
    auto r = ReadLock();
    return FCountSaved;
}

bool TPNStateDispatcher::IsFormSaved(const TComponent* form) {
    auto r = ReadLock();
    return std::find(FSavedForms.begin(), FSavedForms.end(), form) != FSavedForms.end();
}

// ---- TPNPinList

TPNPinList::TPNPinList(TComponent* owner, std::shared_ptr<IPNLock> ownerLock, bool pinsOwner)
    : FOwner(owner), FOwnerLock(std::move(ownerLock)), FPinsOwner(pinsOwner) {}

TPNPinList::~TPNPinList() {
    std::vector<Entry> freed;
    {
        auto w = WriteLock();
        for (std::size_t i = FPinsList.size(); i-- > 0;) dropEntry(i, freed);
    }
    release(freed);
}

void TPNPinList::release(std::vector<Entry>& freed) {
    for (auto& e : freed)
        if (auto* placeholder = dynamic_cast<TPNUnloadedPin*>(e.Pin)) placeholder->SetOwnedByList(false);
    freed.clear();
}

IPNLockSection TPNPinList::ReadLock() { return FIntLock->ReadLock(FOwnerLock.get()); }
IPNLockSection TPNPinList::WriteLock() { return FIntLock->WriteLock(FOwnerLock.get()); }

void TPNPinList::Add(TPNBasicPin& pin, std::string name) { Insert(SIZE_MAX, pin, std::move(name)); }

void TPNPinList::Add(PNOwned<TPNBasicPin> pin, std::string name) { Insert(SIZE_MAX, std::move(pin), std::move(name)); }

void TPNPinList::Insert(std::size_t index, TPNBasicPin& pin, std::string name) {
    auto* placeholder = dynamic_cast<TPNUnloadedPin*>(&pin);
    {
        auto w = WriteLock();
        const std::size_t at = std::min(index, FPinsList.size());
        FPinsList.insert(FPinsList.begin() + static_cast<std::ptrdiff_t>(at), Entry{std::move(name), &pin, {}});
        if (placeholder) ++FUnloadedCount;
    }
    pin.FOwnerPinList.store(this);
    if (placeholder) placeholder->SetOwnedByList(true);
    PNNotifyChangePinList(*this);
}

void TPNPinList::Insert(std::size_t index, PNOwned<TPNBasicPin> pin, std::string name) {
    if (!pin) return;
    TPNBasicPin& raw = *pin;
    {
        auto w = WriteLock();
        const std::size_t at = std::min(index, FPinsList.size());
        FPinsList.insert(FPinsList.begin() + static_cast<std::ptrdiff_t>(at),
                         Entry{std::move(name), &raw, FPinsOwner ? std::move(pin) : PNOwned<TPNBasicPin>()});
    }
    raw.FOwnerPinList.store(this);
    PNNotifyChangePinList(*this);
}

std::vector<std::string> TPNPinList::Names() {
    std::vector<std::string> names;
    for (std::size_t i = 0, n = PublishedCount(); i < n; ++i) names.push_back(GetName(i));
    return names;
}

std::vector<std::string> TPNPinList::StoredNames() {
    auto r = ReadLock();
    std::vector<std::string> names;
    for (const auto& e : FPinsList) names.push_back(e.Name);
    return names;
}

void TPNPinList::SetName(std::size_t index, std::string name) {
    {
        auto w = WriteLock();
        if (index >= FPinsList.size()) return;
        FPinsList[index].Name = std::move(name);
    }
    PNNotifyChangePinList(*this);
}

void TPNPinList::cleanIfLoaded() {
    if (FInUnload || FUnloadedCount == 0) return;
    FInUnload = true;
    CleanUnloaded();
    FInUnload = false;
}

std::size_t TPNPinList::GetCount() {
    auto w = WriteLock();
    cleanIfLoaded();
    return FPinsList.size() - FUnloadedCount;
}

TPNBasicPin* TPNPinList::GetPin(std::size_t index) {
    auto w = WriteLock();
    cleanIfLoaded();
    return index < FPinsList.size() ? FPinsList[index].Pin : nullptr;
}

std::string TPNPinList::GetName(std::size_t index) {
    auto r = ReadLock();
    if (index >= FPinsList.size()) return {};
    const std::string& name = FPinsList[index].Name;
    return name.empty() ? "Pin [" + std::to_string(index) + "]" : name;
}

void TPNPinList::dropEntry(std::size_t index, std::vector<Entry>& freed) {
    Entry& e = FPinsList[index];
    if (e.Pin->FOwnerPinList.load() == this) e.Pin->FOwnerPinList.store(nullptr);
    if (dynamic_cast<TPNUnloadedPin*>(e.Pin) && FUnloadedCount > 0) --FUnloadedCount;
    freed.push_back(std::move(e));
    FPinsList.erase(FPinsList.begin() + static_cast<std::ptrdiff_t>(index));
}

void TPNPinList::Delete(std::size_t index) {
    std::vector<Entry> freed;  // owned pins and placeholders go after the section
    {
        auto w = WriteLock();
        if (index >= FPinsList.size()) return;
        TPNBasicPin& pin = *FPinsList[index].Pin;
        if (!FPinsOwner) PNNotifyChangePin(pin);
        PNNotifyPinListPinRemoved(*this, pin, index);
        dropEntry(index, freed);
    }
    PNNotifyChangePinList(*this);
    release(freed);
}

void TPNPinList::ReplacePin(TPNBasicPin& placeholder, TPNBasicPin& realPin) {
    bool replaced = false;
    {
        auto w = WriteLock();
        for (auto& e : FPinsList) {
            if (e.Pin != &placeholder) continue;
            e.Pin = &realPin;
            if (FUnloadedCount > 0) --FUnloadedCount;
            replaced = true;
        }
    }
    if (!replaced) return;
    if (placeholder.FOwnerPinList.load() == this) placeholder.FOwnerPinList.store(nullptr);
    if (!realPin.FOwnerPinList.load()) realPin.FOwnerPinList.store(this);
    PNNotifyChangePinList(*this);
}

void TPNPinList::PinDestroyed(TPNBasicPin& pin) {
    std::vector<Entry> gone;  // nothing to release: the pin is on its way out
    {
        auto w = WriteLock();
        for (std::size_t i = FPinsList.size(); i-- > 0;)
            if (FPinsList[i].Pin == &pin && !FPinsList[i].Owned) dropEntry(i, gone);
    }
    if (!gone.empty()) PNNotifyChangePinList(*this);
}

void TPNPinList::CleanUnloaded() {
    if (!FOwner || FOwner->InState(csDesigning) || FOwner->InState(csLoading)) return;
    std::vector<Entry> freed;
    {
        auto w = WriteLock();
        for (std::size_t i = FPinsList.size(); i-- > 0 && FUnloadedCount > 0;)
            if (dynamic_cast<TPNUnloadedPin*>(FPinsList[i].Pin)) dropEntry(i, freed);
    }
    release(freed);
}

std::size_t TPNPinList::PublishedCount() const {
    auto r = FIntLock->ReadLock();
    return FPinsList.size();
}

TPNBasicPin* TPNPinList::PublishedPin(std::size_t index) const {
    auto r = FIntLock->ReadLock();
    return index < FPinsList.size() ? FPinsList[index].Pin : nullptr;
}

std::string TPNPinList::PublishedName(std::size_t index) const {
    auto r = FIntLock->ReadLock();
    return index < FPinsList.size() ? FPinsList[index].Name : std::string();
}

// ---- TPNInternalPinList

namespace {
bool sameRootOrAny(const TPNBasicPin& pin, const TComponent* root) {
    const TComponent* own = pin.GetRoot();
    return !own || !root || own == root;
}

// The first pin in register order called `name` that `match` accepts: the
// pins of components found by `name`, placeholders by `names`.
TPNBasicPin* firstByName(std::string_view name, const TPNPlaceholderNames& names,
                         const std::function<bool(TPNBasicPin&)>& match) {
    TPNBasicPin* found = PNFirstComponentPin(name, match);
    TPNBasicPin* placeholder = PNFindUnloadedPin(names, match);
    if (!found || (placeholder && placeholder->RegisterOrder() < found->RegisterOrder())) return placeholder;
    return found;
}

}  // namespace

TPNBasicPin* TPNInternalPinList::GetByDisplayName(const TComponent* root, std::string_view name) {
    // A placeholder's display name without root is its identity name without root.
    return firstByName(name, {{}, std::string(name), std::string(name)}, [&](TPNBasicPin& pin) {
        return pin.CouldBeNamed(name) && sameRootOrAny(pin, root) &&
               (pin.GetFullName(false) == name || pin.GetFullName(true) == name);
    });
}

TPNBasicPin* TPNInternalPinList::GetByIdentName(const TComponent* root, std::string_view identName) {
    // A placeholder's identity name without root answers for any root, or
    // for `root` when it carries `root`'s name in front.
    TPNPlaceholderNames names{{std::string(identName)}, std::nullopt, std::nullopt};
    if (root) names.Idents.push_back(root->Name() + "." + std::string(identName));
    else names.Tail = identName;
    return firstByName(identName, names, [&](TPNBasicPin& pin) {
        if (!pin.CouldBeNamed(identName)) return false;
        const bool rootNamed = root && root->Name() == pin.GetRootName();
        if (sameRootOrAny(pin, root))
            return ((!root || rootNamed) && pin.GetFullIdentName(false) == identName) ||
                   pin.GetFullIdentName(true) == identName;
        return !rootNamed && pin.GetFullIdentName(true) == identName;
    });
}

TPNBasicPin* TPNInternalPinList::GetByNameCreate(TComponent* root, TPNPinType type, std::string createdFrom,
                                                 std::string displayName, std::string identName) {
    if (identName.empty()) return nullptr;
    if (TPNBasicPin* pin = GetByIdentName(root, identName)) return pin;
    if (TPNBasicPin* pin = GetByDisplayName(root, displayName)) return pin;
    return PNMakeUnloadedPin(root, std::move(createdFrom), std::move(displayName), std::move(identName), type);
}

}  // namespace oculon::pins
