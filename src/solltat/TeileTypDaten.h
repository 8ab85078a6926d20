#pragma once
// The part types of an order and their detail rows as the data module's queries deliver them.
#include "solltat/TeileTyp.h"

#include <vector>

namespace sollist::solltat {

class Tdm_Solltat;

// The part types of an order and their detail rows, each list in its query's order.
struct TTeileTypDaten {
    std::vector<TTeileTypZeile> TeileTypen;
    std::vector<TTeileTypMaterial> Materialien;
    std::vector<TTeileTypTaetigkeit> Taetigkeiten;
    std::vector<TTeileTypCNC> CNC;
};

// Reads the open part-type queries of the data module.
TTeileTypDaten ReadTeileTypDaten(Tdm_Solltat& dm);

} // namespace sollist::solltat
