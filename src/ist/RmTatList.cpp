#include "ist/RmTatList.h"

#include "common/Text.h"

#include <cstdint>

namespace sollist::ist {

namespace {

// Next character of a UTF-8 text as a sort value: ASCII and the Latin-1 letters
// (U+00C0..U+00DE except U+00D7) folded to lower case, the rest of U+00C0..U+00FF as
// themselves, any other character and a malformed byte above all of them.
std::uint32_t NextFolded(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    const char32_t cp = text::NextCodePoint(text, pos);
    if (cp >= 'A' && cp <= 'Z')
        return cp + 0x20;
    if (cp < 0x80)
        return cp;
    if (cp >= 0xC0 && cp <= 0xFF)
        return cp <= 0xDE && cp != 0xD7 ? cp + 0x20 : cp;
    // Byte by byte, as UTF-8 sorts by code point.
    pos = start + 1;
    return 0x100 + static_cast<unsigned char>(text[start]);
}

} // namespace

int CompareText(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::uint32_t ca = NextFolded(a, i);
        std::uint32_t cb = NextFolded(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool TRmTatList::Find(std::string_view key, int& index) const {
    int low = 0, high = Count() - 1;
    while (low <= high) {
        int mid = low + (high - low) / 2;
        int cmp = CompareText(entries_[mid].Key, key);
        if (cmp == 0) {
            index = mid;
            return true;
        }
        if (cmp < 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    index = low;
    return false;
}

TRmInfo& TRmTatList::Insert(int index, std::string key, TRmInfo info) {
    auto it = entries_.insert(entries_.begin() + index, Entry{std::move(key), std::move(info)});
    return it->Info;
}

const std::string& TRmTatList::Add(const std::string& key, const std::string& koNumm, double hours) {
    int index = 0;
    if (Find(key, index))
        Value(index).Sum += hours;
    else
        Insert(index, key, TRmInfo{koNumm, hours});
    return Key(index);
}

} // namespace sollist::ist
