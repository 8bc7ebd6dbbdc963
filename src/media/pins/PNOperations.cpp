#include "media/pins/PNOperations.h"

#include <algorithm>
#include <utility>

#include "media/pins/PNAfterPinOrder.h"
#include "media/pins/PNPins.h"

namespace oculon::pins {

namespace {
std::atomic<std::uint64_t> operationCounter{0};
}

TPNNotifyOperation::TPNNotifyOperation() : FOperationID(operationCounter.fetch_add(1) + 1) {}

// ---- TPNPinEntryList

void TPNPinEntryList::Keys::add(std::uint32_t key) {
    if (one_ == kNoKey) one_ = key;
    else more_.push_back(key);
}

void TPNPinEntryList::Keys::remove(std::uint32_t key) {
    if (one_ == key) {
        if (more_.empty()) {
            one_ = kNoKey;
            return;
        }
        one_ = more_.back();
        more_.pop_back();
        return;
    }
    if (const auto it = std::find(more_.begin(), more_.end(), key); it != more_.end()) {
        *it = more_.back();
        more_.pop_back();
    }
}

const TPNPinEntryList::Keys& TPNPinEntryList::keysOf(const KeysByPin& byPin, const TPNBasicPin* pin) {
    static const Keys none;
    const auto it = byPin.find(pin);
    return it == byPin.end() ? none : it->second;
}

namespace {
// Adds or removes `key` under `pin` (none for null); a pin without keys leaves the map.
template <typename KeysByPin>
void file(KeysByPin& byPin, const TPNBasicPin* pin, std::uint32_t key, bool add) {
    if (!pin) return;
    if (add) {
        byPin[pin].add(key);
        return;
    }
    const auto it = byPin.find(pin);
    if (it == byPin.end()) return;
    it->second.remove(key);
    if (it->second.size() == 0) byPin.erase(it);
}
}  // namespace

std::uint32_t TPNPinEntryList::newKey(std::size_t slot) {
    std::uint32_t key;
    if (freeKeys_.empty()) {
        key = static_cast<std::uint32_t>(slotOf_.size());
        slotOf_.push_back(0);
    } else {
        key = freeKeys_.back();
        freeKeys_.pop_back();
    }
    slotOf_[key] = static_cast<std::uint32_t>(slot);
    return key;
}

void TPNPinEntryList::forget(const TPNPinEntry& e) {
    file(links_, e.RealPin, e.Key, false);
    file(afters_, e.NotifyAfterPin, e.Key, false);
    freeKeys_.push_back(e.Key);
}

TPNPinEntry& TPNPinEntryList::Add(TPNPinEntry entry) {
    // Behind an entry that names its sink, a pass would pull it forward.
    if (AfterPinUses(entry.RealPin) > 0) settled_ = false;
    changed();
    entry.Key = newKey(items_.size());
    file(links_, entry.RealPin, entry.Key, true);
    file(afters_, entry.NotifyAfterPin, entry.Key, true);
    if (entry.NotifyAfterPin) entry.NotifyAfterPin->HoldPin();
    if (entry.ModificationLevel > 0) levelsQuiet_ = false;
    return items_.emplace_back(std::move(entry));
}

TPNPinEntry TPNPinEntryList::takeOut(std::size_t slot) {
    TPNPinEntry e = std::exchange(items_.at(slot), TPNPinEntry{});
    items_[slot].Key = kNoKey;
    forget(e);
    ++gaps_;
    while (!items_.empty() && items_.back().Key == kNoKey) {
        items_.pop_back();
        --gaps_;
    }
    return e;
}

TPNPinEntry TPNPinEntryList::Take(std::size_t slot) {
    settle();
    changed();
    TPNPinEntry e = takeOut(slot);
    closeUpIfHalfGaps();
    return e;
}

std::vector<TPNPinEntry> TPNPinEntryList::TakeLinksTo(const TPNBasicPin* pin) {
    std::vector<TPNPinEntry> taken;
    if (LinksTo(pin) == 0) return taken;
    settle();
    changed();
    for (const std::size_t slot : IndicesOf(pin)) taken.push_back(takeOut(slot));
    closeUpIfHalfGaps();
    return taken;
}

std::vector<TPNPinEntry> TPNPinEntryList::TakeAll() {
    items();  // in order, closed up
    changed();
    links_.clear();
    afters_.clear();
    slotOf_.clear();
    freeKeys_.clear();
    settled_ = true;
    return std::exchange(items_, {});
}

std::size_t TPNPinEntryList::ReplaceAfterPin(const TPNBasicPin* old, TPNBasicPin* now) {
    const std::size_t uses = AfterPinUses(old);
    if (uses == 0 || old == now) return 0;
    settle();
    changed();
    // Cleared, no entry can be pulled forward that was not before.
    if (now) settled_ = false;
    const Keys keys = afters_.extract(old).mapped();
    keys.forEach([&](std::uint32_t key) {
        items_[slotOf_[key]].NotifyAfterPin = now;
        file(afters_, now, key, true);
        if (now) now->HoldPin();
    });
    return uses;
}

TPNBasicPin* TPNPinEntryList::SetAfterPin(std::size_t slot, TPNBasicPin* after) {
    settle();
    changed();
    if (after) settled_ = false;
    TPNPinEntry& e = items_.at(slot);
    TPNBasicPin* old = std::exchange(e.NotifyAfterPin, after);
    file(afters_, old, e.Key, false);
    file(afters_, after, e.Key, true);
    if (after) after->HoldPin();
    return old;
}

void TPNPinEntryList::ReplaceLinkedPin(const TPNBasicPin* old, TPNBasicPin* now) {
    if (LinksTo(old) == 0 || old == now) return;
    settle();
    changed();
    settled_ = false;
    const Keys keys = links_.extract(old).mapped();
    keys.forEach([&](std::uint32_t key) {
        TPNPinEntry& e = items_[slotOf_[key]];
        e.RealPin = e.ConnectionPin = now;
        file(links_, now, key, true);
    });
}

void TPNPinEntryList::Move(std::size_t from, std::size_t to) {
    if (from == to) return;
    settle();
    const auto at = [&](std::size_t i) { return items_.begin() + static_cast<std::ptrdiff_t>(i); };
    if (from < to) std::rotate(at(from), at(from + 1), at(to + 1));
    else std::rotate(at(to), at(from), at(from + 1));
    renumber(std::min(from, to));
    changed();
    settled_ = false;
}

const TPNPinEntry& TPNPinEntryList::At(std::size_t index) const { return items().at(index); }

const TPNPinEntry& TPNPinEntryList::Last() const {
    if (!deferred_.empty() && deferred_.back() >= items_.size()) settle();
    return items_.back();
}

const std::vector<TPNPinEntry>& TPNPinEntryList::items() const {
    settle();
    if (gaps_ > 0) closeUp();
    return items_;
}

std::vector<std::size_t> TPNPinEntryList::slotsOf(const Keys& keys) const {
    std::vector<std::size_t> slots;
    slots.reserve(keys.size());
    keys.forEach([&](std::uint32_t key) { slots.push_back(slotOf_[key]); });
    std::sort(slots.begin(), slots.end());
    return slots;
}

void TPNPinEntryList::settleFor(const Keys& keys) const {
    if (deferred_.empty()) return;
    bool moves = false;
    keys.forEach([&](std::uint32_t key) { moves = moves || slotOf_[key] < deferred_.back(); });
    if (moves) settle();
}

std::optional<std::size_t> TPNPinEntryList::IndexOf(const TPNBasicPin* pin) const {
    const Keys& keys = keysOf(links_, pin);
    if (keys.size() == 0) return std::nullopt;
    settleFor(keys);
    std::size_t first = items_.size();
    keys.forEach([&](std::uint32_t key) { first = std::min<std::size_t>(first, slotOf_[key]); });
    return first;
}

std::optional<std::size_t> TPNPinEntryList::LastIndexOf(const TPNBasicPin* pin, std::uint64_t link) const {
    const Keys& keys = keysOf(links_, pin);
    settleFor(keys);
    std::optional<std::size_t> last;
    keys.forEach([&](std::uint32_t key) {
        const std::size_t slot = slotOf_[key];
        if ((link == 0 || items_[slot].Link == link) && (!last || slot > *last)) last = slot;
    });
    return last;
}

std::vector<std::size_t> TPNPinEntryList::IndicesOf(const TPNBasicPin* pin) const {
    const Keys& keys = keysOf(links_, pin);
    settleFor(keys);
    return slotsOf(keys);
}

const TPNPinEntry* TPNPinEntryList::GetItemByPin(const TPNBasicPin* pin) const {
    const Keys& keys = keysOf(links_, pin);
    if (keys.size() == 0) return nullptr;
    // A pin's only entry is the same wherever the deferred passes put it.
    if (keys.size() == 1) {
        const TPNPinEntry* e = nullptr;
        keys.forEach([&](std::uint32_t key) { e = &items_[slotOf_[key]]; });
        return e;
    }
    return &items_[*IndexOf(pin)];
}

bool TPNPinEntryList::HasHandlerFor(const TPNBasicPin* pin) const {
    bool any = false;
    keysOf(links_, pin).forEach([&](std::uint32_t key) { any = any || items_[slotOf_[key]].SubmitFunction; });
    return any;
}

void TPNPinEntryList::closeUp() const {
    std::erase_if(items_, [](const TPNPinEntry& e) { return e.Key == kNoKey; });
    gaps_ = 0;
    renumber();
}

void TPNPinEntryList::renumber(std::size_t first) const {
    for (std::size_t slot = first; slot < items_.size(); ++slot)
        if (items_[slot].Key != kNoKey) slotOf_[items_[slot].Key] = static_cast<std::uint32_t>(slot);
}

std::vector<TPNPinEntry>& TPNPinEntryList::ScoresAndOrder() {
    items();
    if (levelsQuiet_) levelsQuiet_ = false;  // no store on every delivery
    return items_;
}

void TPNPinEntryList::OrderChanged() {
    renumber();
    changed();
    settled_ = false;
}

void TPNPinEntryList::settle() const {
    if (deferred_.empty()) return;
    // A pass that moved nothing moves nothing again over the same entries.
    std::size_t still = 0;
    for (const std::size_t count : deferred_) {
        if (count == still) continue;
        still = runPass(count) ? 0 : count;
    }
    deferred_.clear();
    settled_ = still == items_.size();
}

bool TPNPinEntryList::RunPass() {
    settle();
    if (gaps_ > 0) closeUp();
    const bool moved = runPass(items_.size());
    settled_ = !moved;
    return moved;
}

void TPNPinEntryList::DeferPass() {
    if (settled_) return;
    changed();
    if (gaps_ > 0) closeUp();  // none while passes wait: each covers the first entries
    deferred_.push_back(items_.size());
    // Deferred work is never more than the passes would have cost at once;
    // a list delivered to without end still runs them now and then.
    if (deferred_.size() > Count() + 64) settle();
}

bool TPNPinEntryList::runPass(std::size_t count) const {
    // Pins numbered below the number of entries, in order of first link;
    // a pin linked only behind `count` is not linked for this pass.
    const std::uint64_t pass = ++passes_;
    std::int32_t pins = 0;
    std::vector<std::int32_t> sinks, afters;
    sinks.reserve(count);
    afters.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Keys& keys = links_.find(items_[i].RealPin)->second;
        if (keys.numberedIn != pass) {
            keys.numberedIn = pass;
            keys.number = pins++;
        }
        sinks.push_back(keys.number);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const TPNBasicPin* after = items_[i].NotifyAfterPin;
        const auto it = after ? links_.find(after) : links_.end();
        afters.push_back(it == links_.end() || it->second.numberedIn != pass ? kNoAfterPin : it->second.number);
    }
    const std::vector<std::int32_t> order = PNAfterPinsFirst(sinks, afters);
    if (order.empty()) return false;
    std::vector<TPNPinEntry> moved;
    moved.reserve(count);
    for (const std::int32_t i : order) moved.push_back(std::move(items_[static_cast<std::size_t>(i)]));
    std::move(moved.begin(), moved.end(), items_.begin());
    renumber();
    changed();
    return true;
}

