#include "batch/OrderHoursRun.h"

#include "batch/BLXExport.h"

namespace sollist::batch {

void RunOrderHours() {
    Tdm_BLXExport module;   // reads the surcharge factor
    module.CalcSollIst();
}

} // namespace sollist::batch
