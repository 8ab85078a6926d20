#include "report/BerichtHerkunft.h"

#include "report/Format.h"
#include "report/HerkunftCsv.h"
#include "report/HerkunftHtml.h"

#include <set>

namespace sollist::report {

std::vector<TAbgleich> Abgleiche(const TOrderHours& order, const sollstd::THerkunft& herkunft) {
    std::vector<TAbgleich> out;
    std::set<const sollstd::THerkunftGruppe*> matched;
    for (const TActivityHours& row : order.Activities) {
        TAbgleich abgleich{&row, nullptr};
        for (const sollstd::THerkunftGruppe& gruppe : herkunft.Gruppen)
            if (gruppe.RmTat == row.RmTat && gruppe.KoNumm == row.KoNumm)
                abgleich.Gruppe = &gruppe;
        if (abgleich.Gruppe != nullptr)
            matched.insert(abgleich.Gruppe);
        out.push_back(abgleich);
    }
    for (const sollstd::THerkunftGruppe& gruppe : herkunft.Gruppen)
        if (!matched.contains(&gruppe))
            out.push_back({nullptr, &gruppe});
    return out;
}

bool Geaendert(double gespeichert, double jetzt) { return FormatHours(gespeichert) != FormatHours(jetzt); }

void ErklaereAuftraege(TReport& report, const TRunContext& context,
                       const std::function<void(TOrderHours& order)>& explained) {
    report.Herkunft = true;
    sollstd::THerkunftRechnung rechnung(context);
    for (TOrderHours& order : report.Orders) {
        const sollstd::THerkunft herkunft = rechnung.Erklaere(order.OfNumm);
        order.HerkunftHtml = HerkunftHtml(order, herkunft);
        order.HerkunftCsv = HerkunftCsv(order, herkunft);
        if (explained)
            explained(order);
    }
}

} // namespace sollist::report
