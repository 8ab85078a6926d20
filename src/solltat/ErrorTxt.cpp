#include "solltat/ErrorTxt.h"

#include "common/Files.h"
#include "common/Text.h"

#include <fmt/format.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace sollist::solltat {

namespace {

constexpr std::size_t ProgrammWidth = 12;
constexpr const char* LogFileName = "SollBerFehler.Txt";
constexpr const char* LineEnd = "\r\n";

// The first `width` characters of a UTF-8 text, filled with blanks up to `width`.
std::string FitCharacters(std::string_view text, std::size_t width) {
    std::size_t pos = 0, count = 0;
    while (pos < text.size() && count < width) {
        text::NextCodePoint(text, pos);
        ++count;
    }
    std::string out(text.substr(0, pos));
    out.append(width - count, ' ');
    return out;
}

// "dd.mm.yyyy hh:mm": the short date and the long time (hh:mm:ss) less its last three
// characters.
std::string DateTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M:%S", &local);
    std::string stamp(buffer);
    stamp.resize(stamp.size() - 3);
    return stamp;
}

std::string HeaderLines() {
    return fmt::format("{:<10} {:<5} {:<12} {:<28}", "DATUM", "ZEIT", "PROGRAMMNAME", "FEHLERMELDUNG") +
           LineEnd + "========== ===== ============ ============================" + LineEnd;
}

} // namespace

void TErrorTxt::Open(const std::string& ProgName, TConsoleSink sink) {
    Programm = FitCharacters(ProgName, ProgrammWidth);
    FSink = std::move(sink);
    FileName = FFolder.empty() || FFolder.back() != '/' ? FFolder + '/' : FFolder;
    FileName += LogFileName;
}

void TErrorTxt::Write(const std::string& FehlerTxt) {
    std::string line = DateTimeStamp() + ' ' + Programm + ' ' + FehlerTxt;
    if (FSink)
        FSink(line);
    else
        AppendLine(line);
}

// An empty file gets the header too: one a full disk left empty is mended by the next line.
// The lock makes "empty, so the header first" one step for writers of several runs at once.
void TErrorTxt::AppendLine(const std::string& line) {
    std::string bytes = text::Utf8ToCp1252(line) + LineEnd;
    const int fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        ThrowCannotWrite(FileName, errno);
    const auto fail = [&] {
        const int error = errno;
        ::close(fd);
        ThrowCannotWrite(FileName, error);
    };
    struct stat file {};
    if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &file) != 0)
        fail();
    if (file.st_size == 0)
        bytes.insert(0, HeaderLines());
    if (!WriteAll(fd, bytes))
        fail();
    if (::close(fd) != 0)
        ThrowCannotWrite(FileName, errno);
}

} // namespace sollist::solltat
