#pragma once
// The bases of every media component and settings object. Each owns an
// ICBLock: the owner's lock plus typed property setters, so that property
// changes from the GUI thread and reads from filter worker threads are
// serialised on the same lock as the component's pins. A setter clamps
// first, then, under the write section, stores the value only when it
// differs and calls the per-call callback and the owner's NotifyProp; both
// run inside the section and must not wait for a thread that needs it.

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "media/pins/PNComponent.h"
#include "media/pins/PNExtCollection.h"
#include "media/pins/PNLock.h"

namespace oculon::pins {

using TCBCallback = std::function<void()>;
// Picks the setter that leaves the owner's notification out.
struct TCBWithoutNotify {};
inline constexpr TCBWithoutNotify cbWithoutNotify{};

// The lock of a component or settings object, with its property setters.
class ICBLock : public IPNLock {
public:
    explicit ICBLock(TCBCallback notify) : FNotify(std::move(notify)) {}

    // True when the value changed. Nothing is stored while the write section
    // is refused (the owner is being torn down by another thread).
    template <typename T>
    bool Setter(T& field, T value, const TCBCallback& callback = {}) {
        return store(field, std::move(value), callback, true);
    }
    // The one setter that calls only `callback`, never the owner's
    // notification: for 8-bit fields whose changes the owner does not follow.
    template <typename T>
    requires(sizeof(T) == 1) bool Setter(T& field, T value, const TCBCallback& callback, TCBWithoutNotify) {
        return store(field, value, callback, false);
    }
    // Comparisons are signed or unsigned by T.
    template <typename T>
    bool SetterMin(T& field, T value, T min, const TCBCallback& callback = {}) {
        static_assert(std::is_arithmetic_v<T>);
        if (min > value) value = min;
        return Setter(field, value, callback);
    }
    template <typename T>
    bool SetterMax(T& field, T value, T max, const TCBCallback& callback = {}) {
        static_assert(std::is_arithmetic_v<T>);
        if (max < value) value = max;
        return Setter(field, value, callback);
    }
    // The minimum first, then the maximum: with min > max the result is max.
    template <typename T>
    bool SetterMinMax(T& field, T value, T min, T max, const TCBCallback& callback = {}) {
        static_assert(std::is_arithmetic_v<T>);
        if (min > value) value = min;
        if (max < value) value = max;
        return Setter(field, value, callback);
    }
    // A copy of `field` taken under a read section (without one while a stop
    // refuses it: the stopping thread does not change settings).
    template <typename T>
    T Getter(const T& field) {
        auto section = ReadLock();
        return field;
    }
    void ChangeNotify() {
        if (FNotify) FNotify();
    }

private:
    template <typename T>
    bool store(T& field, T value, const TCBCallback& callback, bool notify) {
        static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_same_v<T, std::string>);
        auto section = WriteLock();
        if (!section || field == value) return false;
        field = std::move(value);
        if (callback) callback();
        if (notify) ChangeNotify();
        return true;
    }

    TCBCallback FNotify;
};

// An ICBLock over one IPNLock: a new one, or the lock of another object.
class TCBLock final : public ICBLock {
public:
    explicit TCBLock(TCBCallback notify);
    // Shares the TPNLock behind `lock`.
    TCBLock(IPNLock& lock, TCBCallback notify);

    IPNLockSection ReadLock() override { return FLock->ReadLock(); }
    IPNLockSection WriteLock() override { return FLock->WriteLock(); }
    IPNLockSection StopLock() override { return FLock->StopLock(); }
    IPNLockSection UnlockAll() override { return FLock->UnlockAll(); }
    IPNLockSection UnlockAllLockInOrder(IPNLock* firstLock) override { return FLock->UnlockAllLockInOrder(firstLock); }
    TPNLock& Instance() override { return FLock->Instance(); }

private:
    std::shared_ptr<IPNLock> FLock;
};

