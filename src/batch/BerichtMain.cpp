// sollist-bericht: the target-against-actual report of the open orders, from the hours the
// order hours run stored in Auftrag and AufSStd, as one HTML page and, on request, as CSV.
// Same settings as sollist (firmen.ini, ConnectionNr, password); reads the database only.
#include "batch/Console.h"
#include "batch/Inputs.h"
#include "common/Errors.h"
#include "config/LocalIni.h"
#include "db/DMConnection.h"
#include "db/Value.h"
#include "report/Csv.h"
#include "report/DmBericht.h"
#include "report/Html.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace sollist;
using batch::PrintLine;

constexpr std::string_view kVersion = "sollist-bericht 1.0\n";

constexpr std::string_view kUsage =
    "Aufruf: sollist-bericht [-o DATEI] [--csv DATEI] [--order OFFERT]...\n"
    "Schreibt den Soll-Ist-Bericht der offenen Aufträge als HTML-Seite, aus den Stunden, die\n"
    "sollist in Auftrag und AufSStd gespeichert hat. Die Datenbank wird nur gelesen.\n"
    "  -o DATEI        HTML-Bericht in DATEI (Vorgabe: sollist-bericht.html im aktuellen Ordner)\n"
    "  --csv DATEI     die Zahlen je Auftrag und Tätigkeit zusätzlich als CSV\n"
    "                  (Semikolon, Dezimalkomma, UTF-8 mit BOM)\n"
    "  --order OFFERT  nur dieses Offert; mehrfach möglich\n"
    "  --help          diese Hilfe\n"
    "  --version       die Programmversion\n"
    "Die Datenbank nennt firmen.ini neben dem Programm, wie für sollist.\n"
    "Exit-Status: 0 geschrieben, 1 keine Verbindung zur Datenbank, 2 anderer Fehler.\n";

using batch::kExitConnection;
using batch::kExitError;
using batch::TUsageError;

struct TOptions {
    std::string Html = "sollist-bericht.html";
    std::string Csv;                 // empty: no CSV
    std::vector<std::string> Orders; // empty: all open orders
    bool Help = false;
    bool Version = false;
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            options.Help = true;
            continue;
        }
        if (option == "--version") {
            options.Version = true;
            continue;
        }
        if (option != "-o" && option != "--csv" && option != "--order")
            throw TUsageError{"unbekannte Option '" + std::string(option) + "'"};
        if (i + 1 >= argc || argv[i + 1][0] == '\0')
            throw TUsageError{std::string(option) + " braucht einen Wert"};
        const std::string value = argv[++i];
        if (option == "-o")
            options.Html = value;
        else if (option == "--csv")
            options.Csv = value;
        else if (std::find(options.Orders.begin(), options.Orders.end(), value) == options.Orders.end())
            options.Orders.push_back(value);
    }
    return options;
}

// Writes the whole file or raises EInOutError naming it.
void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (file)
        file.close();
    if (!file) {
        const int error = errno;
        throw EInOutError("Datei kann nicht geschrieben werden: " + path +
                          (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string()));
    }
}

std::string Shown(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.string();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    TOptions options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const TUsageError& error) {
        return batch::ReportUsageError("sollist-bericht", error, kUsage);
    }
    if (options.Help || options.Version)
        return batch::PrintText(options.Help ? kUsage : kVersion);

    try {
        db::TDMConnection dmConnection;
        db::TIBCConnection& connection = dmConnection.IBCConnection;
        config::TLocalIni localIni;
        localIni.SettingsDirs = batch::SettingsDirs();
        localIni.ReadConnectionInfo(-1);
        connection.SetDatabase(localIni.DataBase);
        connection.SetServer(localIni.Server);
        connection.SetCodePage(*localIni.Codepage);
        try {
            batch::Connect(connection);
        } catch (const std::exception& error) {
            PrintLine(batch::ConnectionFailedLine(connection.Database(), error));
            return kExitConnection;
        }

        report::TReport figures = report::TdmBericht(connection, db::Today()).Read(options.Orders);
        figures.Firma = localIni.Firmenname;
        figures.Database = connection.ConnectString();
        figures.WrittenAt = db::Now();
        connection.Close();

        WriteFile(options.Html, report::HtmlReport(figures));
        if (!options.Csv.empty())
            WriteFile(options.Csv, report::CsvReport(figures));

        for (const std::string& ofNumm : figures.NotFound)
            PrintLine("Offert " + ofNumm + " ist nicht offen oder unbekannt.");
        PrintLine("Bericht: " + Shown(options.Html));
        if (!options.Csv.empty())
            PrintLine("CSV: " + Shown(options.Csv));
        return 0;
    } catch (const std::exception& error) {
        PrintLine(batch::ErrorLine(error));
        return kExitError;
    }
}
