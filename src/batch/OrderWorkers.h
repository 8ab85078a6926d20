#pragma once
// The nightly run on several connections: workers in one process, each with its own database
// attachment (and so its own rows of the temporary table SOLLTAT), take the open orders from
// one queue. Each order stays one unit of work on its worker's connection. The console lines
// and error-log lines of an order are collected and written in the order of the open-order
// query, so a run on several workers prints, logs and stores what a run on one does.
#include "db/RunContext.h"

#include <string>
#include <vector>

namespace sollist::batch {

struct TStammdaten;

// The run over all open orders on `workers` connections besides the context's own, which lists
// the orders and, after them, deletes the AufSStd rows of orders no longer open. The new connections are
// opened with the context's connection's settings (OpenDatabase), all before anything is written; one refused
// raises EConnectionFailed naming it ("Verbindung 2 von 3"). Each is watched by the context's stop. Returns
// the orders skipped because a user held them or they were deleted under the run, in the order of the run;
// the first failed order's error is raised once the orders still running have finished (those after it rolled
// back). Each worker keeps master data of its own, starting from a copy of seed when one is given.
std::vector<std::string> RunOrderHoursOnWorkers(const TRunContext& context, unsigned workers,
                                                const TStammdaten* seed = nullptr);

} // namespace sollist::batch
