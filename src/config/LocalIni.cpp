#include "config/LocalIni.h"

#include "common/Errors.h"
#include "common/Files.h"
#include "common/Text.h"
#include "common/UserConfig.h"
#include "db/DataSet.h"

#include <fmt/core.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unordered_map>
#include <vector>

namespace sollist::config {

namespace fs = std::filesystem;

const std::array<std::string_view, TLocalIni::PfadAnzahl> TLocalIni::PfadNamen = {
    "BUCHHALT",      "CADIMPORT",   "CNCBLOCK",   "CNCEINLES", "CNCPROGR",   "CNCTEST",    "KDLIEXPORT",
    "KUNDASCII",     "LOHNVERREC",  "PICBAUGRUP", "PICKUNDE",  "PICMATERIA", "PICARTIKEL", "PICPOSITIO",
    "PICTAETIGK",    "PICTTYP",     "PICWERKZ",   "BLX_DATEN", "VERSCHNITT", "TEXTBAUST",  "AUFTRAGEXPIMP",
    "ZUSCHNITTEIMP", "SQL",         "OCI",        "KDBELEGE",  "KDWORD",     "KDPDF",      "KDFAX",
    "KDEXCEL",       "KDACAD",      "KDPHOTOS",   "KDEMAIL",   "KDDIVERS",   "LIWORD",     "LIFAX",
    "LIPDF",         "LIEXCEL",     "LIACAD",     "LIPHOTOS",  "LIEMAIL",    "LIDIVERS",   "MIWORD",
    "MIFAX",         "PRWORD",      "PRFAX",      "PREXCEL",   "PRPDF",      "PREMAIL",    "PRDIVERS",
    "OFFERTDOK",     "MATERIALDOK", "ARTIKDOK",   "BGRPDOK",   "TTYPDOK",    "PICOFFERT",  "BACKUP",
    "MIPDF",         "MIDIVERS",    "MIEMAIL"};

namespace {

constexpr const char* RegistrySection = "R7";
constexpr const char* ConnectionNrName = "ConnectionNr";

// Replaces the first occurrence of placeholder (any case); true when there was one.
bool ReplaceFirstNoCase(std::string& text, std::string_view placeholder, const std::string& by) {
    const std::size_t pos = text::FindAsciiNoCase(text, placeholder);
    if (pos == std::string::npos)
        return false;
    text.replace(pos, placeholder.size(), by);
    return true;
}

std::string Trim(std::string_view text) { return text::Trim(text, " \t\r"); }

// The keys of one section of an INI file (names upper-cased; the first occurrence wins).
// Read line by line without a length limit, so that a long value is never cut short or its
// tail taken for a key of its own. "[name]" starts a section; "key=value" is trimmed on both
// sides; lines starting with ";" or "#", and lines without "=", are skipped. A missing file or
// section gives no keys.
std::map<std::string, std::string> ReadIniSection(const std::string& file, const std::string& section) {
    std::map<std::string, std::string> values;
    std::ifstream in(file, std::ios::binary);
    bool inSection = false;
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        if (first && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3); // UTF-8 byte order mark
        const std::string text = Trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            inSection = close != std::string::npos &&
                        text::EqualsAsciiNoCase(Trim(text.substr(1, close - 1)), section);
            continue;
        }
        const std::size_t equals = text.find('=');
        if (inSection && equals != std::string::npos)
            values.emplace(text::UpperAscii(Trim(text.substr(0, equals))), Trim(text.substr(equals + 1)));
    }
    return values;
}

std::string ValueOf(const std::map<std::string, std::string>& values, const std::string& name) {
    const auto it = values.find(text::UpperAscii(name));
    return it == values.end() ? std::string() : it->second;
}

// Writes content to path so that readers see either the old or the new file, never a torn one.
void ReplaceFileAtomically(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    if (const std::error_code error = ReplaceFile(path, content, 0600)) // the user's own settings
        throw ERegistryException(fmt::format("Fehler beim Schreiben von '{}' in {}: {}", ConnectionNrName,
                                             path.string(), error.message()));
}

// The INI text with key=value set in section, other lines kept as they are.
std::string WithIniValue(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < content.size();) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    const std::string line = key + "=" + value;
    bool inSection = false;
    std::ptrdiff_t sectionEnd = -1; // index after the last line of the section
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string trimmed = Trim(lines[i]);
        if (!trimmed.empty() && trimmed.front() == '[') {
            const std::size_t close = trimmed.find(']');
            inSection =
                close != std::string::npos && text::EqualsAsciiNoCase(trimmed.substr(1, close - 1), section);
            if (inSection)
                sectionEnd = static_cast<std::ptrdiff_t>(i + 1);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t equals = trimmed.find('=');
        if (equals != std::string::npos && text::EqualsAsciiNoCase(Trim(trimmed.substr(0, equals)), key)) {
            lines[i] = line;
            sectionEnd = -2;
            break;
        }
        if (!trimmed.empty())
            sectionEnd = static_cast<std::ptrdiff_t>(i + 1);
    }
    if (sectionEnd >= 0) {
        lines.insert(lines.begin() + sectionEnd, line);
    } else if (sectionEnd == -1) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(line);
    }
    std::string result;
    for (const auto& l : lines) result += l + "\n";
    return result;
}

} // namespace

