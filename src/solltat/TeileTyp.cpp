// Part-type processing: activities, CNC activities and materials of one part type.
#include "solltat/DmSolltat.h"
#include "solltat/Solltat.h"

#include "formula/QFormelAuftrag.h"

#include <fmt/format.h>

#include <array>
#include <functional>
#include <string_view>
#include <vector>

namespace sollist::solltat {

namespace {

// The position codes an activity code is checked against: a code that occurs in this text
// (U+00B7 separates the codes) is an edge code or no code at all, never a surface.
constexpr std::string_view kEdgeCodes = "KV\u00B7KR\u00B7KH\u00B7KL\u00B7KA";

bool IsEdgeText(const std::string& code) {
    return !code.empty() && kEdgeCodes.find(code) != std::string_view::npos;
}

bool IsLayer(const std::string& code) { return code == "GR" || code == "OV" || code == "OH"; }

bool IsVolumeUnit(const std::string& unit) {
    return unit == "KM3" || unit == "TM3" || unit == "M3";
}

// Values of the qryPosTyp row the calculation stands on.
struct PartTypeRow {
    std::string OfNumm, ApNumm;
    std::int32_t BgLf = 0, Lfd = 0;
    std::array<std::string, 4> Ecken;   // corner codes 1 to 4
    bool DiCalc = false;
    double ApMenge = 0, MwWert = 0, BgErschw = 0, TyErsch = 0;

    bool CornerIs(int corner, const char* code) const { return Ecken[corner - 1] == code; }
};

PartTypeRow ReadPartType(db::TIBCQuery& q) {
    PartTypeRow r;
    r.OfNumm = q.FieldByName("APTYOFNUMM").AsString();
    r.ApNumm = q.FieldByName("APTYAPNUMM").AsString();
    r.BgLf = static_cast<std::int32_t>(q.FieldByName("APTYBGLF").AsInteger());
    r.Lfd = static_cast<std::int32_t>(q.FieldByName("APTYLFD").AsInteger());
    for (int i = 0; i < 4; ++i) r.Ecken[i] = q.FieldByName(fmt::format("APTYEC{}", i + 1)).AsString();
    r.DiCalc = q.FieldByName("APTYDICALC").AsBoolean();
    r.ApMenge = q.FieldByName("APMENGE").AsFloat();
    r.MwWert = q.FieldByName("MWWERT").AsFloat();
    r.BgErschw = q.FieldByName("APBGERSCHW").AsFloat();
    r.TyErsch = q.FieldByName("APTYERSCH").AsFloat();
    return r;
}

// Reads the run of the part type from a detail set: the consecutive rows from the set's
// current position whose three keys equal the part type's. The set ends on the first row
// after the run; a row of another key stays current and so blocks every later part type.
template <class Row>
std::vector<Row> ReadRun(db::TIBCQuery& set, const PartTypeRow& part,
                         const std::array<const char*, 3>& keyFields,
                         const std::function<Row(db::TIBCQuery&)>& readRow) {
    std::vector<Row> rows;
    if (set.Eof()) return rows;
    const db::TField apNumm = set.FieldByName(keyFields[0]), bgLf = set.FieldByName(keyFields[1]),
                     tyLfd = set.FieldByName(keyFields[2]);
    for (; !set.Eof() && apNumm.AsString() == part.ApNumm && bgLf.AsInteger() == part.BgLf &&
           tyLfd.AsInteger() == part.Lfd;
         set.Next())
        rows.push_back(readRow(set));
    return rows;
}

struct MaterialRow {
    std::string MaNumm, Lage, MaArbEh;
    std::int64_t Menge = 0;
    double Laenge = 0, Breite = 0, Dicke = 0;
};

struct ActivityRow {
    std::string TaNumm, Lage, TaEinhKz;
    double Erschw = 0;
};

struct CNCRow {
    std::string TaNumm, TaEinhKz;
    std::int32_t LfNr = 0;
};

MaterialRow ReadMaterial(db::TIBCQuery& q) {
    return {q.FieldByName("PTMMANUMM").AsString(), q.FieldByName("PTMLAGE").AsString(),
            q.FieldByName("MAARBEH").AsString(), q.FieldByName("PTMMENGE").AsInteger(),
            q.FieldByName("PTMLAENGE").AsFloat(), q.FieldByName("PTMBREITE").AsFloat(),
            q.FieldByName("PTMDICKE").AsFloat()};
}

ActivityRow ReadActivity(db::TIBCQuery& q) {
    return {q.FieldByName("PTTTANUMM").AsString(), q.FieldByName("PTTLAGE").AsString(),
            q.FieldByName("TAEINHKZ").AsString(), q.FieldByName("PTTERSCHW").AsFloat()};
}

CNCRow ReadCNC(db::TIBCQuery& q) {
    return {q.FieldByName("ACNUMM").AsString(), q.FieldByName("TAEINHKZ").AsString(),
            static_cast<std::int32_t>(q.FieldByName("ACLFNR").AsInteger())};
}

// Thickness sums of the material run.
struct MaterialAnalysis {
    double KV = 0, KH = 0, KL = 0, KR = 0;   // edge thickness sums
    double Layers = 0;                       // GR, OV, OH
    int VolumeBaseCount = 0;                 // only counted when the thickness is derived
    double VolumeBaseSum = 0;

