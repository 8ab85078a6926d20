// The report of the demo database opened in a real browser (headless Chromium): the rows and
// figures of the page as the browser built it, the course chart of order 24001 read back as
// hours, texts from the database as text, and a screenshot next to the test output
// (tests/report/bericht-demo.png in the build folder); with --herkunft, an activity of the
// kitchen opened onto its records (bericht-herkunft.png).
#include "ReportTestSupport.h"
#include "db/DataSet.h"
#include "db/Value.h"
#include "solltat/SollStammdaten.h"
#include "solltat/Solltat.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace sollist::report {
namespace {

namespace fs = std::filesystem;
using test::TestDatabase;
using namespace support;

// Headless Chromium with a fresh profile and without the background connections a closed
// network refuses; returns standard output.
std::string RunChromium(const std::vector<std::string>& args) {
    std::string profile = (fs::temp_directory_path() / "sollist-chromium-XXXXXX").string();
    if (::mkdtemp(profile.data()) == nullptr)
        throw std::runtime_error("cannot create a profile folder");
    std::string command =
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--user-data-dir='" +
        profile + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " 2>/dev/null";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot start chromium");
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = ::pclose(pipe);
    std::error_code ignored;
    fs::remove_all(profile, ignored);
    if (status != 0)
        throw std::runtime_error("chromium failed (status " + std::to_string(status) + "): " + command);
    return output;
}

// The part of the DOM from the element with this start tag to the end of its section.
std::string SectionOf(const std::string& dom, const std::string& startTag) {
    const std::size_t begin = dom.find(startTag);
    if (begin == std::string::npos)
        return {};
    return dom.substr(begin, dom.find("</section>", begin) - begin);
}

// The text of each cell of each body row of the tables in a piece of DOM.
std::vector<std::vector<std::string>> BodyRows(const std::string& html) {
    static const std::regex body(R"(<tbody>([\s\S]*?)</tbody>)");
    static const std::regex row(R"(<tr[^>]*>([\s\S]*?)</tr>)");
    static const std::regex cell(R"(<td[^>]*>([\s\S]*?)</td>)");
    static const std::regex tag(R"(<[^>]*>)");
    std::vector<std::vector<std::string>> rows;
    const std::sregex_iterator last;
    for (std::sregex_iterator b(html.begin(), html.end(), body); b != last; ++b) {
        const std::string bodyText = (*b)[1];
        for (std::sregex_iterator r(bodyText.begin(), bodyText.end(), row); r != last; ++r) {
            const std::string cells = (*r)[1];
            std::vector<std::string> texts;
            for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != last; ++c)
                texts.push_back(std::regex_replace(std::string((*c)[1]), tag, ""));
            rows.push_back(texts);
        }
    }
    return rows;
}

std::string DateText(double dayNumber) {
    int year = 0, month = 0, day = 0;
    db::DecodeDate(dayNumber, year, month, day);
    return fmt::format("{:02}.{:02}.{}", day, month, year);
}

struct StoredOrder {
    std::string ofNumm;
    double soll = 0;
    double ist = 0;
    int activities = 0;
    double regie = 0;

    // Time and material counts not against the target.
    double Differenz() const { return ist - regie - soll; }
};

// The open orders with their totals and number of AufSStd rows, worst overrun first.
std::vector<StoredOrder> StoredOrders(db::TIBCConnection& connection) {
    db::TIBCQuery query(connection, "qryStored");
    query.SetSQL({"SELECT AOFNUMM, COALESCE(ASSOLLSTND, 0), "
                  "COALESCE(ASISTSTND, 0) + COALESCE(ASREGSTND, 0) + COALESCE(AOFFSTND, 0) AS IST, "
                  "(SELECT COUNT(*) FROM AUFSSTD WHERE ASOFNUMM = AOFNUMM), COALESCE(ASREGSTND, 0) "
                  "FROM AUFTRAG WHERE ASABGESCHL IS NULL OR ASABGESCHL > CURRENT_DATE - 60 "
                  "ORDER BY AOFNUMM"});
    std::vector<StoredOrder> orders;
    for (query.Open(); !query.Eof(); query.Next())
        orders.push_back({query.Fields(0).AsString(), query.Fields(1).AsFloat(), query.Fields(2).AsFloat(),
                          static_cast<int>(query.Fields(3).AsInteger()), query.Fields(4).AsFloat()});
    std::stable_sort(orders.begin(), orders.end(), [](const StoredOrder& a, const StoredOrder& b) {
        return a.Differenz() > b.Differenz();
    });
    return orders;
}

