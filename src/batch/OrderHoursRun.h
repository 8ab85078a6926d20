#pragma once
#include "db/RunContext.h"

#include <string>
#include <vector>

namespace sollist::batch {

// The run over all open orders, or over the given orders only, on the context's connection
// (connected). Returns the orders skipped: held by a user past the lock timeout, or unknown.
// With more than one worker, the run over all open orders shares them out among that many
// connections of their own (OrderWorkers.h); named orders always run on the context's.
std::vector<std::string> RunOrderHours(const TRunContext& context,
                                       const std::vector<std::string>& orders = {}, unsigned workers = 1);

// The console line for a number on the command line that is no order.
std::string UnknownOrderLine(const std::string& OfNumm);

} // namespace sollist::batch
