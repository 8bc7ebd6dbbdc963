#pragma once
// Pins: the ends of the links between media components. A component owns
// its pins (PNOwned<T>, made with PNMakePin) and publishes them under
// property names. A source pin keeps one entry per linked sink, with the
// stream type the link agreed on and the handler that delivers to it, and
// fans every operation out to its sinks.
//
// Locks. A pin's own lock is taken while holding its owner component's
// lock, never the other way round: a pin request that waits more than about
// 210 ms gives up the thread's holds on the owner's lock until it gets the
// pin. A delivery holds no pin lock and no owner lock while a handler runs.
//
// Lifetime. A pin is never freed through a link. Destroying one waits until
// no other thread is delivering through it, unlinks it, and tells every
// other live pin to drop it. Linked pins are destroyed from one thread at a
// time (components are torn down on the main thread).

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "media/pins/PNComponent.h"
#include "media/pins/PNLock.h"
#include "media/pins/PNOperations.h"

namespace oculon::pins {

enum class TPNPinType : std::uint8_t { ptSource, ptSink, ptState, ptMultiSink, ptDispatcher };

// Answer of an interface query: whether a pin can give a stream type's interface.
enum class TPNQuery : std::uint32_t { Supported = 0, NoInterface = 0x80004002 };
constexpr bool PNSupported(TPNQuery q) { return q == TPNQuery::Supported; }

// A pin reached again through its own sinks: the deliveries would never end.
class EOWException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
inline constexpr const char* kPinDependsOnItself =
    "The pin depends on itself. Please protect with functional dependency.";

// What a link's negotiation chose: a stream type, and maybe a converter to
// put between the pins (one already made, or a class to make one from).
struct TPNConnectionChoice {
    TGUID ID;
    std::shared_ptr<IPNFormatConverter> Converter;
    const TPNFormatConverterClass* ConverterClass = nullptr;
};

// The hooks by which other pins and dispatchers drop or retarget references.
class TPNPinObject : public TPNObject {
public:
    virtual void PinDeletedNotify(TPNBasicPin& pin) {}
    virtual void PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) {}
    virtual void SetNotifyAfterByName(TPNBasicPin& pin, std::string_view name) {}
    virtual std::string GetAfterPinDisplayName(const TPNBasicPin& pin) { return {}; }
};

class TPNBasicPin : public TPNPinObject {
public:
    TPNBasicPin();  // registers the pin among the live pins
    ~TPNBasicPin() override;

    // Run by PNOwned: announce the pin, and before destruction wait for the
    // threads inside, unlink, tell every other live pin, leave the register.
    virtual void AfterConstruction();
    virtual void BeforeDestruction();

    virtual TComponent* GetOwnerComponent() const { return nullptr; }
    virtual bool RootInDestroying() const { return false; }
    virtual bool OwnerInDesigning() const = 0;
    virtual TPNPinType GetPinType() const = 0;

    // Link bookkeeping, called by the pin at the other end.
    virtual void IntConnect(TPNBasicPin& pin, TPNBasicPin* after) {}
    virtual void IntDisconnect(TPNBasicPin& pin, bool keepPlaceholder) {}
    // A converter's output pin now feeds this pin in place of `source`.
    virtual void SetConnectionSourcePin(TPNBasicPin* converterOutput) {}
    virtual void CheckRemove() {}
    virtual void BeforeDisconnect() {}

