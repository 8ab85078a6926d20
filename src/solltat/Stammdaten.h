#pragma once
// What the target calculation reads from master data and keeps for later orders.
#include "formula/QFormelDaten.h"
#include "solltat/DmSolltat.h"
#include "solltat/MatTat.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>

namespace sollist::solltat {

// GETKEYTAB's arguments: the material and the bit patterns of the dimensions (the same
// arguments, not merely equal ones).
using TKeyTabArgs = std::tuple<std::string, std::uint64_t, std::uint64_t, std::uint64_t>;

// Master data as the target calculation has read them: kept while the object lives, for one
// Calculate when the calculation holds its own, for a whole run when the run hands one in
// (a run changes no master data, so later orders take what earlier ones read). Each part is
// filled on first use through the data module of whoever calculates with it; the object holds
// plain values and knows no connection, so a copy is whole and independent.
struct TSollStammdaten {
    // The material and activity master sets (the activity with its cost centre) by number,
    // the first row of a number winning; read whole once.
    bool MasterSetsRead = false;
    std::unordered_map<std::string, TTaetigkeitStamm> Taetigkeiten;
    std::unordered_map<std::string, TMaterialStamm> Materialien;
    // GETKEYTAB's first row per argument set; empty: GETKEYTAB gives none.
    std::map<TKeyTabArgs, std::optional<TKeyTabErgebnis>> KeyTab;
    // The activities of materials (MATTATIG): the orders' preloaded, others on first use.
    TMatTatListe Materialtaetigkeiten;
    // The formula model's value tables (TabGK), read with the first order of a run. A
    // calculation without a run's object reads them per order.
    std::optional<formula::TTabGK> TabGK;
};

} // namespace sollist::solltat
