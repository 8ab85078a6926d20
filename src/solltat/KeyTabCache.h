#pragma once
// Results of the key-table procedure GETKEYTAB, asked once per material and dimensions.
#include "db/DataSet.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace sollist::solltat {

// The first row GETKEYTAB gives for a key-table material and dimensions.
struct TKeyTabErgebnis {
    std::string KyTabMat;
    double Menge = 0;
};

// Plain values: a copy is whole and independent of the query that filled it.
class TKeyTabCache {
public:
    // GETKEYTAB's first row for the material and dimensions, nullptr when it gives none; asked
    // through qryMatKyTab (parameters MATERIAL, LAENGE, BREITE, DICKE) once for the same
    // arguments: the key tables are master data, which do not change while the cache lives.
    const TKeyTabErgebnis* Find(db::TIBCQuery& qryMatKyTab, const std::string& Material, double Laenge,
                                double Breite, double Dicke);

private:
    // Material and the bit patterns of the dimensions: the same arguments, not merely equal ones.
    using KeyTabArgs = std::tuple<std::string, std::uint64_t, std::uint64_t, std::uint64_t>;

    std::map<KeyTabArgs, std::optional<TKeyTabErgebnis>> FKeyTab;
};

} // namespace sollist::solltat
