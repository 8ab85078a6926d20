// Part-type processing: activities, CNC activities and materials of one part type.
#include "solltat/Solltat.h"

namespace sollist::solltat {

// Placeholder until part-type processing is built: the part-type loop of CalcAuftrag runs
// over the part types without effect.
void TSolltat::CalcTeileTyp() {}

double TSolltat::CalcEhMenge(const std::string& unit, double laenge, double breite,
                             double dicke, double menge) {
    if (unit == "M1") return laenge / 1000 * menge;
    if (unit == "M2") return laenge / 1000 * breite / 1000 * menge;
    if (unit == "M3") return laenge / 1000 * breite / 1000 * dicke / 1000 * menge;
    if (unit == "STK") return menge;
    return 0;
}

} // namespace sollist::solltat
