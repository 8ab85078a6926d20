// Master data on several workers: each worker reading what it needs into its own (cold, as the
// program runs) against each worker starting from a copy of what one whole run read (warm):
// the most that one object shared by the workers could save, since a shared object would still
// be read once and would need a lock at every place that reads into it. Runs alternate.
//
//   stammdaten_bench <database> [<server> [<rounds> [<workers>]]]
//        server mode takes the password as the programs do; rounds default 3, workers 2
#include "DatabaseBench.h"
#include "batch/BLXExport.h"
#include "batch/Inputs.h"
#include "batch/OrderQueue.h"
#include "batch/OrderWorkers.h"
#include "batch/RunStammdaten.h"
#include "common/Errors.h"
#include "db/DMConnection.h"
#include "db/Value.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace sollist;
using Clock = std::chrono::steady_clock;

// One whole run on the context's connection; its master data afterwards.
batch::TStammdaten ReadByOneRun(const TRunContext& context) {
    batch::Tdm_BLXExport module(context);
    batch::TOrderQueue queue(module.ListOpenOrders());
    batch::Tdm_BLXExport::TRun run(module);
    run.Work(queue);
    if (const std::exception_ptr error = queue.Error())
        std::rethrow_exception(error);
    batch::TStammdaten read = run.Stammdaten();
    return read;
}

double Seconds(const TRunContext& context, unsigned workers, const batch::TStammdaten* seed) {
    const auto start = Clock::now();
    batch::RunOrderHoursOnWorkers(context, workers, seed);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    return bench::RunDatabaseBench(argc, "stammdaten_bench <database> [<server> [<rounds> [<workers>]]]", [&] {
        const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
        const unsigned workers = argc > 4 ? static_cast<unsigned>(std::max(1, std::atoi(argv[4]))) : 2;
        db::TDMConnection dm;
        db::TIBCConnection& connection = dm.IBCConnection;
        bench::ConnectFromArguments(connection, argc, argv);
        const TRunContext context{
            .Connection = connection, .ErrorLogDir = batch::ErrorLogDir(), .Today = db::Today()};
        const batch::TStammdaten seed = ReadByOneRun(context);

        std::vector<double> cold, warm;
        for (int round = 0; round < rounds; ++round) {
            cold.push_back(Seconds(context, workers, nullptr));
            warm.push_back(Seconds(context, workers, &seed));
            fmt::print("round {}: cold {:.3f} s, warm {:.3f} s\n", round + 1, cold.back(), warm.back());
        }
        const double bestCold = *std::min_element(cold.begin(), cold.end());
        const double bestWarm = *std::min_element(warm.begin(), warm.end());
        fmt::print(
            "{} workers: master data per worker, cold {:.3f} s, warm {:.3f} s: sharing could save at most "
            "{:.3f} s ({:.1f} %) (best of {})\n",
            workers, bestCold, bestWarm, bestCold - bestWarm, 100 * (bestCold - bestWarm) / bestCold, rounds);
    });
}