    double* Edge(const std::string& code) {
        if (code == "KV") return &KV;
        if (code == "KH") return &KH;
        if (code == "KL") return &KL;
        if (code == "KR") return &KR;
        return nullptr;
    }
};

bool IsVolumeBase(const MaterialRow& m, bool diCalc) {
    return !diCalc && m.Lage == "GR" && IsVolumeUnit(m.MaArbEh);
}

MaterialAnalysis AnalyseMaterials(const std::vector<MaterialRow>& rows, bool diCalc) {
    MaterialAnalysis a;
    for (const MaterialRow& m : rows) {
        if (double* edge = a.Edge(m.Lage)) *edge += m.Dicke;
        if (IsLayer(m.Lage)) a.Layers += m.Dicke;
        if (IsVolumeBase(m, diCalc)) {
            ++a.VolumeBaseCount;
            a.VolumeBaseSum += m.Dicke;
        }
    }
    return a;
}

struct Measure {
    double Laenge, Breite, Dicke;
};

// What an activity row measures, one entry per AddTaetigkeit call: each edge it names
// ("KA" names all four), or the surface when its code is none of the edge texts.
std::vector<Measure> ActivityMeasures(const std::string& code, const formula::TF_TTyp& t,
                                      const MaterialAnalysis& a) {
    std::vector<Measure> measures;
    const bool all = code == "KA";
    if (all || code == "KV") measures.push_back({t.Laenge, t.Dicke, a.KV});
    if (all || code == "KH") measures.push_back({t.Laenge, t.Dicke, a.KH});
    if (all || code == "KR") measures.push_back({t.Breite, t.Dicke, a.KR});
    if (all || code == "KL") measures.push_back({t.Breite, t.Dicke, a.KL});
    if (!IsEdgeText(code)) measures.push_back({t.Laenge, t.Breite, t.Dicke});
    return measures;
}

// Dimensions of the materials in hand-on order: the run backwards, each row reducing the
// working dimensions that the rows stored before it receive. Edges are shortened at the
// corners whose code gives the other edge precedence.
std::vector<Measure> MaterialMeasures(const std::vector<MaterialRow>& rows, const PartTypeRow& part,
                                      const formula::TF_TTyp& t, const MaterialAnalysis& a,
                                      double coreThickness) {
    std::vector<Measure> measures;
    double workL = t.Laenge, workB = t.Breite, workD = t.Dicke;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const MaterialRow& m = *it;
        const double dicke = IsVolumeBase(m, part.DiCalc) ? coreThickness : m.Dicke;
        auto rowLength = [&](double otherwise) { return m.Laenge > 0 ? m.Laenge : otherwise; };
        const double rowWidth = m.Breite > 0 ? m.Breite : workD;
        Measure measure{};
        if (m.Lage == "KV" || m.Lage == "KH") {
            const bool front = m.Lage == "KV";
            measure = {rowLength(t.Laenge), rowWidth, dicke};
            if (part.CornerIs(front ? 1 : 2, "B")) measure.Laenge -= a.KL;
            if (part.CornerIs(front ? 4 : 3, "B")) measure.Laenge -= a.KR;
            workB -= dicke;
        } else if (m.Lage == "KL" || m.Lage == "KR") {
            const bool left = m.Lage == "KL";
            measure = {rowLength(t.Breite), rowWidth, dicke};
            if (part.CornerIs(left ? 1 : 4, "L")) measure.Laenge -= a.KV;
            if (part.CornerIs(left ? 2 : 3, "L")) measure.Laenge -= a.KH;
            workL -= dicke;
        } else {
            measure = {rowLength(workL), m.Breite > 0 ? m.Breite : workB, dicke};
            if (IsLayer(m.Lage)) workD -= dicke;
        }
        measures.push_back(measure);
    }
    return measures;
}

} // namespace

