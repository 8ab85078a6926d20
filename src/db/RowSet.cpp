#include "db/RowSet.h"
#include "common/Text.h"

#include "db/Convert.h"
#include "db/KeyIndex.h"
#include "db/Misuse.h"
#include "db/SqlText.h"

#include <fmt/format.h>

#include <unordered_map>

namespace sollist::db {

namespace {

// A value as the field kind holds it (setting a field converts like reading does).
TValue Coerce(const TValue& value, TFieldType type) {
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

} // namespace

struct TRowSet::Impl {
    std::vector<TFieldDef> fields;
    std::unordered_map<std::string, int> fieldIndex; // upper-case name -> field

    bool active = false;
    std::vector<TValue> values; // rows one after another, fields.size() values each
    int rowCount = 0;
    int current = -1;
    bool bof = true;
    bool eof = true;

    EditState state = EditState::Browse;
    std::vector<TValue> buffer;
    std::vector<bool> changed;

    std::unordered_map<std::string, TKeyIndex> indexes; // by field positions "0;3;"

    std::size_t Offset(int row) const { return static_cast<std::size_t>(row) * fields.size(); }
    const TValue& At(int row, int field) const {
        return values[Offset(row) + static_cast<std::size_t>(field)];
    }

    TKeyIndex::Key RowKey(int row, const std::vector<int>& keyFields) const {
        TKeyIndex::Key key;
        key.reserve(keyFields.size());
        for (int f : keyFields)
            key.push_back(KeyForm(At(row, f), fields[static_cast<std::size_t>(f)].DataType));
        return key;
    }

    TKeyIndex& IndexFor(const std::vector<int>& keyFields) {
        std::string id;
        for (int f : keyFields) id += std::to_string(f) + ";";
        auto found = indexes.find(id);
        if (found != indexes.end())
            return found->second;
        TKeyIndex& index = indexes.emplace(id, TKeyIndex(keyFields)).first->second;
        for (int row = 0; row < rowCount; ++row) index.Learn(RowKey(row, keyFields), row);
        return index;
    }