std::string TLocalIni::RegistryFile() {
    const std::string base = UserConfigHome();
    return base.empty() ? std::string() : (fs::path(base) / "Tarvex" / "R7" / "registry.ini").string();
}

std::string TLocalIni::SystemSettingsDir() {
    const char* dir = std::getenv("SOLLIST_ETC_DIR");
    return dir != nullptr && dir[0] != '\0' ? dir : "/etc/sollist";
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
    for (const std::string& dir :
         SettingsDir.empty() ? std::vector{ExecutableDir(), SystemSettingsDir()} : std::vector{SettingsDir}) {
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
}

void TLocalIni::Firmenwechsel(int ToNr) {
    const fs::path path = RegistryFile();
    if (path.empty())
        throw ERegistryException(fmt::format(
            "Kein Ordner für '{}': weder XDG_CONFIG_HOME noch HOME ist gesetzt", ConnectionNrName));
    std::string content;
    if (std::ifstream in{path, std::ios::binary})
        content.assign(std::istreambuf_iterator<char>(in), {});
    ReplaceFileAtomically(path,
                          WithIniValue(content, RegistrySection, ConnectionNrName, std::to_string(ToNr)));
}

void TLocalIni::ReadPfade(db::TIBCConnection& connection) {
    db::TIBCQuery query(connection, "qryPfade");
    db::Declare(query, {"Select ID,PFAD from PFADE"}, {});
    query.ReadOnly = true;
    query.Open();
    const db::TField id = query.FieldByName("ID");
    const db::TField pfad = query.FieldByName("PFAD");
    for (; !query.Eof(); query.Next()) {
        const std::int64_t index = id.AsInteger();
        if (index >= 0 && index < PfadAnzahl)
            FPfadeOrig[static_cast<std::size_t>(index)] = pfad.AsString();
    }
    query.Close();
    for (auto& entry : FPfadeOrig)
        if (entry.empty())
            entry = "$DATEN";
    TranslatePfade(false, "");
}

void TLocalIni::TranslatePfade(bool MitBenutzer, const std::string& Benutzer) {
    FBenutzer = Benutzer;
    for (int i = 0; i < PfadAnzahl; ++i) {
        std::string path = FPfadeOrig[static_cast<std::size_t>(i)];
        ReplaceFirstNoCase(path, "$DATEN", FDokPfad);
        if (text::FindAsciiNoCase(path, "$MITARBEITER") != std::string::npos) {
            std::string withUser = path;
            ReplaceFirstNoCase(withUser, "$MITARBEITER", MitBenutzer ? Benutzer : std::string());
            std::error_code error;
            if (MitBenutzer && !fs::is_directory(withUser, error))
                ReplaceFirstNoCase(path, "$MITARBEITER", "");
            else
                path = withUser;
        }
        if (path.empty() || path.back() != PathDelim)
            path += PathDelim;
        FPfade[static_cast<std::size_t>(i)] = path;
    }
}

void TLocalIni::Save(db::TIBCConnection& connection) {
    db::TIBCSQL statement(connection, "qryPfadeSave");
    statement.SetSQL({"UPDATE OR INSERT into PFADE VALUES(:ID,:PFAD)"});
    for (int i = 0; i < PfadAnzahl; ++i) {
        statement.ParamByName("ID").AsInteger(i);
        statement.ParamByName("PFAD").AsString(FPfadeOrig[static_cast<std::size_t>(i)]);
        statement.Execute();
    }
    TranslatePfade(true, FBenutzer);
}

int TLocalIni::PfadIndex(const std::string& name) {
    static const std::unordered_map<std::string_view, int> index = [] {
        std::unordered_map<std::string_view, int> map;
        for (int i = 0; i < PfadAnzahl; ++i) map.emplace(PfadNamen[static_cast<std::size_t>(i)], i);
        return map;
    }();
    const std::string upper = text::UpperAscii(name);
    const auto it = index.find(upper);
    if (it == index.end())
        throw Exception("Unbekannter Pfad! " + upper);
    return it->second;
}

std::string TLocalIni::GetPfad(const std::string& Pfad) const {
    return FPfade[static_cast<std::size_t>(PfadIndex(Pfad))];
}

std::string TLocalIni::Get(const std::string& Ident) const {
    return FPfadeOrig[static_cast<std::size_t>(PfadIndex(Ident))];
}

void TLocalIni::Put(const std::string& Ident, const std::string& S) {
    FPfadeOrig[static_cast<std::size_t>(PfadIndex(Ident))] = S;
}

} // namespace sollist::config
