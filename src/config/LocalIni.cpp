#include "config/LocalIni.h"

#include "common/Errors.h"
#include "common/Text.h"
#include "config/AtomicFile.h"
#include "config/IniFile.h"

#include <fmt/core.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace sollist::config {

namespace fs = std::filesystem;

namespace {

constexpr const char* RegistrySection = "R7";
constexpr const char* ConnectionNrName = "ConnectionNr";

} // namespace

std::string TLocalIni::RegistryFile() const {
    return UserConfigDir.empty() ? std::string()
                                 : (fs::path(UserConfigDir) / "Tarvex" / "R7" / "registry.ini").string();
}

std::string TLocalIni::ExecutableDir() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : exe.parent_path().string();
}

int TLocalIni::ReadRegistryConnectionNr() const {
    const std::string file = RegistryFile();
    if (file.empty())
        return 1;
    const auto values = ReadIniSection(file, RegistrySection);
    const auto it = values.find(text::UpperAscii(ConnectionNrName));
    if (it == values.end())
        return 1;
    const std::string& text = it->second;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw ERegistryException(fmt::format("Ungültiger Datentyp für '{}'", ConnectionNrName));
    return number;
}

void TLocalIni::ReadConnectionInfo(int ConnectionNrOverride) {
    FConNr = ConnectionNrOverride == -1 ? ReadRegistryConnectionNr() : ConnectionNrOverride;
    SettingsPlaces.clear();
    SettingsFile.clear();
    for (const std::string& dir : SettingsDirs) {
        SettingsPlaces.push_back((fs::path(dir) / "firmen.ini").string());
        std::error_code error;
        if (SettingsFile.empty() && fs::is_regular_file(SettingsPlaces.back(), error))
            SettingsFile = SettingsPlaces.back();
    }
    const auto values = ReadIniSection(SettingsFile, fmt::format("CONNECTION{}", FConNr));
    FDokPfad = ValueOf(values, "DatenPfad");
    if (!FDokPfad.empty() && FDokPfad.back() == PathDelim)
        FDokPfad.pop_back();
    DataBase = ValueOf(values, "DataBase");
    Server = ValueOf(values, "Server");
    Firmenname = ValueOf(values, "Text");
    // Refused rather than guessed: a wrong code page would write garbage into the database.
    const std::string codepage = ValueOf(values, "Codepage");
    const text::CodePage* page =
        codepage.empty() ? &text::CodePage::Windows1252() : text::CodePage::Find(codepage);
    if (page == nullptr)
        throw Exception(fmt::format("Unbekannte Codepage '{}' in [CONNECTION{}] von firmen.ini "
                                    "(bekannt: Windows-1252, ISO-8859-1, ISO-8859-15)",
                                    codepage, FConNr));
    Codepage = page;
    // Shown on the report's page: a text saved in the installation's code page (firmen.ini
    // comes from Windows) is made UTF-8; valid UTF-8 stays as it is.
    if (!text::IsValidUtf8(Firmenname))
        Firmenname = page->ToUtf8(Firmenname);
}

void TLocalIni::Firmenwechsel(int ToNr) {
    const fs::path path = RegistryFile();
    if (path.empty())
        throw ERegistryException(fmt::format(
            "Kein Ordner für '{}': weder XDG_CONFIG_HOME noch HOME ist gesetzt", ConnectionNrName));
    std::string content;
    if (std::ifstream in{path, std::ios::binary})
        content.assign(std::istreambuf_iterator<char>(in), {});
    const std::string changed =
        WithIniValue(content, RegistrySection, ConnectionNrName, std::to_string(ToNr));
    if (const std::error_code error = ReplaceFileAtomically(path, changed))
        throw ERegistryException(fmt::format("Fehler beim Schreiben von '{}' in {}: {}", ConnectionNrName,
                                             path.string(), error.message()));
}

} // namespace sollist::config
