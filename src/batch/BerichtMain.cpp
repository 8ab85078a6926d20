// sollist-bericht: the target-against-actual report of the open orders, from the hours the
// order hours run stored in Auftrag and AufSStd, as one HTML page and, on request, as CSV.
// Same settings as sollist (firmen.ini, ConnectionNr, password); reads the database only.
#include "batch/Console.h"
#include "batch/Inputs.h"
#include "batch/OpenDatabase.h"
#include "batch/RunGuard.h"
#include "batch/StopSignals.h"
#include "common/Errors.h"
#include "common/Files.h"
#include "config/LocalIni.h"
#include "db/DMConnection.h"
#include "db/Value.h"
#include "report/BerichtHerkunft.h"
#include "report/Csv.h"
#include "report/DmBericht.h"
#include "report/Html.h"
#include "report/Site.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace sollist;
using batch::PrintLine;

constexpr std::string_view kVersion = "sollist-bericht 1.0\n";

constexpr std::string_view kUsage =
    "Aufruf: sollist-bericht [-o DATEI] [--csv DATEI] [--ordner ORDNER] [--order OFFERT]... [--herkunft]\n"
    "Schreibt den Soll-Ist-Bericht der offenen Aufträge als HTML-Seite, aus den Stunden, die\n"
    "sollist in Auftrag und AufSStd gespeichert hat. Die Datenbank wird nur gelesen.\n"
    "  -o DATEI        HTML-Bericht in DATEI (Vorgabe: sollist-bericht.html im aktuellen Ordner)\n"
    "  --csv DATEI     die Zahlen je Auftrag und Tätigkeit zusätzlich als CSV\n"
    "                  (Semikolon, Dezimalkomma, UTF-8 mit BOM)\n"
    "  --ordner ORDNER der Bericht als kleine Website in ORDNER: ORDNER/index.html führt zur\n"
    "                  Übersicht (Filter, Suche, Sortierung), je Auftrag eine Seite mit der\n"
    "                  Herkunft des Solls, dazu die CSV; ersetzt die letzte als Ganzes\n"
    "  --order OFFERT  nur dieses Offert; mehrfach möglich\n"
    "  --herkunft      je Tätigkeit eines Auftrags die Sätze der Sollberechnung, aus denen ihr\n"
    "                  Soll kommt (wird dafür neu berechnet, ohne etwas zu speichern)\n"
    "  --help          diese Hilfe\n"
    "  --version       die Programmversion\n"
    "Die Datenbank nennt firmen.ini neben dem Programm, wie für sollist.\n"
    "Exit-Status: 0 geschrieben, 1 keine Verbindung zur Datenbank, 2 anderer Fehler,\n"
    "143 oder 130 durch SIGTERM oder SIGINT abgebrochen.\n";

using batch::kExitConnection;
using batch::kExitError;

// --herkunft: with the explanation of the target hours.
struct TOptions : batch::TCommonOptions {
    std::string Html;   // empty: none (without --ordner: sollist-bericht.html)
    std::string Csv;    // empty: no CSV
    std::string Ordner; // empty: no site
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    batch::WalkArguments(
        argc, argv, options, {"-o", "--csv", "--ordner"},
        [&](std::string_view option, const std::string& value) {
            (option == "-o" ? options.Html : option == "--csv" ? options.Csv : options.Ordner) = value;
        });
    if (options.Html.empty() && options.Ordner.empty())
        options.Html = "sollist-bericht.html";
    return options;
}

// Replaces the file whole, or leaves the old one and raises EInOutError naming it.
void WriteFile(const std::string& path, const std::string& content) {
    if (const std::error_code error = ReplaceFile(path, content))
        ThrowCannotWrite(path, error.value());
}

std::string Shown(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.string();
}

// A stop while the figures are read: the statement running is cancelled, no file is written.
std::string StoppedLine(int signal, bool serverSilent) {
    return std::string("Bericht durch Signal ") + batch::SignalName(signal) + " abgebrochen; " +
           (serverSilent ? fmt::format("der Datenbankserver antwortet seit {} s nicht; ",
                                       batch::TStopSignals::StopGrace.count())
                         : std::string()) +
           "keine Datei geschrieben.";
}

