#include "media/pins/PNExtCollection.h"

#include <stdexcept>
#include <string>
#include <typeinfo>

namespace oculon::pins {

TPersistent* TPNExtCollectionItem::GetOwner() const { return &collection_; }

TPNExtCollectionItem::~TPNExtCollectionItem() {
    if (CurrentEditorPtr) *CurrentEditorPtr = nullptr;
}

TPropList TPersistent::PropList() {
    TPropList props;
    GetPropInfos(props);
    return PNSortedProps(std::move(props));
}

void TPersistent::Assign(TPersistent& source) {
    throw std::invalid_argument(std::string("Cannot assign a ") + typeid(source).name() + " to a " +
                                typeid(*this).name());
}

void TPNExtCollection::AddItem(std::unique_ptr<TPNExtCollectionItem> item) {
    if (!item) return;
    TPNExtCollectionItem& ref = *item;
    items_.push_back(std::move(item));
    Notify(ref, TCollectionNotification::cnAdded);
}

TPNExtCollection::~TPNExtCollection() {
    // Items go without announcements: the listeners watch a collection that is going too.
    items_.clear();
}

void TPNExtCollection::Delete(std::size_t index) {
    Notify(*items_.at(index), TCollectionNotification::cnDeleting);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::unique_ptr<TPNExtCollectionItem> TPNExtCollection::Extract(std::size_t index) {
    Notify(*items_.at(index), TCollectionNotification::cnExtracting);
    auto item = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    return item;
}

void TPNExtCollection::Clear() {
    while (!items_.empty()) Delete(items_.size() - 1);
}

void TPNExtCollection::Notify(TPNExtCollectionItem& item, TCollectionNotification action) {
    if (action == TCollectionNotification::cnAdded) {
        NewItemCreated(item);
        AfterNewItemCreated(item);
    } else {
        AfterNewItemDestroyed(item);
    }
    LastIndicatedCount = -1;
}

void TPNExtCollection::AfterNewItemCreated(TPNExtCollectionItem& item) {
    for (const auto& n : notifiers_) n->ItemCreated(*this, item);
}

void TPNExtCollection::AfterNewItemDestroyed(TPNExtCollectionItem& item) {
    for (const auto& n : notifiers_) n->ItemDestroyed(*this, item);
}

}  // namespace oculon::pins
