#pragma once
// What the report tests share: databases with stored hours (the demo data, a generated
// business database), the order hours run that stores them, and readers for the report's
// CSV and numbers that do not go through the report's own code.
#include "db/DMConnection.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::report::support {

// The order hours run over a database on a connection of its own, closed afterwards, so that
// a program run as a process can open an embedded database next.
void RunOrderHours(const std::string& database, const std::string& server);

// sql/demo.sql loaded into a fresh database, and the order hours run over it.
void LoadDemoWithHours(test::TestDatabase& db);

// A business database of `orders` open orders from bench/gen.py, with the order hours run
// over it; removed when the object goes. Server: under the server's data folder, reached as
// localhost with test::ServerPassword().
class GeneratedDatabase {
public:
    GeneratedDatabase(int orders, test::DbMode mode);
    ~GeneratedDatabase();
    GeneratedDatabase(const GeneratedDatabase&) = delete;
    GeneratedDatabase& operator=(const GeneratedDatabase&) = delete;

    const std::string& Database() const { return path_; }
    std::string Server() const { return mode_ == test::DbMode::Server ? "localhost" : ""; }
    // A connected connection module on the database (connected on first call).
    db::TDMConnection& Connection();

private:
    test::DbMode mode_;
    std::string path_;
    std::unique_ptr<db::TDMConnection> connection_;
};

using test::ReadFileText;

// sollist-bericht run in the folder with these arguments (and the server's password).
test::ProgramResult RunReport(const test::ProgramFolder& folder, std::vector<std::string> args);

using test::Count;

// The part of a text from the first `from` up to the next `to` after it; empty without `from`.
std::string Between(const std::string& text, const std::string& from, const std::string& to);

// Rows of a CSV text with CRLF line ends; quoted fields with doubled quotes understood.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// A German number as the report writes it ("1.234,50", "+3,25 h", "-9,7 %") as a double.
double GermanNumber(std::string_view text);

// An order's burn-up chart read back from its SVG: the scale (the top grid line and its label,
// the base line), the stacked areas by kind and the texts, so that a point reads as hours.
struct CourseChart {
    double topHours = 0; // the scale's top label
    double topY = 0;     // its grid line
    double baseY = 0;    // the base line
    // Per area ("vp" production, "vb" and Büro, "vr" and Regie on top) its outline, left to right and back
    // along the base line.
    std::map<std::string, std::vector<std::pair<double, double>>> areas;
    std::vector<std::string> texts;
    std::string title;

    double HoursAt(double y) const { return (baseY - y) / (baseY - topY) * topHours; }
    // The course's end: the outline's last point above the base line, of the widest area.
    std::pair<double, double> End() const;
    bool HasText(const std::string& text) const;
};

// The first course chart (svg class "verlauf") in a piece of HTML; throws when there is none.
CourseChart ReadCourseChart(const std::string& html);

// Checks every figure of a report CSV against the rows stored in Auftrag and AufSStd of the
// open orders, read with SQL of its own: the same orders, activities and hours (to the two
// decimals written), the activity sums over the orders, Differenz = Ist - Soll, and each
// order's booking days adding up to its stored actual hours per kind and in total. Rows of the
// explanation (Satzart "Herkunft") are left to the tests of the explanation.
// Returns the number of order rows checked.
int ExpectCsvMatchesStoredRows(const std::string& csv, db::TIBCConnection& connection);

} // namespace sollist::report::support
