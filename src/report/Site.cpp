#include "report/Site.h"

#include "common/Errors.h"
#include "common/Files.h"
#include "db/Value.h"
#include "report/Course.h"
#include "report/CourseChart.h"
#include "report/Csv.h"
#include "report/Format.h"
#include "report/Html.h"
#include "report/HtmlParts.h"

#include <fmt/format.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <iterator>
#include <set>

namespace sollist::report {

namespace fs = std::filesystem;

namespace {

using Out = std::back_insert_iterator<std::string>;

constexpr std::string_view kCsvName = "sollist-bericht.csv";
constexpr std::string_view kSitePrefix = "bericht-";

constexpr std::string_view kSiteStyle = R"(
form.filter{display:flex;flex-wrap:wrap;gap:.4em 1em;align-items:center;margin:.4em 0 .6em;padding:.4em .6em;background:#eef1f4}
form.filter[hidden]{display:none}
form.filter label{white-space:nowrap}
form.filter output{color:#56606b}
th[data-sort]{cursor:pointer}
th[aria-sort=ascending]::after{content:" ▴"}th[aria-sort=descending]::after{content:" ▾"}
p.datei{margin:.6em 0}
@media print{form.filter{display:none}}
)";

// Filters, search and sorting of the overview. The rows stay in the page as written, so that
// without script the whole table shows; the script hides, orders and refills the blocks of 60.
// Cells without a value ("ohne Soll", no day) sort last either way.
constexpr std::string_view kSiteScript = R"(<script>
(function(){
var form=document.getElementById('filter');if(!form)return;
var bodies=[].slice.call(document.querySelectorAll('#uebersicht tbody'));
var rows=[];bodies.forEach(function(b){rows=rows.concat([].slice.call(b.rows));});
var count=form.querySelector('output'),col=-1,dir=1,kind='t';
function key(tr){var t=tr.cells[col].textContent;
if(kind=='n'){var v=parseFloat(t.replace(/\u2212/g,'-').replace(/[^0-9,+-]/g,'').replace(',','.'));return isNaN(v)?null:v;}
if(kind=='d'){var m=/(\d\d)\.(\d\d)\.(\d{4})/.exec(t);return m?m[3]+m[2]+m[1]:null;}
return t.toLowerCase();}
function has(list,v){return ('|'+list+'|').indexOf('|'+v+'|')>=0;}
function update(){
var e=form.elements,z=e.z.value,t=e.t.value,k=e.k.value,q=e.q.value.trim().toLowerCase();
var list=rows.filter(function(tr){var d=tr.dataset;
return (!z||has(d.f,z))&&(!t||has(d.t,t))&&(!k||has(d.k,k))&&(!q||tr.textContent.toLowerCase().indexOf(q)>=0);});
if(col>=0){var keyed=list.map(function(tr,i){return [key(tr),i,tr];});
keyed.sort(function(a,b){if((a[0]===null)!=(b[0]===null))return a[0]===null?1:-1;
return a[0]<b[0]?-dir:a[0]>b[0]?dir:a[1]-b[1];});
list=keyed.map(function(x){return x[2];});}
bodies.forEach(function(b,i){var part=list.slice(i*60,i*60+60);
while(b.firstChild)b.removeChild(b.firstChild);
part.forEach(function(tr){b.appendChild(tr);});
b.parentNode.parentNode.hidden=!part.length&&i<bodies.length-1;});
count.value=list.length+' von '+rows.length+' Aufträgen';}
form.hidden=false;
form.addEventListener('input',update);form.addEventListener('change',update);
form.addEventListener('submit',function(ev){ev.preventDefault();});
document.addEventListener('click',function(ev){var th=ev.target.closest('#uebersicht th[data-sort]');if(!th)return;
var i=th.cellIndex;dir=i==col?-dir:1;col=i;kind=th.dataset.sort;
document.querySelectorAll('#uebersicht th[data-sort]').forEach(function(h){
if(h.cellIndex==col)h.setAttribute('aria-sort',dir>0?'ascending':'descending');else h.removeAttribute('aria-sort');});
update();});
update();
})();
</script>
)";

// What a row is filtered by, as tokens: over its target, newly over this or last week, without a
// target, closed.
struct TFilter {
    std::string_view Token;
    std::string_view Label;
    bool (*Applies)(const TOrderHours& order, double today);
};

constexpr TFilter kFilters[] = {
    {"ueber", "über Soll", [](const TOrderHours& o, double) { return Overrun(o.Differenz()); }},
    {"neu0", "neu über Soll diese Woche",
     [](const TOrderHours& o, double today) {
         return o.OverSince > 0 && MondayOf(o.OverSince) == MondayOf(today);
     }},
    {"neu1", "neu über Soll letzte Woche",
     [](const TOrderHours& o, double today) {
         return o.OverSince > 0 && MondayOf(o.OverSince) == MondayOf(today) - 7;
     }},
    {"ohne", "ohne Soll", [](const TOrderHours& o, double) { return !HasTarget(o.Soll); }},
    {"abg", "abgeschlossen", [](const TOrderHours& o, double) { return o.Abgeschlossen > 0; }},
};

double TodayOf(const TReport& report) { return std::floor(report.WrittenAt); }

void AppendAttribute(std::string& out, std::string_view name, const std::string& value) {
    fmt::format_to(Out(out), R"( {}="{}")", name, HtmlEscape(value));
}

// Values joined by "|", as the script looks them up.
std::string Joined(const std::set<std::string>& values) {
    std::string text;
    for (const std::string& value : values) {
        if (!text.empty())
            text += '|';
        text += value;
    }
    return text;
}

void AppendRowAttributes(std::string& out, const TOrderHours& order, double today) {
    std::set<std::string> tokens, activities, costCentres;
    for (const TFilter& filter : kFilters)
        if (filter.Applies(order, today))
            tokens.emplace(filter.Token);
    for (const TActivityHours& row : order.Activities) {
        activities.insert(row.RmTat);
        costCentres.insert(row.KoNumm);
    }
    AppendAttribute(out, "data-f", Joined(tokens));
    AppendAttribute(out, "data-t", Joined(activities));
    AppendAttribute(out, "data-k", Joined(costCentres));
}

void AppendOptions(std::string& out, const std::set<std::pair<std::string, std::string>>& values) {
    for (const auto& [value, label] : values)
        fmt::format_to(Out(out), R"(<option value="{}">{}</option>)", HtmlEscape(value), HtmlEscape(label));
}

// The filter bar, hidden until the script shows it.
void AppendFilters(std::string& out, const TReport& report) {
    out +=
        R"(<form class="filter" id="filter" hidden><label>Zeige <select name="z"><option value="">alle</option>)";
    for (const TFilter& filter : kFilters)
        fmt::format_to(Out(out), R"(<option value="{}">{}</option>)", filter.Token, filter.Label);
    std::set<std::pair<std::string, std::string>> activities, costCentres;
    for (const TActivityTotal& activity : report.Activities)
        activities.emplace(activity.RmTat,
                           activity.Name.empty() ? activity.RmTat : activity.RmTat + " " + activity.Name);
    for (const TOrderHours& order : report.Orders)
        for (const TActivityHours& row : order.Activities) costCentres.emplace(row.KoNumm, row.KoNumm);
    out += R"(</select></label> <label>Tätigkeit <select name="t"><option value="">alle</option>)";
    AppendOptions(out, activities);
    out += R"(</select></label> <label>Kostenstelle <select name="k"><option value="">alle</option>)";
    AppendOptions(out, costCentres);
    out +=
        R"(</select></label> <label>Suche <input type="search" name="q" size="18"></label> <output></output></form>)"
        "\n";
}

} // namespace

std::string SiteIndex(const TReport& report) {
    std::string out;
    out.reserve(16384 + report.Orders.size() * 1536);
    AppendPageStart(out, report, "Soll-Ist-Bericht", false, kSiteStyle);
    AppendHeader(out, report);
    fmt::format_to(Out(out),
                   R"(<p class="datei">Die Zahlen als Tabelle: <a href="{}">{}</a></p>)"
                   "\n",
                   kCsvName, kCsvName);
    if (report.Orders.empty()) {
        out += R"(<section id="uebersicht">)"
               "\n<h2>Offene Aufträge</h2>\n<p class=\"leer\">";
        out += report.Selected ? "Keine der gewählten Offerten ist offen." : "Keine offenen Aufträge.";
        out += "</p>\n</section>\n</body>\n</html>\n";
        return out;
    }
    const double today = TodayOf(report);
    TOverviewOptions options{
        .Site = true,
        .Filters = [&](std::string& page) { AppendFilters(page, report); },
        .RowAttributes = [&](std::string& page,
                             const TOrderHours& order) { AppendRowAttributes(page, order, today); }};
    AppendOverview(out, report, options);
    AppendActivities(out, report);
    out += kSiteScript;
    out += "</body>\n</html>\n";
    return out;
}

namespace {

// The parts of an order's page, in their order: a new part is one entry here.
constexpr void (*kOrderPageParts[])(std::string&, const TReport&, const TOrderHours&) = {
    [](std::string& out, const TReport& report, const TOrderHours&) {
        out += R"(<header><p class="zurueck"><a href="../index.html">← Übersicht</a></p>)";
        if (!report.Firma.empty())
            fmt::format_to(Out(out), R"(<p class="firma">{}</p>)", HtmlEscape(report.Firma));
        fmt::format_to(Out(out), "<p class=\"hinweis\">Soll-Ist-Bericht vom {}</p></header>\n",
                       FormatDateTime(report.WrittenAt));
    },
    [](std::string& out, const TReport&, const TOrderHours&) { AppendCourseLegend(out); },
    [](std::string& out, const TReport&, const TOrderHours& order) {
        AppendOrderDetail(out, {order, "../index.html", true});
    },
};

} // namespace

std::string SiteOrderPage(const TReport& report, const TOrderHours& order) {
    std::string out;
    out.reserve(8192 + order.HerkunftHtml.size());
    AppendPageStart(out, report, "Offert " + order.OfNumm, true, kSiteStyle);
    for (const auto part : kOrderPageParts) part(out, report, order);
    out += "</body>\n</html>\n";
    return out;
}

namespace {

// "bericht-2026-12-11-0615-<pid>": sorts by time, distinct per process.
std::string SiteFolderName(const TReport& report) {
    int year = 0, month = 0, day = 0;
    db::DecodeDate(report.WrittenAt, year, month, day);
    const int minutes =
        static_cast<int>(std::lround((report.WrittenAt - std::floor(report.WrittenAt)) * 1440));
    return fmt::format("{}{:04}-{:02}-{:02}-{:02}{:02}-{}", kSitePrefix, year, month, day, minutes / 60,
                       minutes % 60, ::getpid());
}

[[noreturn]] void CannotWrite(const fs::path& path, const std::error_code& error) {
    sollist::ThrowCannotWrite(path.string(), error.value());
}

// The page at the folder's top, for those who open the folder: it leads to the current site.
constexpr std::string_view kEntryPage =
    "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"refresh\" content=\"0; url=current/index.html\">\n<title>Soll-Ist-Bericht</title>\n"
    "</head>\n<body>\n<p><a href=\"current/index.html\">Zum Soll-Ist-Bericht</a></p>\n</body>\n</html>\n";

} // namespace

TSiteWriter::TSiteWriter(fs::path folder, const TReport& report) : FFolder(std::move(folder)) {
    std::error_code error;
    fs::create_directories(FFolder, error);
    if (error)
        CannotWrite(FFolder, error);
    FSite = FFolder / SiteFolderName(report);
    fs::create_directory(FSite, error);
    if (!error)
        fs::create_directory(FSite / "auftrag", error);
    if (error)
        CannotWrite(FSite, error);
}

TSiteWriter::~TSiteWriter() {
    if (FFinished)
        return;
    std::error_code ignored;
    fs::remove_all(FSite, ignored);
}

void TSiteWriter::Write(const fs::path& path, const std::string& content) {
    if (const std::error_code error = ReplaceFile(path, content))
        CannotWrite(path, error);
}

void TSiteWriter::WriteOrderPage(const TReport& report, const TOrderHours& order) {
    Write(FSite / "auftrag" / OrderPageName(order.OfNumm), SiteOrderPage(report, order));
}

void TSiteWriter::Finish(const TReport& report) {
    Write(FSite / std::string(kCsvName), CsvReport(report));
    Write(FSite / "index.html", SiteIndex(report));
    // The new link beside the old one, renamed over it: one step for every reader.
    const fs::path link = FFolder / ("current." + std::to_string(::getpid()) + ".neu");
    std::error_code error;
    fs::remove(link, error);
    fs::create_directory_symlink(FSite.filename(), link, error);
    if (!error)
        fs::rename(link, FFolder / "current", error);
    if (error) {
        std::error_code ignored;
        fs::remove(link, ignored);
        CannotWrite(FFolder / "current", error);
    }
    FFinished = true;
    Write(FFolder / "index.html", std::string(kEntryPage));
    // Older sites, and those of reports that stopped half way.
    for (const fs::directory_entry& entry : fs::directory_iterator(FFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kSitePrefix, 0) == 0 && entry.path() != FSite && entry.is_directory(error)) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

} // namespace sollist::report
