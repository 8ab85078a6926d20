#pragma once
// What the target calculation reads from master data and keeps for later orders.
#include "formula/QFormelDaten.h"
#include "solltat/KeyTabCache.h"
#include "solltat/MatTat.h"
#include "solltat/StammIndex.h"

#include <optional>

namespace sollist::solltat {

// Master data as the target calculation has read them: kept while the object lives, which the
// caller decides (a run keeps one for all its orders, since it changes no master data; a
// calculation meant as if alone gets a new one). Each part is
// filled on first use through the data module of whoever calculates with it; the object holds
// plain values and knows no connection, so a copy is whole and independent.
struct TSollStammdaten {
    // The material and activity master sets (the activity with its cost centre) by number,
    // the first row of a number winning; read whole once.
    bool MasterSetsRead = false;
    TStammIndex Stammsaetze;
    // GETKEYTAB's first row per argument set.
    TKeyTabCache KeyTab;
    // The activities of materials (MATTATIG): the orders' preloaded, others on first use.
    TMatTatListe Materialtaetigkeiten;
    // The formula model's value tables (TabGK), read with the first order calculated.
    std::optional<formula::TTabGK> TabGK;
};

} // namespace sollist::solltat
