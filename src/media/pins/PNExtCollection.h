#pragma once
// An ordered collection of settings items whose items announce their
// creation and removal to listeners; the base of the library's settings
// collections. Items belong to the collection.

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "media/pins/PNComponent.h"
#include "media/pins/PNPublished.h"

namespace oculon::pins {

// Something with an owner, as settings objects, collections and items are.
class TPersistent : public TPNPublisher {
public:
    virtual ~TPersistent() = default;
    virtual TPersistent* GetOwner() const { return nullptr; }

    // ---- Published properties and streaming (PNPublished.h).
    virtual void GetPropInfos(TPropList& props) {}
    TPropList PropList();  // sorted by name
    // Defined properties beyond the published ones.
    virtual void DefineProperties(platform::TFiler& filer) {}
    // Throws std::invalid_argument unless a descendant knows `source`'s class.
    virtual void Assign(TPersistent& source);
};

class TPNExtCollection;

class TPNExtCollectionItem : public TPersistent {
public:
    explicit TPNExtCollectionItem(TPNExtCollection& collection) : collection_(collection) {}
    ~TPNExtCollectionItem() override;
    TPNExtCollection& Collection() const { return collection_; }
    TPersistent* GetOwner() const override;

    // A property editor showing this item points this at its own variable;
    // the item's destruction writes null through it.
    TPNExtCollectionItem** CurrentEditorPtr = nullptr;

private:
    TPNExtCollection& collection_;
};

class IPNCollectionNotifier {
public:
    virtual ~IPNCollectionNotifier() = default;
    virtual void ItemCreated(TPNExtCollection& collection, TPNExtCollectionItem& item) = 0;
    virtual void ItemDestroyed(TPNExtCollection& collection, TPNExtCollectionItem& item) = 0;
};

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TPNExtCollection : public TPersistent {
public:
    explicit TPNExtCollection(TPersistent* owner) : owner_(owner) {}
    ~TPNExtCollection() override;
    TPNExtCollection(const TPNExtCollection&) = delete;
    TPNExtCollection& operator=(const TPNExtCollection&) = delete;

    TPersistent* GetOwner() const override { return owner_; }

    // Makes an item of class T (constructed from the collection and `args`)
    // and appends it.
    template <typename T, typename... Args>
    T& Add(Args&&... args) {
        static_assert(std::is_base_of_v<TPNExtCollectionItem, T>);
        auto item = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& ref = *item;
        items_.push_back(std::move(item));
        Notify(ref, TCollectionNotification::cnAdded);
        return ref;
    }
    void Delete(std::size_t index);
    std::unique_ptr<TPNExtCollectionItem> Extract(std::size_t index);
    void Clear();
    std::size_t Count() const { return items_.size(); }
    TPNExtCollectionItem& Items(std::size_t index) const { return *items_.at(index); }

    void AddNotifier(std::shared_ptr<IPNCollectionNotifier> notifier) { notifiers_.push_back(std::move(notifier)); }

    // An item of the collection's class, not yet added (null: the
    // collection cannot make items by itself), and the adding of one.
    virtual std::unique_ptr<TPNExtCollectionItem> NewItem() { return nullptr; }
    void AddItem(std::unique_ptr<TPNExtCollectionItem> item);

    // -1 after every change: an editor's cached count is stale.
    int LastIndicatedCount = 0;

protected:
    virtual void Notify(TPNExtCollectionItem& item, TCollectionNotification action);
    virtual void NewItemCreated(TPNExtCollectionItem& item) {}
    virtual void AfterNewItemCreated(TPNExtCollectionItem& item);
    virtual void AfterNewItemDestroyed(TPNExtCollectionItem& item);

private:
    TPersistent* owner_;
    std::vector<std::unique_ptr<TPNExtCollectionItem>> items_;
    std::vector<std::shared_ptr<IPNCollectionNotifier>> notifiers_;
};

}  // namespace oculon::pins