// Two locks taken together, the first before the second, and released in
// the reverse order. A read or write section is refused when either is. An
// unlock section also takes them back first before second.
class TCBPairedLock final : public ICBLock {
public:
    TCBPairedLock(std::shared_ptr<IPNLock> first, std::shared_ptr<IPNLock> second, TCBCallback notify);

    IPNLockSection ReadLock() override;
    IPNLockSection WriteLock() override;
    IPNLockSection StopLock() override;
    IPNLockSection UnlockAll() override;
    // Gives up the second lock first.
    IPNLockSection UnlockAllLockInOrder(IPNLock* firstLock) override;
    TPNLock& Instance() override { return FFirstLock->Instance(); }

private:
    std::shared_ptr<IPNLock> FFirstLock;
    std::shared_ptr<IPNLock> FSecondLock;
};

// A component on a form: filters, loggers. Its pins are made on its lock.
class TCBComponent : public TComponent {
public:
    explicit TCBComponent(TComponent* owner = nullptr, std::string name = {});

    const std::shared_ptr<ICBLock>& Lock() const { return FLock; }

    // CreateStart runs once: right after construction, or, for a component
    // made while it or an owner was loading, from Loaded(); never in design mode.
    void AfterConstruction() override;
    void Loaded() override;
    virtual void CreateStart() {}
    // Called after every property change, inside the write section.
    virtual void NotifyProp() {}
    // "_Floats"; and, under a write section, a copy of every published
    // property of another component but its name.
    void DefineProperties(platform::TFiler& filer) override;
    virtual void Assign(TComponent& source);

protected:
    std::shared_ptr<ICBLock> FLock;
};

class TCBCollectionItem;

// A settings object owned by a component, locking on its owner's lock.
class TCBPersistent : public TPersistent {
public:
    TCBPersistent(TPersistent* owner, IPNLock& lock);
    explicit TCBPersistent(TCBPersistent* owner);
    explicit TCBPersistent(TCBCollectionItem* owner);
    TCBPersistent(const TCBPersistent&) = delete;
    TCBPersistent& operator=(const TCBPersistent&) = delete;

    TPersistent* GetOwner() const override { return FOwnerProperty; }
    const std::shared_ptr<ICBLock>& Lock() const { return FLock; }
    virtual void NotifyProp() {}
    virtual void OwnerNameChanged() {}
    void DefineProperties(platform::TFiler& filer) override;
    // From another settings object: every published property, under a write section.
    void Assign(TPersistent& source) override;

protected:
    TPersistent* FOwnerProperty;
    std::shared_ptr<ICBLock> FLock;
};

// A settings object that can be switched off.
class TCBOptionalDisabledPersistent : public TCBPersistent {
public:
    using TCBPersistent::TCBPersistent;
    bool Enabled() { return FLock->Getter(FEnabled); }
    void SetEnabled(bool value) { FLock->Setter(FEnabled, value); }
    void GetPropInfos(TPropList& props) override {
        TCBPersistent::GetPropInfos(props);
        props.push_back(PNProp<bool>(
            "Enabled", [this] { return Enabled(); }, [this](bool v) { SetEnabled(v); }, false));
    }

private:
    bool FEnabled = false;
};

class TCBCollection : public TPNExtCollection {
public:
    explicit TCBCollection(TCBPersistent* owner);
    TCBCollection(TPersistent* owner, IPNLock& lock);
    const std::shared_ptr<ICBLock>& Lock() const { return FLock; }
    virtual void NotifyProp() {}
    // From another collection: its published properties but the name, then its items.
    void Assign(TPersistent& source) override;

protected:
    std::shared_ptr<ICBLock> FLock;
};

// An item of a settings collection, locking on the collection's lock.
class TCBCollectionItem : public TPNExtCollectionItem {
public:
    explicit TCBCollectionItem(TPNExtCollection& collection);
    const std::shared_ptr<ICBLock>& Lock() const { return FLock; }
    virtual void NotifyProp() {}
    void DefineProperties(platform::TFiler& filer) override;
    void Assign(TPersistent& source) override;

protected:
    std::shared_ptr<ICBLock> FLock;
};

}  // namespace oculon::pins
