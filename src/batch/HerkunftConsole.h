#pragma once
// sollist --order OFFERT --herkunft: the explanation of the named orders' target hours as
// plain tables on the console. Calculates as the run does into the connection's own SOLLTAT
// and writes nothing else.
#include "common/RunContext.h"

#include <string>
#include <vector>

namespace sollist::batch {

// One table per order, in the order given. Returns the numbers that are no order (each named
// with the run's line for an unknown order).
std::vector<std::string> PrintHerkunft(const TRunContext& context, const std::vector<std::string>& orders);

} // namespace sollist::batch
