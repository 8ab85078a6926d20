#include "db/Catalogue.h"

#include "db/Connection.h"
#include "db/Statement.h"

namespace sollist::db {

const std::string& TCatalogue::DomainName(const std::string& relation, const std::string& field) {
    static const std::string unknown;
    auto cached = domains_.find(relation);
    if (cached == domains_.end()) {
        std::unordered_map<std::string, std::string> columns;
        connection_
            .Prepare("SELECT TRIM(RDB$FIELD_NAME), TRIM(RDB$FIELD_SOURCE) FROM RDB$RELATION_FIELDS "
                     "WHERE RDB$RELATION_NAME = ?")
            .Query({relation}, [&](std::vector<TValue>& row) {
                columns.emplace(std::get<std::string>(row[0]), std::get<std::string>(row[1]));
            });
        cached = domains_.emplace(relation, std::move(columns)).first;
    }
    auto domain = cached->second.find(field);
    return domain == cached->second.end() ? unknown : domain->second;
}

bool TCatalogue::HasColumn(const std::string& relation, const std::string& field) {
    return !DomainName(relation, field).empty();
}

const std::vector<std::string>& TCatalogue::PrimaryKeyFields(const std::string& table) {
    auto cached = primaryKeys_.find(table);
    if (cached != primaryKeys_.end())
        return cached->second;
    std::vector<std::string> fields;
    connection_
        .Prepare("SELECT RDB$FIELD_NAME, RDB$FIELD_POSITION FROM RDB$RELATION_CONSTRAINTS REL, "
                 "RDB$INDEX_SEGMENTS IDX WHERE REL.RDB$INDEX_NAME = IDX.RDB$INDEX_NAME AND "
                 "RDB$RELATION_NAME = ? AND RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' "
                 "ORDER BY RDB$FIELD_POSITION")
        .Query({table}, [&](std::vector<TValue>& row) { fields.push_back(std::get<std::string>(row[0])); });
    return primaryKeys_.emplace(table, std::move(fields)).first->second;
}

bool TCatalogue::RelationExists(const std::string& relation) {
    bool found = false;
    connection_.Prepare("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?")
        .Query({relation}, [&](std::vector<TValue>&) { found = true; });
    return found;
}

void TCatalogue::Forget() {
    domains_.clear();
    primaryKeys_.clear();
}

} // namespace sollist::db
