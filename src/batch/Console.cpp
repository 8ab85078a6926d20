#include "batch/Console.h"

#include "common/Errors.h"
#include "config/LocalIni.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace sollist::batch {

void WalkArguments(int argc, char** argv, std::initializer_list<std::string_view> flags,
                   std::initializer_list<std::string_view> valued,
                   const std::function<void(std::string_view option, const std::string& value)>& take) {
    const auto among = [](std::initializer_list<std::string_view> options, std::string_view option) {
        return std::find(options.begin(), options.end(), option) != options.end();
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (among(flags, option)) {
            take(option, "");
            continue;
        }
        if (!among(valued, option))
            throw TUsageError{"unbekannte Option '" + std::string(option) + "'"};
        if (i + 1 >= argc || argv[i + 1][0] == '\0')
            throw TUsageError{std::string(option) + " braucht einen Wert"};
        take(option, argv[++i]);
    }
}

void AddOnce(std::vector<std::string>& values, const std::string& value) {
    if (std::find(values.begin(), values.end(), value) == values.end())
        values.push_back(value);
}

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
