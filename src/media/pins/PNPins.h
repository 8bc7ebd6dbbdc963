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
// Links. Every change of links and state links holds the process-wide link
// lock (PNLinkSection), so the two ends of a link always agree; it is taken
// before any pin lock, and given up while a change waits for deliveries to
// leave a pin or runs a handler. No pin lock is held while a call goes into
// another pin: negotiation walks copy what they need under each pin's lock
// and let go before they go on.
//
// Lifetime. A pin is never freed through a link. Destroying one waits until
// no other thread is delivering through it, unlinks it, and tells every
// other live pin to drop it, linked to it or not. Linked pins are destroyed
// from one thread at a time (components are torn down on the main thread).

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/pins/PNComponent.h"
#include "media/pins/PNLock.h"
#include "media/pins/PNOperations.h"

namespace oculon::pins {

class TPNStateDispatcher;
class TPNPinList;
class TPNBasicSinkPin;

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

// A link number that matches every link (see TPNBasicPin::LinkNumber).
inline constexpr std::uint64_t kAnyLink = 0;

// Counts the changes that can alter what a negotiation chooses: the stream
// types or interfaces of a pin once it is made, a sink's taking any type,
// an output's type following an input. A choice made in the epoch that
// still holds would come out the same again.
std::uint64_t PNNegotiationEpoch();
void PNNegotiationChanged();

// The link lock: held by every change of links (see above). Re-entrant.
IPNLockSection PNLinkSection();
// Gives up the calling thread's holds on the link lock while a handler runs.
IPNLockSection PNLinkUnlockAll();
// A destroy guard's wait with the link lock given up meanwhile; the link
// lock is held again when it returns. The caller holds no pin lock.
IPNLockSection PNDestroyWait(TPNDestroyLock& guard);
// Whether two pins may link as far as design and run time go: alike, or one
// of them a placeholder or a converter's.
bool PNDesignStatesMatch(const TPNBasicPin& a, const TPNBasicPin& b);
// Set once the first pin of a component was made; never cleared.
bool PNPinsExist();
// With design behaviour off (it is on at start), no pin takes its owner for
// a designing one, so design-time and run-time pins link freely.
void PNSetDesignBehaviour(bool on);
bool PNDesignBehaviour();

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
    // The pin's place in the order of registration: older pins come first.
    std::uint64_t RegisterOrder() const { return registerOrder_; }

    // Run by PNOwned: announce the pin, and before destruction wait for the
    // threads inside, unlink, leave the register and tell every other live
    // pin.
    virtual void AfterConstruction();
    virtual void BeforeDestruction();

    virtual TComponent* GetOwnerComponent() const { return nullptr; }
    virtual bool RootInDestroying() const { return false; }
    virtual bool OwnerInDesigning() const = 0;
    virtual TPNPinType GetPinType() const = 0;

    // Link bookkeeping, called by the pin at the other end. `link` names the
    // link to drop by the sink's LinkNumber when it was made; kAnyLink drops
    // whatever link joins the two pins.
    virtual void IntConnect(TPNBasicPin& pin, TPNBasicPin* after) {}
    virtual void IntDisconnect(TPNBasicPin& pin, bool keepPlaceholder, std::uint64_t link) {}
    // A sink's number for its current link, new with every link it makes;
    // kAnyLink for pins that keep none.
    virtual std::uint64_t LinkNumber() { return kAnyLink; }
    // A converter's output pin now feeds this pin in place of `source`.
    virtual void SetConnectionSourcePin(TPNBasicPin* converterOutput) {}
    // Frees a placeholder that nothing refers to any more.
    virtual void CheckRemove() {}
    // A placeholder stays while it is held: by entries that name it as
    // their notify-after pin, and by callers that keep it for a while.
    // ReleasePin lets go of one hold, and a placeholder that nothing refers
    // to any more goes; its caller holds no pin lock. Nothing for other pins.
    virtual void HoldPin() {}
    virtual void ReleasePin() {}
    // A source linked to `placeholder` and now to `pin`, which stands for it,
    // moves the link to `pin` into the placeholder's place among its links.
    virtual void PutLinkInPlaceOf(const TPNBasicPin& pin, const TPNBasicPin& placeholder) {}
    virtual void BeforeDisconnect() {}

