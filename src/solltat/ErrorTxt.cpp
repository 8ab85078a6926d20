#include "solltat/ErrorTxt.h"

#include "common/Errors.h"

#include <fmt/format.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace sollist::solltat {

namespace {

constexpr std::size_t ProgrammWidth = 12;
constexpr const char* LogFileName = "SollBerFehler.Txt";
constexpr const char* LineEnd = "\r\n";

// Unicode code points of the bytes 0x80..0x9F in Windows-1252 (0 = no character).
constexpr std::array<std::uint16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t Invalid = 0xFFFFFFFF;

// Decodes the code point starting at text[pos] and advances pos; Invalid for a malformed
// sequence (pos then moves by one byte).
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (lead >= 0xF5 || extra < 0 || pos + extra > text.size()) return Invalid;
    char32_t cp = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if ((c & 0xC0) != 0x80) return Invalid;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || (cp >= 0xD800 && cp <= 0xDFFF)) return Invalid;
    pos += extra;
    return cp;
}

char ToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < Cp1252High.size(); ++i)
        if (Cp1252High[i] != 0 && Cp1252High[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

// The first `width` characters of a UTF-8 text, filled with blanks up to `width`.
std::string FitCharacters(std::string_view text, std::size_t width) {
    std::size_t pos = 0, count = 0;
    while (pos < text.size() && count < width) {
        NextCodePoint(text, pos);
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
    return fmt::format("{:<10} {:<5} {:<12} {:<28}", "DATUM", "ZEIT", "PROGRAMMNAME",
                       "FEHLERMELDUNG") +
           LineEnd + "========== ===== ============ ============================" + LineEnd;
}

[[noreturn]] void ThrowIoError(int error) { throw EInOutError(std::strerror(error)); }

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            ThrowIoError(error);
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) out += ToCp1252(NextCodePoint(text, pos));
    return out;
}

void TErrorTxt::Open(const std::string& ProgName) {
    Programm = FitCharacters(ProgName, ProgrammWidth);
    // TEMP as the installation knows it; on this platform usually unset, so the usual
    // temporary directory follows (a file in the root directory is not writable).
    std::string dir;
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            dir = value;
            break;
        }
    }
    if (dir.empty()) dir = "/tmp";
    if (dir.back() != '/') dir += '/';
    FileName = dir + LogFileName;
}

void TErrorTxt::Write(const std::string& FehlerTxt) {
    AppendLine(DateTimeStamp() + ' ' + Programm + ' ' + FehlerTxt);
}

// Creating the file exclusively decides atomically whether the header belongs in front.
void TErrorTxt::AppendLine(const std::string& line) {
    std::string bytes = Utf8ToCp1252(line) + LineEnd;
    int fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        bytes.insert(0, HeaderLines());
    } else if (errno == EEXIST) {
        fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0) ThrowIoError(errno);
    WriteAll(fd, bytes);
    if (::close(fd) != 0) ThrowIoError(errno);
}

} // namespace sollist::solltat
