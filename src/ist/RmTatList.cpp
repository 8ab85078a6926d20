#include "ist/RmTatList.h"

#include <cstdint>

namespace sollist::ist {

namespace {

// Next character of a UTF-8 text, folded to lower case for ASCII and the Latin-1 letters
// (U+00C0..U+00DE except U+00D7); other bytes pass through unchanged.
std::uint32_t NextFolded(std::string_view text, std::size_t& pos) {
    auto byte = static_cast<unsigned char>(text[pos++]);
    if (byte >= 'A' && byte <= 'Z') return byte + 0x20;
    if (byte == 0xC3 && pos < text.size()) {
        auto next = static_cast<unsigned char>(text[pos]);
        if (next >= 0x80 && next <= 0xBF) {
            ++pos;
            std::uint32_t codePoint = 0xC0 + (next - 0x80);
            if (codePoint <= 0xDE && codePoint != 0xD7) codePoint += 0x20;
            return codePoint;
        }
    }
    // Other bytes compare as themselves, above the folded Latin-1 range of lead byte 0xC3.
    return byte >= 0x80 ? 0x100 + byte : byte;
}

} // namespace

int CompareText(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::uint32_t ca = NextFolded(a, i);
        std::uint32_t cb = NextFolded(b, j);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
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
        if (cmp < 0) low = mid + 1;
        else high = mid - 1;
    }
    index = low;
    return false;
}

TRmInfo& TRmTatList::Insert(int index, std::string key, TRmInfo info) {
    auto it = entries_.insert(entries_.begin() + index, Entry{std::move(key), std::move(info)});
    return it->Info;
}

} // namespace sollist::ist
