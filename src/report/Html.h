#pragma once
// The report as one self-contained HTML page: inline CSS and SVG bars, no scripts, no
// requests, German labels, laid out for the screen and for A4 paper.
#include "report/ReportData.h"

#include <string>
#include <string_view>

namespace sollist::report {

// The page of an arranged report (see Arrange).
std::string HtmlReport(const TReport& report);

// Text as HTML character data or attribute value: & < > " ' as references, control
// characters other than tab and line feed as blanks.
std::string HtmlEscape(std::string_view text);

// The id of an order's detail block: "o-" and the order number, every character other than
// a letter, digit or "-" written as "_" and two hex digits per byte.
std::string OrderAnchor(std::string_view ofNumm);

} // namespace sollist::report