TEST(BerichtBrowser, DemoReportShowsTheStoredFiguresAndIsPhotographed) {
    TestDatabase db;
    LoadDemoWithHours(db);
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteSettings("[CONNECTION1]\nText=Demo-Schreinerei\nDataBase=" + db.Database() + "\nServer=\n");
    ASSERT_EQ(folder.Run().exitStatus, 0);
    const std::string url = "file://" + (folder.Dir() / "sollist-bericht.html").string();

    const std::string dom = RunChromium({"--dump-dom", url});
    ASSERT_NE(dom.find("<h1>Soll-Ist-Bericht</h1>"), std::string::npos) << dom.substr(0, 500);
    EXPECT_NE(dom.find("Demo-Schreinerei"), std::string::npos);

    const std::vector<StoredOrder> stored = StoredOrders(db.Connection().IBCConnection);
    ASSERT_EQ(stored.size(), 3u);
    // By hand from the demo's time records and wage factors: 24001 passes its 21.59 h three
    // days ago (15.30 h before, 26.00 h after), 24002 its 12.16 h 15 days ago (8.70 -> 14.65 h);
    // the repair 24004 has no target.
    const std::map<std::string, std::string> overSince = {
        {"24001", DateText(db::Today() - 3)}, {"24002", DateText(db::Today() - 15)}, {"24004", ""}};
    const auto overview = BodyRows(SectionOf(dom, R"(<section id="uebersicht">)"));
    ASSERT_EQ(overview.size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const StoredOrder& order = stored[i];
        const auto& cells = overview[i];
        ASSERT_EQ(cells.size(), 11u);
        EXPECT_EQ(cells[0], order.ofNumm) << "worst overrun first";
        EXPECT_NEAR(GermanNumber(cells[2]), order.soll, 0.005) << order.ofNumm;
        EXPECT_NEAR(GermanNumber(cells[6]), order.ist, 0.005) << order.ofNumm;
        EXPECT_NEAR(GermanNumber(cells[7]), order.Differenz(), 0.01) << order.ofNumm;
        if (order.soll == 0) {
            EXPECT_EQ(cells[8], "ohne Soll") << order.ofNumm;
        } else {
            EXPECT_NEAR(GermanNumber(cells[8]), order.Differenz() / order.soll * 100, 0.05) << order.ofNumm;
        }
        EXPECT_EQ(cells[2].substr(cells[2].size() - 2), " h");
        EXPECT_EQ(cells[9], overSince.at(order.ofNumm)) << order.ofNumm << ": über Soll seit";

        // Its detail block, which the overview links to, lists its stored activity rows.
        const std::string anchor = "o-" + order.ofNumm;
        EXPECT_NE(dom.find(R"(<a href="#)" + anchor + R"(">)" + order.ofNumm + "</a>"), std::string::npos);
        const std::string block = SectionOf(dom, R"(<section class="auftrag" id=")" + anchor + R"(">)");
        const auto details = BodyRows(block.substr(block.find(R"(<table class="fest einzeln">)")));
        EXPECT_EQ(static_cast<int>(details.size()), order.activities) << order.ofNumm;
    }
    // 24001's course read back from the chart the browser built: it ends at the stored actual
    // hours and names the day it passed the target, which the overview shows too.
    const auto kitchen =
        std::find_if(stored.begin(), stored.end(), [](const StoredOrder& o) { return o.ofNumm == "24001"; });
    ASSERT_NE(kitchen, stored.end());
    const CourseChart chart = ReadCourseChart(SectionOf(dom, R"(<section class="auftrag" id="o-24001">)"));
    EXPECT_NEAR(chart.HoursAt(chart.End().second), kitchen->ist, 0.05);
    EXPECT_TRUE(chart.HasText("über Soll seit " + overSince.at("24001")));
    EXPECT_TRUE(chart.HasText("Soll 21,59 h"));
    EXPECT_TRUE(chart.HasText("Ist 26,00 h"));
    EXPECT_NEAR(kitchen->ist, 26.0, 1e-9);
    EXPECT_NEAR(kitchen->soll, 21.59, 0.005);
    EXPECT_NE(dom.find(R"(<svg class="wochen")"), std::string::npos) << "the last weeks above the overview";

    const auto activities = BodyRows(SectionOf(dom, R"(<section id="taetigkeiten">)"));
    EXPECT_EQ(std::to_string(activities.size()),
              db.QueryValue("SELECT COUNT(DISTINCT ASRMTAT) FROM AUFSSTD JOIN AUFTRAG ON AOFNUMM = ASOFNUMM "
                            "WHERE ASABGESCHL IS NULL OR ASABGESCHL > CURRENT_DATE - 60"));

    const fs::path picture = fs::path(test::BinaryDir()) / "tests" / "report" / "bericht-demo.png";
    fs::remove(picture);
    // Tall enough for the overview, the activities and the first detail block with its chart.
    RunChromium({"--hide-scrollbars", "--window-size=1280,1850", "--screenshot=" + picture.string(), url});
    const std::string png = ReadFileText(picture);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_GT(png.size(), 20000u) << "a page with text and bars, not an empty one";
}

TEST(BerichtBrowser, TextsFromTheDatabaseStayTextInTheBrowser) {
    TestDatabase db;
    db.Exec(R"(
INSERT INTO AUFTRAG (AOFNUMM, ABEZEICH, ASMONTZULG, ASSOLLSTND, ASISTSTND)
    VALUES ('X1', '<script>document.title="gekapert"</script><i>k</i> & Co', 'KM', 1, 2);
)");
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteSettings("[CONNECTION1]\nText=<img src=x onerror=alert(1)>\nDataBase=" + db.Database() +
                         "\nServer=\n");
    ASSERT_EQ(folder.Run().exitStatus, 0);

    const std::string dom =
        RunChromium({"--dump-dom", "file://" + (folder.Dir() / "sollist-bericht.html").string()});
    EXPECT_EQ(dom.find("<script"), std::string::npos);
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_EQ(dom.find("<i>"), std::string::npos);
    EXPECT_NE(dom.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    EXPECT_EQ(dom.find("gekapert</title>"), std::string::npos);
    const auto overview = BodyRows(SectionOf(dom, R"(<section id="uebersicht">)"));
    ASSERT_EQ(overview.size(), 1u);
    EXPECT_EQ(overview[0][1],
              "&lt;script&gt;document.title=\"gekapert\"&lt;/script&gt;&lt;i&gt;k&lt;/i&gt; &amp; Co");
}

// The copy of a page with the <details> of these activities of an order opened, as a click
// opens them (the page has no script to do it).
std::string WithOpened(std::string html, const std::string& anchor,
                       const std::vector<std::string>& activities) {
    const std::size_t section = html.find(R"(<section class="auftrag" id=")" + anchor + R"(">)");
    for (const std::string& activity : activities) {
        const std::size_t summary = html.find("<summary", section);
        const std::size_t row = html.find("<span>" + activity + "</span>", summary);
        const std::size_t details = html.rfind(R"(<details class="hk">)", row);
        if (section == std::string::npos || row == std::string::npos || details < section)
            throw std::runtime_error("no activity " + activity + " in " + anchor);
        html.insert(details + std::string_view(R"(<details class="hk")").size(), " open");
    }
    return html;
}

// The <details> element of an order's activity in the DOM.
std::string DetailsOf(const std::string& dom, const std::string& anchor, const std::string& activity) {
    const std::string section = SectionOf(dom, R"(<section class="auftrag" id=")" + anchor + R"(">)");
    const std::size_t row = section.find("<span>" + activity + "</span>");
    const std::size_t begin = section.rfind("<details", row);
    if (row == std::string::npos || begin == std::string::npos)
        return {};
    return section.substr(begin, section.find("</details>", row) - begin);
}

struct StoredRecord {
    std::string sollPos, taetigkeit;
    double stunden = 0;
};

// The kitchen's records under MONT as the calculation leaves them in SOLLTAT, read with SQL of
// the test's own, in the order the calculation created them.
std::vector<StoredRecord> KitchenRecordsUnderMont(TestDatabase& db) {
    solltat::TSollStammdaten stammdaten;
    solltat::TSolltat calc(db.Context(), stammdaten);
    calc.Calculate({"24001"}, false);
    db::TIBCQuery query(db.Connection().IBCConnection, "qryRecords");
    query.SetSQL({"SELECT SOLLPOS, TAETIGKEIT, (TAFIXZT + EHMENGE * TAVAREH + STUECK * TAVARST) / 60 "
                  "FROM SOLLTAT WHERE TARMTAT = 'MONT' ORDER BY SOLLPOS, ELEMENT, TAETIGKEIT"});
    std::vector<StoredRecord> records;
    for (query.Open(); !query.Eof(); query.Next())
        records.push_back(
            {query.Fields(0).AsString(), query.Fields(1).AsString(), query.Fields(2).AsFloat()});
    return records;
}

TEST(BerichtBrowser, HerkunftOpensAnActivityOntoItsRecordsAndIsPhotographed) {
    TestDatabase db;
    LoadDemoWithHours(db);
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteSettings("[CONNECTION1]\nText=Demo-Schreinerei\nDataBase=" + db.Database() + "\nServer=\n");
    test::RunOptions options;
    options.args = {"--herkunft"};
    ASSERT_EQ(folder.Run(options).exitStatus, 0);
    options.args = {"--herkunft", "--order", "24001", "-o", "kueche.html"};
    ASSERT_EQ(folder.Run(options).exitStatus, 0);

    const fs::path opened = folder.Dir() / "offen.html";
    folder.WriteFile("offen.html",
                     WithOpened(ReadFileText(folder.Dir() / "sollist-bericht.html"), "o-24001", {"MONT"}));
    const std::string dom = RunChromium({"--dump-dom", "file://" + opened.string()});
    const std::string mont = DetailsOf(dom, "o-24001", "MONT");
    ASSERT_EQ(mont.rfind(R"(<details class="hk" open="">)", 0), 0u) << mont.substr(0, 200);
    EXPECT_NE(mont.find("<span>Zusammenbau</span><span>MON</span><span class=\"n\">6,12 h</span>"),
              std::string::npos)
        << "the stored row as the summary";

    // One row per record, in the order the calculation created them, with its hours; the two
    // materials of position 1 that ask for BESCHL beneath its row.
    const std::vector<StoredRecord> records = KitchenRecordsUnderMont(db);
    ASSERT_EQ(records.size(), 4u);
    std::vector<std::vector<std::string>> recordRows, sourceRows;
    for (const auto& cells : BodyRows(mont)) {
        if (cells.size() == 9)
            (cells[1].empty() ? sourceRows : recordRows).push_back(cells);
    }
    ASSERT_EQ(recordRows.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(records[i].sollPos + "/" + records[i].taetigkeit);
        EXPECT_EQ(recordRows[i][1].substr(0, records[i].taetigkeit.size() + 1), records[i].taetigkeit + " ");
        EXPECT_NEAR(GermanNumber(recordRows[i][8]), records[i].stunden, 0.005);
    }
    EXPECT_EQ(recordRows[0][0], "2 Quellen:");
    ASSERT_EQ(sourceRows.size(), 2u);
    EXPECT_EQ(sourceRows[0][0], "Positionsmaterial 1: TOPFBAND Topfband 110 Grad");
    EXPECT_EQ(sourceRows[1][0], "Positionsmaterial 2: AUSZUG Vollauszug 500 mm");
    EXPECT_EQ(recordRows[1][0], "Positionstätigkeit 1");
    EXPECT_NE(mont.find("Position 2 Hochschrank mit Lackfront"), std::string::npos);

    const fs::path picture = fs::path(test::BinaryDir()) / "tests" / "report" / "bericht-herkunft.png";
    fs::remove(picture);
    folder.WriteFile("kueche-offen.html",
                     WithOpened(ReadFileText(folder.Dir() / "kueche.html"), "o-24001", {"MONT", "KANTEN"}));
    RunChromium({"--hide-scrollbars", "--window-size=1280,1400", "--screenshot=" + picture.string(),
                 "file://" + (folder.Dir() / "kueche-offen.html").string() + "#o-24001"});
    EXPECT_GT(ReadFileText(picture).size(), 20000u);
}

// Drives the site in the browser as a user would: a page of the test's own holds the site in a
// frame (same origin: files with --allow-file-access-from-files, or one web server) and writes
// what it saw as "key=value" lines, values joined by "|".
constexpr std::string_view kSiteDriver = R"(<!DOCTYPE html><meta charset="utf-8"><body><pre id="out"></pre>
<iframe id="f" src="@START@" style="width:1200px;height:900px"></iframe>
<script>
var out=[],f=document.getElementById('f'),step=0,odd='';
function put(k,v){out.push(k+'='+v);}
function rows(d){return [].filter.call(d.querySelectorAll('#uebersicht tbody tr'),function(tr){
  return !tr.closest('div.block').hidden;}).map(function(tr){return tr.cells[0].textContent;}).join('|');}
function set(d,name,value){var e=d.getElementById('filter').elements[name];e.value=value;
  e.dispatchEvent(new Event(name=='q'?'input':'change',{bubbles:true}));}
function heading(d,text){return [].filter.call(d.querySelectorAll('#uebersicht th'),function(th){
  return th.textContent==text;})[0];}
f.onload=function(){var d=f.contentDocument;
 if(step==0&&!d.getElementById('filter'))return; // the folder's page, on its way to the site
 if(step==0){step=1;
  put('filterShown',!d.getElementById('filter').hidden);
  put('all',rows(d));
  ['ueber','neu0','neu1','ohne','abg'].forEach(function(z){set(d,'z',z);put(z,rows(d));});
  set(d,'z','');set(d,'t','REGIE');put('taetigkeit',rows(d));set(d,'t','');
  set(d,'k','KAN');put('kostenstelle',rows(d));set(d,'k','');
  set(d,'q','KUECHE');put('sucheName',rows(d));set(d,'q','ü/1');put('sucheUmlaut',rows(d));set(d,'q','24002');put('sucheNummer',rows(d));set(d,'q','');
  set(d,'z','ueber');set(d,'q','a');put('ueberMitSuche',rows(d));set(d,'z','');set(d,'q','');
  put('count',d.querySelector('#filter output').value);
  var diff=heading(d,'Differenz');diff.click();put('differenzAuf',rows(d));diff.click();put('differenzAb',rows(d));
  heading(d,'Offert').click();put('offert',rows(d));heading(d,'über Soll seit').click();put('seit',rows(d));
  [].forEach.call(d.querySelectorAll('#uebersicht tbody a'),function(a){
    if(a.textContent=='@ODD@')odd=a.getAttribute('href');});
  put('oddHref',odd);
  var link=[].filter.call(d.querySelectorAll('#uebersicht tbody a'),function(a){return a.textContent=='24001';})[0];
  link.click();
 }else if(step==1){step=2;
  put('titel',d.querySelector('h3').textContent);
  put('zahlen',d.querySelector('p.zahlen').textContent);
  var s=[].filter.call(d.querySelectorAll('details.hk>summary'),function(s){
    return s.firstElementChild.textContent=='MONT';})[0];
  put('zuVorher',s.parentNode.open);s.click();put('aufNachher',s.parentNode.open);
  put('summary',[].map.call(s.children,function(c){return c.textContent;}).join('|'));
  put('saetze',[].filter.call(s.parentNode.querySelectorAll('table.saetze tbody tr'),function(tr){
    return tr.querySelectorAll('td').length==9;}).length);
  put('zurueck',d.querySelector('a[href="../index.html"]')!=null);
  f.src=f.contentWindow.location.href.replace(/auftrag\/[^\/]*$/,'')+odd;
 }else{
  put('oddTitel',d.querySelector('h3').textContent);
  document.getElementById('out').textContent=out.join('\n');
 }};
</script>
)";

std::map<std::string, std::string> DriveSite(const std::string& dom) {
    const std::string start = "<pre id=\"out\">";
    const std::string shown = Between(dom, start, "</pre>");
    const std::string text = shown.empty() ? shown : shown.substr(start.size());
    std::map<std::string, std::string> seen;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            seen[line.substr(0, eq)] = line.substr(eq + 1);
        begin = end + 1;
    }
    return seen;
}

std::string Joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& value : values) text += (text.empty() ? "" : "|") + value;
    return text;
}

