#pragma once
// One calculation per database at a time: a second run would empty AufSStd under the first.
#include "common/Errors.h"

#include <optional>
#include <string>

namespace sollist::db {
class TIBCConnection;
}

namespace sollist::batch {

// The process name a run's attachment carries (MON$REMOTE_PROCESS): how runs find each other.
inline constexpr const char* RunProcessName = "sollist";

// Another run works on the database; this one changed nothing.
class ERunActive : public Exception {
public:
    using Exception::Exception;
};

// Raises ERunActive when an older attachment of the same user with RunProcessName is on the
// database (of two runs started together, the younger attachment gives way). The server drops
// the attachment of a killed run with its connection, so nothing stale is left to clear; the
// look-up is one short read, no transaction stays open for the run.
void RefuseOverlappingRun(db::TIBCConnection& connection);

// A run working on the database now, on another attachment of the same user: where it runs
// ("Rechner <host>, Prozess <pid>", "" when the server knows neither); none when no run works.
std::optional<std::string> RunningCalculation(db::TIBCConnection& connection);

} // namespace sollist::batch
