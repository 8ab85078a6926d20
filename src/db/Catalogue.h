#pragma once
// What the system tables say about the relations of one connection's database. Domains and
// primary keys are read once per relation; whether a relation exists is asked every time,
// since the program creates temporary tables as it goes.
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::db {

class TIBCConnection;

class TCatalogue {
public:
    explicit TCatalogue(TIBCConnection& connection) : connection_(connection) {}
    TCatalogue(const TCatalogue&) = delete;
    TCatalogue& operator=(const TCatalogue&) = delete;

    // Names are as stored: upper case, or as written between double quotes.
    // Domain name of a relation's column (RDB$FIELD_SOURCE), "" when unknown.
    const std::string& DomainName(const std::string& relation, const std::string& field);
    // Primary-key columns of a table in key order; empty without a primary key.
    const std::vector<std::string>& PrimaryKeyFields(const std::string& table);
    bool RelationExists(const std::string& relation);
    // Whether the relation has the column: a column the business system does not promise is
    // read only where it is there (read with the relation's domains, once).
    bool HasColumn(const std::string& relation, const std::string& field);

    // Drops what was read: the next attachment may see another database.
    void Forget();

private:
    TIBCConnection& connection_;
    // relation -> column -> domain
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> domains_;
    std::unordered_map<std::string, std::vector<std::string>> primaryKeys_;
};

} // namespace sollist::db