// The open orders' numbers, by the query's own SQL, in the overview's order (worst overrun first).
std::string OrdersWhere(TestDatabase& db, const std::vector<StoredOrder>& stored,
                        const std::string& condition) {
    std::vector<std::string> numbers;
    for (const StoredOrder& order : stored)
        if (db.QueryValue("SELECT COUNT(*) FROM AUFTRAG WHERE AOFNUMM = " + test::SqlLiteral(order.ofNumm) +
                          " AND (" + condition + ")") == "1")
            numbers.push_back(order.ofNumm);
    return Joined(numbers);
}

// The Monday of a day's week: day 0 (30.12.1899) was a Saturday.
double Monday(double day) { return day - std::fmod(day - 2 + 7000, 7.0); }

// A web server (python3 -m http.server) serving a folder on a free port of 127.0.0.1 while
// the object lives.
class WebServer {
public:
    explicit WebServer(const fs::path& folder) {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(probe, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no free port");
        port_ = ntohs(address.sin_port);
        ::close(probe);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            const std::string port = std::to_string(port_);
            ::execlp("python3", "python3", "-m", "http.server", port.c_str(), "--bind", "127.0.0.1",
                     "--directory", folder.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int attempt = 0; attempt < 100; ++attempt) { // until it answers
            const int client = ::socket(AF_INET, SOCK_STREAM, 0);
            const bool up = ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(client);
            if (up)
                return;
            ::usleep(100000);
        }
        throw std::runtime_error("the web server did not start");
    }
    ~WebServer() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }

private:
    int port_ = 0;
    pid_t pid_ = -1;
};

