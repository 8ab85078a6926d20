#include "solltat/ErrorTxt.h"

#include "common/Errors.h"
#include "common/Text.h"

#include <fmt/format.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
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

[[noreturn]] void ThrowIoError(int error) { throw EInOutError(std::strerror(error)); }

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            ThrowIoError(error);
        }
        done += static_cast<std::size_t>(n);
    }
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

// Creating the file exclusively decides atomically whether the header belongs in front.
void TErrorTxt::AppendLine(const std::string& line) {
    std::string bytes = text::Utf8ToCp1252(line) + LineEnd;
    int fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        bytes.insert(0, HeaderLines());
    } else if (errno == EEXIST) {
        fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0)
        ThrowIoError(errno);
    WriteAll(fd, bytes);
    if (::close(fd) != 0)
        ThrowIoError(errno);
}

} // namespace sollist::solltat
