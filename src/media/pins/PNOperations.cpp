#include "media/pins/PNOperations.h"

#include <algorithm>
#include <utility>

#include "media/pins/PNPins.h"

namespace oculon::pins {

namespace {
std::atomic<std::uint64_t> operationCounter{0};
}

TPNNotifyOperation::TPNNotifyOperation() : FOperationID(operationCounter.fetch_add(1) + 1) {}

const TPNPinEntry* TPNPinEntryList::GetItemByPin(const TPNBasicPin* pin) const {
    for (const auto& e : items_)
        if (e.RealPin == pin) return &e;
    return nullptr;
}

TPNPinEntry* TPNPinEntryList::GetItemByPin(const TPNBasicPin* pin) {
    changed();
    return const_cast<TPNPinEntry*>(std::as_const(*this).GetItemByPin(pin));
}

const std::shared_ptr<const TPNFanOut>& TPNPinEntryList::FanOut() {
    if (fanOut_) return fanOut_;
    auto fanOut = std::make_shared<TPNFanOut>();
    fanOut->reserve(items_.size());
    for (const TPNPinEntry& e : items_) {
        TPNFanOutEntry& f = fanOut->emplace_back();
        f.ConnectionPin = e.ConnectionPin;
        f.RealPin = e.RealPin;
        f.ConnectedID = e.ConnectedID;
        f.Converter = e.Converter;
        // A converter input reached by several links is served once, by its first entry.
        const bool servedBefore =
            e.ConnectionPin != e.RealPin && std::any_of(fanOut->begin(), fanOut->end() - 1, [&](const auto& before) {
                return before.ConnectionPin == e.ConnectionPin;
            });
        if (!servedBefore) f.SubmitFunction = e.SubmitFunction;
    }
    fanOut_ = std::move(fanOut);
    return fanOut_;
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
