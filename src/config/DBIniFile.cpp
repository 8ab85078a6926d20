#include "config/DBIniFile.h"

#include "common/Errors.h"
#include "common/Text.h"
#include "db/Convert.h"

#include <fmt/core.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <langinfo.h>
#include <string_view>

namespace sollist::config {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

namespace IniValue {

// The separator of the environment's numeric locale (LC_ALL, LC_NUMERIC, LANG), looked up
// without switching the process locale, so no other number formatting of the program changes.
char DecimalSeparator() {
    const locale_t environment = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (environment == static_cast<locale_t>(nullptr))
        return '.';
    const char* point = nl_langinfo_l(RADIXCHAR, environment);
    const char separator = point != nullptr && point[0] != '\0' ? point[0] : '.';
    freelocale(environment);
    return separator;
}

std::string FormatFloat(double value) {
    std::string text = db::FormatFloat(value);
    std::replace(text.begin(), text.end(), '.', DecimalSeparator());
    return text;
}

std::string FormatDate(double dayNumber) { return db::FormatDayMonthYear(dayNumber); }

// Drops one leading "+" in front of a digit, which from_chars does not accept.
std::string_view WithoutPlus(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && (IsDigit(text[1]) || text[1] == '.'))
        text.remove_prefix(1);
    return text;
}

std::int64_t ParseInteger(const std::string& text) {
    const std::string_view digits = WithoutPlus(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw EConvertError(fmt::format("'{}' is not a valid integer value", text));
    return value;
}

double ParseFloat(const std::string& text) {
    const auto fail = [&]() {
        return EConvertError(fmt::format("'{}' is not a valid floating point value", text));
    };
    const char separator = DecimalSeparator();
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        throw fail();
    std::string number(
        WithoutPlus(std::string_view(text).substr(first, text.find_last_not_of(' ') - first + 1)));
    // Only the locale's separator counts, and a digit or the separator must lead, which
    // keeps out "inf", "nan" and the like.
    if (separator != '.' && number.find('.') != std::string::npos)
        throw fail();
    std::replace(number.begin(), number.end(), separator, '.');
    const std::size_t lead = number[0] == '-' ? 1 : 0;
    if (lead >= number.size() || !(IsDigit(number[lead]) || number[lead] == '.'))
        throw fail();
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size())
        throw fail();
    return value;
}

double ParseDate(const std::string& text) { return db::ParseDateTime(text, db::TDateForms::Settings); }

} // namespace IniValue

TDBIniFile::TDBIniFile(db::TIBCConnection& connection, int IniFileTyp)
    : FIniTyp(IniFileTyp), FConnection(connection) {
    if (FIniTyp != 1 && FIniTyp != 2)
        throw Exception(fmt::format("Unbekannter IniFileTyp {}", FIniTyp));
    const bool inifile = FIniTyp == 1;
    db::Declare(qryReadINI,
                {inifile ? "Select WERT from inifile where SECTION=:SECTION and NAME=:NAME"
                         : "Select WERT from listenini where SECTION=:SECTION and IDENT=:NAME"},
                {});
    db::Declare(qryReadSection,
                {inifile ? "Select NAME,WERT from inifile where SECTION=:SECTION order by NAME"
                         : "Select IDENT as NAME,WERT from listenini where SECTION=:SECTION order by NAME"},
                {});
    for (db::TIBCQuery* query : {&qryReadINI, &qryReadSection}) {
        query->SetEmptyStrToNull = true;
        query->ReadOnly = true;
    }
    qryWriteINI.SetSQL(
        {inifile ? "Update inifile SET WERT=:WERT where SECTION=:SECTION and NAME=:NAME"
                 : "Update or Insert into listenini(SECTION,IDENT,WERT) Values(:SECTION,:NAME,:WERT)"});
}

TDBIniFile::~TDBIniFile() = default;

void TDBIniFile::DropFetchedSection() {
    FetchedSection.clear();
    qryReadSection.Close();
}

