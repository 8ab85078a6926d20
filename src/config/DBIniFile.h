#pragma once
// Settings kept in a database table in the manner of an INI file: a value is addressed by
// section and name (both stored in upper case) and stored as text in WERT.
//   kind 1: table inifile   (SECTION, NAME, WERT); writes only change existing values
//   kind 2: table listenini (SECTION, IDENT, WERT); writes create missing values
#include "db/DataSet.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sollist::config {

class TDBIniFile {
public:
    TDBIniFile(db::TIBCConnection& connection, int IniFileTyp);
    ~TDBIniFile();
    TDBIniFile(const TDBIniFile&) = delete;
    TDBIniFile& operator=(const TDBIniFile&) = delete;

    std::string ReadString(const std::string& Section, const std::string& Name, const std::string& Default);
    std::int64_t ReadInteger(const std::string& Section, const std::string& Name, std::int64_t Default);
    double ReadFloat(const std::string& Section, const std::string& Name, double Default);
    bool ReadBool(const std::string& Section, const std::string& Name, bool Default);
    // Dates are day numbers (day 0 = 1899-12-30, time of day as fraction).
    double ReadDate(const std::string& Section, const std::string& Name, double Default);

    void WriteString(const std::string& Section, const std::string& Name, const std::string& NewValue);
    void WriteInteger(const std::string& Section, const std::string& Name, std::int64_t NewValue);
    void WriteFloat(const std::string& Section, const std::string& Name, double NewValue);
    void WriteBool(const std::string& Section, const std::string& Name, bool NewValue);
    void WriteDate(const std::string& Section, const std::string& Name, double NewValue);

    // Deletes every value of the section; only allowed on kind 2.
    void EraseSection(const std::string& Section);
    // Reads the whole section once; later reads of it are answered from memory (values
    // written meanwhile are not seen) until another section is read or fetched.
    void FetchWholeSection(const std::string& Section);

private:
    struct TStored {
        bool IsNull = false;
        std::string Text; // empty for NULL
    };
    // The stored value; absent when there is no row.
    std::optional<TStored> LookUp(const std::string& Section, const std::string& Name);
    void Write(const std::string& Section, const std::string& Name, const std::string& wert);
    void DropFetchedSection();

    int FIniTyp;
    db::TIBCConnection& FConnection;
    db::TIBCQuery qryReadINI{FConnection, "qryReadINI"};
    db::TIBCQuery qryReadSection{FConnection, "qryReadSection"};
    db::TIBCSQL qryWriteINI{FConnection, "qryWriteINI"};
    std::string FetchedSection;
};

// The value encodings of the store, usable on their own. Numbers use the decimal separator
// of the environment's locale (LC_ALL, LC_NUMERIC, LANG; "." without one); dates the fixed
// short format dd.mm.yyyy.
namespace IniValue {
char DecimalSeparator();
std::string FormatFloat(double value);    // shortest general form, up to 15 digits
std::string FormatDate(double dayNumber); // dd.mm.yyyy
// The conversions raise EConvertError for text that does not convert.
std::int64_t ParseInteger(const std::string& text);
double ParseFloat(const std::string& text);
double ParseDate(const std::string& text); // dd.mm.yyyy, optionally followed by hh:mm[:ss]
} // namespace IniValue

} // namespace sollist::config
