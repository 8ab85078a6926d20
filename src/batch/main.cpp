// The batch program: connects to the database named by the installation settings, runs the
// order hours run over all open orders (or the orders named on the command line), and reports
// on standard output. Reads no input.
#include "batch/Console.h"
#include "batch/HerkunftConsole.h"
#include "batch/Inputs.h"
#include "batch/OpenDatabase.h"
#include "batch/OrderHoursRun.h"
#include "batch/RunGuard.h"
#include "batch/StopSignals.h"
#include "config/LocalIni.h"
#include "db/DMConnection.h"
#include "db/Value.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace sollist;
using batch::PrintLine;

constexpr std::string_view kVersion = "sollist 1.0\n";

constexpr std::string_view kUsage =
    "Aufruf: sollist [--order OFFERT]... [--lock-timeout SEKUNDEN] [--jobs N] [--herkunft]\n"
    "Berechnet Soll- und Iststunden aller offenen Aufträge und speichert sie in AufSStd und\n"
    "Auftrag. Die Datenbank nennt firmen.ini neben dem Programm oder in /etc/sollist.\n"
    "  --order OFFERT            nur dieses Offert neu berechnen (offen oder abgeschlossen);\n"
    "                            mehrfach möglich; die übrigen Aufträge bleiben unberührt\n"
    "  --lock-timeout SEKUNDEN   so lange höchstens auf einen von einem Benutzer gesperrten\n"
    "                            Auftrag warten, dann ihn auslassen (Vorgabe 60; 0 = ohne Grenze)\n"
    "  --jobs N                  N Aufträge zugleich berechnen, jeden auf einer eigenen\n"
    "                            Verbindung (Vorgabe 1; 0 = so viele wie Prozessorkerne)\n"
    "  --herkunft                mit --order: die Herkunft der Sollstunden dieser Offerten als\n"
    "                            Tabelle zeigen, je Tätigkeit ihre Sätze; speichert nichts\n"
    "  --help                    diese Hilfe\n"
    "  --version                 die Programmversion\n"
    "Exit-Status: 0 fertig, 1 nicht begonnen (keine Verbindung zur Datenbank oder das\n"
    "Fehlerprotokoll nicht schreibbar), 2 mit Fehlerzeile abgebrochen,\n"
    "3 fertig, aber Aufträge ausgelassen, 4 eine andere Berechnung läuft, 64 falscher Aufruf,\n"
    "143 oder 130 durch SIGTERM oder SIGINT abgebrochen.\n";

using batch::kExitConnection;
using batch::kExitError;
using batch::TUsageError;
constexpr int kExitFinished = 0;
constexpr int kExitSkipped = 3;
constexpr int kExitRunActive = 4;
constexpr unsigned kMaxJobs = 64;

// --herkunft: explain the orders' target hours instead of storing them.
struct TOptions : batch::TCommonOptions {
    unsigned LockTimeout = 60;
    unsigned Jobs = 1; // workers of the run over all open orders
};

// Refused here, before connecting, rather than by the server at the first write.
unsigned ParseWhole(std::string_view option, std::string_view text, const char* unit, unsigned max) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max)
        throw TUsageError{
            fmt::format("{} braucht eine ganze Zahl von {} (0 bis {}), nicht '{}'", option, unit, max, text)};
    return value;
}

// --jobs 0: one worker per processor core.
unsigned WorkersFor(unsigned jobs) {
    return jobs != 0 ? jobs : std::max(1U, std::thread::hardware_concurrency());
}

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    batch::WalkArguments(argc, argv, options, {"--lock-timeout", "--jobs"},
                         [&](std::string_view option, const std::string& value) {
                             if (option == "--lock-timeout")
                                 options.LockTimeout = ParseWhole(option, value, "Sekunden",
                                                                  db::TIBCConnection::MaxLockTimeout);
                             else
                                 options.Jobs =
                                     WorkersFor(ParseWhole(option, value, "Verbindungen", kMaxJobs));
                         });
    if (options.Herkunft && options.Orders.empty())
        throw TUsageError{"--herkunft braucht --order"};
    return options;
}

int Run(const TOptions& options, batch::TStopSignals& stop) {
    try {
        config::TLocalIni localIni;
        batch::TDatabaseSettings settings = batch::ReadDatabaseSettings(localIni);
        // An explanation writes nothing the run writes: it neither waits for a run nor holds one up.
        if (!options.Herkunft)
            settings.Connection.ProcessName = batch::RunProcessName;
        settings.Connection.LockTimeout = options.LockTimeout;
        auto dmConnection = std::make_unique<db::TDMConnection>();
        db::TIBCConnection& connection = dmConnection->IBCConnection;

        PrintLine("Verbindung zur Datenbank wird aufgebaut!");
        batch::OpenDatabase(connection, settings);
        const TRunContext context{.Connection = connection,
                                  .Console = PrintLine,
                                  .ErrorLogDir = batch::ErrorLogDir(),
                                  .Today = db::Today(),
                                  .Stop = &stop};
        // The log takes the first data problem: found unwritable then, the run would stop part-way.
        if (!options.Herkunft)
            if (const std::string problem = batch::ErrorLogDirProblem(context.ErrorLogDir);
                !problem.empty()) {
                PrintLine("Das Fehlerprotokoll kann nicht geschrieben werden: " + problem +
                          " (Ordner aus TEMP); nichts berechnet.");
                return kExitConnection;
            }
        TStopWatch watch(context, connection);
        if (context.StopRequested())
            throw ERunStopped("Signal vor dem Lauf");
        std::vector<std::string> skipped;
        if (options.Herkunft) {
            skipped = batch::PrintHerkunft(context, options.Orders);
        } else {
            batch::RefuseOverlappingRun(connection);
            dmConnection->IBCTransaction.StartTransaction();
            skipped = batch::RunOrderHours(context, options.Orders, options.Jobs);
            dmConnection->IBCTransaction.Commit();
        }
        watch.Release();
        connection.Close();
        dmConnection.reset();
        PrintLine("Fertig !");
        return skipped.empty() ? kExitFinished : kExitSkipped;
    } catch (const batch::EConnectionFailed& error) {
        PrintLine(error.what());
        return kExitConnection;
    } catch (const std::exception& error) {
        // A stop cancels the statement running: whatever it raised, the signal is the cause.
        if (stop.Signal() != 0)
            return stop.Report();
        PrintLine(batch::ErrorLine(error));
        return dynamic_cast<const batch::ERunActive*>(&error) != nullptr ? kExitRunActive : kExitError;
    }
}

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (const std::optional<int> done =
            batch::BeginEntry("sollist", kUsage, kVersion, [&]() -> const batch::TCommonOptions& {
                options = ParseOptions(argc, argv);
                return options;
            }))
        return *done;
    batch::TStopSignals stop(batch::StoppedLine); // before the database client starts threads
    return Run(options, stop);
}
