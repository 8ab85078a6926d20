#include "db/DataSet.h"

#include "db/Connection.h"
#include "db/Convert.h"
#include "db/SqlText.h"
#include "db/Statement.h"

#include <fmt/format.h>

#include <cmath>
#include <unordered_map>

namespace sollist::db {

namespace {

std::vector<std::string> SplitNames(const std::string& names)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(';', start);
        if (end == std::string::npos)
            end = names.size();
        std::string name = names.substr(start, end - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty())
            result.push_back(name);
        start = end + 1;
    }
    return result;
}

bool IsTextKind(TFieldType type)
{
    return type == TFieldType::ftString || type == TFieldType::ftMemo ||
           type == TFieldType::ftBlob || type == TFieldType::ftBytes;
}

// A value as the field kind holds it (setting a field converts like reading does).
TValue Coerce(const TValue& value, TFieldType type)
{
    if (std::holds_alternative<std::monostate>(value))
        return value;
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger: return ValueToInteger(value);
    case TFieldType::ftFloat: return ValueToFloat(value);
    case TFieldType::ftBoolean: return ValueToBoolean(value);
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: return ValueToDateTime(value);
    default: return ValueToString(value);
    }
}

// Search key form of a value: text for text fields, else a number (integral numbers as
// integers), so that 5, 5.0 and "5" find the same row of a numeric field.
TValue KeyForm(const TValue& value, TFieldType type)
{
    if (std::holds_alternative<std::monostate>(value))
        return value;
    if (IsTextKind(type))
        return ValueToString(value);
    if (auto* integer = std::get_if<std::int64_t>(&value))
        return *integer;
    double number = ValueToFloat(value);
    if (number == std::floor(number) && std::fabs(number) < 9e15)
        return static_cast<std::int64_t>(number);
    return number;
}

struct KeyHash {
    std::size_t operator()(const std::vector<TValue>& key) const
    {
        std::size_t hash = key.size();
        for (const TValue& value : key)
            hash ^= std::hash<TValue>{}(value) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
        return hash;
    }
};

// First row (from the top) per key of one set of fields.
struct KeyIndex {
    std::vector<int> fields;
    std::unordered_map<std::vector<TValue>, int, KeyHash> firstRow;
};

enum class EditState { Browse, Insert, Edit };

bool IsIntegerColumn(const ColumnInfo& column)
{
    return (column.type == SQL_SHORT || column.type == SQL_LONG || column.type == SQL_INT64) &&
           column.scale == 0;
}

int CharactersOf(const ColumnInfo& column)
{
    const unsigned bytesPerChar = column.charSet == 4 ? 4 : column.charSet == 3 ? 3 : 1;
    return static_cast<int>(column.length / bytesPerChar);
}

} // namespace

struct TIBCDataSet::Impl {
    std::vector<std::string> sqlLines;
    std::vector<TFieldDef> declared;
    ParamSet params;

    // The fields of the object: the declared ones, or one per result column of the last Open.
    std::vector<TFieldDef> fields;
    std::unordered_map<std::string, int> fieldIndex;   // upper-case name -> field

    bool active = false;
    std::vector<TValue> values;    // rows one after another, fields.size() values each
    int rowCount = 0;
    int current = -1;
    bool bof = true;
    bool eof = true;

    EditState state = EditState::Browse;
    std::vector<TValue> buffer;
    std::vector<bool> changed;

    std::unordered_map<std::string, KeyIndex> indexes;   // by field positions "0;3;"

    // A query's key fields, read from the catalogue for the SQL text they were read for.
    std::string keySql;
    std::vector<std::string> keyNames;

    void SetFields(std::vector<TFieldDef> list)
    {
        fields = std::move(list);
        fieldIndex.clear();
        for (std::size_t i = 0; i < fields.size(); ++i)
            fieldIndex.emplace(UpperCase(fields[i].Name), static_cast<int>(i));
    }

    const TValue& At(int row, int field) const
    {
        return values[static_cast<std::size_t>(row) * fields.size() + static_cast<std::size_t>(field)];
    }

