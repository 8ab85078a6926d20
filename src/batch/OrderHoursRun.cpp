#include "batch/OrderHoursRun.h"

#include "batch/BLXExport.h"

namespace sollist::batch {

void RunOrderHours(const TRunContext& context) {
    Tdm_BLXExport module(context); // reads the surcharge factor
    module.CalcSollIst();
}

} // namespace sollist::batch
