// The limit of the order hours run: the database work that any program doing the job has to
// do, timed against the program's run on the same database with as many connections. Per open
// order: each per-order read query of the run once, with the run's parameters and position
// filter (every row fetched, every blob read), the order's AufSStd rows inserted with one
// statement, one Auftrag update and one commit. With several workers, as many connections take
// the orders from one counter, as the program's workers do (sollist --jobs). The values written
// are those the run stored, so the database ends as the run leaves it. run / limit is what the
// program costs beyond that.
//
//   limit_bench <database> [<server> [<rounds> [<workers>]]]
//        server mode takes the password as the programs do; rounds: run and limit alternately,
//        default 2, best of each; workers: connections of the run and of the limit, default 1
#include "DatabaseBench.h"
#include "batch/BLXExport.h"
#include "batch/Inputs.h"
#include "batch/OrderHoursRun.h"
#include "db/DMConnection.h"
#include "db/DataSet.h"
#include "db/Loader.h"
#include "db/OpenOrders.h"
#include "db/SqlText.h"
#include "db/Statement.h"
#include "formula/QFormelLoader.h"
#include "ist/DmCIstStunden.h"
#include "solltat/DmSolltat.h"
#include "solltat/SollStammdaten.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace sollist;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// A per-order read query: its text with "?" and the position of its order parameters.
struct OrderQuery {
    db::ParamSet params;
    std::string name;
};

// The run's per-order read queries, as its data modules declare them.
std::vector<OrderQuery> OrderQueries(db::TIBCConnection& connection) {
    solltat::TSollStammdaten stammdaten;
    solltat::Tdm_Solltat dm(connection, stammdaten);
    formula::TdmQuickFormel formel(connection);
    ist::TDM_CIstStunden ist(connection);
    std::vector<OrderQuery> queries;
    auto add = [&](db::TIBCQuery& query, const char* parameter, bool positionFilter) {
        if (positionFilter)
            query.FilterSQL("po.ApTyp<>1"); // the run leaves out positions of ApTyp 1
        OrderQuery q;
        q.name = parameter;
        q.params.Parse(query.EffectiveSQL());
        queries.push_back(std::move(q));
    };
    add(dm.qryInitMT, "OFNUMM", false);
    for (db::TIBCQuery* q : {&formel.qryPosBgr, &formel.qryPosBgrVar, &formel.qryTTy, &formel.qryCNC})
        add(*q, "OFNUMM", false);
    add(dm.qryAuftrag, "OFNUMM", false);
    for (db::TIBCQuery* q :
         {&dm.qryPosMat, &dm.qryPosTat, &dm.qryPosTyp, &dm.qryPosTyMat, &dm.qryPosTyTat, &dm.qryPosTyCNC})
        add(*q, "OFNUMM", true);
    add(ist.qryZ, "OfNumm", false);
    return queries;
}

// What the run stored for one order.
struct Stored {
    std::vector<db::TValue> aufSStd; // rows one after another, 5 values each
    std::vector<db::TValue> totals;  // AsRegStnd .. AOFFSTND, then AOFNUMM
};

std::map<std::string, Stored> ReadStored(db::TIBCConnection& connection) {
    std::map<std::string, Stored> stored;
    connection.Prepare("SELECT ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD FROM AufSStd ORDER BY 1, 2")
        .Query({}, [&](std::vector<db::TValue>& row) {
            auto& rows = stored[std::get<std::string>(row[0])].aufSStd;
            rows.insert(rows.end(), row.begin(), row.end());
        });
    connection
        .Prepare(
            "SELECT AsRegStnd, AsSollStnd, AsIstStnd, AsIstBis, AsKoLetzt, AOFFSTND, AOfNumm FROM Auftrag")
        .Query({}, [&](std::vector<db::TValue>& row) { stored[std::get<std::string>(row[6])].totals = row; });
    return stored;
}

