#include "batch/Console.h"

#include "common/Errors.h"
#include "config/LocalIni.h"

#include <fmt/format.h>

#include <cstdio>
#include <iostream>

namespace sollist::batch {

int ReportUsageError(std::string_view program, const TUsageError& error, std::string_view usage) {
    std::cerr << program << ": " << error.message << "\n" << usage;
    return kExitUsage;
}

int PrintText(std::string_view text) {
    std::cout << text;
    std::cout.flush();
    return std::cout ? 0 : kExitError;
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

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

std::string ErrorLine(const std::exception& error) {
    return std::string(KindOf(error)) + ": " + OneLine(error.what());
}

std::string ConnectionFailedLine(const std::string& database, const std::exception& error) {
    return ConnectionFailedLine(database, OneLine(error.what()));
}

std::string ConnectionFailedLine(const std::string& database, const std::string& message) {
    return "Kann keine Serververbindung herstellen. (" + database + ")\r" + OneLine(message);
}

std::string MissingDatabase(const config::TLocalIni& localIni) {
    if (!localIni.DataBase.empty() || localIni.SettingsFile.empty())
        return {};
    return fmt::format("Keine Datenbank in {}: der Abschnitt [CONNECTION{}] fehlt oder hat kein DataBase=",
                       localIni.SettingsFile, localIni.ConnectionNumber());
}

} // namespace sollist::batch
