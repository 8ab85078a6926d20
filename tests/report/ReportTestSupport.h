#pragma once
// What the report tests share: databases with stored hours (the demo data, a generated
// business database), the order hours run that stores them, and readers for the report's
// CSV and numbers that do not go through the report's own code.
#include "db/DMConnection.h"
#include "support/Environment.h"
#include "support/TestDatabase.h"

#include <filesystem>
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
// localhost with test::ServerPassword(), which ISC_PASSWORD holds while the object lives.
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
    test::EnvironmentGuard env_;
    std::unique_ptr<db::TDMConnection> connection_;
};

std::string ReadFileText(const std::filesystem::path& path);

// Rows of a CSV text with CRLF line ends; quoted fields with doubled quotes understood.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// A German number as the report writes it ("1.234,50", "+3,25 h", "-9,7 %") as a double.
double GermanNumber(std::string_view text);

// Checks every figure of a report CSV against the rows stored in Auftrag and AufSStd of the
// open orders, read with SQL of its own: the same orders, activities and hours (to the two
// decimals written), the activity sums over the orders, and Differenz = Ist - Soll.
// Returns the number of order rows checked.
int ExpectCsvMatchesStoredRows(const std::string& csv, db::TIBCConnection& connection);

} // namespace sollist::report::support
