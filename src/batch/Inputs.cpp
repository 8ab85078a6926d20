#include "batch/Inputs.h"

#include "common/UserConfig.h"
#include "config/LocalIni.h"
#include "db/Connection.h"
#include "db/Password.h"

#include <cstdlib>

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

void ReadConnectionSettings(config::TLocalIni& localIni, db::TIBCConnection& connection) {
    localIni.SettingsDirs = SettingsDirs();
    localIni.UserConfigDir = UserConfigDir();
    localIni.ReadConnectionInfo(-1);
    connection.SetDatabase(localIni.DataBase);
    connection.SetServer(localIni.Server);
    connection.SetCodePage(*localIni.Codepage);
}

std::string ErrorLogDir() {
    for (const char* name : {"TEMP", "TMPDIR"})
        if (std::string dir = Variable(name); !dir.empty())
            return dir;
    return "/tmp";
}

void Connect(db::TIBCConnection& connection) {
    if (!connection.Server().empty())
        connection.Password = db::LookupPassword(Variable("ISC_PASSWORD"), UserConfigDir());
    connection.Connect();
}

} // namespace sollist::batch