    virtual bool CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) = 0;
    bool CanConnectTo(TPNBasicPin& pin, bool checkOnly);
    // Without `after` CanConnectTo; with it, whether `after` is a member of
    // this pin's state link that `pin` may follow.
    virtual bool CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly);
    virtual bool IsCompatible(TPNBasicPin& pin, bool allowConverter) = 0;
    virtual bool DependsOn(const TPNBasicPin& pin) = 0;
    virtual bool DirectDependsOn(const TPNBasicPin& pin) { return DependsOn(pin); }

    virtual bool Connect(TPNBasicPin* pin) { return ConnectAfter(pin, nullptr); }
    // False for the pin itself; otherwise a state link (ConnectByStateAfter).
    // Source and sink pins link to each other instead.
    virtual bool ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after);
    // Leaves the state link; source and sink pins also drop their links.
    virtual void Disconnect();
    // Leaves the state link, naming `pin`; source pins drop their link to it.
    virtual void DisconnectFrom(TPNBasicPin& pin) { TPNBasicPin::Disconnect(); }
    virtual bool IsConnected() { return IsStateConnected(); }
    virtual bool IsConnectedTo(const TPNBasicPin& pin) { return IsConnectedByStateTo(pin); }
    virtual bool IsConnectedToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) {
        return IsConnectedByStateToAfter(pin, after);
    }
    virtual bool IsConnectedByConverterTo(const TPNBasicPin& pin) { return false; }
    virtual TPNBasicPin* GetConnectedAfterForPin(const TPNBasicPin& pin);
    virtual std::size_t GetConnectedPinCount() { return 0; }
    virtual TPNBasicPin* GetConnectedPin(std::size_t index) { return nullptr; }
    virtual TGUID GetConnectionID(const TPNBasicPin& pin) { return GUID_NULL; }

    // Sends an operation along the pin's links; true when a handler took it.
    virtual bool Notify(const IPNNotifyOperation& op) { return false; }
    // This pin's side of a stream type's notification interface: an
    // operation of type `id` that reached it over a link. Nothing here.
    virtual bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) { return false; }

    // Whether this pin gives the interface of a stream type (its interface table).
    virtual TPNQuery RequestInterface(const TGUID& iid) const;

    // ---- The state link: pins joined to one dispatcher share one value,
    // and each pin's notification reaches every other member.
    std::shared_ptr<TPNStateDispatcher> Dispatcher() const;
    bool IsStateConnected() const { return Dispatcher() != nullptr; }
    bool IsConnectedToState(const TPNStateDispatcher* dispatcher) const { return Dispatcher().get() == dispatcher; }
    bool IsConnectedByStateTo(const TPNBasicPin& pin) const;
    bool IsConnectedByStateToAfter(const TPNBasicPin& pin, const TPNBasicPin* after) const;
    std::size_t GetDispatcherCount() const { return IsStateConnected() ? 1 : 0; }
    bool ConnectByState(TPNBasicPin& pin) { return ConnectByStateAfter(pin, nullptr); }
    // Joins `pin` to this pin's dispatcher, or both to a new one, or this pin
    // to `pin`'s; through a converter when the two have no common type.
    virtual bool ConnectByStateAfter(TPNBasicPin& pin, TPNBasicPin* after);
    bool ConnectToState(const std::shared_ptr<TPNStateDispatcher>& dispatcher) {
        return ConnectToStateAfter(dispatcher, nullptr);
    }
    // Leaves the current dispatcher and joins `dispatcher` when every
    // member accepts this pin; false when it does not.
    virtual bool ConnectToStateAfter(const std::shared_ptr<TPNStateDispatcher>& dispatcher, TPNBasicPin* after);
    virtual bool CanConnectToStateInt(const TPNStateDispatcher* dispatcher);
    virtual void IntStateDisconnect() {}
    // Joins the dispatcher of that name of this pin's design state, made when absent.
    bool LinkToStateByName(const std::string& name);
    // A dispatcher named after `root` ("Form1Link1", "Form1Link2", ...).
    virtual std::shared_ptr<TPNStateDispatcher> CreateDispatcher(const TComponent* root);
    virtual std::shared_ptr<TPNStateDispatcher> CreateNamedDispatcher(const std::string& name, bool designing);
    // Sends the pin's current state to the other members.
    virtual void UpdateStateValue() {}

    // What an editor shows: "(Disconnected)", the one partner's display
    // name with root, or the dispatcher's name.
    virtual std::string GetEditorString();
    virtual bool SetEditorString(const std::string& text) { return false; }
    virtual bool IsLinkedTo(std::string_view name);
    // Lets every placeholder that stands for this pin hand its links over
    // and go (run once the pin has its name, before links are read).
    virtual void CheckVirtualList();

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
    // False when none of the pin's names, identity or display, with or
    // without root, can be `name`: a quick test before they are built.
    virtual bool CouldBeNamed(std::string_view name) { return true; }
    // A part between points that every name of the pin has (its owner's
    // name), so that a search by name need look only at the pins whose key
    // is a part of the name; none when any name may fit. Goes with
    // CouldBeNamed.
    virtual std::optional<std::string> NameKey() { return std::nullopt; }

    // A name stored while this pin's form or frame had another name (the
    // "Form" entry) is retargeted to the current root: with load name
    // VideoViewerFrame, "VideoViewerFrame.X.OutputPin" becomes
    // "<current root>.X.OutputPin".
    void SetLoadFormName(std::string name);
    void ApplyFormName(std::string& name) const;

    // ---- Persistence in the component stream (PNPersistence.cpp). Reader
    // methods check their value and defer every change to the reader's
    // apply queue; names are resolved when the queue runs.
    virtual void DefineProperties(platform::TFiler& filer) {}
    // Joined to a state dispatcher, and not through a converter.
    virtual bool DoStateWrite();
    virtual bool DoStateConverterWrite() { return false; }
    virtual bool DoFormWrite() { return DoStateWrite(); }
    // "Form": the root's name, read into the load name (ApplyFormName).
    void WriteFormName(platform::TWriter& writer);
    void ReadFormName(platform::TReader& reader);
    // "State": the dispatcher's name, or the first time a root is written
    // while the dispatcher has members of other roots, a list of the name
    // and those members.
    virtual void WriteStateConnectionsData(platform::TWriter& writer);
    virtual void ReadStateConnectionsData(platform::TReader& reader);
    virtual void ReadConnectionsData(platform::TReader& reader) {}
    // The pin's entry in a pin list: "State" and a list of the state link
    // and the pin's own links, else the pin's own links, else "nil".
    virtual void WriteListEntry(platform::TWriter& writer);
    void ReadListEntry(platform::TReader& reader);
    // The pin's own links as a list entry; false when it has none.
    virtual bool WriteNoStateListEntry(platform::TWriter& writer) { return false; }
    virtual void ReadNoStateListEntry(platform::TReader& reader);

    TPNDestroyLock& DestroyGuard() { return FDestroyLock; }
    // The destroy guard's wait, with the link lock given up meanwhile: a
    // thread delivering through this pin may need it to finish. Callers
    // hold no pin lock.
    IPNLockSection DestroyWait();
    TPNPinList* OwnerPinList() const { return FOwnerPinList.load(); }
    // Made completely (PNOwned ran AfterConstruction) and not yet torn down.
    bool IsComplete() const { return complete_.load(); }

    void* FCustomData = nullptr;  // free slot for the owner; not owned

    // A property editor showing this pin points this at its own variable;
    // the pin's destruction writes null through it.
    TPNBasicPin** CurrentEditorPtr = nullptr;
    // The after-pin of link `index`: GetConnectedAfterForPin(GetConnectedPin(index)).
    virtual TPNBasicPin* GetConnectedAfterPin(std::size_t index);
    // A pin has at most one dispatcher: it answers for every index.
    std::shared_ptr<TPNStateDispatcher> GetDispatcher(std::size_t) const { return Dispatcher(); }