    std::vector<TValue> RowKey(int row, const std::vector<int>& keyFields) const
    {
        std::vector<TValue> key;
        key.reserve(keyFields.size());
        for (int f : keyFields)
            key.push_back(KeyForm(At(row, f), fields[static_cast<std::size_t>(f)].DataType));
        return key;
    }

    KeyIndex& IndexFor(const std::vector<int>& keyFields)
    {
        std::string id;
        for (int f : keyFields)
            id += std::to_string(f) + ";";
        auto found = indexes.find(id);
        if (found != indexes.end())
            return found->second;
        KeyIndex& index = indexes[id];
        index.fields = keyFields;
        for (int row = 0; row < rowCount; ++row)
            index.firstRow.emplace(RowKey(row, keyFields), row);
        return index;
    }

    void MoveTo(int row)
    {
        current = row;
        bof = eof = false;
    }
};

// ---- TField ----

const std::string& TField::FieldName() const { return dataSet_->FieldDefAt(index_).Name; }
TFieldType TField::DataType() const { return dataSet_->FieldDefAt(index_).DataType; }
const TValue& TField::Value() const { return dataSet_->CurrentValue(index_); }
bool TField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }

std::string TField::AsString() const
{
    const TValue& value = Value();
    TFieldType type = DataType();
    bool isDate = type == TFieldType::ftDate || type == TFieldType::ftDateTime;
    if (isDate && !std::holds_alternative<std::monostate>(value) && !std::holds_alternative<std::string>(value))
        return FormatDateTime(ValueToFloat(value));
    return ValueToString(value);
}

std::int64_t TField::AsInteger() const { return ValueToInteger(Value()); }
double TField::AsFloat() const { return ValueToFloat(Value()); }
bool TField::AsBoolean() const { return ValueToBoolean(Value()); }
double TField::AsDateTime() const { return ValueToDateTime(Value()); }

void TField::AsString(const std::string& value) { dataSet_->SetBufferValue(index_, value); }
void TField::AsInteger(std::int64_t value) { dataSet_->SetBufferValue(index_, value); }
void TField::AsFloat(double value) { dataSet_->SetBufferValue(index_, value); }
void TField::AsBoolean(bool value) { dataSet_->SetBufferValue(index_, value); }
void TField::AsDateTime(double value) { dataSet_->SetBufferValue(index_, value); }
void TField::Clear() { dataSet_->SetBufferValue(index_, Null); }

// ---- TIBCDataSet ----

TIBCDataSet::TIBCDataSet(TIBCConnection& connection, std::string name)
    : impl_(std::make_unique<Impl>()), name_(std::move(name)), connection_(connection)
{
}

TIBCDataSet::~TIBCDataSet() = default;

std::string TIBCDataSet::Prefixed(const std::string& message) const
{
    return name_.empty() ? message : name_ + ": " + message;
}

void TIBCDataSet::SetSQL(std::initializer_list<std::string> lines)
{
    SetSQL(std::vector<std::string>(lines));
}

void TIBCDataSet::SetSQL(const std::vector<std::string>& lines)
{
    Close();
    impl_->sqlLines = lines;
    impl_->params.Parse(EffectiveSQL());
}

std::string TIBCDataSet::SQLText() const
{
    std::string text;
    for (std::size_t i = 0; i < impl_->sqlLines.size(); ++i)
        text += (i ? "\n" : "") + impl_->sqlLines[i];
    return text;
}

void TIBCDataSet::AddField(TFieldDef def)
{
    if (def.DataType == TFieldType::ftString && def.Size == 0)
        def.Size = 20;
    impl_->declared.push_back(std::move(def));
    impl_->SetFields(impl_->declared);
}

void TIBCDataSet::AddField(std::string name, TFieldType type, int size, bool required)
{
    AddField(TFieldDef{std::move(name), type, size, required});
}

const std::vector<TFieldDef>& TIBCDataSet::FieldDefs() const { return impl_->declared; }

void TIBCDataSet::FilterSQL(const std::string& condition)
{
    const bool wasActive = Active();
    Close();
    filter_ = condition;
    if (wasActive)
        Open();
}

std::string TIBCDataSet::BuildSQL() const { return SQLText(); }

std::string TIBCDataSet::EffectiveSQL() const { return AddFilter(BuildSQL(), filter_); }

