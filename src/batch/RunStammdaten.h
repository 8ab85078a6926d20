#pragma once
// The master data one run over orders keeps: read by the first order that needs them and
// taken from there by every later one, because the run changes no master data (it writes
// only AufSStd, the order totals in Auftrag and its own SOLLTAT).
//
// Whose: the run owns the object, for as long as it goes; the calculators of the run borrow
// their part through their constructors and read into it through their own connection. The
// object holds plain values and knows no connection or data module.
//
// Workers with a connection each: a copy is whole and independent, so each worker may get its
// own, empty or copied from one a first order has filled. To share one object between workers
// instead, the points that fill it need a lock (the master sets in Tdm_Solltat::OpenTables,
// Tdm_Solltat::KeyTable, TMatTat::InitializeFill and LoadMat, TQFormelLoader's value tables,
// TIstStunden's wage rows); what is in it is never changed or removed once there, and entries
// stay where they are while others are added.
#include "ist/IstStunden.h"
#include "solltat/SollStammdaten.h"

namespace sollist::batch {

struct TStammdaten {
    // Of the target calculation: the material and activity master sets, the key-table results
    // (GETKEYTAB), the activities of materials (MATTATIG), the value tables (TabGK).
    solltat::TSollStammdaten Soll;
    // Of the actual hours: each employee's wage rows (MiLohn).
    ist::TLohnStamm Lohn;
};

} // namespace sollist::batch
