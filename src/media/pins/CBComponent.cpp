#include "media/pins/CBComponent.h"

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

}  // namespace oculon::pins