TParam& TIBCDataSet::ParamByName(std::string_view name)
{
    impl_->params.Parse(EffectiveSQL());
    if (TParam* param = impl_->params.Find(name))
        return *param;
    throw EDatabaseError(Prefixed(fmt::format("Parameter '{}' nicht gefunden", name)));
}

void TIBCDataSet::Open()
{
    if (Active())
        return;
    Impl& d = *impl_;
    d.params.Parse(EffectiveSQL());
    TIBCConnection& connection = Connection();
    PreparedStatement& statement = connection.Prepare(d.params.Sql());
    const std::vector<ColumnInfo>& columns = statement.Outputs();

    std::unordered_map<std::string, int> columnByName;
    for (std::size_t i = 0; i < columns.size(); ++i)
        columnByName.emplace(UpperCase(columns[i].name), static_cast<int>(i));

    std::vector<bool> asBoolean(columns.size(), false);
    if (BooleanDomainFields) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            asBoolean[i] = IsIntegerColumn(columns[i]) && !columns[i].relation.empty() &&
                           UpperCase(connection.DomainName(columns[i].relation, columns[i].field))
                                   .find("BOOLEAN") != std::string::npos;
    }

    std::vector<int> fieldColumn;   // result column per field, -1 for calculated fields
    if (d.declared.empty()) {
        std::vector<TFieldDef> list;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            TFieldType kind = asBoolean[i] ? TFieldType::ftBoolean : KindOfColumn(columns[i]);
            list.push_back(TFieldDef{columns[i].name, kind,
                                     kind == TFieldType::ftString ? CharactersOf(columns[i]) : 0});
            fieldColumn.push_back(static_cast<int>(i));
        }
        d.SetFields(std::move(list));
    } else {
        for (const TFieldDef& def : d.declared) {
            if (def.Calculated) {
                fieldColumn.push_back(-1);
                continue;
            }
            auto found = columnByName.find(UpperCase(def.Name));
            if (found == columnByName.end())
                throw EDatabaseError(Prefixed(fmt::format("Das Feld '{}' wurde nicht gefunden", def.Name)));
            fieldColumn.push_back(found->second);
        }
    }

    d.values.clear();
    d.rowCount = 0;
    d.indexes.clear();
    const std::size_t width = d.fields.size();
    statement.Query(d.params.Values(), [&](std::vector<TValue>& row) {
        for (std::size_t f = 0; f < width; ++f) {
            int column = fieldColumn[f];
            if (column < 0) {
                d.values.emplace_back();
            } else if (asBoolean[static_cast<std::size_t>(column)] &&
                       !std::holds_alternative<std::monostate>(row[static_cast<std::size_t>(column)])) {
                d.values.emplace_back(ValueToInteger(row[static_cast<std::size_t>(column)]) != 0);
            } else {
                d.values.push_back(std::move(row[static_cast<std::size_t>(column)]));
            }
        }
        ++d.rowCount;
    });
    d.active = true;
    d.state = EditState::Browse;
    First();
}

void TIBCDataSet::Close()
{
    Impl& d = *impl_;
    d.active = false;
    d.values.clear();
    d.values.shrink_to_fit();
    d.rowCount = 0;
    d.current = -1;
    d.bof = d.eof = true;
    d.state = EditState::Browse;
    d.indexes.clear();
}

bool TIBCDataSet::Active() const { return impl_->active; }
bool TIBCDataSet::Eof() const { return impl_->eof; }
bool TIBCDataSet::Bof() const { return impl_->bof; }
bool TIBCDataSet::IsEmpty() const { return impl_->rowCount == 0; }
int TIBCDataSet::RecordCount() const { return impl_->rowCount; }
int TIBCDataSet::RecNo() const { return impl_->current; }

void TIBCDataSet::First()
{
    PostPending();
    Impl& d = *impl_;
    d.current = d.rowCount > 0 ? 0 : -1;
    d.bof = true;
    d.eof = d.rowCount == 0;
}

void TIBCDataSet::Last()
{
    PostPending();
    Impl& d = *impl_;
    d.current = d.rowCount - 1;
    d.eof = true;
    d.bof = d.rowCount == 0;
}

