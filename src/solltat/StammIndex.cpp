#include "solltat/StammIndex.h"

namespace sollist::solltat {

void TStammIndex::Read(db::TIBCTable& tbMaterial, db::TIBCQuery& tbTaetigkeiten) {
    FMaterialien.clear();
    FMaterialien.reserve(tbMaterial.RecordCount());
    const db::TField maNumm = tbMaterial.FieldByName("MANUMM");
    const auto readMaterial = db::RowReader<TMaterialStamm>(
        tbMaterial, {{"MAARBEH", &TMaterialStamm::MaArbEh}, {"MAFORTS", &TMaterialStamm::MaForts}});
    for (tbMaterial.First(); !tbMaterial.Eof(); tbMaterial.Next())
        FMaterialien.try_emplace(maNumm.AsString(), readMaterial());

    auto& ta = tbTaetigkeiten;
    FTaetigkeiten.clear();
    FTaetigkeiten.reserve(ta.RecordCount());
    const db::TField taNumm = ta.FieldByName("TANUMM");
    using T = TTaetigkeitStamm;
    const auto readActivity = db::RowReader<T>(ta, {{"TANAME", &T::TaName},
                                                    {"TARMTAT", &T::TaRmTat},
                                                    {"TAFIXZT", &T::TaFixZt},
                                                    {"TAVAREH", &T::TaVarEh},
                                                    {"TAVARST", &T::TaVarSt},
                                                    {"TATART", &T::TatArt},
                                                    {"TAMONT", &T::TaMont},
                                                    {"TAKONUMM", &T::TaKoNumm},
                                                    {"TAEINHKZ", &T::TaEinhKz},
                                                    {"KOLK", &T::KoLk},
                                                    {"KOLNK", &T::KoLNK},
                                                    {"KOPGK", &T::KoPGK},
                                                    {"KOPGKGRENZ", &T::KoPGKGrenz}});
    for (ta.First(); !ta.Eof(); ta.Next()) {
        auto [it, added] = FTaetigkeiten.try_emplace(taNumm.AsString());
        if (added)
            it->second = readActivity();
    }
}

const TTaetigkeitStamm* TStammIndex::FindTaetigkeit(const std::string& TaNumm) const {
    auto it = FTaetigkeiten.find(TaNumm);
    return it == FTaetigkeiten.end() ? nullptr : &it->second;
}

const TMaterialStamm* TStammIndex::FindMaterial(const std::string& MaNumm) const {
    auto it = FMaterialien.find(MaNumm);
    return it == FMaterialien.end() ? nullptr : &it->second;
}

} // namespace sollist::solltat