std::optional<TDBIniFile::TStored> TDBIniFile::LookUp(const std::string& Section, const std::string& Name) {
    const auto stored = [](db::TIBCDataSet& rows) {
        const db::TField wert = rows.FieldByName("WERT");
        return TStored{wert.IsNull(), wert.AsString()};
    };
    if (!FetchedSection.empty() && Section == FetchedSection) {
        if (!qryReadSection.Locate("NAME", {db::TValue(text::UpperAscii(Name))}))
            return std::nullopt;
        return stored(qryReadSection);
    }
    if (!FetchedSection.empty())
        DropFetchedSection();
    qryReadINI.ParamByName("SECTION").AsString(text::UpperAscii(Section));
    qryReadINI.ParamByName("NAME").AsString(text::UpperAscii(Name));
    qryReadINI.Open();
    std::optional<TStored> value;
    if (!qryReadINI.IsEmpty())
        value = stored(qryReadINI);
    qryReadINI.Close();
    return value;
}

std::string TDBIniFile::ReadString(const std::string& Section, const std::string& Name,
                                   const std::string& Default) {
    const auto value = LookUp(Section, Name);
    return value ? value->Text : Default;
}

std::int64_t TDBIniFile::ReadInteger(const std::string& Section, const std::string& Name,
                                     std::int64_t Default) {
    const auto value = LookUp(Section, Name);
    return value && !value->IsNull ? IniValue::ParseInteger(value->Text) : Default;
}

double TDBIniFile::ReadFloat(const std::string& Section, const std::string& Name, double Default) {
    const auto value = LookUp(Section, Name);
    return value && !value->Text.empty() ? IniValue::ParseFloat(value->Text) : Default;
}

bool TDBIniFile::ReadBool(const std::string& Section, const std::string& Name, bool Default) {
    const auto value = LookUp(Section, Name);
    return value ? value->Text == "1" : Default;
}

// A NULL value is found but reads as empty text, which is no date.
double TDBIniFile::ReadDate(const std::string& Section, const std::string& Name, double Default) {
    const auto value = LookUp(Section, Name);
    return value ? IniValue::ParseDate(value->Text) : Default;
}

void TDBIniFile::Write(const std::string& Section, const std::string& Name, const std::string& wert) {
    qryWriteINI.ParamByName("SECTION").AsString(text::UpperAscii(Section));
    qryWriteINI.ParamByName("NAME").AsString(text::UpperAscii(Name));
    qryWriteINI.ParamByName("WERT").AsString(wert);
    qryWriteINI.Execute();
}

void TDBIniFile::WriteString(const std::string& Section, const std::string& Name,
                             const std::string& NewValue) {
    Write(Section, Name, NewValue);
}

void TDBIniFile::WriteInteger(const std::string& Section, const std::string& Name, std::int64_t NewValue) {
    Write(Section, Name, std::to_string(NewValue));
}

void TDBIniFile::WriteFloat(const std::string& Section, const std::string& Name, double NewValue) {
    Write(Section, Name, IniValue::FormatFloat(NewValue));
}

void TDBIniFile::WriteBool(const std::string& Section, const std::string& Name, bool NewValue) {
    Write(Section, Name, NewValue ? "1" : "0");
}

void TDBIniFile::WriteDate(const std::string& Section, const std::string& Name, double NewValue) {
    Write(Section, Name, IniValue::FormatDate(NewValue));
}

void TDBIniFile::EraseSection(const std::string& Section) {
    if (FIniTyp != 2)
        throw Exception("EraseSection ist nur bei listen.ini erlaubt!");
    db::TIBCSQL erase(FConnection, "qryEraseSection");
    erase.SetSQL({"Delete from listenini where SECTION=:SECTION"});
    erase.ParamByName("SECTION").AsString(text::UpperAscii(Section));
    erase.Execute();
}

void TDBIniFile::FetchWholeSection(const std::string& Section) {
    if (!FetchedSection.empty() && Section == FetchedSection)
        return;
    if (!FetchedSection.empty())
        DropFetchedSection();
    qryReadSection.ParamByName("SECTION").AsString(text::UpperAscii(Section));
    qryReadSection.Open();
    FetchedSection = Section;
}

} // namespace sollist::config
