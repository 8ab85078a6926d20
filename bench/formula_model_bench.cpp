// The order formula model on a large order: reading and evaluating it, and looking up every
// part type and CNC value afterwards (hash lookups against the first-match linear scan they
// replace).
#include "formula/QFormelAuftrag.h"

#include "TestDatabase.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using sollist::formula::TF_Bgrp;
using sollist::formula::TF_TTyp;
using sollist::formula::TQFormelAuftrag;

constexpr int kPositions = 100, kPartTypes = 20, kCNCRows = 5;

// One database with the large order "BIG", created once for all benchmarks.
sollist::test::TestDatabase& Database() {
    static auto db = [] {
        auto d = std::make_unique<sollist::test::TestDatabase>();
        std::string sql = "INSERT INTO TABGK (TABNR, TABWERTE) VALUES (1, '16;19;22;25;28');";
        for (int p = 1; p <= kPositions; ++p) {
            sql += fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, "
                               "APBGBREITE, APBGHOEHE, APBGTIEFE) VALUES ('BIG', '{}', 1, 2, 600, "
                               "720, 560);",
                               p);
            sql += fmt::format("INSERT INTO POSBGRVA (PBVOFNUMM, PBVAPNUMM, PBVBGLFNR, PBVNUM, PBVWRT) "
                               "VALUES ('BIG', '{}', 1, 'MS', 19);",
                               p);
            for (int t = 1; t <= kPartTypes; ++t) {
                const std::string len = t == 1 ? "H-2*MS" : fmt::format("L{}+1", t - 1);
                sql += fmt::format(
                    "INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, "
                    "APTYLAENGE, APTYBREITE, APTYDICKF) VALUES ('BIG', '{}', 1, {}, {}, 'M*2', '{}', "
                    "'TABG(MS+1;1)', 'MS');",
                    p, t, t, len);
                for (int c = 1; c <= kCNCRows; ++c)
                    sql += fmt::format("INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, "
                                       "ACNUMM, ACVW0) VALUES ('BIG', '{}', 1, {}, {}, 'CNC', "
                                       "'2*(LX+BX)*{}');",
                                       p, t, c, c);
            }
        }
        d->Exec(sql);
        d->Connection();
        return d;
    }();
    return *db;
}

// The formula model takes the connection and the console of a context only; its lines are
// dropped.
sollist::TRunContext Context() {
    return {.Connection = Database().Connection().IBCConnection, .ErrorLogDir = {}, .Today = 0};
}

void BM_Berechne(benchmark::State& state) {
    const sollist::TRunContext context = Context();
    std::optional<sollist::formula::TTabGK> tabGK;
    TQFormelAuftrag model(context, tabGK);
    for (auto _ : state) {
        model.Berechne("BIG");
        state.PauseTiming();
        model.Clear();
        state.ResumeTiming();
    }
    state.counters["part_types"] = kPositions * kPartTypes;
}
BENCHMARK(BM_Berechne)->Unit(benchmark::kMillisecond);

// Every part type and CNC value once, in the order the target calculation asks for them.
void BM_LookupAll(benchmark::State& state) {
    const sollist::TRunContext context = Context();
    std::optional<sollist::formula::TTabGK> tabGK;
    TQFormelAuftrag model(context, tabGK);
    model.Berechne("BIG");
    const std::vector<std::string> positions = [] {
        std::vector<std::string> v;
        for (int p = 1; p <= kPositions; ++p) v.push_back(std::to_string(p));
        return v;
    }();
    for (auto _ : state) {
        double sum = 0;
        for (const auto& ap : positions)
            for (int t = 1; t <= kPartTypes; ++t) {
                const TF_TTyp& tt = model.GetTTyp(ap, 1, t);
                for (int c = 1; c <= kCNCRows; ++c) sum += tt.GetCNCTatValue(c, 0);
            }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LookupAll)->Unit(benchmark::kMicrosecond);

// The same lookups as first-match linear scans over the lists, for comparison.
void BM_LookupAllLinear(benchmark::State& state) {
    const sollist::TRunContext context = Context();
    std::optional<sollist::formula::TTabGK> tabGK;
    TQFormelAuftrag model(context, tabGK);
    model.Berechne("BIG");
    for (auto _ : state) {
        double sum = 0;
        for (int p = 1; p <= kPositions; ++p) {
            const std::string ap = std::to_string(p);
            for (int t = 1; t <= kPartTypes; ++t) {
                const TF_Bgrp* bgrp = nullptr;
                for (const auto& b : model.Baugruppen())
                    if (b->ApNumm() == ap && b->BgLfNr() == 1) {
                        bgrp = b.get();
                        break;
                    }
                const TF_TTyp* tt = nullptr;
                for (const auto& candidate : bgrp->TTypen())
                    if (candidate->LfdNr == t) {
                        tt = candidate.get();
                        break;
                    }
                for (int c = 1; c <= kCNCRows; ++c)
                    for (const auto& row : tt->FCNCTat)
                        if (row->Nummer == c) {
                            sum += row->CNCWerte[0];
                            break;
                        }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_LookupAllLinear)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
