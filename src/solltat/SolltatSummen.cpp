#include "solltat/SolltatSummen.h"

#include "db/Query.h"

#include <string>

namespace sollist::solltat {

using db::TFieldType;

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
void DeclareSollStunden(db::TIBCQuery& query) {
    db::Declare(query,
                {"SELECT TaRmTat,TaKoNumm,Sum(" + std::string(kSatzMinuten) + ")/60 as SollStunden",
                 "FROM solltat", "GROUP BY TaRmTat,TaKoNumm"},
                {{"TaRmTat", TFieldType::ftString, 10},
                 {"TaKoNumm", TFieldType::ftString, 3},
                 {"SollStunden", TFieldType::ftFloat}});
}
// clang-format on

} // namespace sollist::solltat