    virtual bool CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) = 0;
    bool CanConnectTo(TPNBasicPin& pin, bool checkOnly);
    virtual bool CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly);
    virtual bool IsCompatible(TPNBasicPin& pin, bool allowConverter) = 0;
    virtual bool DependsOn(const TPNBasicPin& pin) = 0;
    virtual bool DirectDependsOn(const TPNBasicPin& pin) { return DependsOn(pin); }

    virtual bool Connect(TPNBasicPin* pin) { return ConnectAfter(pin, nullptr); }
    // False for the pin itself; the link kinds are the derived pins'.
    virtual bool ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) { return false; }
    virtual void Disconnect();
    // Leaves the state link, naming `pin`; source pins drop their link to it.
    virtual void DisconnectFrom(TPNBasicPin& pin) { TPNBasicPin::Disconnect(); }
    virtual bool IsConnected() { return false; }
    virtual bool IsConnectedTo(const TPNBasicPin& pin) { return false; }
    virtual bool IsConnectedToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) { return false; }
    virtual bool IsConnectedByConverterTo(const TPNBasicPin& pin) { return false; }
    virtual TPNBasicPin* GetConnectedAfterForPin(const TPNBasicPin& pin) { return nullptr; }
    virtual std::size_t GetConnectedPinCount() { return 0; }
    virtual TPNBasicPin* GetConnectedPin(std::size_t index) { return nullptr; }
    virtual TGUID GetConnectionID(const TPNBasicPin& pin) { return GUID_NULL; }

    // Sends an operation along the pin's links; true when a handler took it.
    virtual bool Notify(const IPNNotifyOperation& op) { return false; }

    // Whether this pin gives the interface of a stream type (its interface table).
    virtual TPNQuery RequestInterface(const TGUID& iid) const;

    // Names: the identity name (component and property names) and the
    // display name, dot-separated, with or without the root in front.
    virtual std::string GetFullName(bool withRoot) = 0;
    virtual std::string GetFullIdentName(bool withRoot) = 0;
    virtual std::string GetName() = 0;
    virtual std::string GetSaveName() { return GetName(); }
    // The identity name with root, up to its first "."; empty without a ".".
    virtual std::string GetRootName();
    // The identity name with root, less its first and last parts.
    virtual std::string GetOwnerName();
    virtual TComponent* GetRoot() const { return PNGetMainOwnerComponent(GetOwnerComponent()); }

    // A name stored while this pin's form or frame had another name (the
    // "Form" entry) is retargeted to the current root: with load name
    // VideoViewerFrame, "VideoViewerFrame.X.OutputPin" becomes
    // "<current root>.X.OutputPin".
    void SetLoadFormName(std::string name);
    void ApplyFormName(std::string& name) const;

    TPNDestroyLock& DestroyGuard() { return FDestroyLock; }

    void* FCustomData = nullptr;  // free slot for the owner; not owned

protected:
    // Adds a stream type's interface to the pins's interface table.
    void DeclareInterface(const TGUID& iid);

    TPNDestroyLock FDestroyLock{*this};
    std::string FLoadFormName;

private:
    void leaveRegister();
    std::vector<TGUID> interfaces_;
    bool registered_ = true;
};

// The ordered stream types of a pin, each with the pin's handler for it.
// Order is preference: negotiation favours later entries.
struct TPNPinTypeEntry {
    TGUID ID;
    TPNSubmitFunction SubmitFunction;
};

class TPNPinStreamType {
public:
    // A present ID keeps its place and gets the new handler.
    void AddType(const TGUID& id, TPNSubmitFunction submit);
    void RemoveType(const TGUID& id);  // the first entry of `id`, if any
    void SwapPosition(std::size_t i, std::size_t j);
    void ClearTypes() { Types.clear(); }
    const TGUID& GetID(std::size_t i) const { return Types.at(i).ID; }
    const TPNSubmitFunction& GetSubmitFunc(std::size_t i) const { return Types.at(i).SubmitFunction; }
    std::size_t GetLength() const { return Types.size(); }
    const TPNPinTypeEntry* Find(const TGUID& id) const;

private:
    std::vector<TPNPinTypeEntry> Types;
};

// A possible-type list of the negotiation.
class TPNPinTypeRestricted : public TPNPinStreamType {
public:
    bool Ordered = false;  // already put into a pin's own type order
};

