#pragma once
// Actual hours per reporting activity, kept sorted by key without regard to case so that
// readers walking it by position see ascending key order.
#include <string>
#include <string_view>
#include <vector>

namespace sollist::ist {

// Actual hours of one reporting activity.
class TRmInfo {
public:
    std::string KoNumm; // cost centre of the activity when it was first met
    double Sum = 0;     // weighted hours
};

// Compares two texts without regard to the case of ASCII and Latin-1 letters (UTF-8);
// <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

class TRmTatList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Key(int index) const { return entries_[index].Key; }
    TRmInfo& Value(int index) { return entries_[index].Info; }
    const TRmInfo& Value(int index) const { return entries_[index].Info; }

    // Binary search. Found: true and the entry's position; else false and the position
    // where the key belongs.
    bool Find(std::string_view key, int& index) const;
    // Inserts at the position Find gave; the key keeps the spelling given here.
    TRmInfo& Insert(int index, std::string key, TRmInfo info);
    // Adds hours to the key's entry; a key not yet in the list is inserted with this cost
    // centre, so an entry keeps the spelling and cost centre it was first added with. Returns
    // the entry's key as spelled.
    const std::string& Add(const std::string& key, const std::string& koNumm, double hours);
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        std::string Key;
        TRmInfo Info;
    };
    std::vector<Entry> entries_;
};

} // namespace sollist::ist
