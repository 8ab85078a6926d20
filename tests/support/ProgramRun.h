#pragma once
// Runs the built program as a process from a private folder holding a copy of it, its
// firmen.ini and the per-user configuration, the way an installation runs it.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sollist::test {

struct ProgramResult {
    std::string output;    // standard output only
    int exitStatus = -1;   // -1 when the process did not exit normally
    bool timedOut = false; // killed after RunOptions::timeout
    std::chrono::milliseconds elapsed{0};
};

struct RunOptions {
    // Environment changes on top of the folder's defaults: a value sets, nullopt removes.
    std::vector<std::pair<std::string, std::optional<std::string>>> env;
    // Called with every complete output line (without its line feed) as it arrives.
    std::function<void(const std::string&)> onLine;
    // A run that takes longer is killed: a hang fails the test instead of blocking it.
    std::chrono::seconds timeout{120};
    // Command-line arguments after the program name.
    std::vector<std::string> args;
    // A signal sent to the program once, when a line equal to `line` has arrived (0: none).
    struct {
        std::string line;
        int number = 0;
    } signalAfter;
    // Called with the process id once the program runs (to signal it at a moment of the test's
    // choosing, from onLine or another thread).
    std::function<void(int pid)> onStart;
    // Standard output closed in the program, as `program >&-` leaves it (output then stays empty).
    bool closedStdout = false;
    // The largest file the program may write, in bytes (a write beyond fails with EFBIG, as on
    // a full disk); 0: no limit.
    unsigned long fileSizeLimit = 0;
};

class ProgramFolder {
public:
    // A folder named after the running test and the program, with a copy of the built program
    // of this name (a second folder of the same test and program takes the first one's place).
    explicit ProgramFolder(std::string program = "sollist");
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }
    std::filesystem::path ConfigDir() const { return dir_ / "config"; } // XDG_CONFIG_HOME

    // Writes a file below the folder (creating its directories).
    void WriteFile(const std::filesystem::path& relative, const std::string& content) const;
    // firmen.ini with exactly this content.
    void WriteSettings(const std::string& content) const { WriteFile("firmen.ini", content); }
    // firmen.ini with one section for connection 1.
    void WriteConnection(const std::string& database, const std::string& server = "") const;
    // The per-user registry file (ConnectionNr) and password file.
    void WriteRegistry(const std::string& content) const;
    void WritePassword(const std::string& password, unsigned mode = 0600) const;

    // Runs the program in the folder with HOME and TEMP set to it, XDG_CONFIG_HOME to
    // ConfigDir(), SOLLIST_ETC_DIR to its folder etc and no ISC_PASSWORD, then options.env
    // applied. Several runs of one folder may go on at the same time.
    ProgramResult Run(const RunOptions& options = {}) const;

private:
    std::filesystem::path dir_;
    std::string program_;
};

// A loopback TCP port that nothing listens on (for a private server or a refused connection).
int FreeLocalPort();

// The program's first line, and its progress line for an order (line feeds included).
inline const std::string StartLine = "Verbindung zur Datenbank wird aufgebaut!\n";
inline std::string ProgressLine(const std::string& ofNumm) {
    return "Berechnung für Offert " + ofNumm + " läuft..\n";
}

// The connection section of firmen.ini for a database.
std::string ConnectionSection(int number, const std::string& database, const std::string& server = "");

} // namespace sollist::test
