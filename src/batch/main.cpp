// The batch program: connects to the database named by the installation settings, runs the
// order hours run over all open orders, and reports on standard output. No arguments, no input.
#include "batch/OrderHoursRun.h"
#include "common/Errors.h"
#include "config/LocalIni.h"
#include "db/Connection.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// One line per message, flushed at once: the run is watched live and may be killed.
void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// An error message on one line: the client library joins the lines of its messages with line
// feeds, and a log reader takes every console line for a message of its own.
std::string OneLine(std::string message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    return message;
}

const char* KindOf(const std::exception& error) {
    const auto* own = dynamic_cast<const sollist::Exception*>(&error);
    return own != nullptr ? own->kind() : "Exception";
}

} // namespace

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

        PrintLine("Verbindung zur Datenbank wird aufgebaut!");
        try {
            connection.Connect();
        } catch (const std::exception& error) {
            PrintLine("Kann keine Serververbindung herstellen. (" + connection.Database() + ")\r" +
                      OneLine(error.what()));
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
        PrintLine(std::string(KindOf(error)) + ": " + OneLine(error.what()));
        return 0;
    }
}
