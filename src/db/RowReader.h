#pragma once
// Rows of an open data object read into plain structs. The reader looks its field names up once
// and then makes a Row of the current row as often as asked: Row{value of field 1, value of
// field 2, ...}, each value read with the TField conversion its member's type asks for, so NULL,
// conversions and texts are what FieldByName gives. Made again after each Open: a data object
// without declared fields gets its fields when it opens.
#include "db/RowSet.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sollist::db {

// A field of the current row that becomes the member it initialises: text, a 64- or 32-bit
// integer, a float (a date or time field: its day number) or a boolean.
class TFieldValue {
public:
    explicit TFieldValue(const TField& field) : field_(field) {}
    operator std::string() const { return field_.AsString(); }
    operator std::int64_t() const { return field_.AsInteger(); }
    operator std::int32_t() const { return static_cast<std::int32_t>(field_.AsInteger()); }
    operator bool() const { return field_.AsBoolean(); }
    operator double() const {
        const TFieldType type = field_.DataType();
        const bool moment =
            type == TFieldType::ftDate || type == TFieldType::ftTime || type == TFieldType::ftDateTime;
        return moment ? field_.AsDateTime() : field_.AsFloat();
    }

private:
    const TField& field_;
};

template <class Row, std::size_t N>
class TRowReader {
public:
    TRowReader(TRowSet& rows, const std::array<std::string_view, N>& names)
        : fields_(Resolve(rows, names, std::make_index_sequence<N>{})) {}

    // The current row; members after the named ones keep their defaults.
    Row operator()() const { return Make(std::make_index_sequence<N>{}); }

private:
    template <std::size_t... I>
    static std::array<TField, N> Resolve(TRowSet& rows, const std::array<std::string_view, N>& names,
                                         std::index_sequence<I...>) {
        return {rows.FieldByName(names[I])...};
    }
    template <std::size_t... I>
    Row Make(std::index_sequence<I...>) const {
        return Row{TFieldValue(fields_[I])...};
    }

    std::array<TField, N> fields_;
};

// A reader of rows into Row from the named fields, one name per member in member order.
template <class Row, class... Names>
TRowReader<Row, sizeof...(Names)> RowReader(TRowSet& rows, Names... names) {
    return {rows, {std::string_view(names)...}};
}

// Every row of the open data object from the first, made by read from the current row.
template <class Read>
auto ReadAll(TRowSet& rows, const Read& read) {
    std::vector<decltype(read())> all;
    all.reserve(static_cast<std::size_t>(rows.RecordCount()));
    for (rows.First(); !rows.Eof(); rows.Next()) all.push_back(read());
    return all;
}

// Every row of the open data object from the first, into Row from the named fields.
template <class Row, class... Names>
std::vector<Row> ReadRows(TRowSet& rows, Names... names) {
    return ReadAll(rows, RowReader<Row>(rows, names...));
}

} // namespace sollist::db
