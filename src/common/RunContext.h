#pragma once
// What the modules of one run share: the database connection and the console. The entry
// creates it and hands it to every module through its constructor; nothing below the entry
// finds a connection or writes to standard output on its own.
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

struct TRunContext {
    db::TIBCConnection& Connection;
    // Progress and formula error lines; empty: the lines are dropped.
    TConsoleSink Console;

    // Set from another thread when the run is to stop (a signal); null: it runs to its end.
    const std::atomic<bool>* StopRequest = nullptr;

    void Print(const std::string& line) const {
        if (Console)
            Console(line);
    }
    bool StopRequested() const { return StopRequest != nullptr && *StopRequest; }
};

// The run stopped between two orders because StopRequest was set.
class ERunStopped : public Exception {
public:
    using Exception::Exception;
};

} // namespace sollist
