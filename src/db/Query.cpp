#include "db/Query.h"
#include "common/Text.h"

#include "db/Catalogue.h"
#include "db/Connection.h"
#include "db/Convert.h"
#include "db/Misuse.h"
#include "db/Statement.h"

#include <fmt/format.h>

#include <unordered_map>

namespace sollist::db {

// ---- TIBCDataSet ----

TIBCDataSet::TIBCDataSet(TIBCConnection& connection, std::string name)
    : TRowSet(name), text_(connection, std::move(name)) {}

TIBCDataSet::~TIBCDataSet() = default;

void TIBCDataSet::SetSQL(std::initializer_list<std::string> lines) {
    SetSQL(std::vector<std::string>(lines));
}

void TIBCDataSet::SetSQL(const std::vector<std::string>& lines) {
    Close();
    text_.SetLines(lines);
    text_.Parse(EffectiveSQL());
}

std::string TIBCDataSet::SQLText() const { return text_.Joined(); }

void TIBCDataSet::AddField(TFieldDef def) {
    if (def.DataType == TFieldType::ftString && def.Size == 0)
        def.Size = 20;
    declared_.push_back(std::move(def));
    SetFields(declared_);
}

void TIBCDataSet::AddField(std::string name, TFieldType type, int size, bool required) {
    AddField(TFieldDef{std::move(name), type, size, required});
}

void TIBCDataSet::FilterSQL(const std::string& condition) {
    const bool wasActive = Active();
    Close();
    text_.SetFilter(condition);
    if (wasActive)
        Open();
}

std::string TIBCDataSet::BuildSQL() const { return SQLText(); }

std::string TIBCDataSet::EffectiveSQL() const { return text_.Filtered(BuildSQL()); }

TParam& TIBCDataSet::ParamByName(std::string_view name) {
    text_.Parse(EffectiveSQL());
    return text_.ParamByName(name);
}

std::vector<bool> TIBCDataSet::BooleanColumns(const std::vector<ColumnInfo>& columns) {
    std::vector<bool> asBoolean(columns.size(), false);
    if (!BooleanDomainFields)
        return asBoolean;
    TCatalogue& catalogue = Connection().Catalogue();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ColumnInfo& c = columns[i];
        const bool integer = c.kind == TFieldType::ftSmallint || c.kind == TFieldType::ftInteger;
        asBoolean[i] =
            integer && !c.relation.empty() &&
            text::UpperAscii(catalogue.DomainName(c.relation, c.field)).find("BOOLEAN") != std::string::npos;
    }
    return asBoolean;
}

std::vector<int> TIBCDataSet::ColumnsOfFields(const std::vector<ColumnInfo>& columns,
                                              const std::vector<bool>& asBoolean) {
    std::vector<int> fieldColumn;
    if (declared_.empty()) {
        std::vector<TFieldDef> list;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const TFieldType kind = asBoolean[i] ? TFieldType::ftBoolean : columns[i].kind;
            list.push_back(
                TFieldDef{columns[i].name, kind, kind == TFieldType::ftString ? columns[i].characters : 0});
            fieldColumn.push_back(static_cast<int>(i));
        }
        SetFields(std::move(list));
        return fieldColumn;
    }
    std::unordered_map<std::string, int> columnByName;
    for (std::size_t i = 0; i < columns.size(); ++i)
        columnByName.emplace(text::UpperAscii(columns[i].name), static_cast<int>(i));
    for (const TFieldDef& def : declared_) {
        if (def.Calculated) {
            fieldColumn.push_back(-1);
            continue;
        }
        auto found = columnByName.find(text::UpperAscii(def.Name));
        if (found == columnByName.end())
            throw Misuse(Name(), fmt::format("Das Feld '{}' wurde nicht gefunden", def.Name));
        fieldColumn.push_back(found->second);
    }
    return fieldColumn;
}

void TIBCDataSet::Open() {
    if (Active())
        return;
    text_.Parse(EffectiveSQL());
    PreparedStatement& statement = text_.Prepare();
    const std::vector<ColumnInfo>& columns = statement.Outputs();
    const std::vector<bool> asBoolean = BooleanColumns(columns);
    const std::vector<int> fieldColumn = ColumnsOfFields(columns, asBoolean);

    std::vector<TValue> values;
    int rowCount = 0;
    statement.Query(text_.Values(), [&](std::vector<TValue>& row) {
        for (int column : fieldColumn) {
            if (column < 0) {
                values.emplace_back();
                continue;
            }
            TValue& value = row[static_cast<std::size_t>(column)];
            if (asBoolean[static_cast<std::size_t>(column)] && !std::holds_alternative<std::monostate>(value))
                values.emplace_back(ValueToInteger(value) != 0);
            else
                values.push_back(std::move(value));
        }
        ++rowCount;
    });
    SetRows(std::move(values), rowCount);
}

void TIBCDataSet::Close() { ClearRows(); }

void TIBCDataSet::ExecSQL() {
    text_.Parse(EffectiveSQL());
    text_.Execute();
}

// ---- TIBCQuery ----

std::vector<std::string> TIBCQuery::KeyFieldNames() {
    std::string sql = SQLText();
    if (sql != keySql_ || keyNames_.empty()) {
        keyNames_ = Connection().Catalogue().PrimaryKeyFields(FirstFromTable(sql));
        keySql_ = std::move(sql);
    }
    return keyNames_;
}

void Declare(TIBCDataSet& set, std::initializer_list<std::string> sql,
             std::initializer_list<TFieldDef> fields) {
    if (sql.size() > 0)
        set.SetSQL(sql);
    for (const TFieldDef& field : fields) set.AddField(field);
}

} // namespace sollist::db