void TIBCDataSet::Next()
{
    PostPending();
    Impl& d = *impl_;
    if (d.current + 1 < d.rowCount) {
        ++d.current;
        d.bof = false;
    } else {
        d.eof = true;
    }
}

void TIBCDataSet::Prior()
{
    PostPending();
    Impl& d = *impl_;
    if (d.current > 0) {
        --d.current;
        d.eof = false;
    } else {
        d.bof = true;
    }
}

int TIBCDataSet::FieldIndexOf(std::string_view name) const
{
    auto found = impl_->fieldIndex.find(UpperCase(name));
    if (found == impl_->fieldIndex.end())
        throw EDatabaseError(Prefixed(fmt::format("Das Feld '{}' wurde nicht gefunden", name)));
    return found->second;
}

TField TIBCDataSet::FieldByName(std::string_view name) { return TField(*this, FieldIndexOf(name)); }

TField TIBCDataSet::Fields(int index)
{
    if (index < 0 || index >= FieldCount())
        throw EDatabaseError(Prefixed(fmt::format("Field index {} out of range", index)));
    return TField(*this, index);
}

int TIBCDataSet::FieldCount() const { return static_cast<int>(impl_->fields.size()); }

const TFieldDef& TIBCDataSet::FieldDefAt(int index) const
{
    return impl_->fields.at(static_cast<std::size_t>(index));
}

const TValue& TIBCDataSet::CurrentValue(int index) const
{
    const Impl& d = *impl_;
    if (d.state != EditState::Browse)
        return d.buffer.at(static_cast<std::size_t>(index));
    if (d.current < 0 || index < 0 || index >= FieldCount())
        return Null;
    return d.At(d.current, index);
}

void TIBCDataSet::SetBufferValue(int index, TValue value)
{
    Impl& d = *impl_;
    if (d.state == EditState::Browse)
        throw EDatabaseError(Prefixed("Dataset not in edit or insert mode"));
    const TFieldDef& def = FieldDefAt(index);
    if (SetEmptyStrToNull) {
        if (auto* text = std::get_if<std::string>(&value); text && text->empty())
            value = Null;
    }
    d.buffer[static_cast<std::size_t>(index)] = Coerce(value, def.DataType);
    d.changed[static_cast<std::size_t>(index)] = true;
}

bool TIBCDataSet::Search(const std::vector<int>& keyFields, const std::vector<TValue>& values)
{
    PostPending();
    Impl& d = *impl_;
    if (values.size() != keyFields.size())
        throw EDatabaseError(Prefixed(fmt::format("{} key values given for {} fields", values.size(),
                                                  keyFields.size())));
    std::vector<TValue> key;
    key.reserve(values.size());
    try {
        for (std::size_t i = 0; i < values.size(); ++i)
            key.push_back(KeyForm(values[i], d.fields[static_cast<std::size_t>(keyFields[i])].DataType));
    } catch (const EConvertError&) {
        return false;   // text that is no number matches no row of a numeric field
    }
    const KeyIndex& index = d.IndexFor(keyFields);
    auto found = index.firstRow.find(key);
    if (found == index.firstRow.end())
        return false;
    d.MoveTo(found->second);
    return true;
}

bool TIBCDataSet::Locate(std::string_view fieldNames, const std::vector<TValue>& values)
{
    std::vector<int> keyFields;
    for (const std::string& name : SplitNames(std::string(fieldNames)))
        keyFields.push_back(FieldIndexOf(name));
    return Search(keyFields, values);
}

bool TIBCDataSet::FindKey(const std::vector<TValue>& values)
{
    std::vector<std::string> names = KeyFieldNames();
    if (names.empty())
        throw EDatabaseError(Prefixed("Key fields required to call FindKey or FindNearest"));
    std::vector<int> keyFields;
    for (const std::string& name : names)
        keyFields.push_back(FieldIndexOf(name));
    return Search(keyFields, values);
}

std::vector<std::string> TIBCDataSet::KeyFieldNames() { return {}; }

void TIBCDataSet::ExecSQL()
{
    impl_->params.Parse(EffectiveSQL());
    TIBCConnection& connection = Connection();
    connection.Prepare(impl_->params.Sql()).Execute(impl_->params.Values());
    connection.AutoCommit();
}

