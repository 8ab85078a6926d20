#pragma once
// Rows of an open data object read into plain structs. Each member is bound to its field by name
// ({"FIELD", &TRow::Member}), so a member added to the struct or a field added to the query
// cannot shift another member onto the wrong field. The reader looks the field names up once and
// then makes a Row of the current row as often as asked, each member read with the TField
// conversion its own type asks for, so NULL, conversions and texts are what FieldByName gives.
// Made again after each Open: a data object without declared fields gets its fields when it
// opens.
#include "db/Misuse.h"
#include "db/RowSet.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace sollist::db {

// Reads a field into a member of the type it names: text, a 64- or 32-bit integer (a value
// beyond 32 bits is an error, never cut), a float (of a date or time field: its day number) or a
// boolean.
inline void ReadField(const TField& field, std::string& value) { value = field.AsString(); }
inline void ReadField(const TField& field, std::int64_t& value) { value = field.AsInteger(); }
inline void ReadField(const TField& field, std::int32_t& value) { value = field.AsInteger32(); }
inline void ReadField(const TField& field, bool& value) { value = field.AsBoolean(); }
inline void ReadField(const TField& field, double& value) {
    const TFieldType type = field.DataType();
    const bool moment =
        type == TFieldType::ftDate || type == TFieldType::ftTime || type == TFieldType::ftDateTime;
    value = moment ? field.AsDateTime() : field.AsFloat();
}

// A member of Row and the field it is read from. A member of another type than those ReadField
// takes does not compile.
template <class Row>
struct TBind {
    using TMember = std::variant<std::string Row::*, std::int64_t Row::*, std::int32_t Row::*, double Row::*,
                                 bool Row::*>;

    template <class M>
    TBind(std::string_view field, M Row::*member)
        : Field(field), Member(member), Read([](const TField& f, Row& row, const TMember& m) {
              ReadField(f, row.**std::get_if<M Row::*>(&m));
          }) {
        static_assert(std::is_same_v<M, std::string> || std::is_same_v<M, std::int64_t> ||
                          std::is_same_v<M, std::int32_t> || std::is_same_v<M, double> ||
                          std::is_same_v<M, bool>,
                      "a row member is a std::string, std::int64_t, std::int32_t, double or bool");
    }

    std::string_view Field;
    TMember Member;
    // Only the reading of the member's own type is made, one per bound type.
    void (*Read)(const TField&, Row&, const TMember&);
};

template <class Row>
class TRowReader {
public:
    TRowReader(TRowSet& rows, std::initializer_list<TBind<Row>> binds) {
        fields_.reserve(binds.size());
        for (const TBind<Row>& bind : binds) {
            for (const auto& [field, other] : fields_)
                if (other.Member == bind.Member)
                    throw Misuse(rows.Name(), "Die Felder '" + field.FieldName() + "' und '" +
                                                  std::string(bind.Field) + "' lesen in dasselbe Element");
            fields_.emplace_back(rows.FieldByName(bind.Field), bind);
        }
    }

    // The current row; members bound to no field keep their defaults.
    Row operator()() const {
        Row row{};
        for (const auto& [field, bind] : fields_) bind.Read(field, row, bind.Member);
        return row;
    }

private:
    std::vector<std::pair<TField, TBind<Row>>> fields_;
};

// A reader of rows into Row, each member from the field bound to it.
template <class Row>
TRowReader<Row> RowReader(TRowSet& rows, std::initializer_list<TBind<Row>> binds) {
    return {rows, binds};
}

// Every row of the open data object from the first, made by read from the current row.
template <class Read>
auto ReadAll(TRowSet& rows, const Read& read) {
    std::vector<decltype(read())> all;
    all.reserve(static_cast<std::size_t>(rows.RecordCount()));
    for (rows.First(); !rows.Eof(); rows.Next()) all.push_back(read());
    return all;
}

// Every row of the open data object from the first, into Row from the bound fields.
template <class Row>
std::vector<Row> ReadRows(TRowSet& rows, std::initializer_list<TBind<Row>> binds) {
    return ReadAll(rows, RowReader<Row>(rows, binds));
}

} // namespace sollist::db
