#pragma once
#include "common/RunContext.h"

namespace sollist::batch {

// The run over all open orders, on the context's connection (connected).
void RunOrderHours(const TRunContext& context);

} // namespace sollist::batch
