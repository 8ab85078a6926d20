// The batch program: connects to the database named by the installation settings, runs the
// order hours run over all open orders, and reports on standard output. No arguments, no input.
#include "batch/Console.h"
#include "batch/OrderHoursRun.h"
#include "config/LocalIni.h"
#include "db/Connection.h"

#include <cstdio>
#include <memory>

using sollist::batch::PrintLine;

int main() {
    // Line-buffered, so progress and formula error lines of the run appear as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    try {
        auto dmConnection = std::make_unique<sollist::db::TDMConnection>();
        sollist::db::TIBCConnection& connection = dmConnection->IBCConnection;
        sollist::config::TLocalIni localIni;
        localIni.ReadConnectionInfo(-1);
        connection.SetDatabase(localIni.DataBase);
        connection.SetServer(localIni.Server);
        connection.SetCodePage(*localIni.Codepage);

        PrintLine("Verbindung zur Datenbank wird aufgebaut!");
        try {
            connection.Connect();
        } catch (const std::exception& error) {
            PrintLine(sollist::batch::ConnectionFailedLine(connection.Database(), error));
            return 1;
        }

        dmConnection->IBCTransaction.StartTransaction();
        sollist::batch::RunOrderHours(sollist::TRunContext{connection, PrintLine});
        dmConnection->IBCTransaction.Commit();
        connection.Close();
        dmConnection.reset();
        PrintLine("Fertig !");
        return 0;
    } catch (const std::exception& error) {
        PrintLine(sollist::batch::ErrorLine(error));
        return 0;
    }
}
