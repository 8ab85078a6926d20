#pragma once
// Reading SQL text the way the data objects need it: literals, quoted names and comments are
// skipped, and only the outermost level (outside parentheses) is searched for clauses.
#include "common/Text.h"
#include "db/Param.h"

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sollist::db {

// The statement with condition added to its outermost WHERE clause: "WHERE (old) AND condition",
// or a "WHERE condition" line before the first clause that follows it (ORDER BY, GROUP BY, ...).
std::string AddFilter(const std::string& sql, const std::string& condition);

// The first table after the outermost FROM: upper case, or as written when double-quoted.
std::string FirstFromTable(const std::string& sql);

// Statements of a script separated by ";" (or the terminator of a SET TERM line). SET TERM,
// SET SQL DIALECT, SET NAMES and SET AUTODDL lines are dropped; the rest keep their text.
std::vector<std::string> SplitStatements(const std::string& script);

// Names separated by ";" ("A; B"), without the blanks around them; empty ones are dropped.
std::vector<std::string> SplitNames(std::string_view names);

// A relation name as written in a statement, as the catalogue stores it: the text between
// double quotes, else upper case; blanks around it are dropped.
std::string StoredName(std::string_view written);

// Named parameters of a statement: every ":NAME" is one position, sent as "?".
class ParamSet {
public:
    // Reads the parameters of sql; values of names that stay are kept.
    void Parse(const std::string& sql);
    const std::string& Sql() const { return sql_; } // with "?" for every position
    TParam* Find(std::string_view name);
    std::vector<TValue> Values() const; // one per position

private:
    std::string source_;
    std::string sql_;
    std::deque<TParam> params_;                           // stable: callers hold references
    std::unordered_map<std::string, std::size_t> byName_; // names of the current text
    std::unordered_map<std::string, std::size_t> seen_;   // every name ever parsed
    std::vector<std::size_t> positions_;
};

} // namespace sollist::db
