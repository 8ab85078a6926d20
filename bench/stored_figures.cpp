// Prints what a run stored, exactly (every AufSStd row and every order's totals, doubles to the
// last bit), for comparing runs: bench/jobs_check.sh hashes it.
//
//   stored_figures <database> [<server>]     (server mode takes the password as the programs do)
#include "StoredFigures.h"
#include "batch/Inputs.h"
#include "common/Errors.h"
#include "db/Connection.h"

#include <fmt/format.h>

#include <exception>

int main(int argc, char** argv) {
    using namespace sollist;
    if (argc < 2) {
        fmt::print(stderr, "usage: stored_figures <database> [<server>]\n");
        return 2;
    }
    try {
        db::TIBCConnection connection;
        connection.SetDatabase(argv[1]);
        connection.SetServer(argc > 2 ? argv[2] : "");
        batch::Connect(connection);
        fmt::print("{}", test::StoredFigures(connection));
    } catch (const Exception& e) {
        fmt::print(stderr, "{}: {}\n", e.kind(), e.what());
        return 1;
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}\n", e.what());
        return 1;
    }
    return 0;
}
