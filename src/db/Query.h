#pragma once
// A data set: a statement whose rows are read completely when it opens (TIBCDataSet), and the
// query, whose FindKey searches the primary key of its first table (TIBCQuery).
#include "db/RowSet.h"
#include "db/StatementText.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::db {

struct ColumnInfo;
class TIBCConnection;

// Shared base of queries and tables.
class TIBCDataSet : public TRowSet {
public:
    // name: the object's name, put before misuse messages ("qryX: ...").
    explicit TIBCDataSet(TIBCConnection& connection, std::string name = {});
    ~TIBCDataSet() override;

    TIBCConnection& Connection() const { return text_.Connection(); }

    // Declaration.
    void SetSQL(std::initializer_list<std::string> lines);
    void SetSQL(const std::vector<std::string>& lines);
    std::string SQLText() const; // lines joined with "\n"
    void AddField(TFieldDef def);
    void AddField(std::string name, TFieldType type, int size = 0, bool required = false);
    const std::vector<TFieldDef>& FieldDefs() const { return declared_; }
    bool ReadOnly = false;            // a table refuses Append, Edit and Post
    bool BooleanDomainFields = false; // integer columns of a *BOOLEAN* domain read as booleans

    // FilterSQL: extra condition added to the outermost WHERE; reopens an open data object.
    void FilterSQL(const std::string& condition);
    const std::string& FilterSQL() const { return text_.Filter(); }
    std::string EffectiveSQL() const;

    TParam& ParamByName(std::string_view name);

    void Open();
    void Close();

    // Runs a statement that returns no rows; committed at once.
    void ExecSQL();

protected:
    virtual std::string BuildSQL() const; // the statement Open runs

private:
    // Per result column: whether it reads as boolean (BooleanDomainFields).
    std::vector<bool> BooleanColumns(const std::vector<ColumnInfo>& columns);
    // Per field: its result column, -1 for a calculated field. Without declared fields, the
    // fields become the columns.
    std::vector<int> ColumnsOfFields(const std::vector<ColumnInfo>& columns,
                                     const std::vector<bool>& asBoolean);

    std::vector<TFieldDef> declared_;
    TStatementText text_;
};

class TIBCQuery : public TIBCDataSet {
public:
    using TIBCDataSet::TIBCDataSet;

protected:
    // The primary-key columns of the first table of the FROM clause, from the catalogue.
    std::vector<std::string> KeyFieldNames() override;

private:
    std::string keySql_; // the SQL text the key fields were read for
    std::vector<std::string> keyNames_;
};

// Declares a data object: its SQL lines (none for a table, which names its table instead) and
// its fields. Every data module declares its objects this way.
void Declare(TIBCDataSet& set, std::initializer_list<std::string> sql,
             std::initializer_list<TFieldDef> fields);

} // namespace sollist::db
