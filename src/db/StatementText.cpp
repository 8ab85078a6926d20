#include "db/StatementText.h"

#include "db/Connection.h"
#include "db/Misuse.h"
#include "db/Statement.h"

#include <fmt/format.h>

namespace sollist::db {

TStatementText::TStatementText(TIBCConnection& connection, std::string objectName)
    : connection_(connection), objectName_(std::move(objectName)) {}

std::string TStatementText::Joined() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) text += (i ? "\n" : "") + lines_[i];
    return text;
}

std::string TStatementText::Filtered(const std::string& sql) const { return AddFilter(sql, filter_); }

TParam& TStatementText::ParamByName(std::string_view name) {
    if (TParam* param = params_.Find(name))
        return *param;
    throw Misuse(objectName_, fmt::format("Parameter '{}' nicht gefunden", name));
}

PreparedStatement& TStatementText::Prepare() { return connection_.Prepare(params_.Sql()); }

void TStatementText::Execute() {
    Prepare().Execute(params_.Values());
    connection_.AutoCommit();
}

} // namespace sollist::db
