#pragma once
// Installation settings: which configured connection to use (per-user ConnectionNr), where
// its database and data directory are (firmen.ini next to the executable), and the named
// file-system paths of the installation (table PFADE, in LocalIniPfade.cpp).
#include "common/Text.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace sollist::db {
class TIBCConnection;
}

namespace sollist::config {

class TLocalIni {
public:
    static constexpr int PfadAnzahl = 59;
    // Path identifiers; the index is the ID in PFADE.
    static const std::array<std::string_view, PfadAnzahl> PfadNamen;
    static constexpr char PathDelim = '/';

    // -1: the connection number from the per-user registry file (default 1). An unknown
    // Codepage raises Exception.
    void ReadConnectionInfo(int ConnectionNrOverride);

    void ReadPfade(db::TIBCConnection& connection);
    void TranslatePfade(bool MitBenutzer, const std::string& Benutzer);
    // Writes all entries to PFADE, then translates.
    void Save(db::TIBCConnection& connection);
    // Stores a new connection number for later runs; the settings read so far stay.
    void Firmenwechsel(int ToNr);

    // Identifier names are matched without regard to case; an unknown one raises Exception.
    std::string GetPfad(const std::string& Pfad) const; // translated entry
    std::string Get(const std::string& Ident) const;    // stored entry
    void Put(const std::string& Ident, const std::string& S);

    const std::string& Datenpfad() const { return FDokPfad; }
    int ConnectionNumber() const { return FConNr; }

    std::string Firmenname;
    std::string DataBase;
    std::string Server;
    // Key Codepage: the code page of texts in columns of character set NONE.
    const text::CodePage* Codepage = &text::CodePage::Windows1252();

    // The folders where firmen.ini is looked for, the first that has one winning (the entry
    // gives the program's own folder and the system's settings folder).
    std::vector<std::string> SettingsDirs;
    // The firmen.ini that ReadConnectionInfo read, and the places it looked at; empty when
    // none of them holds one.
    std::string SettingsFile;
    std::vector<std::string> SettingsPlaces;

    // The per-user settings folder (UserConfigHome, from what the entry read), which holds the
    // connection number; empty when there is none.
    std::string UserConfigDir;
    // <UserConfigDir>/Tarvex/R7/registry.ini, section [R7]; empty when there is no per-user
    // folder.
    std::string RegistryFile() const;
    // The folder of the running executable; "." when it cannot be told.
    static std::string ExecutableDir();

private:
    static int PfadIndex(const std::string& name);
    int ReadRegistryConnectionNr() const;

    std::array<std::string, PfadAnzahl> FPfadeOrig;
    std::array<std::string, PfadAnzahl> FPfade;
    std::string FDokPfad;
    int FConNr = 0;
    std::string FBenutzer;
};

} // namespace sollist::config
