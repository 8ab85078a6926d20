#include "db/KeyIndex.h"

#include "db/Convert.h"

#include <cmath>

namespace sollist::db {

TValue KeyForm(const TValue& value, TFieldType type) {
    if (std::holds_alternative<std::monostate>(value))
        return value;
    if (type == TFieldType::ftString || type == TFieldType::ftMemo || type == TFieldType::ftBlob ||
        type == TFieldType::ftBytes)
        return ValueToString(value);
    if (auto* integer = std::get_if<std::int64_t>(&value))
        return *integer;
    double number = ValueToFloat(value);
    if (number == std::floor(number) && std::fabs(number) < 9e15)
        return static_cast<std::int64_t>(number);
    return number;
}

std::size_t TKeyIndex::KeyHash::operator()(const Key& key) const {
    std::size_t hash = key.size();
    for (const TValue& value : key)
        hash ^= std::hash<TValue>{}(value) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    return hash;
}

int TKeyIndex::Find(const Key& key) const {
    auto found = firstRow_.find(key);
    return found == firstRow_.end() ? -1 : found->second;
}

} // namespace sollist::db
