#include "ProgramRun.h"

#include "TestDatabase.h"
#include "UserConfig.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>

extern char** environ;

namespace sollist::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::map<std::string, std::string> CurrentEnvironment() {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos)
            env[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    return env;
}

// Feeds the complete lines of a growing output to the callback, and sends the signal asked for
// after its line.
void EmitLines(const std::string& output, std::size_t& emitted, const RunOptions& options, pid_t pid,
               bool& signalled) {
    for (std::size_t end; (end = output.find('\n', emitted)) != std::string::npos; emitted = end + 1) {
        const std::string line = output.substr(emitted, end - emitted);
        if (options.onLine)
            options.onLine(line);
        if (options.signalAfter.number != 0 && !signalled && line == options.signalAfter.line) {
            ::kill(pid, options.signalAfter.number);
            signalled = true;
        }
    }
}

// The child inherits a file size limit, and SIGXFSZ ignored so that a write beyond it fails
// instead of ending the process; both are put back in this process once the child runs.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes) : active_(bytes != 0) {
        if (!active_)
            return;
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        if (!active_)
            return;
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    bool active_;
    rlimit previous_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

} // namespace

ProgramFolder::ProgramFolder(std::string program) : program_(std::move(program)) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "_" + test->name() : "run";
    // Parameterised tests are named "Prefix/Suite.Name/Param": one folder, not a tree of them
    // that removing the folder would leave behind.
    std::replace(name.begin(), name.end(), '/', '_');
    if (program_ != "sollist")
        name += "_" + program_; // a test may run both programs at once
    dir_ = fs::temp_directory_path() / ("sollist_run_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(dir_);
    fs::create_directories(ConfigDir());
    fs::copy_file(fs::path(BinaryDir()) / program_, dir_ / program_);
}

ProgramFolder::~ProgramFolder() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

void ProgramFolder::WriteFile(const fs::path& relative, const std::string& content) const {
    const fs::path path = dir_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

void ProgramFolder::WriteConnection(const std::string& database, const std::string& server) const {
    WriteSettings(ConnectionSection(1, database, server));
}

void ProgramFolder::WriteRegistry(const std::string& content) const {
    WriteFile(RegistryFile(ConfigDir()), content);
}

void ProgramFolder::WritePassword(const std::string& password, unsigned mode) const {
    WritePasswordFile(ConfigDir(), password + "\n", mode);
}

ProgramResult ProgramFolder::Run(const RunOptions& options) const {
    std::map<std::string, std::string> env = CurrentEnvironment();
    env.erase("ISC_PASSWORD");
    env["HOME"] = dir_.string();
    env["TEMP"] = dir_.string();
    env["XDG_CONFIG_HOME"] = ConfigDir().string();
    env["SOLLIST_ETC_DIR"] = (dir_ / "etc").string(); // never the machine's /etc/sollist
    for (const auto& [name, value] : options.env) {
        if (value)
            env[name] = *value;
        else
            env.erase(name);
    }
    std::vector<std::string> entries;
    for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);

    ProgramResult result;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // With standard output closed the pipe stays open in the program on a high number, only to
    // tell when it ends.
    constexpr int EndOnlyFd = 200;
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], options.closedStdout ? EndOnlyFd : STDOUT_FILENO);
    if (options.closedStdout) {
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    }
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    const std::string program = (dir_ / program_).string();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : options.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const auto start = Clock::now();
    int spawned = 0;
    {
        const FileSizeLimit limit(options.fileSizeLimit);
        spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return result;
    }
    if (options.onStart)
        options.onStart(pid);

    const auto deadline = start + options.timeout;
    std::size_t emitted = 0;
    bool signalled = false;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) == 0) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(n));
        EmitLines(result.output, emitted, options, pid, signalled);
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return result;
}

std::string ConnectionSection(int number, const std::string& database, const std::string& server) {
    return "[CONNECTION" + std::to_string(number) + "]\nDataBase=" + database + "\nServer=" + server + "\n";
}

int FreeLocalPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace sollist::test
