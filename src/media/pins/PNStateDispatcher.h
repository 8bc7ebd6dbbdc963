#pragma once
// Named meeting points for pins that share one state value, a component's
// indexable list of pins, and the registers in which pins and placeholders
// are found by name.
//
// A state dispatcher lives while its members hold it (std::shared_ptr): it
// never keeps a single member, so when the second last one leaves, the last
// one goes with it and the dispatcher is freed. It is found by name among
// the dispatchers of its design state; design-time and run-time
// dispatchers of one name never meet.

#include <memory>
#include <string>
#include <vector>

#include "media/pins/PNPins.h"

namespace oculon::pins {

class TPNUnloadedPin;

// One member of a dispatcher.
struct TPNDispatcherPinStorage {
    TPNBasicPin* ConnectionPin = nullptr;  // the pin in the dispatcher, e.g. a converter's input
    TPNBasicPin* RealPin = nullptr;        // the pin the member stands for
    TPNBasicPin* AfterPin = nullptr;       // a member to be notified before this one
};

class TPNStateDispatcher : public TPNPinObject, public std::enable_shared_from_this<TPNStateDispatcher> {
public:
    // Made and registered by CreateNamed and Create only.
    TPNStateDispatcher(std::string name, bool designing);
    ~TPNStateDispatcher() override;

    // Registered in the list of its design state.
    static std::shared_ptr<TPNStateDispatcher> CreateNamed(std::string name, bool designing);
    static std::shared_ptr<TPNStateDispatcher> Create(const TComponent* root);
    static std::shared_ptr<TPNStateDispatcher> GetByName(const std::string& name, bool designing);
    // GetByName, else a new one made by `pin` (CreateNamedDispatcher).
    static std::shared_ptr<TPNStateDispatcher> GetByNameCreate(TPNBasicPin& pin, const std::string& name,
                                                               bool designing);
    // The first of <root>Link1, <root>Link2, ... that no dispatcher of
    // root's design state uses.
    static std::string GetUniqueName(const TComponent* root);
    // The names of the live dispatchers of one design state, in order of making.
    static std::vector<std::string> Names(bool designing);

    const std::string& Name() const { return FName; }
    bool Designing() const { return FDesigning; }

    std::size_t GetPinCount();
    TPNBasicPin* GetPin(std::size_t index);  // the member's RealPin; null past the end
    TPNBasicPin* GetConnectionPin(std::size_t index);
    TPNBasicPin* GetAfterPin(std::size_t index);
    std::vector<TPNDispatcherPinStorage> Members();  // a copy
    bool IsConnectedTo(const TPNBasicPin& pin);
    TPNBasicPin* GetConnectedAfterForPin(const TPNBasicPin& pin);

    // Adds a member unless `connectionPin` already is one, and points the
    // member's pins at this dispatcher.
    void AddPin(TPNBasicPin& connectionPin, TPNBasicPin& realPin) { AddPinAfter(connectionPin, realPin, nullptr); }
    virtual void AddPinAfter(TPNBasicPin& connectionPin, TPNBasicPin& realPin, TPNBasicPin* after);
    // Takes the member of `pin` off and lets its pins go. Members that were
    // to be notified after the one that left, or after `pin` itself, lose
    // that order. One member left: it goes too.
    virtual void RemovePin(TPNBasicPin& pin);
    // True for a null `after`; false when `pin` is `after` or `after` is no
    // member; otherwise the answer for `after`'s own after-pin.
    bool CanConnectAfter(TPNBasicPin& pin, TPNBasicPin* after);

    // The state of `pin` changed or `pin` joined: the first member that is
    // a source sends a plain notice (to `pin` only, unless it is `pin`);
    // without a source every member sends one.
    void NewConnection(TPNBasicPin& pin);

    // Converters that join members of other types; kept while the dispatcher lives.
    void AddFormatConverter(std::shared_ptr<IPNFormatConverter> converter);
    TPNFormatConverterList FormatConverters();

    void PinDeletedNotify(TPNBasicPin& pin) override;
    void SetNotifyAfterByName(TPNBasicPin& pin, std::string_view name) override;
    std::string GetAfterPinDisplayName(const TPNBasicPin& pin) override;

    // Cross-form bookkeeping of what has been written.
    bool IsCrosForm();
    void ResetFormsSave();
    void AddFormSaved(const TComponent* form);
    bool IsFormSaved(const TComponent* form);
    int CountSaved();  // AddFormSaved calls since the last reset

