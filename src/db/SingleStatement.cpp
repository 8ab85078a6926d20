#include "db/SingleStatement.h"

namespace sollist::db {

TIBCSQL::TIBCSQL(TIBCConnection& connection, std::string name) : text_(connection, std::move(name)) {}

void TIBCSQL::SetSQL(std::initializer_list<std::string> lines) { SetSQL(std::vector<std::string>(lines)); }

void TIBCSQL::SetSQL(const std::vector<std::string>& lines) {
    text_.SetLines(lines);
    text_.Parse(text_.Joined());
}

TParam& TIBCSQL::ParamByName(std::string_view name) { return text_.ParamByName(name); }

void TIBCSQL::Execute() { text_.Execute(); }

} // namespace sollist::db
