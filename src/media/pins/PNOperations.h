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
    // The list's own key for the entry while it holds it.
    std::uint32_t Key = 0;
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
// owner pin's lock, which keeps other threads out also while one reads: a
// reading call may tidy the list up. An entry's RealPin and NotifyAfterPin
// change only through the list, which keeps the entries of each linked pin
// and of each notify-after pin, so that a pin's links are found without a
// walk through all of them. Every change drops the fan-out list made from
// the entries.
//
// Slots. An entry taken out leaves a gap, closed up once gaps fill half the
// list or when the entries are asked for by rank (At, Last, items(), the
// fan-out, ScoresAndOrder): taking entries out one by one walks no list.
// IndexOf and its kin answer slots, good for operator[], Take, SetAfterPin,
// Move and TypeAndHandlerOf until the list closes up or changes its order.
//
// The notify-after pass (PNAfterPinsFirst). The list knows when a pass
// would move nothing (settled: every entry's notify-after pin is linked
// only in front of it), also through the changes that cannot alter that:
// an entry appended whose sink no entry names, entries taken out,
// notify-after pins cleared. A pass asked for while nothing is delivered
// (DeferPass) runs only once someone looks at the order of the entries it
// covers, and not at all when the order is replaced as a whole first
// (OrderByPlaces); entries appended meanwhile stand behind it.
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
    // Removes the entry in `slot` and returns it.
    TPNPinEntry Take(std::size_t slot);
    // Removes every entry whose RealPin is `pin` and returns them in order.
    std::vector<TPNPinEntry> TakeLinksTo(const TPNBasicPin* pin);
    std::vector<TPNPinEntry> TakeAll();
    // Every entry that names `old` as its notify-after pin names `now`
    // instead (null: none); returns how many did.
    std::size_t ReplaceAfterPin(const TPNBasicPin* old, TPNBasicPin* now);
    // The entry in `slot` names `after`; returns the pin it named before.
    TPNBasicPin* SetAfterPin(std::size_t slot, TPNBasicPin* after);
    // Every entry linked to `old` is linked to `now`, receiving pin included.
    void ReplaceLinkedPin(const TPNBasicPin* old, TPNBasicPin* now);
    // Moves the entry in slot `from` to slot `to`; those between move by one.
    void Move(std::size_t from, std::size_t to);

    std::size_t Count() const { return items_.size() - gaps_; }
    // The entry of rank `index`, and the last entry.
    const TPNPinEntry& At(std::size_t index) const;
    const TPNPinEntry& Last() const;
    // The entry in `slot`.
    const TPNPinEntry& operator[](std::size_t slot) const { return items_.at(slot); }
    // Every entry, in order.
    const std::vector<TPNPinEntry>& items() const;
    // How many entries have `pin` as RealPin, and as NotifyAfterPin.
    std::size_t LinksTo(const TPNBasicPin* pin) const { return keysOf(links_, pin).size(); }
    std::size_t AfterPinUses(const TPNBasicPin* pin) const { return keysOf(afters_, pin).size(); }
    bool HasFollowers() const { return !afters_.empty(); }
    // The slot of the first entry whose RealPin is `pin`, or none.
    std::optional<std::size_t> IndexOf(const TPNBasicPin* pin) const;
    // The slot of the last entry of `pin` with link number `link` (0: any).
    std::optional<std::size_t> LastIndexOf(const TPNBasicPin* pin, std::uint64_t link) const;
    // The slots of the entries of `pin`, in order.
    std::vector<std::size_t> IndicesOf(const TPNBasicPin* pin) const;
    const TPNPinEntry* GetItemByPin(const TPNBasicPin* pin) const;
    // Whether an entry of `pin` has a handler; its place is not looked at.
    bool HasHandlerFor(const TPNBasicPin* pin) const;
    // Whether `slot` holds the last entry; whether it holds an entry of `pin`.
    bool IsLast(std::size_t slot) const { return slot + 1 == items_.size(); }
    bool Holds(std::size_t slot, const TPNBasicPin* pin) const {
        return slot < items_.size() && items_[slot].Key != kNoKey && items_[slot].RealPin == pin;
    }
    // The entry in `slot`, for the link's type and handler only.
    TPNPinEntry& TypeAndHandlerOf(std::size_t slot) {
        changed();
        return items_.at(slot);
    }

    // The links in their order, made once and shared by every delivery until
    // they change: a delivery copies no handler, and a list it took stays
    // alive with its handlers and converters while the links change under it.
    const std::shared_ptr<const TPNFanOut>& FanOut();
    // The fan-out list of the entries in `slots` alone, by the same rules.
    std::shared_ptr<const TPNFanOut> FanOutOf(const std::vector<std::size_t>& slots) const;
    // For the delivery scores and their order, which leave the fan-out list
    // as it is; whoever changes the order through it calls OrderChanged(),
    // and whoever has looked at every level says whether any is positive.
    std::vector<TPNPinEntry>& ScoresAndOrder();
    // The entry in `slot`, for its score.
    TPNPinEntry& ScoreOf(std::size_t slot) {
        levelsQuiet_ = false;
        return items_.at(slot);
    }
    void OrderChanged();
    void SetLevelsQuiet(bool quiet) {
        if (levelsQuiet_ != quiet) levelsQuiet_ = quiet;
    }
    // No entry has a positive level (known since the last look at all).
    bool LevelsQuiet() const { return levelsQuiet_; }
    // A notify-after pass would move nothing (false also when not known).
    bool Settled() const { return settled_; }
    // A pass now, after those deferred; whether it moved anything.
    bool RunPass();
    // A pass, run when the order is next looked at; drops the fan-out list.
    void DeferPass();
    // The entries in the order of their RealPin's place in `places` (those
    // without one last), equals keeping their order.
    void OrderByPlaces(const std::unordered_map<const TPNBasicPin*, std::size_t>& places);
    // Whether `fanOut` is the list FanOut() gives: its link i is the entry in slot i.
    bool Shares(const TPNFanOut& fanOut) const { return fanOut_.get() == &fanOut; }

