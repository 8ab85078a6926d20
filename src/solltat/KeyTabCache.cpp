#include "solltat/KeyTabCache.h"

#include <bit>

namespace sollist::solltat {

const TKeyTabErgebnis* TKeyTabCache::Find(db::TIBCQuery& qryMatKyTab, const std::string& Material,
                                          double Laenge, double Breite, double Dicke) {
    KeyTabArgs args{Material, std::bit_cast<std::uint64_t>(Laenge), std::bit_cast<std::uint64_t>(Breite),
                    std::bit_cast<std::uint64_t>(Dicke)};
    auto it = FKeyTab.find(args);
    if (it == FKeyTab.end()) { // cached only once read: a failed read must not look like no row
        qryMatKyTab.Close();
        qryMatKyTab.ParamByName("MATERIAL").AsString(Material);
        qryMatKyTab.ParamByName("LAENGE").AsFloat(Laenge);
        qryMatKyTab.ParamByName("BREITE").AsFloat(Breite);
        qryMatKyTab.ParamByName("DICKE").AsFloat(Dicke);
        qryMatKyTab.Open();
        std::optional<TKeyTabErgebnis> found;
        if (!qryMatKyTab.IsEmpty())
            found = db::RowReader<TKeyTabErgebnis>(qryMatKyTab, {{"KYTABMAT", &TKeyTabErgebnis::KyTabMat},
                                                                 {"MENGE", &TKeyTabErgebnis::Menge}})();
        qryMatKyTab.Close();
        it = FKeyTab.emplace(std::move(args), std::move(found)).first;
    }
    return it->second ? &*it->second : nullptr;
}

} // namespace sollist::solltat
