#include "ReportTestSupport.h"

#include "batch/OrderHoursRun.h"
#include "db/DataSet.h"
#include "db/Value.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace sollist::report::support {

namespace fs = std::filesystem;

void RunOrderHours(const std::string& database, const std::string& server) {
    db::TDMConnection module;
    test::PointAt(module.IBCConnection, database, server);
    module.IBCConnection.Connect();
    batch::RunOrderHours(TRunContext{.Connection = module.IBCConnection,
                                     .ErrorLogDir = fs::temp_directory_path().string(),
                                     .Today = db::Today()});
    module.IBCConnection.Close();
}

void LoadDemoWithHours(test::TestDatabase& db) {
    db.Exec(ReadFileText(fs::path(test::SourceDir()) / "sql" / "demo.sql"));
    RunOrderHours(db.Database(), db.Server());
}

GeneratedDatabase::GeneratedDatabase(int orders, test::DbMode mode) : mode_(mode) {
    const std::string name = fmt::format("report-gen-{}-{}.fdb", ::getpid(), orders);
    path_ = mode == test::DbMode::Server ? "/var/lib/firebird/3.0/data/sollist/" + name
                                         : (fs::temp_directory_path() / name).string();
    const std::string command = fmt::format("python3 '{}/bench/gen.py' --orders {} --seed 11 --db '{}' 2>&1",
                                            test::SourceDir(), orders, path_);
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run bench/gen.py");
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    if (::pclose(pipe) != 0)
        throw std::runtime_error("bench/gen.py failed: " + output);
    RunOrderHours(path_, Server());
}

GeneratedDatabase::~GeneratedDatabase() {
    connection_.reset();
    std::error_code ignored;
    fs::remove(path_, ignored);
}

db::TDMConnection& GeneratedDatabase::Connection() {
    if (!connection_) {
        connection_ = std::make_unique<db::TDMConnection>();
        test::PointAt(connection_->IBCConnection, path_, Server());
        connection_->IBCConnection.Connect();
    }
    return *connection_;
}

test::ProgramResult RunReport(const test::ProgramFolder& folder, std::vector<std::string> args) {
    test::RunOptions options;
    options.args = std::move(args);
    options.env.emplace_back("ISC_PASSWORD", test::ServerPassword());
    return folder.Run(options);
}

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t begin = text.find(from);
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find(to, begin) - begin);
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            row.push_back(std::exchange(field, {}));
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            row.push_back(std::exchange(field, {}));
            rows.push_back(std::exchange(row, {}));
        } else {
            field += c;
        }
    }
    if (!field.empty() || !row.empty()) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

double GermanNumber(std::string_view text) {
    std::string plain;
    for (char c : text) {
        if (c == ',')
            plain += '.';
        else if ((c >= '0' && c <= '9') || c == '-')
            plain += c;
        else if (c != '.' && c != '+' && c != ' ' && c != 'h' && c != '%')
            throw std::invalid_argument("no German number: " + std::string(text));
    }
    if (plain.empty())
        throw std::invalid_argument("no German number: " + std::string(text));
    return std::stod(plain);
}

std::pair<double, double> CourseChart::End() const {
    for (const char* kind : {"vr", "vb", "vp"}) {
        const auto found = areas.find(kind);
        if (found == areas.end())
            continue;
        const auto& points = found->second;
        for (auto point = points.rbegin(); point != points.rend(); ++point)
            if (point->second != baseY)
                return *point;
    }
    throw std::runtime_error("a chart without a course");
}

