#include "batch/Console.h"

#include "common/Errors.h"

#include <fmt/format.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>

namespace sollist::batch {

namespace {

bool Among(std::initializer_list<std::string_view> options, std::string_view option) {
    return std::find(options.begin(), options.end(), option) != options.end();
}

// An order number as the database compares it: without trailing blanks. Every use of the
// number (the run, the explanation, the report) then finds the same order.
std::string OrderNumber(const std::string& value) {
    const std::size_t end = value.find_last_not_of(' ');
    if (end == std::string::npos)
        throw TUsageError{"--order braucht einen Wert"};
    return value.substr(0, end + 1);
}

// The shared options; false for any other.
bool TakeCommon(TCommonOptions& common, std::string_view option, const std::string& value) {
    if (option == "--help" || option == "-h")
        common.Help = true;
    else if (option == "--version")
        common.Version = true;
    else if (option == "--herkunft")
        common.Herkunft = true;
    else if (option != "--order")
        return false;
    else if (const std::string number = OrderNumber(value);
             std::find(common.Orders.begin(), common.Orders.end(), number) == common.Orders.end())
        common.Orders.push_back(number);
    return true;
}

} // namespace

void WalkArguments(int argc, char** argv, TCommonOptions& common, std::initializer_list<std::string_view> own,
                   const std::function<void(std::string_view option, const std::string& value)>& take) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        const bool flag = Among({"--help", "-h", "--version", "--herkunft"}, option);
        if (!flag && option != "--order" && !Among(own, option))
            throw TUsageError{"unbekannte Option '" + std::string(option) + "'"};
        if (!flag && (i + 1 >= argc || argv[i + 1][0] == '\0'))
            throw TUsageError{std::string(option) + " braucht einen Wert"};
        const std::string value = flag ? std::string() : std::string(argv[++i]);
        if (!TakeCommon(common, option, value))
            take(option, value);
    }
}

std::optional<int> BeginEntry(std::string_view program, std::string_view usage, std::string_view version,
                              const std::function<const TCommonOptions&()>& parse) {
    OpenStandardDescriptors();
    // Line-buffered, so progress and formula error lines appear as they are printed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    try {
        const TCommonOptions& options = parse();
        if (options.Help || options.Version)
            return PrintText(options.Help ? usage : version);
    } catch (const TUsageError& error) {
        return ReportUsageError(program, error, usage);
    }
    return std::nullopt;
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

void OpenStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY); // the lowest free: fd
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string OneLine(std::string message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    std::string line;
    line.reserve(message.size());
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\r' || c == '\t')
            line += ' ';
        else if (byte < 0x20 || byte == 0x7F)
            line += fmt::format("\\x{:02x}", byte);
        else
            line += c;
    }
    return line;
}

const char* KindOf(const std::exception& error) {
    const auto* own = dynamic_cast<const sollist::Exception*>(&error);
    return own != nullptr ? own->kind() : "Exception";
}

std::string ErrorLine(const std::exception& error) {
    return std::string(KindOf(error)) + ": " + OneLine(error.what());
}

std::string ConnectionFailedLine(const std::string& database, const std::string& message) {
    return "Kann keine Serververbindung herstellen. (" + database + "): " + OneLine(message);
}

} // namespace sollist::batch
