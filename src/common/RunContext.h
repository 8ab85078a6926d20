#pragma once
// What the modules of one run share: the database connection and the console. The entry
// creates it and hands it to every module through its constructor; nothing below the entry
// finds a connection or writes to standard output on its own.
#include <functional>
#include <string>
#include <utility>

namespace sollist {

namespace db {
class TIBCConnection;
}

// One console line, without its line end.
using TConsoleSink = std::function<void(const std::string& line)>;

struct TRunContext {
    TRunContext(db::TIBCConnection& connection, TConsoleSink console, TConsoleSink logLines = {})
        : Connection(connection), Console(std::move(console)), LogLines(std::move(logLines)) {}

    db::TIBCConnection& Connection;
    // Progress and formula error lines; empty: the lines are dropped.
    TConsoleSink Console;
    // Lines of the calculation error log, each whole ("date time program message"); empty: the
    // log writer appends them to the file itself. A worker of a run on several connections
    // collects them with its order's console lines, to be written in the order of the orders.
    TConsoleSink LogLines;

    void Print(const std::string& line) const {
        if (Console)
            Console(line);
    }
};

} // namespace sollist
