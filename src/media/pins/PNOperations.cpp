#include "media/pins/PNOperations.h"

#include <algorithm>
#include <utility>

#include "media/pins/PNPins.h"

namespace oculon::pins {

namespace {
std::atomic<std::uint64_t> operationCounter{0};
}

TPNNotifyOperation::TPNNotifyOperation() : FOperationID(operationCounter.fetch_add(1) + 1) {}

void TPNPinEntryList::count(Counts& counts, const TPNBasicPin* pin, bool add) {
    if (!pin) return;
    if (add) {
        ++counts[pin];
    } else if (const auto it = counts.find(pin); it != counts.end() && --it->second == 0) {
        counts.erase(it);
    }
}

void TPNPinEntryList::forget(const TPNPinEntry& e) {
    count(links_, e.RealPin, false);
    countAfterPin(e.NotifyAfterPin, false);
}

TPNPinEntry& TPNPinEntryList::Add(TPNPinEntry entry) {
    changed();
    count(links_, entry.RealPin, true);
    countAfterPin(entry.NotifyAfterPin, true);
    if (entry.NotifyAfterPin) entry.NotifyAfterPin->HoldPin();
    if (entry.ModificationLevel > 0) levelsQuiet_ = false;
    followersSettled_ = false;
    return items_.emplace_back(std::move(entry));
}

TPNPinEntry TPNPinEntryList::Take(std::size_t index) {
    changed();
    TPNPinEntry e = std::move(items_.at(index));
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    forget(e);
    return e;
}

std::vector<TPNPinEntry> TPNPinEntryList::TakeLinksTo(const TPNBasicPin* pin) {
    std::vector<TPNPinEntry> taken;
    if (LinksTo(pin) == 0) return taken;
    changed();
    std::vector<TPNPinEntry> kept;
    for (auto& e : items_) (e.RealPin == pin ? taken : kept).push_back(std::move(e));
    items_ = std::move(kept);
    for (const auto& e : taken) forget(e);
    return taken;
}

std::vector<TPNPinEntry> TPNPinEntryList::TakeAll() {
    changed();
    links_.clear();
    afterPins_.clear();
    hasFollowers_ = false;
    return std::exchange(items_, {});
}

std::size_t TPNPinEntryList::ReplaceAfterPin(const TPNBasicPin* old, TPNBasicPin* now) {
    const std::size_t uses = AfterPinUses(old);
    if (uses == 0 || old == now) return 0;
    OrderChanged();
    for (auto& e : items_) {
        if (e.NotifyAfterPin != old) continue;
        e.NotifyAfterPin = now;
        countAfterPin(old, false);
        countAfterPin(now, true);
        if (now) now->HoldPin();
    }
    return uses;
}

TPNBasicPin* TPNPinEntryList::SetAfterPin(std::size_t index, TPNBasicPin* after) {
    OrderChanged();
    TPNPinEntry& e = items_.at(index);
    TPNBasicPin* old = std::exchange(e.NotifyAfterPin, after);
    countAfterPin(old, false);
    countAfterPin(after, true);
    if (after) after->HoldPin();
    return old;
}

void TPNPinEntryList::ReplaceLinkedPin(const TPNBasicPin* old, TPNBasicPin* now) {
    if (LinksTo(old) == 0 || old == now) return;
    OrderChanged();
    for (auto& e : items_) {
        if (e.RealPin != old) continue;
        e.RealPin = e.ConnectionPin = now;
        count(links_, old, false);
        count(links_, now, true);
    }
}

void TPNPinEntryList::Move(std::size_t from, std::size_t to) {
    if (from == to) return;
    OrderChanged();
    const auto at = [&](std::size_t i) { return items_.begin() + static_cast<std::ptrdiff_t>(i); };
    if (from < to) std::rotate(at(from), at(from + 1), at(to + 1));
    else std::rotate(at(to), at(from), at(from + 1));
}

std::optional<std::size_t> TPNPinEntryList::IndexOf(const TPNBasicPin* pin) const {
    const std::size_t links = LinksTo(pin);
    if (links == 0) return std::nullopt;
    if (links == 1) {
        for (std::size_t i = items_.size(); i-- > 0;)
            if (items_[i].RealPin == pin) return i;
    }
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].RealPin == pin) return i;
    return std::nullopt;
}

const TPNPinEntry* TPNPinEntryList::GetItemByPin(const TPNBasicPin* pin) const {
    const auto i = IndexOf(pin);
    return i ? &items_[*i] : nullptr;
}

std::optional<std::size_t> TPNPinEntryList::IndexOf(const TPNBasicPin* pin, std::size_t hint) const {
    if (hint < items_.size() && items_[hint].RealPin == pin && LinksTo(pin) == 1) return hint;
    return IndexOf(pin);
}

std::vector<std::size_t> TPNPinEntryList::IndicesOf(const TPNBasicPin* pin) const {
    std::vector<std::size_t> at;
    // From the end, where links are made and taken off, until all are found.
    for (std::size_t i = items_.size(), left = LinksTo(pin); left > 0 && i-- > 0;) {
        if (items_[i].RealPin != pin) continue;
        at.push_back(i);
        --left;
    }
    std::reverse(at.begin(), at.end());
    return at;
}

TPNFanOutEntry TPNPinEntryList::fanOutEntry(std::size_t index) const {
    const TPNPinEntry& e = items_[index];
    TPNFanOutEntry f;
    f.ConnectionPin = e.ConnectionPin;
    f.RealPin = e.RealPin;
    f.ConnectedID = e.ConnectedID;
    f.Converter = e.Converter;
    // A converter input reached by several links is served once, by its first entry.
    const auto first = items_.begin();
    const bool servedBefore =
        e.ConnectionPin != e.RealPin && std::any_of(first, first + static_cast<std::ptrdiff_t>(index),
                                                    [&](const auto& b) { return b.ConnectionPin == e.ConnectionPin; });
    if (!servedBefore) f.SubmitFunction = e.SubmitFunction;
    return f;
}

const std::shared_ptr<const TPNFanOut>& TPNPinEntryList::FanOut() {
    if (fanOut_) return fanOut_;
    auto fanOut = std::make_shared<TPNFanOut>();
    fanOut->reserve(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) fanOut->push_back(fanOutEntry(i));
    fanOut_ = std::move(fanOut);
    return fanOut_;
}

std::shared_ptr<const TPNFanOut> TPNPinEntryList::FanOutOf(const std::vector<std::size_t>& indices) const {
    auto fanOut = std::make_shared<TPNFanOut>();
    fanOut->reserve(indices.size());
    for (const std::size_t i : indices) fanOut->push_back(fanOutEntry(i));
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
