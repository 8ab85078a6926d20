#include "solltat/TeileTypDaten.h"

#include "solltat/DmSolltat.h"

namespace sollist::solltat {

namespace {

std::int32_t AsInt32(const db::TField& field) { return static_cast<std::int32_t>(field.AsInteger()); }

// Every row of a query, read with one reader per row.
template <class Row, class ReadRow>
std::vector<Row> ReadAll(db::TIBCQuery& q, ReadRow readRow) {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(q.RecordCount()));
    for (q.First(); !q.Eof(); q.Next()) rows.push_back(readRow(q));
    return rows;
}

TTeileTypZeile ReadPartType(db::TIBCQuery& q) {
    TTeileTypZeile r;
    r.OfNumm = q.FieldByName("APTYOFNUMM").AsString();
    r.ApNumm = q.FieldByName("APTYAPNUMM").AsString();
    r.BgLf = AsInt32(q.FieldByName("APTYBGLF"));
    r.Lfd = AsInt32(q.FieldByName("APTYLFD"));
    for (int i = 0; i < 4; ++i) r.Ecken[i] = q.FieldByName("APTYEC" + std::to_string(i + 1)).AsString();
    r.DiCalc = q.FieldByName("APTYDICALC").AsBoolean();
    r.ApMenge = q.FieldByName("APMENGE").AsFloat();
    r.MwWert = q.FieldByName("MWWERT").AsFloat();
    r.BgErschw = q.FieldByName("APBGERSCHW").AsFloat();
    r.TyErsch = q.FieldByName("APTYERSCH").AsFloat();
    r.ApTyName = q.FieldByName("APTYNAME").AsString();
    // The text comes in one of the two columns; the other one is NULL.
    const db::TField kurz = q.FieldByName("APTYTEXTKURZ");
    r.ApTyText = kurz.IsNull() ? q.FieldByName("APTYTEXT").AsString() : kurz.AsString();
    return r;
}

TTeileTypMaterial ReadMaterial(db::TIBCQuery& q) {
    return {q.FieldByName("PTMAPNUMM").AsString(), AsInt32(q.FieldByName("PTMBGLFNR")),
            AsInt32(q.FieldByName("PTMTYLFNR")),   q.FieldByName("PTMMANUMM").AsString(),
            q.FieldByName("PTMLAGE").AsString(),   q.FieldByName("MAARBEH").AsString(),
            q.FieldByName("PTMMENGE").AsInteger(), q.FieldByName("PTMLAENGE").AsFloat(),
            q.FieldByName("PTMBREITE").AsFloat(),  q.FieldByName("PTMDICKE").AsFloat()};
}

TTeileTypTaetigkeit ReadActivity(db::TIBCQuery& q) {
    return {q.FieldByName("PTTAPNUMM").AsString(), AsInt32(q.FieldByName("PTTBGLFNR")),
            AsInt32(q.FieldByName("PTTTYLFNR")),   q.FieldByName("PTTTANUMM").AsString(),
            q.FieldByName("PTTLAGE").AsString(),   q.FieldByName("TAEINHKZ").AsString(),
            q.FieldByName("PTTERSCHW").AsFloat()};
}

TTeileTypCNC ReadCNC(db::TIBCQuery& q) {
    return {q.FieldByName("ACAPNUMM").AsString(), AsInt32(q.FieldByName("ACBGLF")),
            AsInt32(q.FieldByName("ACTYLFD")),    q.FieldByName("ACNUMM").AsString(),
            q.FieldByName("TAEINHKZ").AsString(), AsInt32(q.FieldByName("ACLFNR"))};
}

} // namespace

TTeileTypDaten ReadTeileTypDaten(Tdm_Solltat& dm) {
    return {ReadAll<TTeileTypZeile>(dm.qryPosTyp, ReadPartType),
            ReadAll<TTeileTypMaterial>(dm.qryPosTyMat, ReadMaterial),
            ReadAll<TTeileTypTaetigkeit>(dm.qryPosTyTat, ReadActivity),
            ReadAll<TTeileTypCNC>(dm.qryPosTyCNC, ReadCNC)};
}

} // namespace sollist::solltat
