#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace sollist::formula {

// Hash index over an append-only list of owned items that keeps first-match semantics: an
// item is indexed under its key the first time a search runs after it was appended, and a
// later item with an equal key never replaces it. The key of an item must not change once
// the item is in the list. A list that shrank (emptied) is indexed anew.
template <class Item, class Key, class KeyOf, class Hash = std::hash<Key>>
class TFirstMatchIndex {
public:
    Item* Find(const std::vector<std::unique_ptr<Item>>& list, const Key& key) const {
        if (list.size() < indexed_)
            Reset();
        for (; indexed_ < list.size(); ++indexed_) positions_.try_emplace(KeyOf{}(*list[indexed_]), indexed_);
        auto it = positions_.find(key);
        return it == positions_.end() ? nullptr : list[it->second].get();
    }
    void Reset() const {
        positions_.clear();
        indexed_ = 0;
    }

private:
    mutable std::unordered_map<Key, std::size_t, Hash> positions_;
    mutable std::size_t indexed_ = 0;
};

} // namespace sollist::formula
