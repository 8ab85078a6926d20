#include "batch/HerkunftConsole.h"

#include "batch/OrderHoursRun.h"
#include "report/HerkunftText.h"
#include "sollstd/Herkunft.h"

namespace sollist::batch {

std::vector<std::string> PrintHerkunft(const TRunContext& context, const std::vector<std::string>& orders) {
    sollstd::THerkunftRechnung rechnung(context);
    std::vector<std::string> unknown;
    for (const std::string& OfNumm : orders) {
        const sollstd::THerkunft herkunft = rechnung.Erklaere(OfNumm);
        if (!herkunft.Bekannt) {
            context.Print(UnknownOrderLine(OfNumm));
            unknown.push_back(OfNumm);
            continue;
        }
        for (const std::string& line : report::HerkunftTabelle(herkunft)) context.Print(line);
    }
    return unknown;
}

} // namespace sollist::batch
