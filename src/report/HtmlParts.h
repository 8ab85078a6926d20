#pragma once
// The parts of the report's HTML that the one page (Html.h) and the site (Site.h) share: the
// page's head and styles, the header, the overview with its column table, the activities over
// the orders and an order's block.
#include "report/ReportData.h"

#include <functional>
#include <string>
#include <string_view>

namespace sollist::report {

// How the overview is written: on the one page its orders link to their blocks; on the site to
// their pages, its heads carry how the script sorts them, and the site adds its filters and what
// each row is filtered by.
struct TOverviewOptions {
    bool Site = false;
    std::function<void(std::string& out)> Filters{};                                 // after the legend
    std::function<void(std::string& out, const TOrderHours& order)> RowAttributes{}; // inside <tr>
};

// An order's block and where its link back to the overview leads.
struct TOrderDetail {
    const TOrderHours& Order;
    std::string_view BackLink; // "#uebersicht", or the overview's page
    bool Buchungen = false;    // with the bookings behind the actual hours (an order's own page)
};

// <!DOCTYPE> through <body>: the title with the company and the day, the report's styles (the
// explanation's when `herkunft`) and moreStyle.
void AppendPageStart(std::string& out, const TReport& report, std::string_view title, bool herkunft,
                     std::string_view moreStyle);
// The report's header: title, company, database, time written, latest booking, open orders.
void AppendHeader(std::string& out, const TReport& report);
void AppendOverview(std::string& out, const TReport& report, const TOverviewOptions& options);
void AppendActivities(std::string& out, const TReport& report);
void AppendOrderDetail(std::string& out, const TOrderDetail& detail);

// The file name of an order's page on the site: "o-" and the order number, each character
// other than an upper-case letter, a digit or "-" written as "_" and two hex digits per byte,
// and ".html". Safe on every file system and in a URL, distinct also where case is not.
std::string OrderPageName(std::string_view ofNumm);

} // namespace sollist::report
