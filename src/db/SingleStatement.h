#pragma once
// A single statement that returns no rows, with named parameters; committed when it runs.
#include "db/StatementText.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::db {

class TIBCSQL {
public:
    // name: the object's name, put before misuse messages ("sqlX: ...").
    explicit TIBCSQL(TIBCConnection& connection, std::string name = {});
    void SetSQL(std::initializer_list<std::string> lines);
    void SetSQL(const std::vector<std::string>& lines);
    TParam& ParamByName(std::string_view name);
    void Execute(); // committed at once

private:
    TStatementText text_;
};

} // namespace sollist::db
