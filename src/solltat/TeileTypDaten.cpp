#include "solltat/TeileTypDaten.h"

#include "solltat/DmSolltat.h"

namespace sollist::solltat {

namespace {

std::vector<TTeileTypZeile> ReadPartTypes(db::TIBCQuery& q) {
    const auto read =
        db::RowReader<TTeileTypZeile>(q, "APTYOFNUMM", "APTYAPNUMM", "APTYBGLF", "APTYLFD", "APTYDICALC",
                                      "APMENGE", "MWWERT", "APBGERSCHW", "APTYERSCH", "APTYNAME");
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
    return {ReadPartTypes(dm.qryPosTyp),
            db::ReadRows<TTeileTypMaterial>(dm.qryPosTyMat, "PTMAPNUMM", "PTMBGLFNR", "PTMTYLFNR",
                                            "PTMMANUMM", "PTMLAGE", "MAARBEH", "PTMMENGE", "PTMLAENGE",
                                            "PTMBREITE", "PTMDICKE"),
            db::ReadRows<TTeileTypTaetigkeit>(dm.qryPosTyTat, "PTTAPNUMM", "PTTBGLFNR", "PTTTYLFNR",
                                              "PTTTANUMM", "PTTLAGE", "TAEINHKZ", "PTTERSCHW", "PTTLFNR"),
            db::ReadRows<TTeileTypCNC>(dm.qryPosTyCNC, "ACAPNUMM", "ACBGLF", "ACTYLFD", "ACNUMM", "TAEINHKZ",
                                       "ACLFNR")};
}

} // namespace sollist::solltat
