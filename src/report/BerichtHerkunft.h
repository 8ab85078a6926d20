#pragma once
// The explanation of the target hours in the report (sollist-bericht --herkunft): each order
// calculated as the run does, its explanation set against the rows the run stored.
#include "db/RunContext.h"
#include "report/ReportData.h"
#include "sollstd/Herkunft.h"

#include <functional>
#include <vector>

namespace sollist::report {

// A stored AufSStd row of the order and the explanation's group of the same reporting
// activity and cost centre; either may be missing when the order or the master data changed
// since the run.
struct TAbgleich {
    const TActivityHours* Gespeichert = nullptr;
    const sollstd::THerkunftGruppe* Gruppe = nullptr;

    double GespeichertSoll() const { return Gespeichert != nullptr ? Gespeichert->Soll : 0.0; }
    double JetztSoll() const { return Gruppe != nullptr ? Gruppe->MitZuschlag : 0.0; }
};

// The stored rows in their order, then the groups that have no stored row.
std::vector<TAbgleich> Abgleiche(const TOrderHours& order, const sollstd::THerkunft& herkunft);

// Whether two target figures read differently in the report (hours with two decimals).
bool Geaendert(double gespeichert, double jetzt);

// Explains every order of the report and writes its part of the page and its CSV rows.
// context: the connection, the error log folder and the day (no console: the calculation's
// lines go into each explanation). explained, when given, receives each order as soon as its
// parts are written (the site writes its page then and drops the part of the page).
void ErklaereAuftraege(TReport& report, const TRunContext& context,
                       const std::function<void(TOrderHours& order)>& explained = {});

} // namespace sollist::report
