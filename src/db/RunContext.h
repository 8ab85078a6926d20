#pragma once
// What the modules of one run share: the database connection, the console, what the run
// takes from outside the program, and whether it is to stop. The entry creates it, having read
// those inputs itself, and hands it to every module through its constructor; nothing below the
// entry finds a connection, writes to standard output or reads the environment or the clock
// for a run on its own.
#include "common/Errors.h"

#include <functional>
#include <string>
#include <utility>

namespace sollist {

namespace db {
class TIBCConnection;
}

// The stop of a run (the entry's signal watcher, batch::TStopSignals): whether the run is to stop,
// and the connections whose running statements it cancels then. It outlives every context that
// points to it.
class TRunStop {
public:
    virtual bool Requested() const = 0;
    // While watched, a stop cancels what runs on the connection, again until it is let go; let
    // it go before the connection closes. Any number of connections at a time.
    virtual void Watch(db::TIBCConnection& connection) = 0;
    virtual void Unwatch(db::TIBCConnection& connection) = 0;

protected:
    ~TRunStop() = default;
};

// One console line, without its line end.
using TConsoleSink = std::function<void(const std::string& line)>;

// Built with designated initializers; leaving out ErrorLogDir or Today is a compiler warning
// (missing initializer), so that no run goes with a root folder or day 0 unnoticed. A context
// derived from another (another connection, other sinks) is made with WithConnection or
// WithSinks, the one place that copies it. Classes that keep a reference to a context say so;
// the context must outlive them.
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

    // The run's stop; null: it runs to its end.
    TRunStop* Stop = nullptr;

    void Print(const std::string& line) const {
        if (Console)
            Console(line);
    }
    bool StopRequested() const { return Stop != nullptr && Stop->Requested(); }

    // This context on another connection (a worker's): same sinks, inputs and stop.
    TRunContext WithConnection(db::TIBCConnection& connection) const {
        return Derived(connection, Console, LogLines);
    }
    // This context with other sinks for console and error-log lines (empty: as above).
    TRunContext WithSinks(TConsoleSink console, TConsoleSink logLines = {}) const {
        return Derived(Connection, std::move(console), std::move(logLines));
    }

private:
    TRunContext Derived(db::TIBCConnection& connection, TConsoleSink console, TConsoleSink logLines) const {
        return {.Connection = connection,
                .Console = std::move(console),
                .LogLines = std::move(logLines),
                .ErrorLogDir = ErrorLogDir,
                .Today = Today,
                .Stop = Stop};
    }
};

// A connection of the run watched by its stop while this lives.
class TStopWatch {
public:
    TStopWatch(const TRunContext& context, db::TIBCConnection& connection)
        : stop_(context.Stop), connection_(connection) {
        if (stop_ != nullptr)
            stop_->Watch(connection_);
    }
    ~TStopWatch() { Release(); }
    TStopWatch(const TStopWatch&) = delete;
    TStopWatch& operator=(const TStopWatch&) = delete;
    // Lets the connection go, before it closes.
    void Release() {
        if (stop_ != nullptr)
            stop_->Unwatch(connection_);
        stop_ = nullptr;
    }

private:
    TRunStop* stop_;
    db::TIBCConnection& connection_;
};

} // namespace sollist
