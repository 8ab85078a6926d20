#pragma once
// sollist --order OFFERT --herkunft: the explanation of the named orders' target hours as
// plain tables on the console. Calculates as the run does into the connection's own SOLLTAT
// and writes nothing else.
#include "db/RunContext.h"

#include <string>
#include <string_view>
#include <vector>

namespace sollist::batch {

// A line of the database's texts fit for a terminal: control characters (escape sequences,
// bell, line breaks) as their visible pictures (␛ ␇ ␊), a byte that is no UTF-8 as �, each one
// character wide as before.
std::string Visible(std::string_view line);

// One table per order, in the order given. Returns the numbers that are no order (each named
// with the run's line for an unknown order).
std::vector<std::string> PrintHerkunft(const TRunContext& context, const std::vector<std::string>& orders);

} // namespace sollist::batch
