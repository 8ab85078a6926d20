#include "batch/RunGuard.h"

#include "db/Connection.h"
#include "db/DataSet.h"

#include <fmt/format.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

namespace sollist::batch {

namespace {

enum class Attachments { Older, Other };

// Where a run is, on another attachment of this user named RunProcessName than this one (older
// ones only, or any other): "Rechner <host>, Prozess <pid>" as far as the server knows them;
// none when there is no run. Read in a transaction of its own: each look-up sees a fresh
// monitoring snapshot.
std::optional<std::string> RunOn(db::TIBCConnection& connection, Attachments which) {
    db::TIBCQuery query(connection, "qryLaeufe");
    db::Declare(query,
                {"SELECT MON$REMOTE_HOST, MON$REMOTE_ADDRESS, MON$REMOTE_PID FROM MON$ATTACHMENTS",
                 "WHERE MON$REMOTE_PROCESS = :PROZESS AND MON$USER = CURRENT_USER",
                 which == Attachments::Older ? "AND MON$ATTACHMENT_ID < CURRENT_CONNECTION"
                                             : "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION",
                 "ORDER BY MON$ATTACHMENT_ID"},
                {});
    query.ParamByName("PROZESS").AsString(RunProcessName);
    query.Open();
    std::optional<std::string> where;
    if (!query.Eof()) {
        std::string host = query.Fields(0).AsString();
        if (host.empty())
            host = query.Fields(1).AsString();
        const std::string pid = query.Fields(2).AsString();
        where.emplace(host.empty() ? "" : "Rechner " + host);
        if (!pid.empty() && pid != "0")
            *where += (where->empty() ? "" : ", ") + std::string("Prozess ") + pid;
    }
    query.Close();
    connection.AutoCommit(); // ends the snapshot's transaction
    return where;
}

} // namespace

void RefuseOverlappingRun(db::TIBCConnection& connection) {
    // The server drops a killed run's attachment when it sees the connection closed, within
    // about a tenth of a second (measured); a run started at once after the kill looks again
    // before it gives way.
    constexpr int kLooks = 4;
    constexpr auto kPause = std::chrono::milliseconds(500);
    std::optional<std::string> where;
    for (int look = 1; look <= kLooks; ++look) {
        where = RunOn(connection, Attachments::Older);
        if (!where)
            return;
        if (look < kLooks)
            std::this_thread::sleep_for(kPause);
    }
    throw ERunActive(
        fmt::format("Auf dieser Datenbank läuft schon eine Berechnung{}; dieser Lauf ändert nichts.",
                    where->empty() ? "" : " (" + *where + ")"));
}

std::optional<std::string> RunningCalculation(db::TIBCConnection& connection) {
    return RunOn(connection, Attachments::Other);
}

} // namespace sollist::batch
