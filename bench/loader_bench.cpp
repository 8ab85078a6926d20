// Writing 10,000 rows of the 33-column SOLLTAT layout: the EXECUTE BLOCK bulk loader against one
// prepared INSERT per row, embedded and through the server. Each iteration empties the table
// first (untimed) and ends with the commit.
#include "SolltatValues.h"
#include "TestDatabase.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Loader.h"
#include "db/Statement.h"
#include "db/TempTable.h"
#include "solltat/DmSolltat.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace sollist;
using test::DbMode;

constexpr int kRows = 10000;

// One database with SOLLTAT per mode, kept for all iterations.
struct Target {
    std::unique_ptr<test::TestDatabase> db;
    db::TIBCConnection& connection;
    db::TIBCTable table{connection};

    explicit Target(DbMode mode)
        : db(std::make_unique<test::TestDatabase>(mode, false)), connection(db->Connection().IBCConnection) {
        solltat::DeclareSolltat(table);
        db::CreateTempTable(table, "");
    }
    int Columns() const { return static_cast<int>(table.FieldDefs().size()); }
};

Target& TargetFor(DbMode mode) {
    static std::unique_ptr<Target> targets[2];
    auto& target = targets[mode == DbMode::Server ? 1 : 0];
    if (!target)
        target = std::make_unique<Target>(mode);
    return *target;
}

void ReportRows(benchmark::State& state) {
    state.counters["rows/s"] = benchmark::Counter(
        static_cast<double>(kRows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BulkLoader(benchmark::State& state, DbMode mode) {
    Target& target = TargetFor(mode);
    db::TIBCLoader loader(target.connection);
    loader.TableName = "SOLLTAT";
    loader.RowsPerBatch = 100;
    loader.OnPutData = [columns = target.Columns()](db::TIBCLoader& l) {
        for (int row = 1; row <= kRows; ++row)
            for (int column = 0; column < columns; ++column)
                l.PutColumnData(column, row, test::SolltatValue(column, row));
    };
    for (auto _ : state) {
        state.PauseTiming();
        target.table.EmptyTable();
        state.ResumeTiming();
        loader.Load();
    }
    state.counters["batches"] = static_cast<double>(loader.BatchSizes().size());
    ReportRows(state);
}

void BM_InsertPerRow(benchmark::State& state, DbMode mode) {
    Target& target = TargetFor(mode);
    std::string columns, placeholders;
    for (const db::TFieldDef& field : target.table.FieldDefs()) {
        columns += (columns.empty() ? "" : ",") + field.Name;
        placeholders += placeholders.empty() ? "?" : ",?";
    }
    db::PreparedStatement& insert =
        target.connection.Prepare("INSERT INTO SOLLTAT (" + columns + ") VALUES (" + placeholders + ")");
    const int columnCount = target.Columns();
    std::vector<db::TValue> values(static_cast<std::size_t>(columnCount));
    for (auto _ : state) {
        state.PauseTiming();
        target.table.EmptyTable();
        state.ResumeTiming();
        for (int row = 1; row <= kRows; ++row) {
            for (int column = 0; column < columnCount; ++column)
                values[static_cast<std::size_t>(column)] = test::SolltatValue(column, row);
            insert.Execute(values);
        }
        target.connection.AutoCommit();
    }
    ReportRows(state);
}

BENCHMARK_CAPTURE(BM_BulkLoader, embedded, DbMode::Embedded)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_InsertPerRow, embedded, DbMode::Embedded)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_BulkLoader, server, DbMode::Server)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_InsertPerRow, server, DbMode::Server)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
