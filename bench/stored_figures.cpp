// Prints what a run stored, exactly (every AufSStd row and every order's totals, doubles to the
// last bit), for comparing runs: bench/jobs_check.sh hashes it.
//
//   stored_figures <database> [<server>]     (server mode takes the password as the programs do)
#include "DatabaseBench.h"
#include "StoredFigures.h"
#include "batch/Inputs.h"
#include "common/Errors.h"
#include "db/Connection.h"

#include <fmt/format.h>

#include <exception>

int main(int argc, char** argv) {
    using namespace sollist;
    return bench::RunDatabaseBench(argc, "stored_figures <database> [<server>]", [&] {
        db::TIBCConnection connection;
        bench::ConnectFromArguments(connection, argc, argv);
        fmt::print("{}", test::StoredFigures(connection));
    });
}
