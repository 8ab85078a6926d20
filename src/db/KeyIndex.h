#pragma once
// The first row from the top per key of a set of fields: a search over all rows is one look-up.
// Built when a search first needs it; rows appended later are learnt.
#include "db/Value.h"

#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sollist::db {

// Search form of a value: text for text fields, else a number (integral numbers as integers),
// so that 5, 5.0 and "5" find the same row of a numeric field. Raises EConvertError for text
// that is no number.
TValue KeyForm(const TValue& value, TFieldType type);

class TKeyIndex {
public:
    using Key = std::vector<TValue>; // search forms, one per field

    explicit TKeyIndex(std::vector<int> fields) : fields_(std::move(fields)) {}
    const std::vector<int>& Fields() const { return fields_; }
    // Rows are learnt from the top: a key keeps the first row that had it.
    void Learn(Key key, int row) { firstRow_.emplace(std::move(key), row); }
    int Find(const Key& key) const; // -1 when no row has the key

private:
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    std::vector<int> fields_;
    std::unordered_map<Key, int, KeyHash> firstRow_;
};

} // namespace sollist::db
