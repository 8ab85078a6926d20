#pragma once
// The explanation of an order's target hours in its detail block: every activity row opens
// (<details>, no script) onto the records of its reporting activity, grouped by position with
// the part-type elements beneath, and says where the explanation no longer matches what the
// run stored.
#include "report/ReportData.h"
#include "sollstd/Herkunft.h"

#include <string>
#include <string_view>

namespace sollist::report {

// The styles of the explanation, added to the page's when it has one.
extern const std::string_view kHerkunftStyle;

// The activity part of the order's detail block; empty when the order has neither stored
// rows nor target hours now.
std::string HerkunftHtml(const TOrderHours& order, const sollstd::THerkunft& herkunft);

} // namespace sollist::report
