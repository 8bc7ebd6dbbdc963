#pragma once
// What travels along a pin link: notify operations, reference-counted by
// std::shared_ptr and told apart by their class (a receiver tests with
// dynamic_cast), the handler signature that receives them, and the small
// lists a source pin keeps of its links, converters and dependants.

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "media/pins/PNGuid.h"

namespace oculon::pins {

class TPNBasicPin;
class TPNPin;
class TPNSinkPin;
class TPNSourcePin;
class TPNObject;

// An operation: start, stop, a supplied buffer or value, a pump request, or
// (a plain one) the notice of a new link. Payload lives in derived classes.
// Every operation of every class draws its id from one 64-bit sequence that
// starts at 1, so ids never repeat within a run.
class TPNNotifyOperation {
public:
    TPNNotifyOperation();
    virtual ~TPNNotifyOperation() = default;
    TPNNotifyOperation(const TPNNotifyOperation&) = delete;
    TPNNotifyOperation& operator=(const TPNNotifyOperation&) = delete;

    std::uint64_t OperationID() const { return FOperationID; }

private:
    const std::uint64_t FOperationID;
};

// The sender holds one reference while it delivers; a receiver or queue that
// keeps the operation takes its own.
using IPNNotifyOperation = std::shared_ptr<TPNNotifyOperation>;

enum TPNNotifyState : std::uint8_t { nsNewLink = 0, nsLastIteration = 1 };

// The set of notify states. Its bits are the receiver marker that handlers
// are given: 0 for a receiver that is not the last of a fan-out, 2 for the
// last (and for a sink's single upstream receiver), 3 for the notice of a
// new link.
class TPNNotifyStates {
public:
    constexpr TPNNotifyStates() = default;
    constexpr TPNNotifyStates(std::initializer_list<TPNNotifyState> states) {
        for (const auto s : states) bits_ = static_cast<std::uint8_t>(bits_ | 1u << s);
    }
    constexpr bool contains(TPNNotifyState s) const { return (bits_ >> s & 1u) != 0; }
    constexpr unsigned marker() const { return bits_; }
    friend constexpr bool operator==(TPNNotifyStates, TPNNotifyStates) = default;

private:
    std::uint8_t bits_ = 0;
};

// A pin's handler for one stream type. Called by the sending pin with the
// receiving pin (the sink itself, or a converter's input), the link's stream
// type, the states and the operation; true means the operation was taken.
// Handlers run with no pin lock held and the sender's owner locks given up.
using TPNSubmitFunction =
    std::function<bool(TPNBasicPin& receiver, const TGUID& id, TPNNotifyStates states, const IPNNotifyOperation& op)>;

// A format converter as the links see it: a hidden component with one input
// and one output pin, alive while a link, a list or a call holds it.
class IPNFormatConverter {
public:
    virtual ~IPNFormatConverter() = default;
    virtual TPNSinkPin& InputPin() = 0;
    virtual TPNSourcePin& OutputPin() = 0;
};

// The "class reference" of a converter: one static descriptor per converter
// class, compared by address.
struct TPNFormatConverterClass {
    const char* Name;
    std::shared_ptr<IPNFormatConverter> (*Create)();
};

// A source pin's record of one link.
struct TPNPinEntry {
    TPNBasicPin* ConnectionPin = nullptr;   // receives the data: the sink, or a converter's input
    TPNBasicPin* RealPin = nullptr;         // the sink that was linked
    TPNBasicPin* NotifyAfterPin = nullptr;  // to be notified after this sink, or null
    TGUID ConnectedID;                      // stream type of the link, null when none
    TPNSubmitFunction SubmitFunction;
    std::int32_t ModificationLevel = 0;  // delivery score that orders the fan-out
    // The converter ConnectionPin belongs to, kept alive with the link.
    std::shared_ptr<IPNFormatConverter> Converter;
    // The sink's number for this link (TPNBasicPin::LinkNumber): an unlink
    // that gave up the link lock on its way removes only the link it set out
    // to remove, not a newer one between the same two pins.
    std::uint64_t Link = 0;
};

// What a delivery needs of one link.
struct TPNFanOutEntry {
    TPNBasicPin* ConnectionPin = nullptr;
    TPNBasicPin* RealPin = nullptr;
    TGUID ConnectedID;
    // Empty for a link without a handler, and for a converter input that an
    // earlier link of the list already serves.
    TPNSubmitFunction SubmitFunction;
    std::shared_ptr<IPNFormatConverter> Converter;
};
using TPNFanOut = std::vector<TPNFanOutEntry>;

// A source pin's links (and a placeholder's), read and changed under the
// owner pin's lock. An entry's RealPin and NotifyAfterPin change only
// through the list, which counts the entries of each linked pin and of each
// notify-after pin, so that a pin's links are found without a walk through
// all of them. Every change drops the fan-out list made from the entries.
//
// A notify-after pin named by an entry is held (TPNBasicPin::HoldPin) for
// as long as the entry names it: a placeholder stays while any entry names
// it. Whoever takes entries out, or makes them name another pin, lets go of
// the pins they named (TPNBasicPin::ReleasePin) once it holds no pin lock.
class TPNPinEntryList {
public:
    TPNPinEntryList() = default;
    TPNPinEntryList(const TPNPinEntryList&) = delete;
    TPNPinEntryList& operator=(const TPNPinEntryList&) = delete;

