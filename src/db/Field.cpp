#include "db/Field.h"

#include "db/Convert.h"
#include "db/Misuse.h"
#include "db/RowSet.h"

#include <fmt/format.h>

#include <limits>

namespace sollist::db {

const std::string& TField::FieldName() const { return rows_->FieldDefAt(index_).Name; }
TFieldType TField::DataType() const { return rows_->FieldDefAt(index_).DataType; }
const TValue& TField::Value() const { return rows_->CurrentValue(index_); }
bool TField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }

std::string TField::AsString() const {
    const TValue& value = Value();
    TFieldType type = DataType();
    bool isDate = type == TFieldType::ftDate || type == TFieldType::ftDateTime;
    if (isDate && !std::holds_alternative<std::monostate>(value) &&
        !std::holds_alternative<std::string>(value))
        return FormatDateTime(ValueToFloat(value));
    return ValueToString(value);
}

std::int64_t TField::AsInteger() const { return ValueToInteger(Value()); }
std::int32_t TField::AsInteger32() const {
    const std::int64_t wide = AsInteger();
    if (wide < std::numeric_limits<std::int32_t>::min() || wide > std::numeric_limits<std::int32_t>::max())
        throw Misuse(rows_->Name(),
                     fmt::format("Der Wert {} des Feldes '{}' passt nicht in 32 Bit", wide, FieldName()));
    return static_cast<std::int32_t>(wide);
}
double TField::AsFloat() const { return ValueToFloat(Value()); }
bool TField::AsBoolean() const { return ValueToBoolean(Value()); }
double TField::AsDateTime() const { return ValueToDateTime(Value()); }

void TField::AsString(const std::string& value) { rows_->SetBufferValue(index_, value); }
void TField::AsInteger(std::int64_t value) { rows_->SetBufferValue(index_, value); }
void TField::AsFloat(double value) { rows_->SetBufferValue(index_, value); }
void TField::AsBoolean(bool value) { rows_->SetBufferValue(index_, value); }
void TField::AsDateTime(double value) { rows_->SetBufferValue(index_, value); }
void TField::Clear() { rows_->SetBufferValue(index_, Null); }

} // namespace sollist::db
