// The path table of the installation (PFADE): 59 named file-system paths, read from and saved
// to the database, with the placeholders for the data directory and a user's name translated.
#include "config/LocalIni.h"

#include "common/Errors.h"
#include "common/Text.h"
#include "db/DataSet.h"

#include <filesystem>
#include <unordered_map>

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

// Replaces the first occurrence of placeholder (any case); true when there was one.
bool ReplaceFirstNoCase(std::string& text, std::string_view placeholder, const std::string& by) {
    const std::size_t pos = text::FindAsciiNoCase(text, placeholder);
    if (pos == std::string::npos)
        return false;
    text.replace(pos, placeholder.size(), by);
    return true;
}

} // namespace

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
