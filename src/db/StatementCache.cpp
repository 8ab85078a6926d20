#include "db/StatementCache.h"

#include "db/Statement.h"

namespace sollist::db {

TStatementCache::TStatementCache() = default;
TStatementCache::~TStatementCache() = default;

PreparedStatement& TStatementCache::Prepare(TIBCConnection& connection, const std::string& sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return *found->second;
    auto statement = std::make_unique<PreparedStatement>(connection, sql);
    return *statements_.emplace(sql, std::move(statement)).first->second;
}

void TStatementCache::Clear() { statements_.clear(); }

} // namespace sollist::db
