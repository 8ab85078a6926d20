#include "batch/Inputs.h"

#include "common/Text.h"
#include "common/UserConfig.h"
#include "config/LocalIni.h"
#include "db/Password.h"
#include "solltat/ErrorTxt.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sollist::batch {

namespace {

// The variable's value; empty when it is unset or empty.
std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::vector<std::string> SettingsDirs() {
    std::string etc = Variable("SOLLIST_ETC_DIR");
    return {config::TLocalIni::ExecutableDir(), etc.empty() ? "/etc/sollist" : etc};
}

std::string UserConfigDir() { return UserConfigHome(Variable("XDG_CONFIG_HOME"), Variable("HOME")); }

TDatabaseSettings ReadDatabaseSettings(config::TLocalIni& localIni) {
    localIni.SettingsDirs = SettingsDirs();
    localIni.UserConfigDir = UserConfigDir();
    localIni.ReadConnectionInfo(-1);
    TDatabaseSettings settings;
    settings.Connection.Database = text::Trim(localIni.DataBase);
    settings.Connection.Server = localIni.Server;
    settings.Connection.CodePage = localIni.Codepage;
    settings.SettingsFile = localIni.SettingsFile;
    settings.SettingsPlaces = localIni.SettingsPlaces;
    settings.ConnectionNumber = localIni.ConnectionNumber();
    if (!settings.Connection.Server.empty() && !settings.Connection.Database.empty()) {
        try {
            settings.Connection.Password =
                db::LookupPassword(Variable("ISC_PASSWORD"), localIni.UserConfigDir);
        } catch (const Exception& error) {
            settings.PasswordProblem = error.what();
        }
    }
    return settings;
}

std::string ErrorLogDir() {
    for (const char* name : {"TEMP", "TMPDIR"})
        if (std::string dir = Variable(name); !dir.empty())
            return dir;
    return "/tmp";
}

std::string ErrorLogDirProblem(const std::string& dir) {
    solltat::TErrorTxt log(dir);
    log.Open("");
    const std::string probe = log.GetName() + ".probe." + std::to_string(::getpid());
    // A line's worth written: a full disk refuses it, an empty file it might not.
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        const std::string line(512, ' ');
        if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || ::fsync(fd) != 0)
            error = errno != 0 ? errno : ENOSPC;
        ::close(fd);
        ::unlink(probe.c_str());
    }
    if (error == 0) { // the log itself, when it is there already
        const int existing = ::open(log.GetName().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (existing >= 0)
            ::close(existing);
        else if (errno != ENOENT)
            return log.GetName() + ": " + std::strerror(errno);
    }
    return error == 0 ? std::string() : dir + ": " + std::strerror(error);
}

} // namespace sollist::batch
