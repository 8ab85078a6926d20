#pragma once
// What asked for a quantity of a target activity record, for callers that explain an order's
// target hours. A record sums the quantities of everything that asked for its (position,
// part-type element, activity); it keeps only the first asker's row numbers. The calculation
// tells an observer of every quantity with its source, so that an explanation can show all of
// them without changing what the records sum to.
#include <cstdint>
#include <string>

namespace sollist::solltat {

struct TMSTRecord;
struct TSollHerkunft;

enum class TQuellArt {
    Positionstaetigkeit, // POS_TAT row: Zeile = PTLFD
    Positionsmaterial,   // POS_MAT row: Zeile = APMALFNR, Material
    TeiletypTaetigkeit,  // POSTYTAT row of a part type: Zeile = PTTLFNR, Lage
    TeiletypCNC,         // ATCNC row of a part type: Zeile = ACLFNR
    TeiletypMaterial,    // POSTYMAT row of a part type: Material, Lage
};

struct TSollQuelle {
    TQuellArt Art = TQuellArt::Positionstaetigkeit;
    std::int32_t BgLf = 0;  // part types: the assembly
    std::int32_t Zeile = 0; // running number of the row, where the row has one
    std::string Lage{};     // part-type rows: the position code (edge, layer)
    std::string Material{}; // material rows: the material the row names

    bool operator==(const TSollQuelle&) const = default;
};

// Told of every quantity a record receives. The order hours run sets none.
class TSollBeobachter {
public:
    virtual ~TSollBeobachter() = default;
    // `record` already holds the quantity. TatMaterial: for material rows the material whose
    // activity it is (the row's material, its key-table material or a continuation).
    virtual void Beitrag(const TMSTRecord& record, const TSollHerkunft& origin,
                         const std::string& TatMaterial, double EhMenge, double Stueck) = 0;
    // A data problem of the calculation, which then goes to the observer instead of the
    // calculation error log: an explanation is no run and leaves the run's log alone.
    virtual void Datenproblem(const std::string& text) = 0;
};

} // namespace sollist::solltat
