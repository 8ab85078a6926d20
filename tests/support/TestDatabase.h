#pragma once
// A fresh database per test: created empty (user TARVEX, character set UTF8 unless asked
// otherwise), optionally with the business schema from sql/schema.sql, and dropped again when
// the fixture goes.
#include "db/DMConnection.h"
#include "db/RunContext.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace sollist::test {

enum class DbMode { Embedded, Server };

// Test name suffix of a suite instantiated over both modes.
inline std::string DbModeName(const testing::TestParamInfo<DbMode>& mode) {
    return mode.param == DbMode::Server ? "Server" : "Embedded";
}

// The business database's character set, as installations have it. Utf8 and Win1252: the
// schema's texts in that set, converted by the server. None: texts are Windows-1252 bytes, and
// the fixture's own attachment works as the business system's clients do (no character set,
// its texts sent and read as Windows-1252); tests still write and read UTF-8 through it.
enum class DbCharset { Utf8, Win1252, None };
std::string CharsetName(DbCharset charset); // "UTF8", "WIN1252", "NONE"

class TestDatabase {
public:
    // Embedded: a file in a private temporary directory. Server: a file under
    // /var/lib/firebird/3.0/data/sollist/ reached as localhost:<path> with ServerPassword().
    explicit TestDatabase(DbMode mode = DbMode::Embedded, bool loadSchema = true,
                          DbCharset charset = DbCharset::Utf8);
    ~TestDatabase(); // detaches everything and drops the database
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    DbMode Mode() const { return mode_; }
    DbCharset Charset() const { return charset_; }
    std::string Database() const { return path_; } // the path to give SetDatabase
    std::string Server() const { return mode_ == DbMode::Server ? "localhost" : ""; }

    // Runs SQL statements separated by ";" (SET TERM understood; literals may hold ";")
    // through the fixture's own attachment, each committed.
    void Exec(const std::string& script);
    // First column of the first row through the fixture's own attachment; NULL and no row
    // give "". Dates read as "YYYY-MM-DD", timestamps with " HH:MM:SS" when not midnight.
    std::string QueryValue(const std::string& sql);
    // Drops the columns of sql/schema.sql that the program may not rely on an installation to
    // have (tests/support/relied-on-columns.sql): what a program reads beyond the rest it must
    // look up first. Call it after loading data and before Connection().
    void KeepOnlyReliedOnColumns();

    // A connected program connection module on this database (through the server with
    // ServerPassword()), created on first call and kept until the fixture goes.
    db::TDMConnection& Connection();
    // A run context on Connection() whose console keeps the lines it receives, with today's
    // day and ErrorLogDir().
    const TRunContext& Context();
    // A private folder for the calculation error log, created on first call and removed with
    // the fixture; and the log's path in it.
    const std::string& ErrorLogDir();
    std::string ErrorLogFile();
    // The console lines received since the last call, each followed by "\n".
    std::string TakeConsoleText();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    DbMode mode_;
    DbCharset charset_;
    std::string directory_; // embedded: the private directory holding the file
    std::string path_;
};

std::string SourceDir(); // SOLLIST_SOURCE_DIR
std::string BinaryDir(); // SOLLIST_BINARY_DIR

// A text as an SQL string literal for Exec and QueryValue: in apostrophes, each apostrophe doubled.
std::string SqlLiteral(const std::string& text);

// The password of TARVEX on the test server: ISC_PASSWORD when set and not empty, else "tarvex".
std::string ServerPassword();

// Points a program connection at database, through server when that is not empty (with
// ServerPassword()), as an entry would.
void PointAt(db::TIBCConnection& connection, const std::string& database, const std::string& server);

} // namespace sollist::test