// One connection's share of the limit: the orders it takes from the counter.
void LimitWorker(db::TIBCConnection& connection, std::vector<OrderQuery> queries,
                 const std::vector<std::string>& orders, const std::map<std::string, Stored>& stored,
                 std::atomic<std::size_t>& next) {
    const std::vector<db::ColumnInfo> columns =
        connection.Prepare("SELECT ASOFNUMM, ASRMTAT, ASKONUMM, ASSOLLSTD, ASISTSTD FROM AufSStd WHERE 1=0")
            .Outputs();
    for (std::size_t i = next++; i < orders.size(); i = next++) {
        const std::string& order = orders[i];
        for (OrderQuery& q : queries) {
            q.params.Find(q.name)->AsString(order);
            connection.Prepare(q.params.Sql()).Query(q.params.Values(), [](std::vector<db::TValue>&) {});
        }
        const Stored& s = stored.at(order);
        if (!s.aufSStd.empty())
            connection
                .Prepare(db::BatchInsertSql("AufSStd", columns,
                                            static_cast<int>(s.aufSStd.size() / columns.size())))
                .Execute(s.aufSStd);
        connection
            .Prepare("UPDATE Auftrag SET AsRegStnd = ?, AsSollStnd = ?, AsIstStnd = ?, AsIstBis = ?, "
                     "AsKoLetzt = ?, AOFFSTND = ? WHERE AOFNUMM = ?")
            .Execute(s.totals);
        connection.AutoCommit();
    }
}

// The limit on the given connections (connected before, outside the time).
double Limit(std::vector<std::unique_ptr<db::TIBCConnection>>& connections,
             const std::vector<OrderQuery>& queries, const std::vector<std::string>& orders,
             const std::map<std::string, Stored>& stored) {
    db::TIBCConnection& first = *connections.front();
    first.Prepare("DELETE FROM AufSStd").Execute({});
    first.AutoCommit();
    std::atomic<std::size_t> next{0};
    const auto start = Clock::now();
    {
        std::vector<std::jthread> threads;
        for (auto& connection : connections)
            threads.emplace_back([&, &c = *connection] { LimitWorker(c, queries, orders, stored, next); });
    }
    return Seconds(start);
}

double Run(const TRunContext& context, unsigned workers) {
    const auto start = Clock::now();
    batch::RunOrderHours(context, {}, workers);
    return Seconds(start);
}

} // namespace

int main(int argc, char** argv) {
    return bench::RunDatabaseBench(argc, "limit_bench <database> [<server> [<rounds> [<workers>]]]", [&] {
        const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
        const unsigned workers = argc > 4 ? static_cast<unsigned>(std::max(1, std::atoi(argv[4]))) : 1;
        db::TDMConnection dm;
        db::TIBCConnection& connection = dm.IBCConnection;
        bench::ConnectFromArguments(connection, argc, argv);
        const TRunContext context{
            .Connection = connection, .ErrorLogDir = batch::ErrorLogDir(), .Today = db::Today()};
        solltat::CreateSolltat(connection); // SOLLTAT exists before the first run

        const std::vector<OrderQuery> queries = OrderQueries(connection);
        std::vector<std::string> orders;
        batch::Tdm_BLXExport module(context);
        db::SetOpenOrdersDay(module.qry, context.Today);
        module.qry.Open();
        for (auto nr = module.qry.FieldByName("AOfNumm"); !module.qry.Eof(); module.qry.Next())
            orders.push_back(nr.AsString());
        module.qry.Close();
        std::vector<std::unique_ptr<db::TIBCConnection>> limitConnections;
        for (unsigned i = 0; i < workers; ++i) {
            limitConnections.push_back(std::make_unique<db::TIBCConnection>());
            bench::ConnectFromArguments(*limitConnections.back(), argc, argv);
        }

        std::vector<double> runs, limits;
        for (int round = 0; round < rounds; ++round) {
            runs.push_back(Run(context, workers));
            const std::map<std::string, Stored> stored = ReadStored(connection);
            limits.push_back(Limit(limitConnections, queries, orders, stored));
            fmt::print("round {}: run {:.3f} s, limit {:.3f} s\n", round + 1, runs.back(), limits.back());
        }
        const double run = *std::min_element(runs.begin(), runs.end());
        const auto count = static_cast<double>(orders.size());
        const double limit = *std::min_element(limits.begin(), limits.end());
        fmt::print(
            "{} orders, {} per-order queries, {} worker(s): run {:.3f} s ({:.1f} orders/s), limit {:.3f} s "
            "({:.1f} orders/s), run/limit {:.2f} (best of {})\n",
            orders.size(), queries.size(), workers, run, count / run, limit, count / limit, run / limit,
            rounds);
    });
}
