#include "db/Table.h"
#include "common/Text.h"

#include "db/Catalogue.h"
#include "db/Connection.h"
#include "db/Loader.h"
#include "db/Misuse.h"
#include "db/Statement.h"

#include <fmt/format.h>

namespace sollist::db {

void TIBCTable::RequireTableName() const {
    if (TableName.empty())
        throw Misuse(Name(), "TableName must be defined");
}

void TIBCTable::RequireActive() const {
    if (!Active())
        throw Misuse(Name(), "Cannot perform this operation on a closed dataset");
}

void TIBCTable::RequireWritable() const {
    if (ReadOnly)
        throw Misuse(Name(), "Cannot modify a read-only dataset");
}

std::string TIBCTable::BuildSQL() const {
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

void TIBCTable::Append() {
    RequireWritable();
    RequireTableName();
    RequireActive();
    PostPending();
    BeginInsert();
}

void TIBCTable::Edit() {
    RequireWritable();
    RequireTableName();
    RequireActive();
    if (State() != EditState::Browse)
        return;
    if (IsEmpty())
        Append();
    else
        BeginEdit();
}

void TIBCTable::Post() {
    RequireWritable();
    PostPending();
}

void TIBCTable::Cancel() { EndEdit(); }

void TIBCTable::CheckRequired() const {
    for (int i = 0; i < FieldCount(); ++i) {
        const TFieldDef& field = FieldDefAt(i);
        if (field.Required && std::holds_alternative<std::monostate>(Buffered(i)))
            throw Misuse(Name(), fmt::format("Feld '{}' muss einen Wert haben", field.Name));
    }
}

void TIBCTable::PostRow() {
    CheckRequired();
    if (State() == EditState::Insert)
        InsertRow();
    else
        UpdateRow();
    EndEdit();
}

void TIBCTable::InsertRow() {
    std::string columns, placeholders;
    std::vector<TValue> params;
    for (int i = 0; i < FieldCount(); ++i) {
        if (!Changed(i) || FieldDefAt(i).Calculated)
            continue;
        columns += (params.empty() ? "" : ",") + FieldDefAt(i).Name;
        placeholders += params.empty() ? "?" : ",?";
        params.push_back(Buffered(i));
    }
    const std::string sql =
        params.empty() ? "INSERT INTO " + TableName + " DEFAULT VALUES"
                       : "INSERT INTO " + TableName + " (" + columns + ") VALUES (" + placeholders + ")";
    TIBCConnection& connection = Connection();
    connection.Prepare(sql).Execute(params);
    connection.AutoCommit();
    AddBufferedRow(); // the posted row stays visible, at the end of the rows
}

void TIBCTable::UpdateRow() {
    std::vector<std::string> keyNames = KeyFieldNames();
    if (keyNames.empty())
        keyNames = Connection().Catalogue().PrimaryKeyFields(text::UpperAscii(TableName));
    if (keyNames.empty())
        throw Misuse(Name(), "Key fields required to update a row");

    std::string assignments;
    std::vector<TValue> params;
    for (int i = 0; i < FieldCount(); ++i) {
        if (!Changed(i) || FieldDefAt(i).Calculated)
            continue;
        assignments += (params.empty() ? "" : ", ") + FieldDefAt(i).Name + " = ?";
        params.push_back(Buffered(i));
    }
    if (params.empty())
        return;
    std::string condition;
    for (const std::string& name : keyNames) {
        condition += (condition.empty() ? "" : " AND ") + name + " IS NOT DISTINCT FROM ?";
        params.push_back(At(RecNo(), FieldIndexOf(name))); // the key as read
    }
    TIBCConnection& connection = Connection();
    const std::uint64_t found =
        connection.Prepare("UPDATE " + TableName + " SET " + assignments + " WHERE " + condition)
            .ExecuteCounted(params);
    if (found != 1) {
        connection.AutoRollback(); // an update of several rows must not stay
        const std::string message = fmt::format("Update failed. Found {} records", found);
        if (found == 0)
            throw Misuse<ERowGone>(Name(), message);
        throw Misuse(Name(), message);
    }
    connection.AutoCommit();
    StoreBufferedRow();
}

void TIBCTable::AppendRows(const std::vector<std::vector<TValue>>& rows) {
    RequireWritable();
    RequireTableName();
    RequireActive();
    PostPending();
    std::string names;
    std::vector<int> written; // fields with a column
    for (int i = 0; i < FieldCount(); ++i) {
        if (FieldDefAt(i).Calculated)
            continue;
        names += (written.empty() ? "" : ",") + FieldDefAt(i).Name;
        written.push_back(i);
    }
    auto toBuffer = [&](const std::vector<TValue>& row) {
        BeginInsert();
        for (std::size_t i = 0; i < row.size() && i < static_cast<std::size_t>(FieldCount()); ++i)
            SetBufferValue(static_cast<int>(i), row[i]);
    };
    TIBCConnection& connection = Connection();
    bool batched = false;
    if (rows.size() > 1 && !written.empty()) {
        std::vector<TValue> params;
        for (const auto& row : rows) {
            toBuffer(row);
            CheckRequired();
            for (int i : written) params.push_back(Buffered(i));
            EndEdit();
        }
        const std::vector<ColumnInfo> columns =
            connection.Prepare("SELECT " + names + " FROM " + TableName + " WHERE 1=0").Outputs();
        try {
            connection.Prepare(BatchInsertSql(TableName, columns, static_cast<int>(rows.size())))
                .Execute(params);
            batched = true;
        } catch (const EIBCError&) { // NOLINT(bugprone-empty-catch): the failed statement left nothing
        }
    }
    for (const auto& row : rows) {
        toBuffer(row);
        if (!batched) {
            PostPending();
            continue;
        }
        AddBufferedRow();
        EndEdit();
    }
    if (batched)
        connection.AutoCommit();
}

void TIBCTable::EmptyTable() {
    RequireTableName();
    EndEdit();
    TIBCConnection& connection = Connection();
    connection.Prepare("DELETE FROM " + TableName).Execute({});
    connection.AutoCommit();
    if (Active()) {
        Close();
        Open();
    }
}

bool TIBCTable::Exists() {
    return Active() || Connection().Catalogue().RelationExists(StoredName(TableName));
}

} // namespace sollist::db
