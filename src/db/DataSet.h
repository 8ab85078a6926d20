#pragma once
// Data objects with the semantics the program relies on: queries with named parameters,
// tables addressed by name with key and order fields, single statements. Rows are read
// completely when a data object is opened; NULL reads as empty text, 0, false or the zero
// date; CHAR texts come without trailing blanks.
#include "db/Value.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::db {

class TIBCConnection;
class TIBCDataSet;

struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftString;
    int Size = 0;              // characters, for text; 0 = 20
    bool Required = false;
    bool ReadOnly = false;
    bool Calculated = false;   // calculated or look-up field: no column of its own
};

// A field of the current row (or of the row being appended or edited). Cheap to copy: hold
// one across a loop and read it row after row.
class TField {
public:
    TField(TIBCDataSet& dataSet, int index) : dataSet_(&dataSet), index_(index) {}
    const std::string& FieldName() const;
    TFieldType DataType() const;
    int Index() const { return index_; }

    bool IsNull() const;
    std::string AsString() const;
    std::int64_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    double AsDateTime() const;
    const TValue& Value() const;

    void AsString(const std::string& value);
    void AsInteger(std::int64_t value);
    void AsFloat(double value);
    void AsBoolean(bool value);
    void AsDateTime(double value);
    void Clear();              // set NULL

private:
    TIBCDataSet* dataSet_;
    int index_;
};

class TParam {
public:
    explicit TParam(std::string name) : name_(std::move(name)) {}
    const std::string& Name() const { return name_; }
    void AsString(const std::string& value) { value_ = value; }
    void AsInteger(std::int64_t value) { value_ = value; }
    void AsFloat(double value) { value_ = value; }
    void AsDateTime(double value) { value_ = value; dateTime_ = true; }
    void Clear() { value_ = Null; }
    const TValue& Value() const { return value_; }
    bool IsDateTime() const { return dateTime_; }

private:
    std::string name_;
    TValue value_;
    bool dateTime_ = false;
};

// Shared base of queries and tables.
class TIBCDataSet {
public:
    // name: the object's name, put before misuse messages ("qryX: ...").
    explicit TIBCDataSet(TIBCConnection& connection, std::string name = {});
    virtual ~TIBCDataSet();
    TIBCDataSet(const TIBCDataSet&) = delete;
    TIBCDataSet& operator=(const TIBCDataSet&) = delete;

    const std::string& Name() const { return name_; }
    TIBCConnection& Connection() const { return connection_; }

    // Declaration.
    void SetSQL(std::initializer_list<std::string> lines);
    void SetSQL(const std::vector<std::string>& lines);
    std::string SQLText() const;                         // lines joined with "\n"
    void AddField(TFieldDef def);
    void AddField(std::string name, TFieldType type, int size = 0, bool required = false);
    const std::vector<TFieldDef>& FieldDefs() const;
    bool FetchAll = false;
    bool ReadOnly = false;
    bool BooleanDomainFields = false;
    bool SetEmptyStrToNull = false;

    // FilterSQL: extra condition added to the outermost WHERE; reopens an open data object.
    void FilterSQL(const std::string& condition);
    const std::string& FilterSQL() const { return filter_; }
    std::string EffectiveSQL() const;

    TParam& ParamByName(std::string_view name);

    void Open();
    void Close();
    bool Active() const;

    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const;                 // current row from 0; -1 when empty
    void First();
    void Last();
    void Next();
    void Prior();

    TField FieldByName(std::string_view name);
    TField Fields(int index);
    int FieldCount() const;

    // Field names separated by ";"; exact comparison; first match from the top. The current
    // row stays where it was when nothing matches.
    bool Locate(std::string_view fieldNames, const std::vector<TValue>& values);
    bool FindKey(const std::vector<TValue>& values);

    // Runs a statement that returns no rows; committed at once.
    void ExecSQL();

    // --- used by TField ---
    const TValue& CurrentValue(int index) const;
    void SetBufferValue(int index, TValue value);
    const TFieldDef& FieldDefAt(int index) const;

protected:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    virtual std::string BuildSQL() const;       // the statement Open runs
    virtual std::vector<std::string> KeyFieldNames();
    // "<name>: message", or the message alone for an unnamed object.
    std::string Prefixed(const std::string& message) const;
    int FieldIndexOf(std::string_view name) const;   // raises the unknown-field error
    // First row from the top whose fields equal values; stays put on a miss.
    bool Search(const std::vector<int>& fields, const std::vector<TValue>& values);
    // Writes a pending appended or edited row (navigation and searches do this first).
    void PostPending();
    virtual void PostRow();
    void CancelRow();

private:
    std::string name_;
    TIBCConnection& connection_;
    std::string filter_;
};

class TIBCQuery : public TIBCDataSet {
public:
    using TIBCDataSet::TIBCDataSet;

protected:
    // The primary-key columns of the first table of the FROM clause, from the catalogue.
    std::vector<std::string> KeyFieldNames() override;
};

class TIBCTable : public TIBCDataSet {
public:
    using TIBCDataSet::TIBCDataSet;

    std::string TableName;
    std::string KeyFields;     // "A;B"
    std::string OrderFields;   // "A;B"

    void Append();
    void Edit();
    void Post();
    void Cancel();
    void EmptyTable();
    bool Exists();

protected:
    std::string BuildSQL() const override;
    std::vector<std::string> KeyFieldNames() override;
    void PostRow() override;

private:
    void RequireTableName() const;
    void RequireActive() const;
    void CheckRequired() const;
    void InsertRow();
    void UpdateRow();
};

// A single statement that returns no rows.
class TIBCSQL {
public:
    explicit TIBCSQL(TIBCConnection& connection, std::string name = {});
    ~TIBCSQL();
    void SetSQL(std::initializer_list<std::string> lines);
    void SetSQL(const std::vector<std::string>& lines);
    TParam& ParamByName(std::string_view name);
    void Execute();            // committed at once

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Declares a data object: its SQL lines (none for a table, which names its table instead) and
// its fields. Every data module declares its objects this way.
void Declare(TIBCDataSet& set, std::initializer_list<std::string> sql,
             std::initializer_list<TFieldDef> fields);

} // namespace sollist::db