int Run(const TOptions& options, batch::TStopSignals& stop) {
    try {
        config::TLocalIni localIni;
        const batch::TDatabaseSettings settings = batch::ReadDatabaseSettings(localIni);
        db::TDMConnection dmConnection;
        db::TIBCConnection& connection = dmConnection.IBCConnection;
        batch::OpenDatabase(connection, settings);

        const double today = db::Today();
        const TRunContext context{.Connection = connection,
                                  .Console = {},
                                  .ErrorLogDir = batch::ErrorLogDir(),
                                  .Today = today,
                                  .Stop = &stop};
        TStopWatch watch(context, connection);
        // A run seen before or after the figures were read worked on them while they were.
        std::optional<std::string> running = batch::RunningCalculation(connection);
        report::TReport figures = report::TdmBericht(connection, today).Read(options.Orders);
        if (!running)
            running = batch::RunningCalculation(connection);
        figures.RunningCalculation = running;
        figures.Firma = localIni.Firmenname;
        figures.Database = connection.ConnectString();
        figures.WrittenAt = db::Now();
        // The site's order pages are written as each order is explained; their explanations
        // are kept only for a page with them (-o with --herkunft).
        std::optional<report::TSiteWriter> site;
        if (!options.Ordner.empty())
            site.emplace(options.Ordner, figures);
        const bool keepHtml = options.Herkunft && !options.Html.empty();
        if (options.Herkunft || site)
            report::ErklaereAuftraege(figures, context, [&](report::TOrderHours& order) {
                if (site)
                    site->WriteOrderPage(figures, order);
                if (!keepHtml)
                    std::string().swap(order.HerkunftHtml);
                if (!options.Herkunft)
                    std::string().swap(order.HerkunftCsv);
            });
        figures.Herkunft = options.Herkunft;
        watch.Release();
        connection.Close();

        // Each file is replaced whole; once the first is begun, all are written.
        if (stop.Requested())
            return stop.Report();
        if (!options.Html.empty())
            WriteFile(options.Html, report::HtmlReport(figures));
        if (!options.Csv.empty())
            WriteFile(options.Csv, report::CsvReport(figures));
        if (site)
            site->Finish(figures);

        if (running)
            PrintLine("Achtung: Während der Bericht gelesen wurde, lief auf der Datenbank eine Berechnung" +
                      (running->empty() ? std::string() : " (" + *running + ")") +
                      "; der Bericht zeigt einen Zwischenstand.");
        for (const std::string& ofNumm : figures.NotFound)
            PrintLine("Offert " + ofNumm + " ist nicht offen oder unbekannt.");
        if (!options.Html.empty())
            PrintLine("Bericht: " + Shown(options.Html));
        if (site)
            PrintLine("Website: " + Shown(site->IndexPath().string()));
        if (!options.Csv.empty())
            PrintLine("CSV: " + Shown(options.Csv));
        if (stop.Requested()) // while the files were written: they are whole
            return stop.Report(std::string("Bericht durch Signal ") + batch::SignalName(stop.Signal()) +
                               " beendet; die Dateien waren schon begonnen und sind ganz geschrieben.");
        return 0;
    } catch (const batch::EConnectionFailed& error) {
        PrintLine(error.what());
        return kExitConnection;
    } catch (const std::exception& error) {
        // A stop cancels the statement running: whatever it raised, the signal is the cause.
        if (stop.Signal() != 0)
            return stop.Report();
        PrintLine(batch::ErrorLine(error));
        return kExitError;
    }
}

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (const std::optional<int> done =
            batch::BeginEntry("sollist-bericht", kUsage, kVersion, [&]() -> const batch::TCommonOptions& {
                options = ParseOptions(argc, argv);
                return options;
            }))
        return *done;
    batch::TStopSignals stop(StoppedLine); // before the database client starts threads
    return Run(options, stop);
}