    // Entered by a fan-out over the members; RemovePin waits for it.
    TPNDestroyLock& DestroyGuard() { return FDestroyLock; }

private:
    const std::string FName;
    const bool FDesigning;
    std::vector<TPNDispatcherPinStorage> FPins;
    TPNFormatConverterList FFormatConverters;
    std::vector<const TComponent*> FSavedForms;
    int FCountSaved = 0;
    TPNDestroyLock FDestroyLock{*this};
};

// The live dispatchers of one design state (true: design time), in order of making.
std::vector<std::shared_ptr<TPNStateDispatcher>> PNDispatchers(bool designing);

// A component's named list of pins. It may hold placeholders for pins of
// forms that are not loaded; at run time, once its owner has loaded, they
// are dropped on the next count or access.
class TPNPinList : public TPNObject, public IPNPublishedPinList {
public:
    // `pinsOwner`: the list frees the pins it is given.
    TPNPinList(TComponent* owner, std::shared_ptr<IPNLock> ownerLock, bool pinsOwner);
    ~TPNPinList() override;

    IPNLockSection ReadLock() override;
    IPNLockSection WriteLock() override;

    // A placeholder is counted apart; the list is its owner while it holds it.
    void Add(TPNBasicPin& pin, std::string name = {});
    void Add(PNOwned<TPNBasicPin> pin, std::string name = {});
    std::size_t GetCount();
    TPNBasicPin* GetPin(std::size_t index);
    // The stored name; an unnamed pin reads "Pin [<index>]".
    std::string GetName(std::size_t index);
    // Frees an owned pin; otherwise the pin no longer names this list.
    void Delete(std::size_t index);
    // A placeholder this list holds was resolved: `realPin` takes its place.
    void ReplacePin(TPNBasicPin& placeholder, TPNBasicPin& realPin);
    // A pin the list holds without owning it is being destroyed: its entries go.
    void PinDestroyed(TPNBasicPin& pin);
    // At run time, after loading: drops every placeholder, last first.
    void CleanUnloaded();
    bool PinsOwner() const { return FPinsOwner; }

    // ---- Insertion, names and persistence (the latter in PNPersistence.cpp).
    // `index` past the end appends.
    void Insert(std::size_t index, TPNBasicPin& pin, std::string name = {});
    void Insert(std::size_t index, PNOwned<TPNBasicPin> pin, std::string name = {});
    std::vector<std::string> Names();        // as GetName reads them
    std::vector<std::string> StoredNames();  // empty for an unnamed entry
    void SetName(std::size_t index, std::string name);
    // "Names" when an entry is named; "Pins": for a list that owns its pins
    // each pin's list entry (its links), otherwise each pin's identity name
    // with root, resolved on reading to the live pin or a placeholder.
    void DefineProperties(platform::TFiler& filer);
    void WritePins(platform::TWriter& writer);
    void ReadPins(platform::TReader& reader);

    std::size_t PublishedCount() const override;
    TPNBasicPin* PublishedPin(std::size_t index) const override;
    std::string PublishedName(std::size_t index) const override;

private:
    struct Entry {
        std::string Name;
        TPNBasicPin* Pin = nullptr;
        PNOwned<TPNBasicPin> Owned;
    };
    void cleanIfLoaded();  // CleanUnloaded once per outer call
    void dropEntry(std::size_t index, std::vector<Entry>& freed);
    // After the section: placeholders the list held may go.
    static void release(std::vector<Entry>& freed);

    TComponent* const FOwner;
    const std::shared_ptr<IPNLock> FOwnerLock;
    const bool FPinsOwner;
    std::vector<Entry> FPinsList;
    std::size_t FUnloadedCount = 0;
    bool FInUnload = false;
    std::string FLoadFormName;  // the root name read from the list's "Form"
};

// Finding pins by name among all live pins (placeholders included), under
// the register's lock. `root` null matches pins of every root.
class TPNInternalPinList {
public:
    // The first pin whose root is none, `root` or any (for a null `root`)
    // and whose display name, without or with root, is `name`.
    static TPNBasicPin* GetByDisplayName(const TComponent* root, std::string_view name);
    // The first pin, in register order, whose identity name is `identName`:
    // with root for any pin, without root only for pins of `root`'s name.
    static TPNBasicPin* GetByIdentName(const TComponent* root, std::string_view identName);
    // By identity, else by display name, else a new placeholder; null for
    // an empty identity name.
    static TPNBasicPin* GetByNameCreate(TComponent* root, TPNPinType type, std::string createdFrom,
                                        std::string displayName, std::string identName);
};

}  // namespace oculon::pins