    TPNPinEntry& Add(TPNPinEntry entry);
    // Removes entry `index` and returns it.
    TPNPinEntry Take(std::size_t index);
    // Removes every entry whose RealPin is `pin` and returns them in order.
    std::vector<TPNPinEntry> TakeLinksTo(const TPNBasicPin* pin);
    std::vector<TPNPinEntry> TakeAll();
    // Every entry that names `old` as its notify-after pin names `now`
    // instead (null: none); returns how many did.
    std::size_t ReplaceAfterPin(const TPNBasicPin* old, TPNBasicPin* now);
    // Entry `index` names `after`; returns the pin it named before.
    TPNBasicPin* SetAfterPin(std::size_t index, TPNBasicPin* after);
    // Every entry linked to `old` is linked to `now`, receiving pin included.
    void ReplaceLinkedPin(const TPNBasicPin* old, TPNBasicPin* now);
    // Moves entry `from` to `to`; the entries between move up or down by one.
    void Move(std::size_t from, std::size_t to);

    std::size_t Count() const { return items_.size(); }
    const TPNPinEntry& operator[](std::size_t index) const { return items_.at(index); }
    const std::vector<TPNPinEntry>& items() const { return items_; }
    // How many entries have `pin` as RealPin, and as NotifyAfterPin.
    std::size_t LinksTo(const TPNBasicPin* pin) const { return countOf(links_, pin); }
    std::size_t AfterPinUses(const TPNBasicPin* pin) const { return countOf(afterPins_, pin); }
    bool HasFollowers() const { return hasFollowers_; }
    // The first entry whose RealPin is `pin` (the index of it), or none.
    // A pin with one entry is found from the end, where links are made and
    // taken off.
    std::optional<std::size_t> IndexOf(const TPNBasicPin* pin) const;
    // The same, looking first at `hint` (where the entry was seen before).
    std::optional<std::size_t> IndexOf(const TPNBasicPin* pin, std::size_t hint) const;
    const TPNPinEntry* GetItemByPin(const TPNBasicPin* pin) const;
    // Entry `index`, for the link's type and handler only.
    TPNPinEntry& TypeAndHandlerOf(std::size_t index) {
        changed();
        return items_.at(index);
    }
    // The indices of the entries of `pin`, in order.
    std::vector<std::size_t> IndicesOf(const TPNBasicPin* pin) const;

