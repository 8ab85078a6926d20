// sollist-formel: evaluates formula texts from standard input exactly as the batch does,
// one result line per input line, so formulas can be checked without a database.
#include "formula/BaseFormel.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

namespace {

using namespace sollist;
using namespace sollist::formula;

constexpr std::string_view kUsage =
    "Usage: sollist-formel [--var NAME=VALUE]... [--tab N=TEXT]...\n"
    "Reads one formula per line from standard input and writes one line per formula:\n"
    "its value, or the error kind, \": \" and the message.\n"
    "  --var NAME=VALUE  the variable NAME (upper-case letters and digits) has VALUE\n"
    "  --tab N=TEXT      value table N for TABG/TABK, e.g. --tab 7=16;19;22;25;28\n"
    "  --help            this text\n";

// The formula context of the tool: variables and value tables from the command line.
class TToolFormel final : public TBaseFormel {
public:
    std::map<std::string, double, std::less<>> Variables;
    std::map<std::int32_t, std::string> Tables;

protected:
    double GetVarValue(const std::string& name) override {
        const auto it = Variables.find(name);
        if (it == Variables.end())
            throw EParseErr("Unzulässige Variable: " + name);
        return it->second;
    }

    double GetTabValue(std::int32_t tableNumber, char mode, double value) override {
        const auto it = Tables.find(tableNumber);
        if (it == Tables.end())
            throw EParseErr(fmt::format("Kein Tabelleneintrag {}", tableNumber));
        return LookupValueTable(it->second, mode, value);
    }
};

struct TUsageError {
    std::string message;
};

template <class Number>
Number ParseNumber(std::string_view text, std::string_view what) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw TUsageError{fmt::format("{} is not a valid number: '{}'", what, text)};
    return value;
}

bool IsVariableName(std::string_view name) {
    if (name.empty() || name[0] < 'A' || name[0] > 'Z')
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// Splits "KEY=VALUE" of an option.
std::pair<std::string_view, std::string_view> KeyValue(std::string_view option, std::string_view argument) {
    const auto equals = argument.find('=');
    if (equals == std::string_view::npos)
        throw TUsageError{fmt::format("{} needs KEY=VALUE, got '{}'", option, argument)};
    return {argument.substr(0, equals), argument.substr(equals + 1)};
}

// Reads the options into the context; returns false when only the usage was asked for.
bool ParseOptions(int argc, char** argv, TToolFormel& context) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h")
            return false;
        if (option != "--var" && option != "--tab")
            throw TUsageError{fmt::format("unknown option '{}'", option)};
        if (i + 1 >= argc)
            throw TUsageError{fmt::format("{} needs an argument", option)};
        const auto [key, value] = KeyValue(option, argv[++i]);
        if (option == "--var") {
            if (!IsVariableName(key))
                throw TUsageError{fmt::format("'{}' is not a variable name (A-Z, then A-Z or 0-9)", key)};
            const auto number = ParseNumber<double>(value, "--var value");
            if (!std::isfinite(number))
                throw TUsageError{fmt::format("--var value must be finite, got '{}'", value)};
            context.Variables.insert_or_assign(std::string(key), number);
        } else {
            context.Tables.insert_or_assign(ParseNumber<std::int32_t>(key, "--tab number"),
                                            std::string(value));
        }
    }
    return true;
}

// The shortest text that reads back to the same double.
std::string FormatValue(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string EvaluateLine(TToolFormel& context, std::string_view line) {
    try {
        return FormatValue(context.BerechneFormel(line));
    } catch (const Exception& error) {
        return std::string(error.kind()) + ": " + error.what();
    }
}

} // namespace

int main(int argc, char** argv) {
    TToolFormel context;
    try {
        if (!ParseOptions(argc, argv, context)) {
            std::cout << kUsage;
            return 0;
        }
    } catch (const TUsageError& error) {
        std::cerr << "sollist-formel: " << error.message << "\n" << kUsage;
        return 2;
    }

    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::cout << EvaluateLine(context, line) << '\n';
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
