// The batch program: connects to the database named by the installation settings, runs the
// order hours run over all open orders (or the orders named on the command line), and reports
// on standard output. Reads no input.
#include "batch/Console.h"
#include "batch/HerkunftConsole.h"
#include "batch/Inputs.h"
#include "batch/OrderHoursRun.h"
#include "batch/RunGuard.h"
#include "batch/StopSignals.h"
#include "config/LocalIni.h"
#include "db/DMConnection.h"
#include "db/Errors.h"
#include "db/Value.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
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
    "Exit-Status: 0 fertig, 1 keine Verbindung zur Datenbank, 2 mit Fehlerzeile abgebrochen,\n"
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

// The message of a failed connection, with the cause spelled out where the library's words
// do not tell an administrator what happened.
std::string ConnectionFailure(const config::TLocalIni& localIni, const std::exception& error) {
    if (db::OpenedByAnotherProcess(error))
        return "Die Datenbankdatei ist schon von einem anderen Prozess geöffnet (einer anderen "
               "Berechnung ohne Server oder dem Firebird-Server); ohne Server kann sie nur ein "
               "Prozess öffnen: " +
               batch::OneLine(error.what());
    if (localIni.SettingsFile.empty()) {
        std::string places;
        for (const std::string& place : localIni.SettingsPlaces)
            places += (places.empty() ? "" : ", ") + place;
        return "firmen.ini nicht gefunden (gesucht: " + places + ")";
    }
    if (std::string missing = batch::MissingDatabase(localIni); !missing.empty())
        return missing;
    return batch::OneLine(error.what());
}

int Run(const TOptions& options, batch::TStopSignals& stop) {
    try {
        auto dmConnection = std::make_unique<db::TDMConnection>();
        db::TIBCConnection& connection = dmConnection->IBCConnection;
        // An explanation writes nothing the run writes: it neither waits for a run nor holds one up.
        if (!options.Herkunft)
            connection.ProcessName = batch::RunProcessName;
        connection.LockTimeout = options.LockTimeout;
        config::TLocalIni localIni;
        batch::ReadConnectionSettings(localIni, connection);

        PrintLine("Verbindung zur Datenbank wird aufgebaut!");
        try {
            batch::Connect(connection);
        } catch (const std::exception& error) {
            PrintLine(batch::ConnectionFailedLine(connection.Database(), ConnectionFailure(localIni, error)));
            return kExitConnection;
        }

        batch::TStopSignals::TWatch watch(stop, connection);
        const TRunContext context{.Connection = connection,
                                  .Console = PrintLine,
                                  .ErrorLogDir = batch::ErrorLogDir(),
                                  .Today = db::Today(),
                                  .StopRequest = &stop.Requested()};
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
    } catch (const std::exception& error) {
        // A stop cancels the statement running: whatever it raised, the signal is the cause.
        if (stop.Signal() != 0) {
            PrintLine(batch::StoppedLine(stop.Signal()));
            return batch::ExitStatusOf(stop.Signal());
        }
        PrintLine(batch::ErrorLine(error));
        return dynamic_cast<const batch::ERunActive*>(&error) != nullptr ? kExitRunActive : kExitError;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Line-buffered, so progress and formula error lines of the run appear as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    TOptions options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const TUsageError& error) {
        return batch::ReportUsageError("sollist", error, kUsage);
    }
    if (options.Help || options.Version)
        return batch::PrintText(options.Help ? kUsage : kVersion);
    batch::TStopSignals stop; // before the database client starts threads
    return Run(options, stop);
}