protected:
    friend class TPNStateDispatcher;
    friend class TPNPinList;

    // Registers a placeholder apart from the pins of components.
    explicit TPNBasicPin(bool placeholder);

    // Adds or takes away a stream type's interface in the pin's interface
    // table; while no other thread uses the pin (links then keep their type
    // until they are negotiated again).
    void DeclareInterface(const TGUID& iid);
    void WithdrawInterface(const TGUID& iid);
    // Set by the dispatcher that takes or lets go of this pin.
    void SetDispatcher(std::shared_ptr<TPNStateDispatcher> dispatcher);
    // Leaves the state link (the base Disconnect).
    void LeaveState();

    TPNDestroyLock FDestroyLock{*this};
    std::string FLoadFormName;
    std::atomic<TPNPinList*> FOwnerPinList{nullptr};

    // Every other live pin that is not being destroyed, in register order
    // (the last first with `lastFirst`), one at a time, entered through its
    // destroy guard and visited outside the register's lock; complete ones
    // only with `completeOnly`, placeholders only `withPlaceholders`.
    void VisitLivePins(bool lastFirst, bool completeOnly, bool withPlaceholders,
                       const std::function<void(TPNBasicPin&)>& visit) const;

private:
    void leaveRegister();
    std::vector<TGUID> interfaces_;
    bool registered_ = true;
    std::atomic<bool> complete_{false};
    const bool placeholder_;
    // Under FIntLockSection: the dispatcher of another pin sets it while
    // holding its own lock.
    std::shared_ptr<TPNStateDispatcher> FDispatcher;
    // Whether FDispatcher is set, read without the lock.
    std::atomic<bool> stateLinked_{false};
    std::uint64_t registerOrder_ = 0;
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
    void RemoveIf(const std::function<bool(const TGUID&)>& drop);
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

