// Part-type processing: activities, CNC activities and materials of one part type.
#include "solltat/TeileTyp.h"

#include "formula/QFormelAuftrag.h"

#include <string_view>

namespace sollist::solltat {

namespace {

// The position codes an activity code is checked against: a code that occurs in this text
// (U+00B7 separates the codes) is an edge code or no code at all, never a surface.
constexpr std::string_view kEdgeCodes = "KV\u00B7KR\u00B7KH\u00B7KL\u00B7KA";

bool IsEdgeText(const std::string& code) {
    return !code.empty() && kEdgeCodes.find(code) != std::string_view::npos;
}

bool IsLayer(const std::string& code) { return code == "GR" || code == "OV" || code == "OH"; }

bool IsVolumeUnit(const std::string& unit) { return unit == "KM3" || unit == "TM3" || unit == "M3"; }

// Thickness sums of the material run.
struct MaterialAnalysis {
    double KV = 0, KH = 0, KL = 0, KR = 0; // edge thickness sums
    double Layers = 0;                     // GR, OV, OH
    int VolumeBaseCount = 0;               // only counted when the thickness is derived
    double VolumeBaseSum = 0;

    double* Edge(const std::string& code) {
        if (code == "KV")
            return &KV;
        if (code == "KH")
            return &KH;
        if (code == "KL")
            return &KL;
        if (code == "KR")
            return &KR;
        return nullptr;
    }
};

bool IsVolumeBase(const TTeileTypMaterial& m, bool diCalc) {
    return !diCalc && m.Lage == "GR" && IsVolumeUnit(m.MaArbEh);
}

MaterialAnalysis AnalyseMaterials(std::span<const TTeileTypMaterial> rows, bool diCalc) {
    MaterialAnalysis a;
    for (const TTeileTypMaterial& m : rows) {
        if (double* edge = a.Edge(m.Lage))
            *edge += m.Dicke;
        if (IsLayer(m.Lage))
            a.Layers += m.Dicke;
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
    if (all || code == "KV")
        measures.push_back({t.Laenge, t.Dicke, a.KV});
    if (all || code == "KH")
        measures.push_back({t.Laenge, t.Dicke, a.KH});
    if (all || code == "KR")
        measures.push_back({t.Breite, t.Dicke, a.KR});
    if (all || code == "KL")
        measures.push_back({t.Breite, t.Dicke, a.KL});
    if (!IsEdgeText(code))
        measures.push_back({t.Laenge, t.Breite, t.Dicke});
    return measures;
}

// Dimensions of the materials in hand-on order: the run backwards, each row reducing the
// working dimensions that the rows stored before it receive. Edges are shortened at the
// corners whose code gives the other edge precedence.
std::vector<Measure> MaterialMeasures(std::span<const TTeileTypMaterial> rows, const TTeileTypZeile& part,
                                      const formula::TF_TTyp& t, const MaterialAnalysis& a,
                                      double coreThickness) {
    std::vector<Measure> measures;
    double workL = t.Laenge, workB = t.Breite, workD = t.Dicke;
    for (std::size_t i = rows.size(); i-- > 0;) {
        const TTeileTypMaterial& m = rows[i];
        const double dicke = IsVolumeBase(m, part.DiCalc) ? coreThickness : m.Dicke;
        auto rowLength = [&](double otherwise) { return m.Laenge > 0 ? m.Laenge : otherwise; };
        const double rowWidth = m.Breite > 0 ? m.Breite : workD;
        Measure measure{};
        if (m.Lage == "KV" || m.Lage == "KH") {
            const bool front = m.Lage == "KV";
            measure = {rowLength(t.Laenge), rowWidth, dicke};
            if (part.CornerIs(front ? 1 : 2, "B"))
                measure.Laenge -= a.KL;
            if (part.CornerIs(front ? 4 : 3, "B"))
                measure.Laenge -= a.KR;
            workB -= dicke;
        } else if (m.Lage == "KL" || m.Lage == "KR") {
            const bool left = m.Lage == "KL";
            measure = {rowLength(t.Breite), rowWidth, dicke};
            if (part.CornerIs(left ? 1 : 4, "L"))
                measure.Laenge -= a.KV;
            if (part.CornerIs(left ? 2 : 3, "L"))
                measure.Laenge -= a.KH;
            workL -= dicke;
        } else {
            measure = {rowLength(workL), m.Breite > 0 ? m.Breite : workB, dicke};
            if (IsLayer(m.Lage))
                workD -= dicke;
        }
        measures.push_back(measure);
    }
    return measures;
}

} // namespace

TTeileTypMeldungen CalcTeileTyp(const TTeileTypZeile& part, const formula::TF_TTyp& t,
                                std::span<const TTeileTypMaterial> materials,
                                std::span<const TTeileTypTaetigkeit> activities,
                                std::span<const TTeileTypCNC> cncRows) {
    TTeileTypMeldungen out;
    const double pieces = part.ApMenge * t.Menge;
    out.Erschw = part.BgErschw * part.TyErsch;

    const MaterialAnalysis analysis = AnalyseMaterials(materials, part.DiCalc);
    double coreThickness = 0;
    if (!part.DiCalc) {
        if (analysis.VolumeBaseCount == 0) {
            out.DickeFehlt = true;
            return out;
        }
        coreThickness = (t.Dicke - (analysis.Layers - analysis.VolumeBaseSum)) / analysis.VolumeBaseCount;
    }

    for (std::size_t row = 0; row < activities.size(); ++row) {
        const TTeileTypTaetigkeit& act = activities[row];
        const double erschw = out.Erschw * act.Erschw;
        for (const Measure& m : ActivityMeasures(act.Lage, t, analysis))
            out.Taetigkeiten.push_back(
                {act.TaNumm, CalcEhMenge(act.TaEinhKz, m.Laenge, m.Breite, m.Dicke, pieces) * erschw,
                 pieces * erschw, false, row});
    }

    for (std::size_t row = 0; row < cncRows.size(); ++row) {
        const TTeileTypCNC& cnc = cncRows[row];
        const double value = t.GetCNCTatValue(cnc.LfNr, 0);
        out.Taetigkeiten.push_back({cnc.TaNumm,
                                    CalcEhMenge(cnc.TaEinhKz, 1.0, 1.0, 1.0, pieces * value) * out.Erschw,
                                    pieces * out.Erschw, true, row});
    }

    const auto measures = MaterialMeasures(materials, part, t, analysis, coreThickness);
    for (std::size_t i = 0; i < measures.size(); ++i) {
        const std::size_t row = materials.size() - 1 - i;
        const TTeileTypMaterial& m = materials[row];
        out.Materialien.push_back({m.MaNumm, measures[i].Laenge, measures[i].Breite, measures[i].Dicke,
                                   static_cast<double>(m.Menge) * pieces, row});
    }
    return out;
}

double CalcEhMenge(const std::string& unit, double laenge, double breite, double dicke, double menge) {
    if (unit == "M1")
        return laenge / 1000 * menge;
    if (unit == "M2")
        return laenge / 1000 * breite / 1000 * menge;
    if (unit == "M3")
        return laenge / 1000 * breite / 1000 * dicke / 1000 * menge;
    if (unit == "STK")
        return menge;
    return 0;
}

} // namespace sollist::solltat