private:
    static constexpr std::uint32_t kNoKey = 0xffffffffu;
    // The list's keys of the entries of one pin: most pins have one.
    class Keys {
    public:
        std::size_t size() const { return one_ == kNoKey ? 0 : 1 + more_.size(); }
        void add(std::uint32_t key);
        void remove(std::uint32_t key);
        template <typename Fn>
        void forEach(Fn fn) const {
            if (one_ == kNoKey) return;
            fn(one_);
            for (const std::uint32_t k : more_) fn(k);
        }
        // Scratch for the notify-after pass: the pin's number in it.
        mutable std::int32_t number = 0;
        mutable std::uint64_t numberedIn = 0;

    private:
        std::uint32_t one_ = kNoKey;
        std::vector<std::uint32_t> more_;
    };
    using KeysByPin = std::unordered_map<const TPNBasicPin*, Keys>;
    static const Keys& keysOf(const KeysByPin& byPin, const TPNBasicPin* pin);

    std::uint32_t newKey(std::size_t slot);
    void forget(const TPNPinEntry& e);
    // Takes the entry in `slot` out, leaving a gap; trailing gaps go at once.
    TPNPinEntry takeOut(std::size_t slot);
    void closeUpIfHalfGaps() const {
        if (gaps_ * 2 > items_.size()) closeUp();
    }
    void closeUp() const;
    // The slots of the entries from `first` on, after they moved.
    void renumber(std::size_t first = 0) const;
    // Runs the passes deferred so far.
    void settle() const;
    // Runs them when they could move an entry of `keys`: the entries
    // behind all that the deferred passes cover stay where they are.
    void settleFor(const Keys& keys) const;
    // A pass over the first `count` entries; whether it moved anything.
    bool runPass(std::size_t count) const;
    std::vector<std::size_t> slotsOf(const Keys& keys) const;
    // Link `slot` as a delivery takes it; without a handler when it goes
    // to a converter's input that an earlier link already serves.
    TPNFanOutEntry fanOutEntry(std::size_t slot) const;
    void changed() const { fanOut_.reset(); }

    // What every delivery looks at first, together. Reading calls close up
    // gaps and run deferred passes, hence mutable.
    mutable std::vector<TPNPinEntry> items_;
    mutable std::shared_ptr<const TPNFanOut> fanOut_;
    bool levelsQuiet_ = true;
    mutable bool settled_ = true;
    // The passes asked for and not yet run: each covers the entries there
    // were then, the first ones (entries added since stand behind them).
    mutable std::vector<std::size_t> deferred_;
    mutable std::size_t gaps_ = 0;
    mutable std::uint64_t passes_ = 0;           // numbers the passes, for Keys::numberedIn
    mutable std::vector<std::uint32_t> slotOf_;  // by key
    std::vector<std::uint32_t> freeKeys_;
    KeysByPin links_;   // by RealPin
    KeysByPin afters_;  // by NotifyAfterPin (none for null)
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