// The concrete base of the pins that components own: an owner component,
// whose lock the pin is created with, and the pin's stream types.
class TPNPin : public TPNBasicPin {
public:
    TPNPin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock);
    ~TPNPin() override;

    // On the pin's own lock, with the owner's lock as second lock.
    IPNLockSection ReadLock() override;
    IPNLockSection WriteLock() override;

    // The order of calls is the pin's order of preference.
    void AddType(const TGUID& id, TPNSubmitFunction submit = {});
    TPNPinStreamType StreamTypes();

    TComponent* GetOwnerComponent() const override { return FOwner; }
    const std::shared_ptr<IPNLock>& OwnerLock() const { return FOwnerLock; }
    bool OwnerInLoading() const;
    bool OwnerInDesigning() const override;
    bool RootInDestroying() const override;

    std::string GetFullName(bool withRoot) override;
    std::string GetFullIdentName(bool withRoot) override;
    std::string GetName() override;
    std::string GetSaveName() override;
    // Keeps answering with the last known root while the owner has none.
    std::string GetRootName() override;

    // Only placeholders and the derived pin kinds admit links.
    bool CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) override { return false; }
    bool IsCompatible(TPNBasicPin& pin, bool allowConverter) override { return false; }
    bool DependsOn(const TPNBasicPin& pin) override { return false; }

    // The stream type for a link to `other`: this pin's types from the last
    // to the first, the first that `other` gives; failing that, with
    // `allowConverter` and a sink at the other end, the registered converter
    // from one of this pin's types to one that `other` gives (the last
    // registered, then this pin's last type, wins).
    TPNConnectionChoice FindConnectionID(TPNBasicPin& other, bool allowConverter);
    TGUID GetConnectionID(const TPNBasicPin& pin) override;
    virtual TGUID GetPrimaryConnectionID() { return GUID_NULL; }

    bool Notify(const IPNNotifyOperation& op) override { return NotifyDispatcher(op, nullptr, {}); }
    // The fan-out along the state link, served before any sink. A pin
    // joins a state link through a dispatcher pin; without one it delivers
    // nothing and answers false.
    virtual bool NotifyDispatcher(const IPNNotifyOperation& op, TPNBasicPin* onlyPin, TPNNotifyStates states) {
        return false;
    }

    // The handler of type `id`: this pin's own, else the registry's default
    // handler for the type (through DefaultNotifyDispatcher); none for null.
    TPNSubmitFunction GetSubmitFunctionID(const TGUID& id);
    bool DefaultNotifyDispatcher(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states,
                                 const IPNNotifyOperation& op);
    std::string GetLinkNameID(const TGUID& id);
    // Puts the types `restricted` shares with this pin in front, in this
    // pin's order; the others keep their order behind them.
    void OrderStreamTypes(TPNPinTypeRestricted& restricted);

    // Kept by input pins: the outputs whose data or type follows them.
    virtual void IntAddFunctionDependance(TPNSourcePin& source) {}
    virtual void IntRemoveFunctionDependance(TPNSourcePin& source) {}
    virtual void IntRemoveDataTypeDependance(TPNSourcePin& source) {}

    int InSending() const { return FInSending.load(); }

protected:
    TPNConnectionChoice chooseType(const TPNPinStreamType& types, TPNBasicPin& other, bool allowNewConverter);

    TComponent* const FOwner;
    const std::shared_ptr<IPNLock> FOwnerLock;
    TPNPinStreamType StreamType;
    // Nested deliveries through this pin; changed under its lock, read
    // without one on the clean-up path of a refused section.
    std::atomic<int> FInSending{0};

private:
    std::mutex rootNameMutex_;
    std::string FLastRootName;
};

// Adds the hooks of stream-type negotiation along a chain.
class TPNStreamPin : public TPNPin {
public:
    using TPNPin::TPNPin;
    virtual void DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from);
    virtual void UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from);
    virtual TPNQuery DownStreamQueryPossybleInterface(const TGUID& id) { return TPNQuery::NoInterface; }
    virtual TPNQuery UpStreamQueryPossybleInterface(const TGUID& id) { return TPNQuery::NoInterface; }
    virtual void BackPopulateStreamChains(TPNObjectListList& chains, TPNObjectList& list) {}
};

// The output end: any number of sinks (or at most FMaxConnections when
// positive), each served in turn by NotifyPin.
class TPNSourcePin : public TPNStreamPin {
public:
    // `inputOwnerLock`: the lock of the owner's input side, given up with
    // the owner's lock while delivering (may be null).
    TPNSourcePin(TComponent* owner, std::shared_ptr<IPNLock> ownerLock, std::shared_ptr<IPNLock> inputOwnerLock = {},
                 int maxConnections = 0);
    ~TPNSourcePin() override;

    TPNPinType GetPinType() const override { return TPNPinType::ptSource; }
    int MaxConnections() const { return FMaxConnections; }

