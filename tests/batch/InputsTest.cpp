// What the entries read from the environment for a run: the folders of the settings file and
// of the error log. The modules below get them handed down and are tested with folders of
// their own.
#include "batch/Inputs.h"

#include "config/LocalIni.h"
#include "support/Environment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sollist::batch {
namespace {

using test::EnvironmentGuard;

TEST(Inputs, ErrorLogLiesInTempElseTmpdirElseTmp) {
    const struct {
        const char* temp;
        const char* tmpdir;
        std::string expected;
    } cases[] = {{"/var/x/", "/q", "/var/x/"}, {"/var/x", "/q", "/var/x"}, {"", "/q/", "/q/"},
                 {nullptr, "/q", "/q"},        {nullptr, nullptr, "/tmp"}, {"", "", "/tmp"}};
    for (const auto& c : cases) {
        EnvironmentGuard env;
        env.Set("TEMP", c.temp);
        env.Set("TMPDIR", c.tmpdir);
        EXPECT_EQ(ErrorLogDir(), c.expected)
            << (c.temp ? c.temp : "unset") << " " << (c.tmpdir ? c.tmpdir : "unset");
    }
}

TEST(Inputs, SettingsLieNextToTheProgramThenInTheSystemsFolder) {
    const struct {
        const char* etc;
        std::string expected;
    } cases[] = {{"/opt/etc", "/opt/etc"}, {"", "/etc/sollist"}, {nullptr, "/etc/sollist"}};
    for (const auto& c : cases) {
        EnvironmentGuard env;
        env.Set("SOLLIST_ETC_DIR", c.etc);
        EXPECT_EQ(SettingsDirs(), (std::vector<std::string>{config::TLocalIni::ExecutableDir(), c.expected}))
            << (c.etc ? c.etc : "unset");
    }
}

} // namespace
} // namespace sollist::batch
