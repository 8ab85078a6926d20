#pragma once
// Part-type processing: what the activities, CNC rows and materials of one part type report,
// computed from its rows and its evaluated formulas alone.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sollist::formula {
class TF_TTyp;
}

namespace sollist::solltat {

// A part type as qryPosTyp delivers it.
struct TTeileTypZeile {
    std::string OfNumm, ApNumm;
    std::int32_t BgLf = 0, Lfd = 0;
    bool DiCalc = false;
    double ApMenge = 0, MwWert = 0, BgErschw = 0, TyErsch = 0;
    std::string ApTyName;
    std::string ApTyText{};
    std::array<std::string, 4> Ecken{}; // corner codes 1 to 4

    bool CornerIs(int corner, const char* code) const { return Ecken[corner - 1] == code; }
};

struct TTeileTypMaterial {
    std::string ApNumm;
    std::int32_t BgLf = 0, TyLfd = 0;
    std::string MaNumm, Lage, MaArbEh;
    std::int64_t Menge = 0;
    double Laenge = 0, Breite = 0, Dicke = 0;
};

struct TTeileTypTaetigkeit {
    std::string ApNumm;
    std::int32_t BgLf = 0, TyLfd = 0;
    std::string TaNumm, Lage, TaEinhKz;
    double Erschw = 0;
    std::int32_t LfNr = 0; // PTTLFNR
};

struct TTeileTypCNC {
    std::string ApNumm;
    std::int32_t BgLf = 0, TyLfd = 0;
    std::string TaNumm, TaEinhKz;
    std::int32_t LfNr = 0;
};

// What one part type reports, in the order it is reported: activities (activity rows, then
// CNC rows), then materials in hand-on order.
struct TTeileTypMeldungen {
    // Zeile: the index of the reporting row in the part type's activity or CNC run.
    struct Taetigkeit {
        std::string TaNumm;
        double EhMenge = 0, Stueck = 0;
        bool CNC = false;
        std::size_t Zeile = 0;
    };
    // Zeile: the index of the material row in the part type's material run.
    struct Material {
        std::string MaNumm;
        double Laenge = 0, Breite = 0, Dicke = 0, Menge = 0;
        std::size_t Zeile = 0;
    };
    std::vector<Taetigkeit> Taetigkeiten;
    std::vector<Material> Materialien;
    double Erschw = 0;       // the part type's difficulty, passed on with its materials
    bool DickeFehlt = false; // no material to derive the core thickness from: no reports
};

// The reports of one part type from its own detail rows. Raises EParseErr when a CNC row has
// no evaluated counterpart in the formula model.
TTeileTypMeldungen CalcTeileTyp(const TTeileTypZeile& part, const formula::TF_TTyp& t,
                                std::span<const TTeileTypMaterial> materials,
                                std::span<const TTeileTypTaetigkeit> activities,
                                std::span<const TTeileTypCNC> cncRows);

// Unit quantity of a quantity with dimensions in millimetres, by unit code.
double CalcEhMenge(const std::string& unit, double laenge, double breite, double dicke, double menge);

} // namespace sollist::solltat
