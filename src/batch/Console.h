#pragma once
// What the program entries print: one line per message on standard output, and the error
// lines every entry of the house prints the same way.
#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::batch {

// Exit statuses every entry shares; sollist adds its own between them.
inline constexpr int kExitConnection = 1; // no connection to the database
inline constexpr int kExitError = 2;      // stopped with an error line
inline constexpr int kExitUsage = 64;     // wrong command line (EX_USAGE)

// A wrong command line, found by an entry's option parser.
struct TUsageError {
    std::string message;
};

// What the command lines of sollist and sollist-bericht share.
struct TCommonOptions {
    std::vector<std::string> Orders; // --order, each number once, trailing blanks cut; empty: all open orders
    bool Herkunft = false;           // --herkunft: the explanation of the target hours
    bool Help = false;               // --help, -h
    bool Version = false;            // --version
};

// Walks an entry's command line in order: the shared options go into common; each of the
// entry's own options, which take a value, is handed to take with the argument after it.
// Anything else, or an option at the end or before an empty argument that needs a value,
// raises TUsageError.
void WalkArguments(int argc, char** argv, TCommonOptions& common, std::initializer_list<std::string_view> own,
                   const std::function<void(std::string_view option, const std::string& value)>& take);

// The start every entry shares: the standard descriptors made sure of (OpenStandardDescriptors),
// standard output line-buffered, the command line read by parse (raising TUsageError), --help
// and --version answered. The exit status when the entry ends here, else none.
std::optional<int> BeginEntry(std::string_view program, std::string_view usage, std::string_view version,
                              const std::function<const TCommonOptions&()>& parse);

// "<program>: <message>" and the usage on standard error; returns kExitUsage.
int ReportUsageError(std::string_view program, const TUsageError& error, std::string_view usage);
// The usage or version text asked for on standard output; 0, or kExitError when it failed.
int PrintText(std::string_view text);

// Opens /dev/null onto each of standard input, output and error that is closed, first thing in
// an entry: else the next file opened, a database connection say, would take its number and the
// console lines would go into it.
void OpenStandardDescriptors();

// One line per message, flushed at once: the run is watched live and may be killed.
void PrintLine(const std::string& line);

// An error message on one line: the client library joins the lines of its messages with line
// feeds, and a log reader takes every console line for a message of its own. Line ends and tabs
// become blanks; other control characters are shown as \xNN, so that neither a terminal nor a
// log viewer acts on them (a carriage return would let the message overwrite the line's start).
std::string OneLine(std::string message);

// The kind name of an error: the program's own kinds by name, anything else "Exception".
const char* KindOf(const std::exception& error);

// "Kind: message" on one line.
std::string ErrorLine(const std::exception& error);

// The line of a failed connection: the database in brackets, a colon, the message.
std::string ConnectionFailedLine(const std::string& database, const std::string& message);

} // namespace sollist::batch