bool CourseChart::HasText(const std::string& text) const {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

CourseChart ReadCourseChart(const std::string& html) {
    const std::size_t begin = html.find(R"(<svg class="verlauf")");
    if (begin == std::string::npos)
        throw std::runtime_error("no course chart");
    const std::string svg = html.substr(begin, html.find("</svg>", begin) - begin);
    static const std::regex area(R"re(<polygon class="(v[prb])" points="([^"]*)")re");
    static const std::regex line(R"re(<line class="(g|a)" x1="[^"]*" x2="[^"]*" y1="([^"]*)")re");
    static const std::regex text(R"re(<text[^>]*>([^<]*)</text>)re");
    static const std::regex title(R"re(<title>([^<]*)</title>)re");
    CourseChart chart;
    const std::sregex_iterator end;
    for (std::sregex_iterator m(svg.begin(), svg.end(), area); m != end; ++m) {
        std::istringstream points((*m)[2].str());
        std::vector<std::pair<double, double>>& outline = chart.areas[(*m)[1].str()];
        for (std::string point; points >> point;) {
            const std::size_t comma = point.find(',');
            outline.emplace_back(std::stod(point.substr(0, comma)), std::stod(point.substr(comma + 1)));
        }
    }
    for (std::sregex_iterator m(svg.begin(), svg.end(), line); m != end; ++m) {
        if ((*m)[1] == "a")
            chart.baseY = std::stod((*m)[2].str());
        else if (chart.topY == 0)
            chart.topY = std::stod((*m)[2].str()); // the first grid line is the top's
    }
    for (std::sregex_iterator m(svg.begin(), svg.end(), text); m != end; ++m)
        chart.texts.push_back((*m)[1].str());
    if (!chart.texts.empty())
        chart.topHours = GermanNumber(chart.texts.front()); // the top's label comes first
    std::smatch found;
    if (std::regex_search(svg, found, title))
        chart.title = found[1].str();
    return chart;
}

namespace {

struct Stored {
    double soll = 0, prod = 0, regie = 0, buero = 0, istBis = 0;
};
struct StoredActivity {
    std::string koNumm;
    double soll = 0, ist = 0;
};
struct BookingDays {
    int rows = 0;
    double last = 0; // day number of the latest row
    double prod = 0, regie = 0, buero = 0, sum = 0;
};
struct StoredTotal {
    int orders = 0;
    double soll = 0, ist = 0;
};

constexpr const char* kOpen = "(ASABGESCHL IS NULL OR ASABGESCHL > CURRENT_DATE - 60)";

std::string Day(double dayNumber) {
    if (dayNumber == 0)
        return "";
    int year = 0, month = 0, day = 0;
    db::DecodeDate(dayNumber, year, month, day);
    return fmt::format("{:02}.{:02}.{}", day, month, year);
}

// "DD.MM.YYYY" as a day number.
double DayNumber(const std::string& text) {
    int day = 0, month = 0, year = 0;
    if (std::sscanf(text.c_str(), "%2d.%2d.%4d", &day, &month, &year) != 3)
        throw std::invalid_argument("no date: " + text);
    return db::EncodeDate(year, month, day);
}

// Two decimals written: the stored value may differ by half a hundredth.
void ExpectHours(const std::string& written, double stored, const std::string& where) {
    EXPECT_NEAR(GermanNumber(written), stored, 0.005 + 1e-9) << where;
}

} // namespace

int ExpectCsvMatchesStoredRows(const std::string& csv, db::TIBCConnection& connection) {
    std::map<std::string, Stored> orders;
    db::TIBCQuery qryOrders(connection, "qryOrders");
    qryOrders.SetSQL(
        {std::string(
             "SELECT AOFNUMM, ASSOLLSTND, ASISTSTND, ASREGSTND, AOFFSTND, ASISTBIS FROM AUFTRAG WHERE ") +
         kOpen});
    for (qryOrders.Open(); !qryOrders.Eof(); qryOrders.Next())
        orders[qryOrders.Fields(0).AsString()] = {
            qryOrders.Fields(1).AsFloat(), qryOrders.Fields(2).AsFloat(), qryOrders.Fields(3).AsFloat(),
            qryOrders.Fields(4).AsFloat(), qryOrders.Fields(5).AsDateTime()};

    std::map<std::pair<std::string, std::string>, StoredActivity> activities;
    db::TIBCQuery qryRows(connection, "qryRows");
    qryRows.SetSQL({std::string("SELECT ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD FROM AUFSSTD "
                                "JOIN AUFTRAG ON AOFNUMM = ASOFNUMM WHERE ") +
                    kOpen});
    for (qryRows.Open(); !qryRows.Eof(); qryRows.Next())
        activities[{qryRows.Fields(0).AsString(), qryRows.Fields(1).AsString()}] = {
            qryRows.Fields(2).AsString(), qryRows.Fields(3).AsFloat(), qryRows.Fields(4).AsFloat()};

    std::map<std::string, StoredTotal> totals;
    db::TIBCQuery qryTotals(connection, "qryTotals");
    qryTotals.SetSQL({std::string("SELECT ASRMTAT, COUNT(*), SUM(ASSOLLSTD), SUM(ASISTSTD) FROM AUFSSTD "
                                  "JOIN AUFTRAG ON AOFNUMM = ASOFNUMM WHERE ") +
                      kOpen + " GROUP BY ASRMTAT"});
    for (qryTotals.Open(); !qryTotals.Eof(); qryTotals.Next())
        totals[qryTotals.Fields(0).AsString()] = {static_cast<int>(qryTotals.Fields(1).AsInteger()),
                                                  qryTotals.Fields(2).AsFloat(),
                                                  qryTotals.Fields(3).AsFloat()};

    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u) << "byte order mark";
    const auto rows = ParseCsv(std::string_view(csv).substr(3));
    EXPECT_FALSE(rows.empty());
    if (rows.empty())
        return 0;
    EXPECT_EQ(rows[0].front(), "Satzart");

    std::set<std::string> seenOrders;
    std::set<std::pair<std::string, std::string>> seenActivities;
    std::set<std::string> seenTotals;
    std::map<std::string, BookingDays> bookingDays;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& f = rows[r];
        const std::string where = "CSV row " + std::to_string(r + 1);
        EXPECT_EQ(f.size(), rows[0].size()) << where;
        if (f.size() != rows[0].size() || f[0] == "Herkunft")
            continue; // the explanation's rows carry no stored figures
        const double soll = GermanNumber(f[8]);
        const double ist = GermanNumber(f[9]);
        EXPECT_NEAR(GermanNumber(f[10]), ist - soll, 0.011) << where;
        if (f[0] == "Auftrag") {
            const auto found = orders.find(f[1]);
            EXPECT_NE(found, orders.end()) << where << ": order " << f[1] << " is not open";
            if (found == orders.end())
                continue;
            seenOrders.insert(f[1]);
            const Stored& s = found->second;
            ExpectHours(f[8], s.soll, where + " Soll");
            ExpectHours(f[9], s.prod + s.regie + s.buero, where + " Ist");
            ExpectHours(f[12], s.prod, where + " Produktion");
            ExpectHours(f[13], s.regie, where + " Regie");
            ExpectHours(f[14], s.buero, where + " Büro");
            EXPECT_EQ(f[15], Day(s.istBis)) << where;
        } else if (f[0] == "Auftrag-Tätigkeit") {
            const auto key = std::make_pair(f[1], f[4]);
            const auto found = activities.find(key);
            EXPECT_NE(found, activities.end()) << where << ": no row " << f[1] << "/" << f[4];
            if (found == activities.end())
                continue;
            seenActivities.insert(key);
            EXPECT_EQ(f[6], found->second.koNumm) << where;
            ExpectHours(f[8], found->second.soll, where + " Soll");
            ExpectHours(f[9], found->second.ist, where + " Ist");
        } else if (f[0] == "Buchungstag") {
            const auto found = orders.find(f[1]);
            EXPECT_NE(found, orders.end()) << where << ": order " << f[1] << " is not open";
            if (found == orders.end())
                continue;
            ExpectHours(f[8], found->second.soll, where + " Soll");
            BookingDays& days = bookingDays[f[1]];
            EXPECT_GT(DayNumber(f[15]), days.last) << where << ": booking days ascending";
            days.last = DayNumber(f[15]);
            days.rows += 1;
            days.prod += GermanNumber(f[12]);
            days.regie += GermanNumber(f[13]);
            days.buero += GermanNumber(f[14]);
            days.sum = ist;
        } else if (f[0] == "Tätigkeit") {
            const auto found = totals.find(f[4]);
            EXPECT_NE(found, totals.end()) << where << ": no activity " << f[4];
            if (found == totals.end())
                continue;
            seenTotals.insert(f[4]);
            EXPECT_EQ(f[7], std::to_string(found->second.orders)) << where;
            ExpectHours(f[8], found->second.soll, where + " Soll");
            ExpectHours(f[9], found->second.ist, where + " Ist");
        } else {
            ADD_FAILURE() << where << ": unknown Satzart " << f[0];
        }
    }
    // The booking days of an order add up to its stored actual hours per kind (each day written
    // to two decimals), and the running sum of the last one to their total.
    for (const auto& [ofNumm, s] : orders) {
        const BookingDays& days = bookingDays[ofNumm];
        const double tolerance = 0.005 * days.rows + 1e-9;
        EXPECT_NEAR(days.prod, s.prod, tolerance) << ofNumm << " Produktion";
        EXPECT_NEAR(days.regie, s.regie, tolerance) << ofNumm << " Regie";
        EXPECT_NEAR(days.buero, s.buero, tolerance) << ofNumm << " Büro";
        EXPECT_NEAR(days.sum, s.prod + s.regie + s.buero, 0.005 + 1e-9) << ofNumm << " last running sum";
    }
    EXPECT_EQ(seenOrders.size(), orders.size()) << "every open order has its row";
    EXPECT_EQ(seenActivities.size(), activities.size()) << "every AufSStd row of an open order has its row";
    EXPECT_EQ(seenTotals.size(), totals.size()) << "every reporting activity has its sum";
    return static_cast<int>(seenOrders.size());
}

} // namespace sollist::report::support
