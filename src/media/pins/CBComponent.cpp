#include "media/pins/CBComponent.h"

#include <stdexcept>

namespace oculon::pins {

TCBLock::TCBLock(TCBCallback notify) : ICBLock(std::move(notify)), FLock(std::make_shared<TPNLock>()) {}

TCBLock::TCBLock(IPNLock& lock, TCBCallback notify)
    : ICBLock(std::move(notify)), FLock(lock.Instance().shared_from_this()) {}

TCBPairedLock::TCBPairedLock(std::shared_ptr<IPNLock> first, std::shared_ptr<IPNLock> second, TCBCallback notify)
    : ICBLock(std::move(notify)), FFirstLock(std::move(first)), FSecondLock(std::move(second)) {}

namespace {
// The same kind of section on `first`, then on `second`.
template <typename Take>
IPNLockSection inOrder(IPNLock& first, IPNLock& second, Take take) {
    auto a = take(first);
    return IPNLockSection::Pair(std::move(a), take(second));
}
}  // namespace

IPNLockSection TCBPairedLock::ReadLock() {
    return inOrder(*FFirstLock, *FSecondLock, [](IPNLock& l) { return l.ReadLock(); });
}
IPNLockSection TCBPairedLock::WriteLock() {
    return inOrder(*FFirstLock, *FSecondLock, [](IPNLock& l) { return l.WriteLock(); });
}
IPNLockSection TCBPairedLock::StopLock() {
    return inOrder(*FFirstLock, *FSecondLock, [](IPNLock& l) { return l.StopLock(); });
}
IPNLockSection TCBPairedLock::UnlockAll() {
    // Given up second first, so that the end takes the first back before the
    // second: the order every other thread takes them in.
    return inOrder(*FSecondLock, *FFirstLock, [](IPNLock& l) { return l.UnlockAll(); });
}
IPNLockSection TCBPairedLock::UnlockAllLockInOrder(IPNLock* firstLock) {
    // The second lock is given up first.
    return inOrder(*FSecondLock, *FFirstLock, [&](IPNLock& l) { return l.UnlockAllLockInOrder(firstLock); });
}

TCBComponent::TCBComponent(TComponent* owner, std::string name)
    : TComponent(owner, std::move(name)), FLock(std::make_shared<TCBLock>([this] { NotifyProp(); })) {}

void TCBComponent::AfterConstruction() {
    TComponent::AfterConstruction();
    if (InState(csDesigning)) return;
    for (const TComponent* c = this; c; c = c->Owner())
        if (c->InState(csLoading)) return;
    CreateStart();
}

void TCBComponent::Loaded() {
    TComponent::Loaded();
    if (!InState(csDesigning)) CreateStart();
}

TCBPersistent::TCBPersistent(TPersistent* owner, IPNLock& lock)
    : FOwnerProperty(owner), FLock(std::make_shared<TCBLock>(lock, [this] { NotifyProp(); })) {}

TCBPersistent::TCBPersistent(TCBPersistent* owner) : TCBPersistent(owner, *owner->Lock()) {}

TCBPersistent::TCBPersistent(TCBCollectionItem* owner) : TCBPersistent(owner, *owner->Lock()) {}

TCBCollection::TCBCollection(TCBPersistent* owner) : TCBCollection(owner, *owner->Lock()) {}

TCBCollection::TCBCollection(TPersistent* owner, IPNLock& lock)
    : TPNExtCollection(owner), FLock(std::make_shared<TCBLock>(lock, [this] { NotifyProp(); })) {}

TCBCollectionItem::TCBCollectionItem(TPNExtCollection& collection) : TPNExtCollectionItem(collection) {
    // An item of a plain collection gets a lock of its own.
    auto* owner = dynamic_cast<TCBCollection*>(&collection);
    FLock = owner ? std::make_shared<TCBLock>(*owner->Lock(), [this] { NotifyProp(); })
                  : std::make_shared<TCBLock>([this] { NotifyProp(); });
}

// ---- Streaming and assignment

void TCBComponent::DefineProperties(platform::TFiler& filer) {
    TComponent::DefineProperties(filer);
    GLPDefineFloats(filer, [this] { return PropList(); });
}

void TCBComponent::Assign(TComponent& source) {
    auto section = FLock->WriteLock();
    if (auto* other = dynamic_cast<TCBComponent*>(&source)) GLPAssign(PropList(), other->PropList(), true);
    else throw std::invalid_argument("Cannot assign " + source.Name() + " to " + Name());
}

void TCBPersistent::DefineProperties(platform::TFiler& filer) {
    TPersistent::DefineProperties(filer);
    GLPDefineFloats(filer, [this] { return PropList(); });
}

namespace {
// Every published property of a source of the same base, under the
// destination's write section; any other source as a plain TPersistent.
template <typename Base>
void assignPublished(Base& dest, ICBLock& lock, TPersistent& source, bool skipName) {
    if (&source == &dest) return;
    auto section = lock.WriteLock();
    if (dynamic_cast<Base*>(&source)) GLPAssign(dest.PropList(), source.PropList(), skipName);
    else dest.TPersistent::Assign(source);
}
}  // namespace

void TCBPersistent::Assign(TPersistent& source) { assignPublished<TCBPersistent>(*this, *FLock, source, false); }

void TCBCollection::Assign(TPersistent& source) {
    auto* other = dynamic_cast<TCBCollection*>(&source);
    if (other == this) return;
    IPNLockSection section;
    if (FLock) section = FLock->WriteLock();
    if (!other) return TPersistent::Assign(source);
    GLPAssign(PropList(), other->PropList(), true);
    Clear();
    for (std::size_t i = 0; i < other->Count(); ++i) {
        auto item = NewItem();
        if (!item) throw std::invalid_argument("the collection cannot make items");
        // Added first: a collection may give a new item values of its own.
        TPNExtCollectionItem& added = *item;
        AddItem(std::move(item));
        added.Assign(other->Items(i));
    }
}

void TCBCollectionItem::DefineProperties(platform::TFiler& filer) {
    TPNExtCollectionItem::DefineProperties(filer);
    GLPDefineFloats(filer, [this] { return PropList(); });
}

void TCBCollectionItem::Assign(TPersistent& source) { assignPublished<TCBCollectionItem>(*this, *FLock, source, true); }

}  // namespace oculon::pins
