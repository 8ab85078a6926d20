#pragma once
// The report as a small static site in a folder, for a file share or a web server:
//
//   <folder>/index.html               points at current/index.html
//   <folder>/current                  symbolic link to the site of the last report
//   <folder>/bericht-<time>-<pid>/    one site:
//       index.html                    the overview: filters, search, sorting by a script inside
//                                     the page; without script the whole table
//       auftrag/o-<number>.html       one page per order (OrderPageName): figures, course,
//                                     each activity opening onto the explanation of its target
//       sollist-bericht.csv           the CSV (Csv.h)
//
// The site is written into a new folder beside the last one and put in place by renaming a new
// link over `current`: a reader sees the old site or the new one, never a mix, and a report
// that fails leaves the old one as it was. Older sites are removed afterwards.
#include "report/ReportData.h"

#include <filesystem>
#include <string>

namespace sollist::report {

// The overview page of the site (index.html) of an arranged report.
std::string SiteIndex(const TReport& report);
// An order's page.
std::string SiteOrderPage(const TReport& report, const TOrderHours& order);

class TSiteWriter {
public:
    // Creates the new site's folder in `folder` (and `folder` itself when missing); raises
    // EInOutError when it cannot.
    TSiteWriter(std::filesystem::path folder, const TReport& report);
    // A site not finished is removed.
    ~TSiteWriter();
    TSiteWriter(const TSiteWriter&) = delete;
    TSiteWriter& operator=(const TSiteWriter&) = delete;

    // Writes the order's page (as soon as its explanation is known, so that no more than one
    // page's explanation is held).
    void WriteOrderPage(const TReport& report, const TOrderHours& order);
    // Writes the overview and the CSV and makes the site the current one.
    void Finish(const TReport& report);

    // The current site's overview, as the user opens it.
    std::filesystem::path IndexPath() const { return FFolder / "current" / "index.html"; }

private:
    std::filesystem::path FFolder;
    std::filesystem::path FSite; // the new site's folder
    bool FFinished = false;

    void Write(const std::filesystem::path& path, const std::string& content);
};

} // namespace sollist::report