    // The links in their order, made once and shared by every delivery until
    // they change: a delivery copies no handler, and a list it took stays
    // alive with its handlers and converters while the links change under it.
    const std::shared_ptr<const TPNFanOut>& FanOut();
    // The fan-out list of entries `indices` alone, by the same rules.
    std::shared_ptr<const TPNFanOut> FanOutOf(const std::vector<std::size_t>& indices) const;
    // For the delivery scores and their order, which leave the fan-out list
    // as it is; whoever changes the order through it calls OrderChanged(),
    // and whoever has looked at every level says whether any is positive.
    std::vector<TPNPinEntry>& ScoresAndOrder() {
        if (levelsQuiet_) levelsQuiet_ = false;  // no store on every delivery
        return items_;
    }
    void OrderChanged() {
        changed();
        followersSettled_ = false;
    }
    void SetLevelsQuiet(bool quiet) {
        if (levelsQuiet_ != quiet) levelsQuiet_ = quiet;
    }
    // No entry has a positive level (known since the last look at all).
    bool LevelsQuiet() const { return levelsQuiet_; }
    // The last pass that puts notify-after pins first moved none, and no
    // entry was added, moved or named another notify-after pin since.
    void SetFollowersSettled(bool settled) { followersSettled_ = settled; }
    bool FollowersSettled() const { return followersSettled_; }
    // Whether `fanOut` is the list FanOut() gives: its link i is entry i.
    bool Shares(const TPNFanOut& fanOut) const { return fanOut_.get() == &fanOut; }

private:
    using Counts = std::unordered_map<const TPNBasicPin*, std::size_t>;
    static std::size_t countOf(const Counts& counts, const TPNBasicPin* pin) {
        const auto it = counts.find(pin);
        return it == counts.end() ? 0 : it->second;
    }
    static void count(Counts& counts, const TPNBasicPin* pin, bool add);
    void countAfterPin(const TPNBasicPin* pin, bool add) {
        count(afterPins_, pin, add);
        hasFollowers_ = !afterPins_.empty();
    }
    void forget(const TPNPinEntry& e);
    // Link `index` as a delivery takes it; without a handler when it goes
    // to a converter's input that an earlier link already serves.
    TPNFanOutEntry fanOutEntry(std::size_t index) const;
    void changed() { fanOut_.reset(); }

    // What every delivery looks at first, together.
    std::vector<TPNPinEntry> items_;
    std::shared_ptr<const TPNFanOut> fanOut_;
    bool levelsQuiet_ = true;
    bool followersSettled_ = false;
    bool hasFollowers_ = false;
    Counts links_;      // entries per RealPin
    Counts afterPins_;  // entries per NotifyAfterPin (none for null)
};

// The pins of one stream chain, collected during negotiation.
using TPNObjectList = std::vector<TPNObject*>;
using IPNObjectList = std::shared_ptr<TPNObjectList>;
using TPNObjectListList = std::vector<IPNObjectList>;

using TPNFormatConverterList = std::vector<std::shared_ptr<IPNFormatConverter>>;

// Input pins a source pin depends on, read and changed under the source
// pin's lock.
class TPNSinkPinList {
public:
    explicit TPNSinkPinList(TPNSourcePin& owner) : FOwner(owner) {}
    virtual ~TPNSinkPinList() = default;
    std::size_t Count() const;
    TPNPin* Items(std::size_t index) const;
    bool Contains(const TPNBasicPin& pin) const;
    std::vector<TPNPin*> Snapshot() const;  // a copy, for walks that call into the pins
    virtual void Add(TPNPin* pin);          // null is ignored
    virtual void Remove(TPNPin& pin);

protected:
    TPNSourcePin& FOwner;
    std::vector<TPNPin*> FList;
};

// Inputs that the owner's data is computed from: the loop checks follow them.
class TPNFunctionSinkPinList : public TPNSinkPinList {
public:
    using TPNSinkPinList::TPNSinkPinList;
    void Add(TPNPin* pin) override;
    void Remove(TPNPin& pin) override;
};

// Inputs that the owner's stream type follows: the negotiation of the
// owner's links walks on through them to the links in front of them.
class TPNDataTypeSinkPinList : public TPNSinkPinList {
public:
    using TPNSinkPinList::TPNSinkPinList;
    void Add(TPNPin* pin) override;
    void Remove(TPNPin& pin) override;
};

}  // namespace oculon::pins
