// The target calculation on a large order (position materials and activities through the
// master sets, the material cache and the SOLLTAT loader), and the record lookup of every
// reported quantity: hash index against the first-match linear scan it replaces.
#include "solltat/DmSolltat.h"
#include "solltat/SollStammdaten.h"
#include "solltat/Solltat.h"

#include "TestDatabase.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using sollist::solltat::TMSTRecord;
using sollist::solltat::TMSTRecordList;

constexpr int kPositions = 200, kRowsPerPosition = 5, kActivities = 100, kMaterials = 300;

// The database with the large order "BIG": each position has kRowsPerPosition materials
// (3 activities each) and as many activities. One database at a time, because the program's
// default connection is the oldest live one; without materialIndexes the schema's indexes on
// the orders' material numbers are dropped.
sollist::test::TestDatabase& Database(bool materialIndexes) {
    static std::unique_ptr<sollist::test::TestDatabase> db;
    static bool dbIndexes = false;
    if (db && dbIndexes == materialIndexes)
        return *db;
    db.reset();
    dbIndexes = materialIndexes;
    db = [materialIndexes] {
        auto d = std::make_unique<sollist::test::TestDatabase>();
        if (!materialIndexes)
            d->Exec("DROP INDEX IX_POS_MAT_MANUMM; DROP INDEX IX_POSTYMAT_MANUMM;");
        std::string sql = "INSERT INTO KOSTENST (KONUMM, KOLNK) VALUES ('100', 1);"
                          "INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('01', 19);"
                          "INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ('Z1', 'STD', 1);"
                          "INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG) VALUES ('BIG', 'Z1');";
        for (int t = 0; t < kActivities; ++t)
            sql += fmt::format("INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, "
                               "TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ) VALUES ('T{0}', "
                               "'Taetigkeit {0}', 'T{1}', 10, 1, 2, 'A', {2}, '100', '{3}');",
                               t, t % 10, t % 2, t % 3 == 0 ? "M2" : "STK");
        for (int m = 0; m < kMaterials; ++m) {
            sql += fmt::format("INSERT INTO MATERIAL (MANUMM, MAARBEH, MAFORTS) VALUES ('M{}', "
                               "'M2', {});",
                               m, m % 4 == 0 ? fmt::format("'M{}'", (m + 1) % kMaterials) : "NULL");
            for (int k = 0; k < 3; ++k)
                sql += fmt::format("INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES "
                                   "('M{}', 'T{}', 1.5);",
                                   m, (m + 17 * k) % kActivities);
        }
        for (int p = 0; p < kPositions; ++p) {
            sql += fmt::format("INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST) VALUES "
                               "('BIG', 'P{}', 2, '01');",
                               p);
            for (int r = 0; r < kRowsPerPosition; ++r) {
                sql += fmt::format("INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, "
                                   "APMAMANUMM, APMASOLLME, APMAMGMULT) VALUES ('BIG', 'P{}', {}, "
                                   "'M{}', 3, 1);",
                                   p, r + 1, (p * 7 + r) % kMaterials);
                sql += fmt::format("INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, "
                                   "PTSOLLME, PTMGMULT, PTERSCHW, PTBEZEICH) VALUES ('BIG', 'P{}', "
                                   "{}, 'T{}', 2, 1, 1, 'Pos');",
                                   p, r + 1, (p * 3 + r) % kActivities);
            }
        }
        d->Exec(sql);
        return d;
    }();
    return *db;
}

// Arg 0: without the indexes on the orders' material numbers (POS_MAT, POSTYMAT), which the
// preload query's IN subquery probes once per MATTATIG row; Arg 1: with them.
void BM_CalculateOrder(benchmark::State& state) {
    sollist::test::TestDatabase& db = Database(state.range(0) != 0);
    const sollist::TRunContext context{.Connection = db.Connection().IBCConnection,
                                       .ErrorLogDir = db.ErrorLogDir(),
                                       .Today = 0}; // no day asked
    for (auto _ : state) {                          // each order as if alone: master data read with it
        sollist::solltat::TSollStammdaten stammdaten;
        sollist::solltat::TSolltat calc(context, stammdaten);
        benchmark::DoNotOptimize(calc.Calculate({"BIG"}, false));
    }
    state.counters["positions"] = kPositions;
}
BENCHMARK(BM_CalculateOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Records of one order as AddTaetigkeit meets them: every triple reported several times.
std::vector<std::unique_ptr<TMSTRecord>> MakeRecords(int count) {
    std::vector<std::unique_ptr<TMSTRecord>> records;
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<TMSTRecord>();
        r->SollPos = fmt::format("P{}", i / 20);
        r->Element = i % 4;
        r->Taetigkeit = fmt::format("T{}", i % 20);
        records.push_back(std::move(r));
    }
    return records;
}

void BM_FindRecordHash(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TMSTRecordList list;
    auto keys = MakeRecords(count);
    for (const auto& r : keys) list.Add(std::make_unique<TMSTRecord>(*r));
    for (auto _ : state)
        for (const auto& k : keys) benchmark::DoNotOptimize(list.Find(k->SollPos, k->Element, k->Taetigkeit));
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_FindRecordHash)->Arg(100)->Arg(1000)->Arg(5000);

void BM_FindRecordLinear(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto list = MakeRecords(count);
    for (auto _ : state)
        for (const auto& k : list) {
            const TMSTRecord* found = nullptr;
            for (const auto& r : list)
                if (r->SollPos == k->SollPos && r->Element == k->Element && r->Taetigkeit == k->Taetigkeit) {
                    found = r.get();
                    break;
                }
            benchmark::DoNotOptimize(found);
        }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_FindRecordLinear)->Arg(100)->Arg(1000)->Arg(5000);

} // namespace

BENCHMARK_MAIN();
