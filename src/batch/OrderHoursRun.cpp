#include "batch/OrderHoursRun.h"

#include "batch/BLXExport.h"

namespace sollist::batch {

std::vector<std::string> RunOrderHours(const TRunContext& context, const std::vector<std::string>& orders) {
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