TEST(BerichtBrowser, SiteFiltersSortsSearchesAndLeadsToTheExplanation) {
    TestDatabase db;
    // An order number with a slash, an umlaut and a blank: its page's file name stays safe.
    const std::string odd = "Ü/1 a";
    db.Exec("INSERT INTO AUFTRAG (AOFNUMM, ABEZEICH, ASMONTZULG) VALUES (" + test::SqlLiteral(odd) +
            ", 'Sonderfall', 'KM')");
    LoadDemoWithHours(db);
    test::ProgramFolder folder("sollist-bericht");
    folder.WriteSettings("[CONNECTION1]\nText=Demo-Schreinerei\nDataBase=" + db.Database() + "\nServer=\n");
    test::RunOptions options;
    options.args = {"--ordner", "bericht"};
    const test::ProgramResult run = folder.Run(options);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(run.output, "Website: " + (folder.Dir() / "bericht/current/index.html").string() + "\n");

    std::string driver(kSiteDriver);
    driver.replace(driver.find("@ODD@"), 5, odd);
    folder.WriteFile("bericht/fahrer.html",
                     std::string(driver).replace(driver.find("@START@"), 7, "current/index.html"));
    const std::string dom =
        RunChromium({"--allow-file-access-from-files", "--virtual-time-budget=10000", "--dump-dom",
                     "file://" + (folder.Dir() / "bericht/fahrer.html").string()});
    const auto seen = DriveSite(dom);
    ASSERT_TRUE(seen.contains("oddTitel")) << "the driver did not get through: " << dom.substr(0, 3000);

    std::vector<StoredOrder> stored = StoredOrders(db.Connection().IBCConnection);
    ASSERT_EQ(stored.size(), 4u);
    std::vector<std::string> numbers;
    for (const StoredOrder& order : stored) numbers.push_back(order.ofNumm);
    EXPECT_EQ(seen.at("filterShown"), "true");
    // Time and material (ASREGSTND) is no overrun: the difference compares the rest.
    const std::string over = "COALESCE(ASISTSTND, 0) + COALESCE(AOFFSTND, 0) - COALESCE(ASSOLLSTND, 0)";
    std::stable_sort(stored.begin(), stored.end(), [&](const StoredOrder& a, const StoredOrder& b) {
        const auto difference = [&](const StoredOrder& o) {
            return std::stod(db.QueryValue("SELECT " + over +
                                           " FROM AUFTRAG WHERE AOFNUMM = " + test::SqlLiteral(o.ofNumm)));
        };
        return difference(a) > difference(b) + 0.005;
    });
    numbers.clear();
    for (const StoredOrder& order : stored) numbers.push_back(order.ofNumm);
    EXPECT_EQ(seen.at("all"), Joined(numbers)) << "worst overrun first";
    EXPECT_EQ(seen.at("count"), "4 von 4 Aufträgen");
    EXPECT_EQ(seen.at("ueber"), OrdersWhere(db, stored, over + " >= 0.005"));
    EXPECT_EQ(seen.at("ohne"), OrdersWhere(db, stored, "COALESCE(ASSOLLSTND, 0) < 0.005"));
    EXPECT_EQ(seen.at("abg"), OrdersWhere(db, stored, "ASABGESCHL IS NOT NULL"));
    EXPECT_EQ(seen.at("taetigkeit"),
              OrdersWhere(db, stored,
                          "EXISTS (SELECT 1 FROM AUFSSTD WHERE ASOFNUMM = AOFNUMM AND ASRMTAT = 'REGIE')"));
    EXPECT_EQ(seen.at("kostenstelle"),
              OrdersWhere(db, stored,
                          "EXISTS (SELECT 1 FROM AUFSSTD WHERE ASOFNUMM = AOFNUMM AND ASKONUMM = 'KAN')"));
    // 24001 passed its target three days ago, 24002 fifteen days ago (see the demo test above).
    const double today = db::Today();
    std::vector<std::string> thisWeek, lastWeek;
    for (const auto& [ofNumm, day] :
         std::map<std::string, double>{{"24001", today - 3}, {"24002", today - 15}}) {
        if (Monday(day) == Monday(today))
            thisWeek.push_back(ofNumm);
        else if (Monday(day) == Monday(today) - 7)
            lastWeek.push_back(ofNumm);
    }
    EXPECT_EQ(seen.at("neu0"), Joined(thisWeek));
    EXPECT_EQ(seen.at("neu1"), Joined(lastWeek));
    EXPECT_EQ(seen.at("sucheName"), "24001") << "search ignores case";
    EXPECT_EQ(seen.at("sucheUmlaut"), odd) << "umlauts too";
    EXPECT_EQ(seen.at("sucheNummer"), "24002");
    EXPECT_EQ(seen.at("ueberMitSuche"), OrdersWhere(db, stored,
                                                    over + " >= 0.005 AND "
                                                           "LOWER(ABEZEICH) CONTAINING 'a'"))
        << "filters and search together";

    // Sorting by a click on a head, again for the other way round.
    std::vector<StoredOrder> byDifference = stored;
    std::stable_sort(byDifference.begin(), byDifference.end(),
                     [](const StoredOrder& a, const StoredOrder& b) {
                         return std::round(a.Differenz() * 100) < std::round(b.Differenz() * 100);
                     });
    std::vector<std::string> ascending;
    for (const StoredOrder& order : byDifference) ascending.push_back(order.ofNumm);
    EXPECT_EQ(seen.at("differenzAuf"), Joined(ascending));
    // Equal differences keep the page's order either way.
    std::stable_sort(byDifference.begin(), byDifference.end(),
                     [](const StoredOrder& a, const StoredOrder& b) {
                         return std::round(a.Differenz() * 100) > std::round(b.Differenz() * 100);
                     });
    std::vector<std::string> descending;
    for (const StoredOrder& order : byDifference) descending.push_back(order.ofNumm);
    EXPECT_EQ(seen.at("differenzAb"), Joined(descending));
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(seen.at("offert"), Joined(numbers));
    EXPECT_EQ(seen.at("seit").substr(0, 11), "24002|24001") << "the earlier day first";

    // The order's page, reached by its link: its figures and an activity opened onto its records.
    const auto kitchen =
        std::find_if(stored.begin(), stored.end(), [](const StoredOrder& o) { return o.ofNumm == "24001"; });
    EXPECT_EQ(seen.at("titel"), "Offert 24001 · Kueche Familie Meier");
    const auto german = [](double hours) {
        std::string text = fmt::format("{:.2f} h", hours);
        text[text.find('.')] = ',';
        return text;
    };
    EXPECT_NE(seen.at("zahlen").find("Soll " + german(kitchen->soll) + " · Ist " + german(kitchen->ist)),
              std::string::npos)
        << seen.at("zahlen");
    EXPECT_EQ(seen.at("zuVorher"), "false");
    EXPECT_EQ(seen.at("aufNachher"), "true");
    const std::string storedMont = db.QueryValue(
        "SELECT CAST(ASSOLLSTD AS NUMERIC(9,2)) || ' ' || CAST(ASISTSTD AS NUMERIC(9,2)) FROM AUFSSTD "
        "WHERE ASOFNUMM = '24001' AND ASRMTAT = 'MONT'");
    const std::vector<std::string> summary = [&] {
        std::vector<std::string> cells;
        std::stringstream in(seen.at("summary"));
        for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
        return cells;
    }();
    ASSERT_GE(summary.size(), 5u) << seen.at("summary");
    EXPECT_EQ(summary[0], "MONT");
    EXPECT_EQ(fmt::format("{:.2f} {:.2f}", GermanNumber(summary[3]), GermanNumber(summary[4])), storedMont);
    EXPECT_EQ(seen.at("saetze"), std::to_string(KitchenRecordsUnderMont(db).size() + 2))
        << "four records and the two sources of the first";
    EXPECT_EQ(seen.at("zurueck"), "true");
    EXPECT_EQ(seen.at("oddHref"), "auftrag/o-_C3_9C_2F1_20_61.html");
    EXPECT_EQ(seen.at("oddTitel"), "Offert " + odd + " · Sonderfall");

    // Without script (the page with its script taken out): the whole table, no filters.
    std::string index = ReadFileText(folder.Dir() / "bericht/current/index.html");
    const std::size_t script = index.find("<script>");
    ASSERT_NE(script, std::string::npos);
    index.erase(script, index.find("</script>", script) + 9 - script);
    folder.WriteFile("bericht/current/ohne-skript.html", index);
    const std::string still =
        RunChromium({"--dump-dom", "file://" + (folder.Dir() / "bericht/current/ohne-skript.html").string()});
    EXPECT_EQ(BodyRows(SectionOf(still, R"(<section id="uebersicht">)")).size(), stored.size());
    EXPECT_NE(still.find(R"(<form class="filter" id="filter" hidden="">)"), std::string::npos);

    // The same through a web server serving the report folder, entered at the folder's page.
    {
        const WebServer server(folder.Dir() / "bericht");
        folder.WriteFile("bericht/fahrer-web.html",
                         std::string(driver).replace(driver.find("@START@"), 7, "index.html"));
        const std::string web =
            RunChromium({"--virtual-time-budget=10000", "--dump-dom", server.Url("fahrer-web.html")});
        EXPECT_EQ(DriveSite(web), seen) << web.substr(0, 3000);
    }

    const fs::path pictures = fs::path(test::BinaryDir()) / "tests" / "report";
    RunChromium({"--hide-scrollbars", "--window-size=1280,1000",
                 "--screenshot=" + (pictures / "bericht-site-uebersicht.png").string(),
                 "file://" + (folder.Dir() / "bericht/current/index.html").string()});
    folder.WriteFile(
        "bericht/current/auftrag/offen.html",
        WithOpened(ReadFileText(folder.Dir() / "bericht/current/auftrag/o-24001.html"), "o-24001", {"MONT"}));
    RunChromium({"--hide-scrollbars", "--window-size=1280,1300",
                 "--screenshot=" + (pictures / "bericht-site-auftrag.png").string(),
                 "file://" + (folder.Dir() / "bericht/current/auftrag/offen.html").string()});
    EXPECT_GT(ReadFileText(pictures / "bericht-site-auftrag.png").size(), 20000u);
}

} // namespace
} // namespace sollist::report
