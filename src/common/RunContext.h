#pragma once
// What the modules of one run share: the database connection, the console, what the run
// takes from outside the program, and whether it is to stop. The entry creates it, having read
// those inputs itself, and hands it to every module through its constructor; nothing below the
// entry finds a connection, writes to standard output or reads the environment or the clock
// for a run on its own.
#include "common/Errors.h"

#include <atomic>
#include <functional>
#include <string>

namespace sollist {

namespace db {
class TIBCConnection;
}

// One console line, without its line end.
using TConsoleSink = std::function<void(const std::string& line)>;

// Built with designated initializers; leaving out ErrorLogDir or Today is a compiler warning
// (missing initializer), so that no run goes with a root folder or day 0 unnoticed.
struct TRunContext {
    db::TIBCConnection& Connection;
    // Progress and formula error lines; empty: the lines are dropped.
    TConsoleSink Console{};
    // Lines of the calculation error log, each whole ("date time program message"); empty: the
    // log writer appends them to the file itself. A worker of a run on several connections
    // collects them with its order's console lines, to be written in the order of the orders.
    TConsoleSink LogLines{};
    // The folder of the calculation error log "SollBerFehler.Txt" (the entry: TEMP, else
    // TMPDIR, else /tmp). Empty stands for the root folder.
    std::string ErrorLogDir;
    // The run's today: a day number, time of day 0, taken once by the entry. The orders
    // closed before it less the open days are no longer open.
    double Today;

    // Set from another thread when the run is to stop (a signal); null: it runs to its end.
    const std::atomic<bool>* StopRequest = nullptr;

    void Print(const std::string& line) const {
        if (Console)
            Console(line);
    }
    bool StopRequested() const { return StopRequest != nullptr && *StopRequest; }
};

} // namespace sollist
