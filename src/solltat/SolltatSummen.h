#pragma once
// SOLLTAT summed into target hours: the times there are minutes per record, per unit quantity
// and per piece; the sum per reporting activity and cost centre, divided by 60, is hours.
#include <string_view>

namespace sollist::db {
class TIBCQuery;
}

namespace sollist::solltat {

// The minutes of one SOLLTAT row: its share of the fixed time, plus its unit quantity and its
// pieces times their minutes.
inline constexpr std::string_view kSatzMinuten = "TaFixZt+EhMenge*TaVarEh+Stueck*TaVarSt";

// Declares query as the sum of SOLLTAT per reporting activity and cost centre: fields TaRmTat,
// TaKoNumm and SollStunden (hours, without surcharge), one row per group.
void DeclareSollStunden(db::TIBCQuery& query);

} // namespace sollist::solltat
