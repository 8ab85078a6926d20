#pragma once
// The rows of an open data object, read completely when it opens: navigation, the first-match
// searches, and the buffer of the row being appended or edited.
#include "db/Field.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::db {

class TRowSet {
public:
    virtual ~TRowSet();
    TRowSet(const TRowSet&) = delete;
    TRowSet& operator=(const TRowSet&) = delete;

    const std::string& Name() const { return name_; }
    bool SetEmptyStrToNull = false; // empty text set into a field stores NULL

    bool Active() const;
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const; // current row from 0; -1 when empty
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
    // Drops the rows held in memory (they stay in the database): the set stays open and empty,
    // for a writer that never reads back what it wrote.
    void ForgetRows() { SetRows({}, 0); }

    // --- used by TField ---
    const TValue& CurrentValue(int index) const;
    void SetBufferValue(int index, TValue value);
    const TFieldDef& FieldDefAt(int index) const;

protected:
    // name: the object's name, put before misuse messages ("qryX: ...").
    explicit TRowSet(std::string name);

    void SetFields(std::vector<TFieldDef> fields);
    int FieldIndexOf(std::string_view name) const;    // raises the unknown-field error
    virtual std::vector<std::string> KeyFieldNames(); // the fields FindKey searches

    // Rows one after another, FieldCount() values each; the set becomes active on its first row.
    void SetRows(std::vector<TValue> values, int rowCount);
    void ClearRows(); // inactive, without rows
    const TValue& At(int row, int field) const;

    enum class EditState { Browse, Insert, Edit };
    EditState State() const;
    void BeginInsert(); // a buffer of NULLs
    void BeginEdit();   // a buffer holding the current row
    const TValue& Buffered(int field) const;
    bool Changed(int field) const; // set since the buffer began
    void AddBufferedRow();         // the appended row, written: it becomes the last row
    void StoreBufferedRow();       // the edited row, written: it replaces the current row
    void EndEdit();                // back to browsing; the buffer is dropped
    // Writes a pending appended or edited row (navigation and searches do this first).
    void PostPending();
    virtual void PostRow(); // writes the pending row; here it is only dropped

private:
    // First row from the top whose fields equal values; stays put on a miss.
    bool Search(const std::vector<int>& fields, const std::vector<TValue>& values);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string name_;
};

} // namespace sollist::db
