#pragma once
// What the benchmarks that work on a database share: the database and server from their
// command line (`<tool> <database> [<server> ...]`), and their errors as one line on standard
// error.
#include "batch/Inputs.h"
#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Password.h"

#include <fmt/format.h>

#include <cstdlib>
#include <exception>
#include <functional>

namespace sollist::bench {

// Connects to argv[1] through the server argv[2] (absent or empty: the file itself), with the
// password as the programs take it.
inline void ConnectFromArguments(db::TIBCConnection& connection, int argc, char** argv) {
    db::TConnectionSettings settings;
    settings.Database = argv[1];
    settings.Server = argc > 2 ? argv[2] : "";
    if (!settings.Server.empty()) {
        const char* password = std::getenv("ISC_PASSWORD");
        settings.Password = db::LookupPassword(password != nullptr ? password : "", batch::UserConfigDir());
    }
    batch::OpenDatabase(connection, settings);
}

// The tool's exit status: 2 with the usage when no database is named, 1 with the error's line
// when body raises, else 0.
inline int RunDatabaseBench(int argc, const char* usage, const std::function<void()>& body) {
    if (argc < 2) {
        fmt::print(stderr, "usage: {}\n", usage);
        return 2;
    }
    try {
        body();
    } catch (const Exception& e) {
        fmt::print(stderr, "{}: {}\n", e.kind(), e.what());
        return 1;
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace sollist::bench