// A count that the holder of its pin's lock changes without a
// read-modify-write (the lock orders the changes); a thread whose section was
// refused counts its leave apart, atomically.
class TPNNestingCount {
public:
    int value() const {
        return locked_.load(std::memory_order_relaxed) - leftUnlocked_.load(std::memory_order_relaxed);
    }
    void enter() { locked_.store(locked_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }
    // `section`: the pin's section that the caller holds, or a refused one.
    void leave(const IPNLockSection& section) {
        if (section.held()) locked_.store(locked_.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
        else leftUnlocked_.fetch_add(1, std::memory_order_relaxed);
    }

private:
    std::atomic<int> locked_{0};
    std::atomic<int> leftUnlocked_{0};
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

    // The order of calls is the pin's order of preference. Links keep the
    // type they chose until they are negotiated again (ChainReconnect).
    void AddType(const TGUID& id, TPNSubmitFunction submit = {});
    void RemoveType(const TGUID& id);
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
    // Its names run "owner.…" or "root.owner.…".
    bool CouldBeNamed(std::string_view name) override;
    std::optional<std::string> NameKey() override;

    // Pins of a designing owner link only to pins of a designing owner (and
    // running to running), unless a converter owns one of them; a
    // placeholder decides for itself. Source and sink pins add their rules.
    bool CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) override;
    bool IsCompatible(TPNBasicPin& pin, bool allowConverter) override { return false; }
    // "Form" and "State".
    void DefineProperties(platform::TFiler& filer) override;
    bool DependsOn(const TPNBasicPin& pin) override { return false; }
    // Whether a format converter owns this pin.
    bool OwnedByConverter() const;

    // The stream type for a link to `other`: this pin's types from the last
    // to the first, the first that `other` gives; failing that, with
    // `allowConverter` and a sink at the other end, a converter of this
    // pin's state link whose output `other` gives (the last first), then the
    // registered converter from one of this pin's types to one that `other`
    // gives (the last registered, then this pin's last type, wins).
    TPNConnectionChoice FindConnectionID(TPNBasicPin& other, bool allowConverter);
    TGUID GetConnectionID(const TPNBasicPin& pin) override;
    // Null, or for a member of a state link the type towards its first member.
    virtual TGUID GetPrimaryConnectionID();

    bool Notify(const IPNNotifyOperation& op) override { return NotifyDispatcher(op, nullptr, {}); }
    // The fan-out along the state link, served before any sink: every other
    // member (or only `onlyPin`) gets `op` through this pin's handler for
    // the type towards it; the last served gets nsLastIteration. No lock is
    // held while a handler runs, and the members stay until it returns.
    // False without a state link or when no handler took it.
    virtual bool NotifyDispatcher(const IPNNotifyOperation& op, TPNBasicPin* onlyPin, TPNNotifyStates states);

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
    virtual void IntAddDataTypeDependance(TPNSourcePin& source) {}
    virtual void IntRemoveDataTypeDependance(TPNSourcePin& source) {}

    int InSending() const { return FInSending.value(); }

protected:
    TPNConnectionChoice chooseType(const TPNPinStreamType& types, TPNBasicPin& other, bool allowNewConverter);

    TComponent* const FOwner;
    const std::shared_ptr<IPNLock> FOwnerLock;
    TPNPinStreamType StreamType;
    // Nested deliveries through this pin.
    TPNNestingCount FInSending;

private:
    std::mutex rootNameMutex_;
    std::string FLastRootName;
};

// Adds the hooks of stream-type negotiation along a chain. A possible-type
// list travels through the pins: "back" walks go towards the start of the
// chain (against the data through links, with it through a component from
// an output to the inputs its type follows), "forth" walks from there on
// with the data, each pin striking what it cannot carry. `from` is the pin
// that asked; no pin treats itself as the far end of its own question.
// Down-stream lists hold what can reach a sink, up-stream lists what a sink
// can answer upwards. A pin reached again by the same walk on the same
// thread (a loop of dependencies) adds nothing.
class TPNStreamPin : public TPNPin {
public:
    using TPNPin::TPNPin;
    virtual void DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from);
    virtual void UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from);
    virtual TPNQuery DownStreamQueryPossybleInterface(const TGUID& id) { return TPNQuery::NoInterface; }
    virtual TPNQuery UpStreamQueryPossybleInterface(const TGUID& id) { return TPNQuery::NoInterface; }
    virtual void BackPopulateStreamChains(TPNObjectListList& chains, TPNObjectList& list) {}

    virtual void DownStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {}
    virtual void UpStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {}
    virtual void DownStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {}
    virtual void UpStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) {}
    // Supported when every pin of the walk can carry `id`; stops at the first that cannot.
    virtual TPNQuery DownStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
        return TPNQuery::NoInterface;
    }
    virtual TPNQuery UpStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
        return TPNQuery::NoInterface;
    }
    virtual TPNQuery DownStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
        return TPNQuery::NoInterface;
    }
    virtual TPNQuery UpStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) {
        return TPNQuery::NoInterface;
    }
    // Re-negotiation along a chain: back to its start, then forth through
    // every link, each choosing its type again. `a` is the type proposed
    // for the new link; links that carry another type choose again.
    virtual void BackChainReconnect(const TGUID& a, const TGUID& b) {}
    virtual void ForthChainReconnect(const TGUID& a, const TGUID& b) {}
};