void TIBCDataSet::PostPending()
{
    if (impl_->state != EditState::Browse)
        PostRow();
}

void TIBCDataSet::PostRow() { impl_->state = EditState::Browse; }

void TIBCDataSet::CancelRow() { impl_->state = EditState::Browse; }

// ---- TIBCQuery ----

std::vector<std::string> TIBCQuery::KeyFieldNames()
{
    std::string sql = SQLText();
    if (sql != impl_->keySql || impl_->keyNames.empty()) {
        impl_->keyNames = Connection().PrimaryKeyFields(FirstFromTable(sql));
        impl_->keySql = std::move(sql);
    }
    return impl_->keyNames;
}

// ---- TIBCTable ----

void TIBCTable::RequireTableName() const
{
    if (TableName.empty())
        throw EDatabaseError(Prefixed("TableName must be defined"));
}

std::string TIBCTable::BuildSQL() const
{
    RequireTableName();
    std::string sql = "SELECT * FROM " + TableName + "\n";
    if (!OrderFields.empty()) {
        std::string order = OrderFields;
        for (char& c : order)
            if (c == ';')
                c = ',';
        sql += "ORDER BY " + order + "\n";
    }
    return sql;
}

std::vector<std::string> TIBCTable::KeyFieldNames() { return SplitNames(KeyFields); }

void TIBCTable::RequireActive() const
{
    if (!Active())
        throw EDatabaseError(Prefixed("Cannot perform this operation on a closed dataset"));
}

void TIBCTable::Append()
{
    RequireTableName();
    RequireActive();
    PostPending();
    Impl& d = *impl_;
    d.buffer.assign(d.fields.size(), Null);
    d.changed.assign(d.fields.size(), false);
    d.state = EditState::Insert;
}

void TIBCTable::Edit()
{
    RequireTableName();
    RequireActive();
    Impl& d = *impl_;
    if (d.state != EditState::Browse)
        return;
    if (d.rowCount == 0) {
        Append();
        return;
    }
    d.buffer.assign(d.values.begin() + static_cast<std::ptrdiff_t>(d.current * d.fields.size()),
                    d.values.begin() + static_cast<std::ptrdiff_t>((d.current + 1) * d.fields.size()));
    d.changed.assign(d.fields.size(), false);
    d.state = EditState::Edit;
}

void TIBCTable::Post() { PostPending(); }

void TIBCTable::Cancel() { CancelRow(); }

void TIBCTable::CheckRequired() const
{
    const Impl& d = *impl_;
    for (std::size_t i = 0; i < d.fields.size(); ++i)
        if (d.fields[i].Required && std::holds_alternative<std::monostate>(d.buffer[i]))
            throw EDatabaseError(Prefixed(fmt::format("Feld '{}' muss einen Wert haben", d.fields[i].Name)));
}

void TIBCTable::PostRow()
{
    Impl& d = *impl_;
    CheckRequired();
    if (d.state == EditState::Insert)
        InsertRow();
    else
        UpdateRow();
    d.state = EditState::Browse;
}

void TIBCTable::InsertRow()
{
    Impl& d = *impl_;
    std::string columns, placeholders;
    std::vector<TValue> params;
    for (std::size_t i = 0; i < d.fields.size(); ++i) {
        if (!d.changed[i] || d.fields[i].Calculated)
            continue;
        columns += (params.empty() ? "" : ",") + d.fields[i].Name;
        placeholders += params.empty() ? "?" : ",?";
        params.push_back(d.buffer[i]);
    }
    const std::string sql = params.empty()
        ? "INSERT INTO " + TableName + " DEFAULT VALUES"
        : "INSERT INTO " + TableName + " (" + columns + ") VALUES (" + placeholders + ")";
    TIBCConnection& connection = Connection();
    connection.Prepare(sql).Execute(params);
    connection.AutoCommit();

    // The posted row stays visible at the end of the rows; indexes learn it (it is the last
    // row, so a key it shares with an earlier row keeps pointing at the earlier one).
    d.values.insert(d.values.end(), d.buffer.begin(), d.buffer.end());
    ++d.rowCount;
    d.MoveTo(d.rowCount - 1);
    for (auto& [id, index] : d.indexes)
        index.firstRow.emplace(d.RowKey(d.current, index.fields), d.current);
}

