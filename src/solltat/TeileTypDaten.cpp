#include "solltat/TeileTypDaten.h"

#include "solltat/DmSolltat.h"

namespace sollist::solltat {

namespace {

std::vector<TTeileTypZeile> ReadPartTypes(db::TIBCQuery& q) {
    using Z = TTeileTypZeile;
    const auto read = db::RowReader<Z>(q, {{"APTYOFNUMM", &Z::OfNumm},
                                           {"APTYAPNUMM", &Z::ApNumm},
                                           {"APTYBGLF", &Z::BgLf},
                                           {"APTYLFD", &Z::Lfd},
                                           {"APTYDICALC", &Z::DiCalc},
                                           {"APMENGE", &Z::ApMenge},
                                           {"MWWERT", &Z::MwWert},
                                           {"APBGERSCHW", &Z::BgErschw},
                                           {"APTYERSCH", &Z::TyErsch},
                                           {"APTYNAME", &Z::ApTyName}});
    // The text comes in one of the two columns; the other one is NULL.
    const db::TField kurz = q.FieldByName("APTYTEXTKURZ"), lang = q.FieldByName("APTYTEXT");
    const db::TField ecken[] = {q.FieldByName("APTYEC1"), q.FieldByName("APTYEC2"), q.FieldByName("APTYEC3"),
                                q.FieldByName("APTYEC4")};
    return db::ReadAll(q, [&] {
        TTeileTypZeile row = read();
        row.ApTyText = kurz.IsNull() ? lang.AsString() : kurz.AsString();
        for (std::size_t i = 0; i < row.Ecken.size(); ++i) row.Ecken[i] = ecken[i].AsString();
        return row;
    });
}

} // namespace

TTeileTypDaten ReadTeileTypDaten(Tdm_Solltat& dm) {
    using M = TTeileTypMaterial;
    using T = TTeileTypTaetigkeit;
    using C = TTeileTypCNC;
    return {ReadPartTypes(dm.qryPosTyp),
            db::ReadRows<M>(dm.qryPosTyMat, {{"PTMAPNUMM", &M::ApNumm},
                                             {"PTMBGLFNR", &M::BgLf},
                                             {"PTMTYLFNR", &M::TyLfd},
                                             {"PTMMANUMM", &M::MaNumm},
                                             {"PTMLAGE", &M::Lage},
                                             {"MAARBEH", &M::MaArbEh},
                                             {"PTMMENGE", &M::Menge},
                                             {"PTMLAENGE", &M::Laenge},
                                             {"PTMBREITE", &M::Breite},
                                             {"PTMDICKE", &M::Dicke}}),
            db::ReadRows<T>(dm.qryPosTyTat, {{"PTTAPNUMM", &T::ApNumm},
                                             {"PTTBGLFNR", &T::BgLf},
                                             {"PTTTYLFNR", &T::TyLfd},
                                             {"PTTTANUMM", &T::TaNumm},
                                             {"PTTLAGE", &T::Lage},
                                             {"TAEINHKZ", &T::TaEinhKz},
                                             {"PTTERSCHW", &T::Erschw},
                                             {"PTTLFNR", &T::LfNr}}),
            db::ReadRows<C>(dm.qryPosTyCNC, {{"ACAPNUMM", &C::ApNumm},
                                             {"ACBGLF", &C::BgLf},
                                             {"ACTYLFD", &C::TyLfd},
                                             {"ACNUMM", &C::TaNumm},
                                             {"TAEINHKZ", &C::TaEinhKz},
                                             {"ACLFNR", &C::LfNr}})};
}

} // namespace sollist::solltat
