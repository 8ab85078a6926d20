#include "db/Loader.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Statement.h"

#include <fmt/format.h>

#include <algorithm>
#include <utility>

namespace sollist::db {

namespace {

// Batch statements stop growing once declarations and inserts together reach this length.
constexpr std::size_t kBatchTextLimit = 32768;

// The type a batch declares for the parameters of a column: the column's own type. A text
// parameter without a character set would have the connection's (UTF8), and the server would
// copy its UTF-8 bytes unconverted into a column of character set NONE.
std::string ParameterType(const ColumnInfo& column) {
    if (column.precision > 0 && column.scale < 0)
        return fmt::format("NUMERIC({},{})", column.precision, -column.scale);
    const char* none = column.codePage ? " CHARACTER SET NONE" : "";
    switch (column.kind) {
    case TFieldType::ftString: return fmt::format("VARCHAR({}){}", std::max(1, column.characters), none);
    case TFieldType::ftSmallint: return "SMALLINT";
    case TFieldType::ftInteger: return column.precision > 9 ? "BIGINT" : "INTEGER";
    case TFieldType::ftFloat: return "DOUBLE PRECISION";
    case TFieldType::ftDate: return "DATE";
    case TFieldType::ftTime: return "TIME";
    case TFieldType::ftDateTime: return "TIMESTAMP";
    case TFieldType::ftBoolean: return "BOOLEAN";
    case TFieldType::ftMemo: return column.codePage ? "BLOB SUB_TYPE TEXT CHARACTER SET NONE" : "BLOB";
    case TFieldType::ftBlob: return "BLOB";
    default: throw Exception(fmt::format("Column {} has a type the loader cannot write", column.name));
    }
}

// Whether two descriptions give a column the same place in a batch text.
bool SameInBatch(const ColumnInfo& a, const ColumnInfo& b) {
    return a.name == b.name && a.kind == b.kind && a.characters == b.characters &&
           a.precision == b.precision && a.scale == b.scale && a.codePage == b.codePage;
}

bool SameInBatch(const std::vector<ColumnInfo>& a, const std::vector<ColumnInfo>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ColumnInfo& x, const ColumnInfo& y) { return SameInBatch(x, y); });
}

// The EXECUTE BLOCK text of a batch, grown one row at a time; the text of any smaller batch is
// cut from it.
class BatchText {
public:
    BatchText(std::string table, std::vector<ColumnInfo> columns)
        : table_(std::move(table)), columns_(std::move(columns)) {
        for (std::size_t c = 0; c < columns_.size(); ++c) columnList_ += (c ? "," : "") + columns_[c].name;
    }

    void AddRow() {
        std::string values;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            const std::string name = fmt::format("P{}_{}", Rows(), c);
            declarations_ +=
                (declarations_.empty() ? "" : ",") + name + " " + ParameterType(columns_[c]) + " =?";
            values += (c ? ",:" : ":") + name;
        }
        inserts_ += "INSERT INTO " + table_ + "(" + columnList_ + ") VALUES (" + values + ");";
        ends_.emplace_back(declarations_.size(), inserts_.size());
    }

    int Rows() const { return static_cast<int>(ends_.size()); }
    std::size_t Length() const { return declarations_.size() + inserts_.size(); }
    const std::string& Table() const { return table_; }
    const std::vector<ColumnInfo>& Columns() const { return columns_; }
    // The statement for the first rows rows added.
    std::string Sql(int rows) const {
        const auto [declared, inserted] = ends_.at(static_cast<std::size_t>(rows - 1));
        return "EXECUTE BLOCK (" + declarations_.substr(0, declared) + ") AS BEGIN " +
               inserts_.substr(0, inserted) + " END";
    }

private:
    std::string table_;
    std::vector<ColumnInfo> columns_;
    std::string columnList_;
    std::string declarations_;
    std::string inserts_;
    std::vector<std::pair<std::size_t, std::size_t>> ends_; // lengths of both after each row
};

} // namespace

std::string BatchInsertSql(const std::string& table, const std::vector<ColumnInfo>& columns, int rows) {
    BatchText text(table, columns);
    while (text.Rows() < rows) text.AddRow();
    return text.Sql(rows);
}

struct TIBCLoader::Impl {
    // The batch texts of the last table loaded, kept while its name, columns and RowsPerBatch
    // stay: building them costs more than a small batch's rows.
    std::unique_ptr<BatchText> text;
    int rowsPerBatch = 0;
    std::string fullBatchSql; // the text of a full batch, at hand for every batch but the last
    // The load in progress.
    TIBCConnection* connection = nullptr;
    int width = 0;
    std::vector<TValue> pending; // rows waiting to be sent, one after another
    int pendingRows = 0;
    int lastRow = 0; // number of the row being given
    std::vector<int> batchSizes;

    // Batch texts for the table and columns (rows added up to the batch rule).
    void Prepare(const std::string& table, std::vector<ColumnInfo> columns, int rowsPerBatchWanted) {
        if (text && text->Table() == table && rowsPerBatch == rowsPerBatchWanted &&
            SameInBatch(text->Columns(), columns))
            return;
        text = std::make_unique<BatchText>(table, std::move(columns));
        rowsPerBatch = rowsPerBatchWanted;
        do text->AddRow();
        while (text->Rows() < std::max(1, rowsPerBatch) && text->Length() < kBatchTextLimit);
        fullBatchSql = text->Sql(text->Rows());
    }

    void Send() {
        if (pendingRows == 0)
            return;
        connection->Prepare(pendingRows == text->Rows() ? fullBatchSql : text->Sql(pendingRows))
            .Execute(pending);
        batchSizes.push_back(pendingRows);
        pending.clear();
        pendingRows = 0;
    }
};

TIBCLoader::TIBCLoader(TIBCConnection& connection)
    : connection_(connection), impl_(std::make_unique<Impl>()) {}

TIBCLoader::~TIBCLoader() = default;

const std::vector<int>& TIBCLoader::BatchSizes() const { return impl_->batchSizes; }

void TIBCLoader::Load() {
    Impl& d = *impl_;
    d.connection = &connection_;
    d.pending.clear();
    d.pendingRows = 0;
    d.lastRow = 0;
    d.batchSizes.clear();
    d.Prepare(TableName, connection_.Prepare("SELECT * FROM " + TableName + " WHERE 1=0").Outputs(),
              RowsPerBatch);
    d.width = static_cast<int>(d.text->Columns().size());

    try {
        if (OnPutData)
            OnPutData(*this);
        d.Send();
    } catch (...) {
        connection_.AutoRollback(); // rows of earlier batches must not be committed later
        throw;
    }
    connection_.AutoCommit();
}

void TIBCLoader::PutColumnData(int column, int row, const TValue& value) {
    Impl& d = *impl_;
    if (column < 0 || column >= d.width)
        throw Exception(fmt::format("Column {} does not exist in {}", column, d.text->Table()));
    if (row < d.lastRow || row < 1)
        throw Exception(fmt::format("Row {} given after row {}", row, d.lastRow));
    if (row > d.lastRow) {
        if (d.pendingRows == d.text->Rows())
            d.Send();
        d.lastRow = row;
        ++d.pendingRows;
        d.pending.resize(static_cast<std::size_t>(d.pendingRows) * static_cast<std::size_t>(d.width));
    }
    d.pending[static_cast<std::size_t>(d.pendingRows - 1) * static_cast<std::size_t>(d.width) +
              static_cast<std::size_t>(column)] = value;
}

} // namespace sollist::db
