#include "batch/OrderWorkers.h"

#include "batch/BLXExport.h"
#include "batch/OpenDatabase.h"
#include "batch/OrderQueue.h"
#include "db/Connection.h"
#include "solltat/SolltatWriter.h"

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

namespace sollist::batch {

namespace {

// One worker: a connection, an order hours module on it and a run of it whose orders' lines
// are written in their turn. Everything here belongs to the worker's thread while it runs;
// only the queue is shared.
class TWorker {
public:
    // Attaches, and nothing else: every worker is attached before the run changes anything.
    // which: "Verbindung 2 von 3", for the line of a refused attachment.
    TWorker(const TRunContext& run, const std::string& which) : FContext(run.WithConnection(FConnection)) {
        OpenDatabase(FConnection, run.Connection.Settings(), which);
        FWatch.emplace(FContext, FConnection);
    }

    void Start(const TStammdaten* seed) {
        FModule = std::make_unique<Tdm_BLXExport>(FContext);
        FRun = std::make_unique<Tdm_BLXExport::TRun>(*FModule, Tdm_BLXExport::TRun::TLines::InTurn, seed);
    }

    void Run(TOrderQueue& queue) { Skipped = FRun->Work(queue); }

    // Ends the run and closes the connection; again: nothing.
    void Finish() {
        FRun.reset();
        FModule.reset();
        FWatch.reset();
        FConnection.Close();
    }

    // Positions of the orders skipped (held by a user, or gone).
    std::vector<std::size_t> Skipped;

private:
    db::TIBCConnection FConnection;
    const TRunContext FContext;       // the run's, on the worker's connection
    std::optional<TStopWatch> FWatch; // from the attach to the close: a stop cancels what runs
    std::unique_ptr<Tdm_BLXExport> FModule;
    std::unique_ptr<Tdm_BLXExport::TRun> FRun;
};

// Closes the workers' connections together, each on a thread of its own: one after the other,
// many of them take seconds, also at the end of a run stopped by a signal.
struct TClosing {
    std::vector<std::unique_ptr<TWorker>>& Pool;
    ~TClosing() {
        std::vector<std::jthread> threads;
        for (auto& worker : Pool) threads.emplace_back([&w = *worker] { w.Finish(); });
    }
};

} // namespace

std::vector<std::string> RunOrderHoursOnWorkers(const TRunContext& context, unsigned workers,
                                                const TStammdaten* seed) {
    Tdm_BLXExport module(context); // lists the orders; each worker reads the surcharge again
    TOrderQueue queue(module.ListOpenOrders(), context.Stop);

    // Every attachment first: a limit of the server's or this process's that refuses one ends
    // the run here, before anything is written.
    const std::size_t count = std::min<std::size_t>(workers, queue.Size());
    std::vector<std::unique_ptr<TWorker>> pool;
    for (std::size_t i = 0; i < count; ++i)
        pool.push_back(
            std::make_unique<TWorker>(context, fmt::format("Verbindung {} von {}", i + 2, count + 1)));
    const TClosing closing{pool}; // also when a worker's start fails
    // Made here, once: workers starting together would each find it missing and create it.
    solltat::CreateSolltat(context.Connection);
    for (auto& worker : pool) worker->Start(seed);
    {
        std::vector<std::jthread> threads;
        threads.reserve(pool.size());
        for (auto& worker : pool)
            threads.emplace_back([&queue, &w = *worker] {
                w.Run(queue);
                w.Finish();
            });
    } // joined
    if (const std::exception_ptr error = queue.Error())
        std::rethrow_exception(error);

    std::vector<std::size_t> skipped;
    for (auto& worker : pool) skipped.insert(skipped.end(), worker->Skipped.begin(), worker->Skipped.end());
    std::sort(skipped.begin(), skipped.end());
    std::vector<std::string> orders;
    orders.reserve(skipped.size() + module.SkippedOrders.size());
    for (const std::size_t position : skipped) orders.push_back(queue.Order(position));
    module.DeleteRowsOfClosedOrders(); // AufSStd rows held of orders no longer open
    orders.insert(orders.end(), module.SkippedOrders.begin(), module.SkippedOrders.end());
    return orders;
}

} // namespace sollist::batch
