// The value-table rule of TABG and TABK: whole numbers separated by ";", meant ascending.
// TABG rounds a value up to a table entry, TABK rounds it down; there is no interpolation.
#include "formula/BaseFormel.h"

#include <array>
#include <cstdint>
#include <string>

namespace sollist::formula {
namespace {

std::int32_t EntryValue(std::string_view entry) {
    for (char c : entry)
        if (c < '0' || c > '9')
            throw EParseErr("Fehlerhafte Tabelleneinträge");
    std::int64_t value = 0;
    for (char c : entry) {
        value = value * 10 + (c - '0');
        if (value > INT32_MAX)
            throw EConvertError("Tabelleneintrag " + std::string(entry) +
                                " liegt außerhalb des 32-Bit-Ganzzahlbereichs");
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

double LookupValueTable(std::string_view tableText, char mode, double value) {
    if (mode != 'g' && mode != 'k')
        throw EParseErr(std::string("Unbekannter Tabellenmodus ") + mode);

    // Entries up to the first empty one: a trailing ";" is harmless and ";;" cuts the table.
    std::array<std::int32_t, kMaxTableEntries> entries{};
    std::size_t count = 0;
    for (std::size_t start = 0; start < tableText.size();) {
        std::size_t end = tableText.find(';', start);
        if (end == std::string_view::npos)
            end = tableText.size();
        if (end == start)
            break;
        if (count == kMaxTableEntries)
            throw EParseErr("Mehr als 20 Tabelleneinträge");
        entries[count++] = EntryValue(tableText.substr(start, end - start));
        start = end + 1;
    }
    if (count == 0)
        throw EParseErr("Keine Tabelleneinträge");

    // Only the first and the last entry bound the range, whatever the order between them.
    if (entries[0] > value || entries[count - 1] < value)
        throw EParseErr("Wert liegt nicht innerhalb des Tabellenwertebereichs !");

    if (mode == 'g') {
        for (std::size_t i = 0; i < count; ++i)
            if (entries[i] >= value)
                return entries[i];
    } else {
        // The first entry is <= value, so an entry greater than the value has one before it.
        for (std::size_t i = 1; i < count; ++i)
            if (entries[i] > value)
                return entries[i - 1];
    }
    return entries[count - 1];
}

} // namespace sollist::formula
