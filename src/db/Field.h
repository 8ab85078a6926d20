#pragma once
// Fields of a data object: how they are declared, and their value in the current row.
#include "db/Value.h"

#include <cstdint>
#include <string>

namespace sollist::db {

class TRowSet;

struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftString;
    int Size = 0; // characters, for text; 0 = 20
    bool Required = false;
    bool ReadOnly = false;
    bool Calculated = false; // calculated or look-up field: no column of its own
};

// A field of the current row (or of the row being appended or edited). Cheap to copy: hold
// one across a loop and read it row after row.
class TField {
public:
    TField(TRowSet& rows, int index) : rows_(&rows), index_(index) {}
    const std::string& FieldName() const;
    TFieldType DataType() const;
    int Index() const { return index_; }

    bool IsNull() const;
    std::string AsString() const;
    std::int64_t AsInteger() const;
    std::int32_t AsInteger32() const; // AsInteger, an error when the value does not fit 32 bits
    double AsFloat() const;
    bool AsBoolean() const;
    double AsDateTime() const;
    const TValue& Value() const;

    void AsString(const std::string& value);
    void AsInteger(std::int64_t value);
    void AsFloat(double value);
    void AsBoolean(bool value);
    void AsDateTime(double value);
    void Clear(); // set NULL

private:
    TRowSet* rows_;
    int index_;
};

} // namespace sollist::db
