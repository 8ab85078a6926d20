#include "batch/OrderHoursRun.h"

namespace sollist::batch {

// Placeholder until the order hours run is wired in.
void RunOrderHours() {}

} // namespace sollist::batch
