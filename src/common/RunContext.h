#pragma once
// What the modules of one run share: the database connection and the console. The entry
// creates it and hands it to every module through its constructor; nothing below the entry
// finds a connection or writes to standard output on its own.
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

    void Print(const std::string& line) const {
        if (Console)
            Console(line);
    }
};

} // namespace sollist