enum TPNWalkKind : int {
    wkDownBackRestrict,
    wkUpBackRestrict,
    wkDownForthRestrict,
    wkUpForthRestrict,
    wkDownBackQuery,
    wkUpBackQuery,
    wkDownForthQuery,
    wkUpForthQuery,
    wkDownQuery,
    wkUpQuery,
    wkBackChain,
    wkForthChain,
    wkPopulate,
    wkDependsOn,
};

// The walk of one kind on one pin in progress on this thread: a second
// entry while the first is still running (a dependency loop) is refused.
class TPNWalkGuard {
public:
    TPNWalkGuard(const void* pin, int kind);
    ~TPNWalkGuard();
    TPNWalkGuard(const TPNWalkGuard&) = delete;
    TPNWalkGuard& operator=(const TPNWalkGuard&) = delete;
    bool entered() const { return entered_; }

private:
    bool entered_;
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

    // ---- Linking. The sink's side does the work: ConnectAfter checks and
    // hands over to the sink (or placeholder), which calls back IntConnect
    // and NewConnection.
    bool ConnectAfter(TPNBasicPin* pin, TPNBasicPin* after) override;
    // Makes room under the connection limit (the first sink goes, unless
    // `pin` is already linked) and lets `pin` link; false for a pin that is
    // neither a sink nor a placeholder.
    virtual bool IntConnectAfter(TPNBasicPin& pin, TPNBasicPin* after);
    // While the owner loads or an editor shows the pin any after-pin goes;
    // otherwise `after` must be linked here, and its own after-pin chain too.
    bool CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after, bool checkOnly) override;
    // Design-time pins link only to design-time pins (unless a converter
    // owns this pin), then a sink decides.
    bool CanConnectToInt(TPNBasicPin& pin, bool checkOnly, TPNConnectionChoice& choice) override;
    bool IsCompatible(TPNBasicPin& pin, bool allowConverter) override;
    // Whether a type (direct, or through a converter) exists for a link to `sink`.
    virtual bool CheckDownStreamInterfaces(TPNBasicPin& sink, bool useConverters);
    void SetInEditor(bool inEditor);

    // Records a link to `sink` (the sink's side calls this): makes room under
    // the connection limit by dropping the first sink, negotiates the type,
    // and routes through a converter when one is needed.
    void IntConnect(TPNBasicPin& sink, TPNBasicPin* after) override;
    // Drops the link to `sink`. With `keepPlaceholder` (the sink's form goes
    // away at design time) a placeholder of the sink's name keeps the link.
    void IntDisconnect(TPNBasicPin& sink, bool keepPlaceholder, std::uint64_t link) override;
    void DisconnectFrom(TPNBasicPin& sink) override;
    void Disconnect() override;  // the state link, then every sink, last first

    // The source's choice of type for a link: a direct type from the last
    // entry of the possible types wins over any converter; a converter
    // already inserted on this pin wins over a new one; among new ones the
    // one registered last wins.
    TPNConnectionChoice DownStreamFindConnectionID(TPNBasicPin& sink, bool useConverters, bool allowNewConverter);
    // The notice of a new link, sent to `sink`'s entry with marker 3 (a
    // plain operation, with nsNewLink and nsLastIteration). Throws
    // EOWException past 10 nested notices through this pin; the counters
    // are restored on every way out.
    void NewConnection(TPNBasicPin& sink);
    // The caller keeps `sink` alive (a converter's input: its converter).
    void NewConnection(TPNBasicPin& sink, const TPNSubmitFunction& handler);
    // Chooses the type of link `index` again unless it already carries `id`.
    void ChangeConnectionType(std::size_t index, const TGUID& id);
    void BackChainReconnect(const TGUID& a, const TGUID& b) override;
    void ForthChainReconnect(const TGUID& a, const TGUID& b) override;
    // Adds this pin to `list`, then walks back through the inputs its type
    // follows: the first continues `list`, each further one a new list in `chains`.
    void BackPopulateStreamChains(TPNObjectListList& chains, TPNObjectList& list) override;

    void DownStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void UpStreamFillPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    TPNQuery DownStreamQueryPossybleInterface(const TGUID& id) override;
    TPNQuery UpStreamQueryPossybleInterface(const TGUID& id) override;
    void DownStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void UpStreamBackRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void DownStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    void UpStreamForthRestrictPossibleStreamTypes(TPNPinTypeRestricted& list, TPNBasicPin* from) override;
    TPNQuery DownStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    TPNQuery UpStreamBackQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    TPNQuery DownStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    TPNQuery UpStreamForthQueryPossybleInterface(const TGUID& id, TPNBasicPin* from) override;
    // The pin's own interfaces, else what the inputs its type follows can answer upwards.
    TPNQuery RequestInterface(const TGUID& iid) const override;

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
    // Operations that reach this pin from its sinks (a sink's Notify) go to
    // `handler`, called with this pin as receiver.
    void SetPinNotificationEvent(TPNSubmitFunction handler);
    bool DispatchData(const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op) override;
    // A plain notice through the state link.
    void UpdateStateValue() override;

    void PinDeletedNotify(TPNBasicPin& pin) override;
    void PinReplacedNotify(TPNBasicPin& oldPin, TPNBasicPin& newPin) override;
    void PutLinkInPlaceOf(const TPNBasicPin& pin, const TPNBasicPin& placeholder) override;
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
    // No link: the state link's text; one link and no state link: that
    // sink's name; else "( N Links )".
    std::string GetEditorString() override;
    bool IsLinkedTo(std::string_view name) override;
    // The display name of sink `index`, with its root when that differs
    // from this pin's; empty past the end.
    std::string GetLinkStr(std::size_t index);
    // Links to the pin called `name` among the pins under `root` this pin
    // could link to (display names; identity names with `checkOnly`). An
    // empty name unlinks every sink unless `checkOnly`. True when linked.
    bool TryLinkTo(TComponent* root, const std::string& name, bool checkOnly);
    // TryLinkTo for each name of a comma-separated list; true when any linked.
    bool TryLinkToList(TComponent* root, const std::string& names, bool checkOnly);
    // "" or "(Disconnected)" unlinks every sink; otherwise the names of the
    // text under this pin's root. True when a link was made, else whether
    // the pin was linked before.
    bool SetEditorString(const std::string& text) override;

    // ---- Persistence (PNPersistence.cpp): "SinkPins", one entry per sink:
    // its identity name, or (identity [notify-after identity] ['display']).
    void DefineProperties(platform::TFiler& filer) override;
    virtual void WriteConnectionsData(platform::TWriter& writer);
    // Links each sink by name: the live pin, or a placeholder of that name.
    void ReadConnectionsData(platform::TReader& reader) override;
    virtual bool DoWrite() { return GetSinkCount() > 0; }
    bool DoFormWrite() override { return TPNBasicPin::DoFormWrite() || DoWrite(); }
    // "Sinks" and the sink list.
    bool WriteNoStateListEntry(platform::TWriter& writer) override;
    void ReadNoStateListEntry(platform::TReader& reader) override;

