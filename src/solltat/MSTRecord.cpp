#include "solltat/MSTRecord.h"

#include <functional>

namespace sollist::solltat {

std::size_t TMSTRecordList::KeyHash::operator()(const Key& k) const {
    std::size_t h = std::hash<std::string>{}(k.SollPos);
    h = h * 31 + std::hash<std::int32_t>{}(k.Element);
    return h * 31 + std::hash<std::string>{}(k.Taetigkeit);
}

TMSTRecord& TMSTRecordList::Add(std::unique_ptr<TMSTRecord> record) {
    index_.try_emplace(Key{record->SollPos, record->Element, record->Taetigkeit}, records_.size());
    records_.push_back(std::move(record));
    return *records_.back();
}

TMSTRecord* TMSTRecordList::Find(const std::string& SollPos, std::int32_t Element,
                                 const std::string& Taetigkeit) const {
    auto it = index_.find(Key{SollPos, Element, Taetigkeit});
    return it == index_.end() ? nullptr : records_[it->second].get();
}

void TMSTRecordList::Clear() {
    index_.clear();
    records_.clear();
}

} // namespace sollist::solltat
