#include "batch/OrderWorkers.h"

#include "batch/BLXExport.h"
#include "batch/OrderQueue.h"
#include "db/Connection.h"
#include "solltat/DmSolltat.h"
#include "solltat/ErrorTxt.h"

#include <algorithm>
#include <chrono>
#include <latch>
#include <memory>
#include <thread>
#include <utility>

namespace sollist::batch {

namespace {

// Raised at the end of an order that comes after a failed one: it is rolled back unwritten.
struct TAfterFailure {};

// A line of an order's output: for the console, or for the error log.
struct TOrderLine {
    bool log = false;
    std::string text;
};

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

// One worker: a connection, an order hours module on it, and the lines of the order in hand.
// Everything here belongs to the worker's thread while it runs; only the queue is shared.
class TWorker {
public:
    TWorker(const TRunContext& run, const TStammdaten* seed) : FRun(run) {
        ConnectLike(FConnection, run.Connection);
        FModule = std::make_unique<Tdm_BLXExport>(FContext);
        FModule->StartOrders(seed);
        FLog.Open("");
    }

    void Run(TOrderQueue& queue) {
        while (const auto position = queue.Take()) CalcOrder(queue, *position);
    }

    // From another thread: cancels what runs on the worker's connection.
    void Cancel() { FConnection.CancelOperation(); }

    void Finish() {
        FModule->FinishOrders();
        FModule.reset();
        FConnection.Close();
    }

    // Positions of the orders skipped because a user held them.
    std::vector<std::size_t> Skipped;

private:
    void CalcOrder(TOrderQueue& queue, std::size_t position) {
        FLines.clear();
        FWritten = 0;
        bool inTurn = false;
        const std::size_t skippedBefore = FModule->SkippedOrders.size();
        try {
            FModule->CalcOrder(queue.Order(position), [&] {
                if (!queue.AwaitTurn(position))
                    throw TAfterFailure{};
                inTurn = true;
                WriteLines();
            });
            if (FModule->SkippedOrders.size() > skippedBefore)
                Skipped.push_back(position);
            queue.EndTurn(position);
        } catch (const TAfterFailure&) {
            queue.EndTurn(position);
        } catch (...) {
            EndFailed(queue, position, std::current_exception(), inTurn);
        }
    }

    // A failed order stops the hand-out at once. Its lines still come out in its turn, before
    // the error line, as on one connection; an error writing them came first there.
    void EndFailed(TOrderQueue& queue, std::size_t position, std::exception_ptr error, bool inTurn) {
        queue.Stop();
        if (!inTurn) {
            if (!queue.AwaitTurn(position)) {
                queue.EndTurn(position);
                return;
            }
            try {
                WriteLines();
            } catch (...) {
                error = std::current_exception();
            }
        }
        queue.EndTurn(position, std::move(error));
    }

    // The order's lines not yet written, in the order they came; the error log opened for
    // every line, as on one connection.
    void WriteLines() {
        for (; FWritten < FLines.size(); ++FWritten) {
            const TOrderLine& line = FLines[FWritten];
            if (line.log)
                FLog.AppendLine(line.text);
            else
                FRun.Print(line.text);
        }
    }

    const TRunContext& FRun;
    db::TIBCConnection FConnection;
    std::vector<TOrderLine> FLines;
    std::size_t FWritten = 0;
    const TRunContext FContext{.Connection = FConnection,
                               .Console =
                                   [this](const std::string& line) {
                                       FLines.push_back({false, line});
                                   },
                               .LogLines =
                                   [this](const std::string& line) {
                                       FLines.push_back({true, line});
                                   },
                               .ErrorLogDir = FRun.ErrorLogDir,
                               .Today = FRun.Today,
                               .Stop = FRun.Stop};
    std::unique_ptr<Tdm_BLXExport> FModule;
    solltat::TErrorTxt FLog{FRun.ErrorLogDir};
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
    TOrderQueue queue(module.EmptyAufsStdAndListOrders());
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
    std::vector<std::string> orders = module.SkippedOrders; // AufSStd rows held when it was emptied
    for (const std::size_t position : skipped) orders.push_back(queue.Order(position));
    return orders;
}

} // namespace sollist::batch