protected:
    // Called before the link to `sink` goes, from either end, while `sink` is
    // complete; the caller holds the link lock and no pin lock. Data pins
    // send the sink a stop here; nothing in this class.
    virtual void SinkUnlinking(TPNBasicPin& sink) {}
    // Takes link `link` to `sink` off at both ends.
    void IntDisconnectFrom(TPNBasicPin& sink, std::uint64_t link, TPNFormatConverterList& dropped);
    // DisconnectFrom for link `link` alone: nothing when that link is gone.
    void disconnectLink(TPNBasicPin& sink, std::uint64_t link);
    // Puts the links to `sinks` first, in that order; the others follow in
    // their order. A link is listed by its first place in `sinks`.
    void orderLinksAs(const std::vector<TPNBasicPin*>& sinks);
    // The connection limit: drops the first sink when full and `sink` is not linked.
    void makeRoomFor(const TPNBasicPin& sink);
    bool hasEntry(const TPNBasicPin& sink, std::uint64_t link = kAnyLink);
    // The link number of the last entry of `sink`; none without an entry.
    std::optional<std::uint64_t> lastLinkTo(const TPNBasicPin& sink);
    bool disconnectingHere();
    class TakenLinks;
    // The links one delivery serves: the pin's whole list (`at` empty: link i
    // is the entry in slot i), or the links of one sink (link i is the entry
    // in slot at[i]); whether its last link is the list's last entry.
    struct Delivery {
        std::shared_ptr<const TPNFanOut> links;
        std::vector<std::size_t> at;
        bool endsList = true;
        std::size_t entry(std::size_t i) const { return at.empty() ? i : at[i]; }
    };
    // ReorderChangedData under a write section the caller holds; first, in
    // the same pass, the scores of `taken` rise (entry i is its link i).
    void reorder(const TakenLinks* taken = nullptr);
    // A delivery's end, under a write section the caller holds: the scores of
    // the sinks that took the operation rise, and the order is renewed.
    void scoreDelivery(const Delivery& delivery, const TakenLinks& taken);
    // Removes the entry of link `link` to `sink` (the last entry of `sink`
    // for kAnyLink) and the converters no link uses any more; they are handed
    // to `dropped` so they end after the caller's sections. The caller holds
    // the link lock and no pin lock.
    void removeEntry(const TPNBasicPin& sink, std::uint64_t link, TPNFormatConverterList& dropped);
    std::vector<TPNBasicPin*> linkedSinks();     // RealPin of every entry
    std::vector<TPNBasicPin*> connectionPins();  // the pins the entries deliver to, each once
    void changeConnectionType(TPNBasicPin& sink, const TGUID& id);
    // ForthChainReconnect's step for one link, and its steps for `sinks`
    // from `first` on.
    void forthStep(TPNBasicPin& sink, const TGUID& a, const TGUID& b);
    void forthSteps(const std::vector<TPNBasicPin*>& sinks, std::size_t first, const TGUID& a, const TGUID& b);
    // After a walk with type `a` begun in negotiation epoch `epoch`: which
    // links a walk like it would leave as they are from now on; of all, or
    // of those to `walked` (the others were known before).
    void noteForthSettled(const TGUID& a, std::uint64_t epoch, const std::vector<TPNBasicPin*>* walked = nullptr);
    // A link to `sink` was made or changed its type (under the write lock).
    void forthFresh(TPNBasicPin& sink);
    std::vector<TPNPin*> dataTypeSources() { return FDataTypeSources.Snapshot(); }

    const std::shared_ptr<IPNLock> FInputOwnerLock;
    const int FMaxConnections;
    TPNPinEntryList FSinkPins;
    // The links for reading: unlike FSinkPins' mutable accessors, it keeps
    // the fan-out list made from them.
    const TPNPinEntryList& readSinks() const { return FSinkPins; }
    TPNFormatConverterList FFormatConverters;
    TPNFunctionSinkPinList FFunctionSources{*this};
    TPNDataTypeSinkPinList FDataTypeSources{*this};
    TPNSubmitFunction FPinNotificationEvent;
    bool FInEditor = false;
    // The threads that are taking a sink off, once per mark: their calls
    // back from the sink's side find the link already being removed.
    // Several at once, as the link lock is given up on the way. Changed under
    // the write lock.
    std::vector<std::thread::id> FDisconnecting;
    // The threads sending a sink the stop of its unlinking, once per mark;
    // changed under the write lock.
    std::vector<std::thread::id> FUnlinking;
    // What the chain re-negotiation knows of the links: a walk with type
    // Type in negotiation epoch Epoch would change none of them but those
    // to the pins in Fresh (linked, or their type changed, since), so a new
    // link walks itself, not every link. Fresh may name pins linked twice
    // or no longer linked; it is read only through the links. Under the
    // write lock.
    struct ForthWalk {
        bool Known = false;
        std::uint64_t Epoch = 0;
        TGUID Type;
        std::vector<TPNBasicPin*> Fresh;
    } FForthWalk;
};

