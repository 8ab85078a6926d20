#include "batch/OrderWorkers.h"

#include "batch/BLXExport.h"
#include "batch/OrderQueue.h"
#include "db/Connection.h"
#include "solltat/SolltatWriter.h"

#include <algorithm>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>
#include <utility>

namespace sollist::batch {

namespace {

// A worker's own connection, made like the run's.
void ConnectLike(db::TIBCConnection& connection, const db::TIBCConnection& like) {
    connection.ClientLibrary = like.ClientLibrary;
    connection.Port = like.Port;
    connection.Username = like.Username;
    connection.Password = like.Password;
    connection.ProcessName = like.ProcessName;
    connection.LockTimeout = like.LockTimeout;
    connection.SetCodePage(like.GetCodePage());
    connection.SetDatabase(like.Database());
    connection.SetServer(like.Server());
    connection.Connect();
}

// One worker: a connection, an order hours module on it and a run of it whose orders' lines
// are written in their turn. Everything here belongs to the worker's thread while it runs;
// only the queue is shared.
class TWorker {
public:
    TWorker(const TRunContext& run, const TStammdaten* seed) : FContext(run.WithConnection(FConnection)) {
        ConnectLike(FConnection, run.Connection);
        FModule = std::make_unique<Tdm_BLXExport>(FContext);
        FRun = std::make_unique<Tdm_BLXExport::TRun>(*FModule, Tdm_BLXExport::TRun::TLines::InTurn, seed);
    }

    void Run(TOrderQueue& queue) { Skipped = FRun->Work(queue); }

    // From another thread: cancels what runs on the worker's connection.
    void Cancel() { FConnection.CancelOperation(); }

    void Finish() {
        FRun.reset();
        FModule.reset();
        FConnection.Close();
    }

    // Positions of the orders skipped (held by a user, or gone).
    std::vector<std::size_t> Skipped;

private:
    db::TIBCConnection FConnection;
    const TRunContext FContext; // the run's, on the worker's connection
    std::unique_ptr<Tdm_BLXExport> FModule;
    std::unique_ptr<Tdm_BLXExport::TRun> FRun;
};

// Runs the workers on threads of their own until the queue is done. Meanwhile a stop of the run
// cancels what runs on their connections, again every tenth of a second, as the signal watcher
// does on the run's own connection: a worker waiting for a row a user holds gives up at once.
void RunWorkers(const TRunContext& context, std::vector<std::unique_ptr<TWorker>>& pool, TOrderQueue& queue) {
    std::latch done(static_cast<std::ptrdiff_t>(pool.size()));
    std::vector<std::jthread> threads;
    threads.reserve(pool.size());
    for (auto& worker : pool)
        threads.emplace_back([&queue, &done, &w = *worker] {
            w.Run(queue);
            done.count_down();
        });
    while (!done.try_wait()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (context.StopRequested())
            for (auto& worker : pool) worker->Cancel();
    }
} // joined

} // namespace

std::vector<std::string> RunOrderHoursOnWorkers(const TRunContext& context, unsigned workers,
                                                const TStammdaten* seed) {
    Tdm_BLXExport module(context); // reads the surcharge factor once before any order
    TOrderQueue queue(module.ListOpenOrders());
    // Made here, once: workers starting together would each find it missing and create it.
    solltat::CreateSolltat(context.Connection);

    std::vector<std::unique_ptr<TWorker>> pool;
    for (std::size_t i = 0; i < std::min<std::size_t>(workers, queue.Size()); ++i)
        pool.push_back(std::make_unique<TWorker>(context, seed));
    RunWorkers(context, pool, queue);
    if (const std::exception_ptr error = queue.Error())
        std::rethrow_exception(error);

    std::vector<std::size_t> skipped;
    for (auto& worker : pool) {
        worker->Finish();
        skipped.insert(skipped.end(), worker->Skipped.begin(), worker->Skipped.end());
    }
    std::sort(skipped.begin(), skipped.end());
    std::vector<std::string> orders;
    for (const std::size_t position : skipped) orders.push_back(queue.Order(position));
    module.DeleteRowsOfClosedOrders(); // AufSStd rows held of orders no longer open
    orders.insert(orders.end(), module.SkippedOrders.begin(), module.SkippedOrders.end());
    return orders;
}

} // namespace sollist::batch