void TPNPinEntryList::OrderByPlaces(const std::unordered_map<const TPNBasicPin*, std::size_t>& places) {
    // Every entry with a place of its own: the order the deferred passes
    // would leave does not matter.
    bool whole = links_.size() == Count();
    for (auto it = links_.begin(); whole && it != links_.end(); ++it) whole = places.count(it->first) > 0;
    if (whole) deferred_.clear();
    else settle();
    if (gaps_ > 0) closeUp();
    // Each entry's place and its slot, which keeps the order of equals.
    std::vector<std::pair<std::size_t, std::size_t>> keyed;
    keyed.reserve(items_.size());
    for (std::size_t slot = 0; slot < items_.size(); ++slot) {
        const auto it = places.find(items_[slot].RealPin);
        keyed.emplace_back(it == places.end() ? places.size() : it->second, slot);
    }
    if (std::is_sorted(keyed.begin(), keyed.end())) return;
    std::sort(keyed.begin(), keyed.end());
    std::vector<TPNPinEntry> moved;
    moved.reserve(keyed.size());
    for (const auto& [place, slot] : keyed) moved.push_back(std::move(items_[slot]));
    items_ = std::move(moved);
    OrderChanged();
}

TPNFanOutEntry TPNPinEntryList::fanOutEntry(std::size_t slot) const {
    const TPNPinEntry& e = items_[slot];
    TPNFanOutEntry f;
    f.ConnectionPin = e.ConnectionPin;
    f.RealPin = e.RealPin;
    f.ConnectedID = e.ConnectedID;
    f.Converter = e.Converter;
    // A converter input reached by several links is served once, by its first entry.
    const auto first = items_.begin();
    const bool servedBefore =
        e.ConnectionPin != e.RealPin && std::any_of(first, first + static_cast<std::ptrdiff_t>(slot),
                                                    [&](const auto& b) { return b.ConnectionPin == e.ConnectionPin; });
    if (!servedBefore) f.SubmitFunction = e.SubmitFunction;
    return f;
}

