#pragma once
// The text of a data object's statement: its SQL lines, an extra condition for the outermost
// WHERE, and the named parameters of the text last parsed, which it runs on its connection.
#include "db/SqlText.h"

#include <string>
#include <string_view>
#include <vector>

namespace sollist::db {

class PreparedStatement;
class TIBCConnection;

class TStatementText {
public:
    // objectName: put before misuse messages ("qryX: ...").
    TStatementText(TIBCConnection& connection, std::string objectName);
    TIBCConnection& Connection() const { return connection_; }

    void SetLines(const std::vector<std::string>& lines) { lines_ = lines; }
    std::string Joined() const; // lines joined with "\n"
    void SetFilter(const std::string& condition) { filter_ = condition; }
    const std::string& Filter() const { return filter_; }
    std::string Filtered(const std::string& sql) const; // sql with the filter added

    // Reads the named parameters of sql; values of names that stay are kept.
    void Parse(const std::string& sql) { params_.Parse(sql); }
    TParam& ParamByName(std::string_view name); // of the text last parsed
    // The text last parsed, prepared on the connection, and its parameter values.
    PreparedStatement& Prepare();
    std::vector<TValue> Values() const { return params_.Values(); }
    // Runs the text last parsed; committed at once.
    void Execute();

private:
    TIBCConnection& connection_;
    std::string objectName_;
    std::vector<std::string> lines_;
    std::string filter_;
    ParamSet params_;
};

} // namespace sollist::db
