#include "batch/OrderHoursRun.h"

#include "batch/BLXExport.h"
#include "batch/OrderWorkers.h"

namespace sollist::batch {

std::vector<std::string> RunOrderHours(const TRunContext& context, const std::vector<std::string>& orders,
                                       unsigned workers) {
    if (orders.empty() && workers > 1)
        return RunOrderHoursOnWorkers(context, workers);
    Tdm_BLXExport module(context); // reads the surcharge factor
    if (orders.empty())
        module.CalcSollIst();
    else
        module.CalcOrders(orders);
    return module.SkippedOrders;
}

std::string UnknownOrderLine(const std::string& OfNumm) {
    return "Offert " + OfNumm + " gibt es nicht; nichts berechnet.";
}

} // namespace sollist::batch