    std::size_t GetSinkCount();
    TPNBasicPin* GetSink(std::size_t index);
    std::vector<TPNPinEntry> Entries();  // a copy, in fan-out order
    TPNFunctionSinkPinList& FunctionSources() { return FFunctionSources; }
    TPNDataTypeSinkPinList& DataTypeSources() { return FDataTypeSources; }
    TPNFormatConverterList FormatConverters();

    // Records a link to `sink` (the sink's side calls this): makes room under
    // the connection limit by dropping the first sink, negotiates the type,
    // and routes through a converter when one is needed.
    void IntConnect(TPNBasicPin& sink, TPNBasicPin* after) override;
    void IntDisconnect(TPNBasicPin& sink, bool keepPlaceholder) override;
    void DisconnectFrom(TPNBasicPin& sink) override;
    void Disconnect() override;  // every sink, last first

    // The source's choice of type for a link: a direct type from the last
    // entry of the possible types wins over any converter; a converter
    // already inserted on this pin wins over a new one; among new ones the
    // one registered last wins.
    TPNConnectionChoice DownStreamFindConnectionID(TPNBasicPin& sink, bool useConverters, bool allowNewConverter);

    bool Notify(const IPNNotifyOperation& op) override { return NotifyPin(nullptr, op); }
    // Delivers `op` to every sink (or only to `onlySink`) in entry order,
    // each converter input once; the last entry gets nsLastIteration. While
    // a handler runs, the thread holds neither this pin's lock nor its owner
    // locks. Returns true when a handler took the operation. Throws
    // EOWException past 200 nested deliveries through this pin; the pin's
    // counters are restored on every way out.
    bool NotifyPin(TPNBasicPin* onlySink, const IPNNotifyOperation& op);
    // Lowers every positive level by one and sorts by level (sinks that took
    // the recent operations go last), then moves each notify-after pin in
    // front of the sink that names it.
    void ReorderChangedData();

    void PinDeletedNotify(TPNBasicPin& pin) override;
    void PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) override;
    void SetNotifyAfterByName(TPNBasicPin& sink, std::string_view name) override;
    std::string GetAfterPinDisplayName(const TPNBasicPin& sink) override;
    TPNBasicPin* GetConnectedAfterForPin(const TPNBasicPin& pin) override;

    bool DirectDependsOn(const TPNBasicPin& pin) override;
    bool DependsOn(const TPNBasicPin& pin) override;
    TGUID GetConnectionID(const TPNBasicPin& pin) override;
    TGUID GetPrimaryConnectionID() override;
    bool IsConnected() override;
    bool IsConnectedTo(const TPNBasicPin& pin) override;
    bool IsConnectedToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) override;
    bool IsConnectedByConverterTo(const TPNBasicPin& pin) override;
    std::size_t GetConnectedPinCount() override { return GetSinkCount(); }
    TPNBasicPin* GetConnectedPin(std::size_t index) override { return GetSink(index); }

protected:
    void IntDisconnectFrom(TPNBasicPin& sink, TPNFormatConverterList& dropped);
    void reorder();  // ReorderChangedData under a write section the caller holds
    // Removes entry `index` and the converters no link uses any more; they
    // are handed to `dropped` so they end after the caller's sections.
    void removeEntry(std::size_t index, TPNFormatConverterList& dropped);

    const std::shared_ptr<IPNLock> FInputOwnerLock;
    const int FMaxConnections;
    TPNPinEntryList FSinkPins;
    TPNFormatConverterList FFormatConverters;
    TPNFunctionSinkPinList FFunctionSources{*this};
    TPNDataTypeSinkPinList FDataTypeSources{*this};
    // The thread that is taking a sink off: its calls back from the sink's
    // side find the link already being removed.
    std::thread::id FDisconnecting;
};

// The most nested deliveries through one pin.
inline constexpr int kMaxNestedDeliveries = 200;

template <typename T, typename... Args>
PNOwned<T> PNMakePin(Args&&... args) {
    return PNOwned<T>::make(std::forward<Args>(args)...);
}

// Every live pin, under the register's lock; `fn` must not create or destroy pins.
void PNForEachLivePin(const std::function<void(TPNBasicPin&)>& fn);
std::size_t PNLivePinCount();

}  // namespace oculon::pins