// The most nested deliveries through one pin, and the most nested notices
// of a new link.
inline constexpr int kMaxNestedDeliveries = 200;
inline constexpr int kMaxNestedNewConnections = 10;

// A handler that hands each operation to the receiving pin's DispatchData.
TPNSubmitFunction PNDispatchDataHandler();

// Holds a pin (TPNBasicPin::HoldPin) for its own life.
class TPNPinHold {
public:
    explicit TPNPinHold(TPNBasicPin* pin) : pin_(pin) {
        if (pin_) pin_->HoldPin();
    }
    // Takes over a hold made before (that of an entry taken out of a list).
    TPNPinHold(TPNBasicPin* pin, std::adopt_lock_t) : pin_(pin) {}
    TPNPinHold(TPNPinHold&& o) noexcept : pin_(std::exchange(o.pin_, nullptr)) {}
    TPNPinHold& operator=(TPNPinHold&&) = delete;
    ~TPNPinHold() {
        if (pin_) pin_->ReleasePin();
    }

private:
    TPNBasicPin* pin_;
};

// Lets go of the notify-after pins of entries taken out of a list.
void PNReleaseAfterPins(const std::vector<TPNPinEntry>& taken);

template <typename T, typename... Args>
PNOwned<T> PNMakePin(Args&&... args) {
    return PNOwned<T>::make(std::forward<Args>(args)...);
}

// A name stored under the root name `loadName` retargeted to `root`.
void PNApplyFormName(const std::string& loadName, const TComponent* root, std::string& name);

// The first live pin of a component (placeholders are not), in register
// order, that `match` accepts, or null; `match` accepts none that could not
// be named `name` (TPNBasicPin::CouldBeNamed), so that the pins are found
// through their NameKey, not walked. It runs under the register's lock and
// must not create or destroy pins.
TPNBasicPin* PNFirstComponentPin(std::string_view name, const std::function<bool(TPNBasicPin&)>& match);
std::size_t PNLivePinCount();

}  // namespace oculon::pins
