#include "db/Loader.h"

#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Statement.h"

#include <fmt/format.h>

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

// The EXECUTE BLOCK text of a batch, grown one row at a time.
class BatchText {
public:
    BatchText(const std::string& table, const std::vector<ColumnInfo>& columns)
        : table_(table), columns_(columns) {
        for (std::size_t c = 0; c < columns.size(); ++c) columnList_ += (c ? "," : "") + columns[c].name;
    }

    void AddRow() {
        std::string values;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            const std::string name = fmt::format("P{}_{}", rows_, c);
            declarations_ +=
                (declarations_.empty() ? "" : ",") + name + " " + ParameterType(columns_[c]) + " =?";
            values += (c ? ",:" : ":") + name;
        }
        inserts_ += "INSERT INTO " + table_ + "(" + columnList_ + ") VALUES (" + values + ");";
        ++rows_;
    }

    int Rows() const { return rows_; }
    std::size_t Length() const { return declarations_.size() + inserts_.size(); }
    std::string Sql() const { return "EXECUTE BLOCK (" + declarations_ + ") AS BEGIN " + inserts_ + " END"; }

private:
    const std::string& table_;
    const std::vector<ColumnInfo>& columns_;
    std::string columnList_;
    std::string declarations_;
    std::string inserts_;
    int rows_ = 0;
};

} // namespace

std::string BatchInsertSql(const std::string& table, const std::vector<ColumnInfo>& columns, int rows) {
    BatchText text(table, columns);
    while (text.Rows() < rows) text.AddRow();
    return text.Sql();
}

struct TIBCLoader::Impl {
    TIBCConnection* connection = nullptr;
    std::string table;
    std::vector<ColumnInfo> columns;
    int batchRows = 0; // rows of a full batch
    std::string fullBatchSql;
    std::vector<TValue> pending; // rows waiting to be sent, one after another
    int pendingRows = 0;
    int lastRow = 0; // number of the row being given
    std::vector<int> batchSizes;

    void Send() {
        if (pendingRows == 0)
            return;
        std::string sql = fullBatchSql;
        if (pendingRows != batchRows)
            sql = BatchInsertSql(table, columns, pendingRows);
        connection->Prepare(sql).Execute(pending);
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
    d = Impl{};
    d.connection = &connection_;
    d.table = TableName;
    d.columns = connection_.Prepare("SELECT * FROM " + TableName + " WHERE 1=0").Outputs();

    BatchText text(d.table, d.columns);
    do text.AddRow();
    while (text.Rows() < std::max(1, RowsPerBatch) && text.Length() < kBatchTextLimit);
    d.batchRows = text.Rows();
    d.fullBatchSql = text.Sql();

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
    const int width = static_cast<int>(d.columns.size());
    if (column < 0 || column >= width)
        throw Exception(fmt::format("Column {} does not exist in {}", column, d.table));
    if (row < d.lastRow || row < 1)
        throw Exception(fmt::format("Row {} given after row {}", row, d.lastRow));
    if (row > d.lastRow) {
        if (d.pendingRows == d.batchRows)
            d.Send();
        d.lastRow = row;
        ++d.pendingRows;
        d.pending.resize(static_cast<std::size_t>(d.pendingRows) * static_cast<std::size_t>(width));
    }
    d.pending[static_cast<std::size_t>(d.pendingRows - 1) * static_cast<std::size_t>(width) +
              static_cast<std::size_t>(column)] = value;
}

} // namespace sollist::db