    void MoveTo(int row) {
        current = row;
        bof = eof = false;
    }
};

TRowSet::TRowSet(std::string name) : impl_(std::make_unique<Impl>()), name_(std::move(name)) {}

TRowSet::~TRowSet() = default;

// ---- fields ----

void TRowSet::SetFields(std::vector<TFieldDef> fields) {
    Impl& d = *impl_;
    d.fields = std::move(fields);
    d.fieldIndex.clear();
    for (std::size_t i = 0; i < d.fields.size(); ++i)
        d.fieldIndex.emplace(text::UpperAscii(d.fields[i].Name), static_cast<int>(i));
}

int TRowSet::FieldIndexOf(std::string_view name) const {
    auto found = impl_->fieldIndex.find(text::UpperAscii(name));
    if (found == impl_->fieldIndex.end())
        throw Misuse(name_, fmt::format("Das Feld '{}' wurde nicht gefunden", name));
    return found->second;
}

TField TRowSet::FieldByName(std::string_view name) { return TField(*this, FieldIndexOf(name)); }

TField TRowSet::Fields(int index) {
    if (index < 0 || index >= FieldCount())
        throw Misuse(name_, fmt::format("Field index {} out of range", index));
    return TField(*this, index);
}

int TRowSet::FieldCount() const { return static_cast<int>(impl_->fields.size()); }

const TFieldDef& TRowSet::FieldDefAt(int index) const {
    return impl_->fields.at(static_cast<std::size_t>(index));
}

// ---- rows and navigation ----

void TRowSet::SetRows(std::vector<TValue> values, int rowCount) {
    Impl& d = *impl_;
    d.values = std::move(values);
    d.rowCount = rowCount;
    d.indexes.clear();
    d.active = true;
    d.state = EditState::Browse;
    First();
}

void TRowSet::ClearRows() {
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

const TValue& TRowSet::At(int row, int field) const { return impl_->At(row, field); }

bool TRowSet::Active() const { return impl_->active; }
bool TRowSet::Eof() const { return impl_->eof; }
bool TRowSet::Bof() const { return impl_->bof; }
bool TRowSet::IsEmpty() const { return impl_->rowCount == 0; }
int TRowSet::RecordCount() const { return impl_->rowCount; }
int TRowSet::RecNo() const { return impl_->current; }

void TRowSet::First() {
    PostPending();
    Impl& d = *impl_;
    d.current = d.rowCount > 0 ? 0 : -1;
    d.bof = true;
    d.eof = d.rowCount == 0;
}

void TRowSet::Last() {
    PostPending();
    Impl& d = *impl_;
    d.current = d.rowCount - 1;
    d.eof = true;
    d.bof = d.rowCount == 0;
}

void TRowSet::Next() {
    PostPending();
    Impl& d = *impl_;
    if (d.current + 1 < d.rowCount) {
        ++d.current;
        d.bof = false;
    } else {
        d.eof = true;
    }
}

void TRowSet::Prior() {
    PostPending();
    Impl& d = *impl_;
    if (d.current > 0) {
        --d.current;
        d.eof = false;
    } else {
        d.bof = true;
    }
}

const TValue& TRowSet::CurrentValue(int index) const {
    const Impl& d = *impl_;
    if (d.state != EditState::Browse)
        return d.buffer.at(static_cast<std::size_t>(index));
    if (d.current < 0 || index < 0 || index >= FieldCount())
        return Null;
    return d.At(d.current, index);
}

// ---- searches ----

bool TRowSet::Search(const std::vector<int>& keyFields, const std::vector<TValue>& values) {
    PostPending();
    Impl& d = *impl_;
    if (values.size() != keyFields.size())
        throw Misuse(name_,
                     fmt::format("{} key values given for {} fields", values.size(), keyFields.size()));
    TKeyIndex::Key key;
    key.reserve(values.size());
    try {
        for (std::size_t i = 0; i < values.size(); ++i)
            key.push_back(KeyForm(values[i], d.fields[static_cast<std::size_t>(keyFields[i])].DataType));
    } catch (const EConvertError&) {
        return false; // text that is no number matches no row of a numeric field
    }
    const int row = d.IndexFor(keyFields).Find(key);
    if (row < 0)
        return false;
    d.MoveTo(row);
    return true;
}

bool TRowSet::Locate(std::string_view fieldNames, const std::vector<TValue>& values) {
    std::vector<int> keyFields;
    for (const std::string& name : SplitNames(fieldNames)) keyFields.push_back(FieldIndexOf(name));
    return Search(keyFields, values);
}

bool TRowSet::FindKey(const std::vector<TValue>& values) {
    std::vector<std::string> names = KeyFieldNames();
    if (names.empty())
        throw Misuse(name_, "Key fields required to call FindKey or FindNearest");
    std::vector<int> keyFields;
    keyFields.reserve(names.size());
    for (const std::string& name : names) keyFields.push_back(FieldIndexOf(name));
    return Search(keyFields, values);
}

std::vector<std::string> TRowSet::KeyFieldNames() { return {}; }

// ---- the edit buffer ----

TRowSet::EditState TRowSet::State() const { return impl_->state; }

void TRowSet::BeginInsert() {
    Impl& d = *impl_;
    d.buffer.assign(d.fields.size(), Null);
    d.changed.assign(d.fields.size(), false);
    d.state = EditState::Insert;
}

void TRowSet::BeginEdit() {
    Impl& d = *impl_;
    d.buffer.assign(d.values.begin() + static_cast<std::ptrdiff_t>(d.Offset(d.current)),
                    d.values.begin() + static_cast<std::ptrdiff_t>(d.Offset(d.current + 1)));
    d.changed.assign(d.fields.size(), false);
    d.state = EditState::Edit;
}

const TValue& TRowSet::Buffered(int field) const { return impl_->buffer[static_cast<std::size_t>(field)]; }

bool TRowSet::Changed(int field) const { return impl_->changed[static_cast<std::size_t>(field)]; }

void TRowSet::SetBufferValue(int index, TValue value) {
    Impl& d = *impl_;
    if (d.state == EditState::Browse)
        throw Misuse(name_, "Dataset not in edit or insert mode");
    const TFieldDef& def = FieldDefAt(index);
    if (SetEmptyStrToNull) {
        if (auto* text = std::get_if<std::string>(&value); text && text->empty())
            value = Null;
    }
    d.buffer[static_cast<std::size_t>(index)] = Coerce(value, def.DataType);
    d.changed[static_cast<std::size_t>(index)] = true;
}

void TRowSet::AddBufferedRow() {
    Impl& d = *impl_;
    d.values.insert(d.values.end(), d.buffer.begin(), d.buffer.end());
    ++d.rowCount;
    d.MoveTo(d.rowCount - 1);
    // The last row: a key it shares with an earlier row keeps pointing at the earlier one.
    for (auto& [id, index] : d.indexes) index.Learn(d.RowKey(d.current, index.Fields()), d.current);
}

void TRowSet::StoreBufferedRow() {
    Impl& d = *impl_;
    std::copy(d.buffer.begin(), d.buffer.end(),
              d.values.begin() + static_cast<std::ptrdiff_t>(d.Offset(d.current)));
    // Indexes over changed fields are rebuilt when next used: the first match may have moved.
    for (auto it = d.indexes.begin(); it != d.indexes.end();) {
        bool touched = false;
        for (int f : it->second.Fields()) touched = touched || d.changed[static_cast<std::size_t>(f)];
        it = touched ? d.indexes.erase(it) : std::next(it);
    }
}

void TRowSet::EndEdit() { impl_->state = EditState::Browse; }

void TRowSet::PostPending() {
    if (impl_->state != EditState::Browse)
        PostRow();
}

void TRowSet::PostRow() { EndEdit(); }

} // namespace sollist::db