void TSolltat::CalcTeileTyp() {
    Tdm_Solltat& dm = *dm_Solltat;
    const PartTypeRow part = ReadPartType(dm.qryPosTyp);
    const formula::TF_TTyp& t = Formel->GetTTyp(part.ApNumm, part.BgLf, part.Lfd);
    const double pieces = part.ApMenge * t.Menge;
    const double partErschw = part.BgErschw * part.TyErsch;

    const auto materials = ReadRun<MaterialRow>(
        dm.qryPosTyMat, part, {"PTMAPNUMM", "PTMBGLFNR", "PTMTYLFNR"}, ReadMaterial);
    const auto activities = ReadRun<ActivityRow>(
        dm.qryPosTyTat, part, {"PTTAPNUMM", "PTTBGLFNR", "PTTTYLFNR"}, ReadActivity);
    const auto cncRows =
        ReadRun<CNCRow>(dm.qryPosTyCNC, part, {"ACAPNUMM", "ACBGLF", "ACTYLFD"}, ReadCNC);

    const MaterialAnalysis analysis = AnalyseMaterials(materials, part.DiCalc);
    double coreThickness = 0;
    if (!part.DiCalc) {
        if (analysis.VolumeBaseCount == 0) {
            // The runs were read past already, so the next part type receives its own rows.
            LogFehler(fmt::format("Offert: {} Element: {} Material für Dickenberechnung fehlt",
                                  part.OfNumm, part.Lfd));
            return;
        }
        coreThickness = (t.Dicke - (analysis.Layers - analysis.VolumeBaseSum)) /
                        analysis.VolumeBaseCount;
    }

    for (const ActivityRow& act : activities) {
        const double erschw = partErschw * act.Erschw;
        for (const Measure& m : ActivityMeasures(act.Lage, t, analysis))
            AddTaetigkeit(part.ApNumm, part.ApMenge, part.Lfd, act.TaNumm,
                          CalcEhMenge(act.TaEinhKz, m.Laenge, m.Breite, m.Dicke, pieces) * erschw,
                          pieces * erschw, t.Menge, true, 0, "", 0, part.MwWert);
    }

    for (const CNCRow& cnc : cncRows) {
        const double value = t.GetCNCTatValue(cnc.LfNr, 0);
        AddTaetigkeit(part.ApNumm, part.ApMenge, part.Lfd, cnc.TaNumm,
                      CalcEhMenge(cnc.TaEinhKz, 1.0, 1.0, 1.0, pieces * value) * partErschw,
                      pieces * partErschw, t.Menge, true, 0, "", 0, part.MwWert);
    }

    const auto measures = MaterialMeasures(materials, part, t, analysis, coreThickness);
    for (std::size_t i = 0; i < measures.size(); ++i) {
        const MaterialRow& m = materials[materials.size() - 1 - i];
        AddMaterial(part.OfNumm, part.ApNumm, part.ApMenge, part.Lfd, m.MaNumm, measures[i].Laenge,
                    measures[i].Breite, measures[i].Dicke, static_cast<double>(m.Menge) * pieces,
                    partErschw, t.Menge, true, 0, part.MwWert);
    }
}

double TSolltat::CalcEhMenge(const std::string& unit, double laenge, double breite,
                             double dicke, double menge) {
    if (unit == "M1") return laenge / 1000 * menge;
    if (unit == "M2") return laenge / 1000 * breite / 1000 * menge;
    if (unit == "M3") return laenge / 1000 * breite / 1000 * dicke / 1000 * menge;
    if (unit == "STK") return menge;
    return 0;
}

} // namespace sollist::solltat
