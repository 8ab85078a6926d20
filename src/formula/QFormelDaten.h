#pragma once
// The rows of one order as the formula model reads them, each list in its query's order
// (sorted by position, assembly, part type, CNC number). The model evaluates them without
// the database.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::formula {

// POS_BGR: one assembly of a position.
struct TBgrRow {
    std::string ApNumm;
    std::int32_t BgLfNr = 0;
    std::int32_t Menge = 0;
    double Breite = 0, Hoehe = 0, Tiefe = 0;
};

// POSBGRVA: one variable of an assembly.
struct TBgVarRow {
    std::string ApNumm;
    std::int32_t BgLfNr = 0;
    std::string Num;
    double Wert = 0;
};

// POS_TYP: one part type of an assembly with its dimension formulas.
struct TTTyRow {
    std::string ApNumm;
    std::int32_t BgLfNr = 0;
    std::int32_t LfdNr = 0;
    std::int32_t NrInBgrp = 0;
    std::string Menge, Laenge, Breite, Dicke;
};

// ATCNC: one CNC row of a part type; only the formula ACVW0 is read.
struct TCNCRow {
    std::string ApNumm;
    std::int32_t BgLfNr = 0;
    std::int32_t TyLfdNr = 0;
    std::int32_t Nummer = 0;
    std::string Formel;
};

// Value table texts by TabNr (the first row of a number).
using TTabGK = std::unordered_map<std::int32_t, std::string>;

struct TQFormelDaten {
    std::vector<TBgrRow> Bgr;
    std::vector<TBgVarRow> Vars;
    std::vector<TTTyRow> TTy;
    std::vector<TCNCRow> CNC;
    TTabGK TabGK;
};

} // namespace sollist::formula
