#include "solltat/Stammdaten.h"

namespace sollist::solltat {

void TStammdaten::Read(db::TIBCTable& tbMaterial, db::TIBCQuery& tbTaetigkeiten) {
    FMaterialien.clear();
    FMaterialien.reserve(tbMaterial.RecordCount());
    auto maNumm = tbMaterial.FieldByName("MANUMM");
    auto maArbEh = tbMaterial.FieldByName("MAARBEH");
    auto maForts = tbMaterial.FieldByName("MAFORTS");
    for (tbMaterial.First(); !tbMaterial.Eof(); tbMaterial.Next())
        FMaterialien.try_emplace(maNumm.AsString(), TMaterialStamm{maArbEh.AsString(), maForts.AsString()});

    auto& ta = tbTaetigkeiten;
    FTaetigkeiten.clear();
    FTaetigkeiten.reserve(ta.RecordCount());
    auto f = [&ta](const char* name) { return ta.FieldByName(name); };
    auto taNumm = f("TANUMM"), taName = f("TANAME"), taRmTat = f("TARMTAT"), taFixZt = f("TAFIXZT"),
         taVarEh = f("TAVAREH"), taVarSt = f("TAVARST"), tatArt = f("TATART"), taMont = f("TAMONT"),
         taKoNumm = f("TAKONUMM"), taEinhKz = f("TAEINHKZ"), koLk = f("KOLK"), koLnk = f("KOLNK"),
         koPgk = f("KOPGK"), koPgkGrenz = f("KOPGKGRENZ");
    for (ta.First(); !ta.Eof(); ta.Next()) {
        auto [it, added] = FTaetigkeiten.try_emplace(taNumm.AsString());
        if (!added)
            continue;
        TTaetigkeitStamm& s = it->second;
        s.TaName = taName.AsString();
        s.TaRmTat = taRmTat.AsString();
        s.TaFixZt = taFixZt.AsFloat();
        s.TaVarEh = taVarEh.AsFloat();
        s.TaVarSt = taVarSt.AsFloat();
        s.TatArt = tatArt.AsString();
        s.TaMont = taMont.AsBoolean();
        s.TaKoNumm = taKoNumm.AsString();
        s.TaEinhKz = taEinhKz.AsString();
        s.KoLk = koLk.AsFloat();
        s.KoLNK = static_cast<std::int32_t>(koLnk.AsInteger());
        s.KoPGK = koPgk.AsFloat();
        s.KoPGKGrenz = koPgkGrenz.AsFloat();
    }
}

void TStammdaten::Clear() {
    FTaetigkeiten.clear();
    FMaterialien.clear();
}

const TTaetigkeitStamm* TStammdaten::FindTaetigkeit(const std::string& TaNumm) const {
    auto it = FTaetigkeiten.find(TaNumm);
    return it == FTaetigkeiten.end() ? nullptr : &it->second;
}

const TMaterialStamm* TStammdaten::FindMaterial(const std::string& MaNumm) const {
    auto it = FMaterialien.find(MaNumm);
    return it == FMaterialien.end() ? nullptr : &it->second;
}

} // namespace sollist::solltat