const std::shared_ptr<const TPNFanOut>& TPNPinEntryList::FanOut() {
    items();
    if (fanOut_) return fanOut_;
    auto fanOut = std::make_shared<TPNFanOut>();
    fanOut->reserve(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) fanOut->push_back(fanOutEntry(i));
    fanOut_ = std::move(fanOut);
    return fanOut_;
}

std::shared_ptr<const TPNFanOut> TPNPinEntryList::FanOutOf(const std::vector<std::size_t>& slots) const {
    auto fanOut = std::make_shared<TPNFanOut>();
    fanOut->reserve(slots.size());
    for (const std::size_t slot : slots) fanOut->push_back(fanOutEntry(slot));
    return fanOut;
}

std::size_t TPNSinkPinList::Count() const {
    auto l = FOwner.ReadLock();
    return FList.size();
}

TPNPin* TPNSinkPinList::Items(std::size_t index) const {
    auto l = FOwner.ReadLock();
    return FList.at(index);
}

bool TPNSinkPinList::Contains(const TPNBasicPin& pin) const {
    auto l = FOwner.ReadLock();
    return std::find(FList.begin(), FList.end(), &pin) != FList.end();
}

std::vector<TPNPin*> TPNSinkPinList::Snapshot() const {
    auto l = FOwner.ReadLock();
    return FList;
}

void TPNSinkPinList::Add(TPNPin* pin) {
    if (!pin) return;
    auto l = FOwner.WriteLock();
    FList.push_back(pin);
}

void TPNSinkPinList::Remove(TPNPin& pin) {
    auto l = FOwner.WriteLock();
    std::erase(FList, &pin);
}

void TPNFunctionSinkPinList::Add(TPNPin* pin) {
    if (!pin) return;
    auto l = FOwner.WriteLock();
    TPNSinkPinList::Add(pin);
    pin->IntAddFunctionDependance(FOwner);
}

void TPNFunctionSinkPinList::Remove(TPNPin& pin) {
    TPNSinkPinList::Remove(pin);
    pin.IntRemoveFunctionDependance(FOwner);
}

void TPNDataTypeSinkPinList::Add(TPNPin* pin) {
    if (!pin) return;
    auto l = FOwner.WriteLock();
    TPNSinkPinList::Add(pin);
    pin->IntAddDataTypeDependance(FOwner);
}

void TPNDataTypeSinkPinList::Remove(TPNPin& pin) {
    TPNSinkPinList::Remove(pin);
    pin.IntRemoveDataTypeDependance(FOwner);
}

}  // namespace oculon::pins