void TIBCTable::UpdateRow()
{
    Impl& d = *impl_;
    std::vector<std::string> keyNames = KeyFieldNames();
    if (keyNames.empty())
        keyNames = Connection().PrimaryKeyFields(UpperCase(TableName));
    if (keyNames.empty())
        throw EDatabaseError(Prefixed("Key fields required to update a row"));

    std::string assignments;
    std::vector<TValue> params;
    for (std::size_t i = 0; i < d.fields.size(); ++i) {
        if (!d.changed[i] || d.fields[i].Calculated)
            continue;
        assignments += (params.empty() ? "" : ", ") + d.fields[i].Name + " = ?";
        params.push_back(d.buffer[i]);
    }
    if (params.empty())
        return;
    std::string condition;
    for (const std::string& name : keyNames) {
        condition += (condition.empty() ? "" : " AND ") + name + " IS NOT DISTINCT FROM ?";
        params.push_back(d.At(d.current, FieldIndexOf(name)));   // the key as read
    }
    TIBCConnection& connection = Connection();
    const std::uint64_t found = connection.Prepare("UPDATE " + TableName + " SET " + assignments +
                                                   " WHERE " + condition).Execute(params);
    if (found != 1) {
        connection.AutoRollback();   // an update of several rows must not stay
        throw EDatabaseError(Prefixed(fmt::format("Update failed. Found {} records", found)));
    }
    connection.AutoCommit();

    std::copy(d.buffer.begin(), d.buffer.end(),
              d.values.begin() + static_cast<std::ptrdiff_t>(d.current * d.fields.size()));
    // Indexes over changed fields are rebuilt when next used: the first match may have moved.
    for (auto it = d.indexes.begin(); it != d.indexes.end();) {
        bool touched = false;
        for (int f : it->second.fields)
            touched = touched || d.changed[static_cast<std::size_t>(f)];
        it = touched ? d.indexes.erase(it) : std::next(it);
    }
}

void TIBCTable::EmptyTable()
{
    RequireTableName();
    CancelRow();
    TIBCConnection& connection = Connection();
    connection.Prepare("DELETE FROM " + TableName).Execute({});
    connection.AutoCommit();
    if (Active()) {
        Close();
        Open();
    }
}

bool TIBCTable::Exists()
{
    if (Active())
        return true;
    std::string name = TableName;
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    else
        name = UpperCase(name);
    bool found = false;
    Connection()
        .Prepare("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?")
        .Query({name}, [&](std::vector<TValue>&) { found = true; });
    return found;
}

// ---- TIBCSQL ----

struct TIBCSQL::Impl {
    std::string name;
    TIBCConnection& connection;
    std::vector<std::string> lines;
    ParamSet params;
};

TIBCSQL::TIBCSQL(TIBCConnection& connection, std::string name)
    : impl_(std::make_unique<Impl>(Impl{std::move(name), connection, {}, {}}))
{
}

TIBCSQL::~TIBCSQL() = default;

void TIBCSQL::SetSQL(std::initializer_list<std::string> lines) { SetSQL(std::vector<std::string>(lines)); }

void TIBCSQL::SetSQL(const std::vector<std::string>& lines)
{
    impl_->lines = lines;
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\n" : "") + lines[i];
    impl_->params.Parse(text);
}

TParam& TIBCSQL::ParamByName(std::string_view name)
{
    if (TParam* param = impl_->params.Find(name))
        return *param;
    std::string message = fmt::format("Parameter '{}' nicht gefunden", name);
    throw EDatabaseError(impl_->name.empty() ? message : impl_->name + ": " + message);
}

void TIBCSQL::Execute()
{
    impl_->connection.Prepare(impl_->params.Sql()).Execute(impl_->params.Values());
    impl_->connection.AutoCommit();
}

void Declare(TIBCDataSet& set, std::initializer_list<std::string> sql,
             std::initializer_list<TFieldDef> fields)
{
    if (sql.size() > 0)
        set.SetSQL(sql);
    for (const TFieldDef& field : fields)
        set.AddField(field);
}

} // namespace sollist::db
