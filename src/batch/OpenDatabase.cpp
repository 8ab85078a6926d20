#include "batch/OpenDatabase.h"

#include "batch/Console.h"
#include "db/DbErrors.h"

#include <fmt/format.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sollist::batch {

namespace {

// Whether this process may open no further file: then the client library could not open the
// socket of the attachment, and the limit to raise is the process's (ulimit -n), not the
// server's.
bool OutOfFileHandles(const std::exception& error) {
    if (std::string(error.what()).find(std::strerror(EMFILE)) != std::string::npos)
        return true;
    const int probe = ::dup(STDERR_FILENO);
    if (probe >= 0) {
        ::close(probe);
        return false;
    }
    return errno == EMFILE;
}

std::string Cause(const std::exception& error, std::string_view which) {
    std::string words = OneLine(error.what());
    const std::string lead = which.empty() ? std::string() : std::string(which) + ": ";
    if (db::OpenedByAnotherProcess(error))
        return lead +
               "Die Datenbankdatei ist schon von einem anderen Prozess geöffnet (einer anderen "
               "Berechnung ohne Server oder dem Firebird-Server); ohne Server kann sie nur ein "
               "Prozess öffnen: " +
               words;
    if (OutOfFileHandles(error)) {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        return lead + fmt::format("dieses Programm darf keine weitere Datei öffnen (Grenze offener Dateien "
                                  "des Prozesses: {}, ulimit -n), nicht die Grenze des Servers: {}",
                                  limit.rlim_cur, words);
    }
    if (!which.empty())
        return lead +
               "der Server nimmt keine weitere Verbindung an (die Grenze offener Dateien dieses "
               "Programms ist nicht erreicht): " +
               words;
    return words;
}

} // namespace

void OpenDatabase(db::TIBCConnection& connection, const db::TConnectionSettings& settings,
                  std::string_view which) {
    connection.Use(settings);
    try {
        connection.Connect();
    } catch (const std::exception& error) {
        throw EConnectionFailed(ConnectionFailedLine(settings.Database, Cause(error, which)));
    }
}

void OpenDatabase(db::TIBCConnection& connection, const TDatabaseSettings& settings) {
    const db::TConnectionSettings& wanted = settings.Connection;
    if (settings.SettingsFile.empty()) {
        std::string places;
        for (const std::string& place : settings.SettingsPlaces)
            places += (places.empty() ? "" : ", ") + place;
        throw EConnectionFailed("firmen.ini nicht gefunden (gesucht: " + places + ")");
    }
    if (wanted.Database.empty())
        throw EConnectionFailed(
            fmt::format("Keine Datenbank in {}: der Abschnitt [CONNECTION{}] fehlt oder hat kein DataBase=",
                        settings.SettingsFile, settings.ConnectionNumber));
    if (!settings.PasswordProblem.empty())
        throw EConnectionFailed(ConnectionFailedLine(wanted.Database, settings.PasswordProblem));
    OpenDatabase(connection, wanted);
}

} // namespace sollist::batch
