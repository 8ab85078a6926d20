#pragma once
#include "common/RunContext.h"

#include <string>
#include <vector>

namespace sollist::batch {

// The run over all open orders, or over the given orders only, on the context's connection
// (connected). Returns the orders skipped: held by a user past the lock timeout, or unknown.
std::vector<std::string> RunOrderHours(const TRunContext& context,
                                       const std::vector<std::string>& orders = {});

// The console line for a number on the command line that is no order.
std::string UnknownOrderLine(const std::string& OfNumm);

} // namespace sollist::batch
