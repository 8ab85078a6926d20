#include "SolltatValues.h"

#include <fmt/format.h>

#include <cstdint>
#include <string>

namespace sollist::test {

db::TValue SolltatValue(int column, int row) {
    switch (column) {
    case 6:
    case 15: return std::int64_t{row % 2};
    case 2:
    case 4:
    case 5:
    case 25:
    case 29: return std::int64_t{row};
    case 10: return std::string("A");
    case 0:
    case 1:
    case 3:
    case 11:
    case 16:
    case 17:
    case 19:
    case 20:
    case 21:
    case 22:
    case 31: return std::string(column == 11 ? "K" : "R") + std::to_string(row % 10);
    case 32: return fmt::format("Text {} mit Umlauten äöü", row);
    default: return row + 0.5;
    }
}

} // namespace sollist::test
