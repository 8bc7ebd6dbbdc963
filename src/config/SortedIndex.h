#pragma once
// A sorted list of text keys, each carrying a shared entry: the index lists
// of the settings object. Keys compare byte by byte and case-sensitively, so
// numbers sort as text ("0", "1", "10", "2"). Not synchronised: the owner
// guards it.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace oculon::config {

template <typename T>
class SortedIndex {
public:
    using Entry = std::shared_ptr<const T>;
    using Item = std::pair<std::string, Entry>;

    // Duplicates allowed: the new item goes before its equal keys, so find()
    // yields the one added last. Returns its position.
    std::size_t insert(std::string key, Entry entry) {
        auto it = lowerBound(key);
        const auto pos = static_cast<std::size_t>(it - items_.begin());
        items_.emplace(it, std::move(key), std::move(entry));
        return pos;
    }

    // Duplicates rejected: nullopt and nothing stored when the key is there.
    std::optional<std::size_t> insertUnique(std::string key, Entry entry) {
        if (indexOf(key)) return std::nullopt;
        return insert(std::move(key), std::move(entry));
    }

    std::optional<std::size_t> indexOf(const std::string& key) const {
        auto it = lowerBound(key);
        if (it == items_.end() || it->first != key) return std::nullopt;
        return static_cast<std::size_t>(it - items_.begin());
    }

    Entry find(const std::string& key) const {
        const auto pos = indexOf(key);
        return pos ? items_[*pos].second : nullptr;
    }

    // Removes the first item that carries this very entry.
    bool removeEntry(const T* entry) {
        auto it = std::find_if(items_.begin(), items_.end(),
                               [entry](const Item& item) { return item.second.get() == entry; });
        if (it == items_.end()) return false;
        items_.erase(it);
        return true;
    }

    bool removeKey(const std::string& key) {
        const auto pos = indexOf(key);
        if (!pos) return false;
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*pos));
        return true;
    }

    std::size_t size() const { return items_.size(); }
    const Item& at(std::size_t pos) const { return items_.at(pos); }
    const std::vector<Item>& items() const { return items_; }

private:
    typename std::vector<Item>::const_iterator lowerBound(const std::string& key) const {
        return std::lower_bound(items_.begin(), items_.end(), key,
                                [](const Item& item, const std::string& k) { return item.first < k; });
    }

    std::vector<Item> items_;
};

}  // namespace oculon::config
