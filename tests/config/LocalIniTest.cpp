#include "config/LocalIni.h"

#include "common/Errors.h"
#include "support/TestDatabase.h"
#include "support/TextFiles.h"
#include "support/UserConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace sollist::config {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// A private folder holding the per-user config and a firmen.ini.
class LocalIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("sollist_localini_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ini_.UserConfigDir = (dir_ / "config").string();
        ini_.SettingsDirs = {dir_.string()};
        WriteFile(dir_ / "firmen.ini",
                  "[CONNECTION1]\nDataBase=/data/eins.fdb\nServer=\nDatenPfad=/daten/eins/\nText=Eins AG\n"
                  "[connection2]\ndatabase=/data/zwei.fdb\nSERVER=localhost\n"
                  "[Connection3]\nDataBase=/data/drei.fdb\nServer=db-host\nDatenPfad=/daten/drei\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path RegistryPath() const { return test::RegistryFile(dir_ / "config"); }
    void WriteRegistry(const std::string& content) { WriteFile(RegistryPath(), content); }

    fs::path dir_;
    TLocalIni ini_;
};

TEST_F(LocalIniTest, WithoutRegistryFileConnectionOneIsRead) {
    ini_.ReadConnectionInfo(-1);
    EXPECT_EQ(ini_.ConnectionNumber(), 1);
    EXPECT_EQ(ini_.DataBase, "/data/eins.fdb");
    EXPECT_EQ(ini_.Server, "");
    EXPECT_EQ(ini_.Firmenname, "Eins AG");
    EXPECT_EQ(ini_.Datenpfad(), "/daten/eins"); // trailing delimiter removed
    EXPECT_EQ(ini_.RegistryFile(), RegistryPath().string());
}

TEST_F(LocalIniTest, RegistryNumberSelectsTheSectionWhateverItsCase) {
    WriteRegistry("[Other]\nConnectionNr=9\n[r7]\nconnectionnr = 3\n");
    ini_.ReadConnectionInfo(-1);
    EXPECT_EQ(ini_.ConnectionNumber(), 3);
    EXPECT_EQ(ini_.DataBase, "/data/drei.fdb");
    EXPECT_EQ(ini_.Server, "db-host");
    EXPECT_EQ(ini_.Datenpfad(), "/daten/drei");

    WriteRegistry("[R7]\nSomethingElse=1\n");
    ini_.ReadConnectionInfo(-1);
    EXPECT_EQ(ini_.ConnectionNumber(), 1);
}

TEST_F(LocalIniTest, NonIntegerRegistryValueRaisesRegistryError) {
    for (const char* value : {"abc", "", "2.5", "3x"}) {
        WriteRegistry(std::string("[R7]\nConnectionNr=") + value + "\n");
        try {
            ini_.ReadConnectionInfo(-1);
            ADD_FAILURE() << "no error for '" << value << "'";
        } catch (const ERegistryException& error) {
            EXPECT_STREQ(error.what(), "Ungültiger Datentyp für 'ConnectionNr'");
        }
    }
}

TEST_F(LocalIniTest, OverrideNumberLeavesTheRegistryAlone) {
    WriteRegistry("[R7]\nConnectionNr=abc\n"); // would raise if it were read
    ini_.ReadConnectionInfo(2);
    EXPECT_EQ(ini_.ConnectionNumber(), 2);
    EXPECT_EQ(ini_.DataBase, "/data/zwei.fdb");
    EXPECT_EQ(ini_.Server, "localhost");
    EXPECT_EQ(ini_.Firmenname, "");
}

TEST_F(LocalIniTest, MissingFileOrSectionGivesEmptySettings) {
    ini_.ReadConnectionInfo(7);
    EXPECT_EQ(ini_.DataBase, "");
    fs::remove(dir_ / "firmen.ini");
    ini_.ReadConnectionInfo(1);
    EXPECT_EQ(ini_.DataBase, "");
    EXPECT_EQ(ini_.Datenpfad(), "");
}

// Codepage: Windows-1252 when absent; a name that is not known stops the run before anything
// is written in a wrong code page.
TEST_F(LocalIniTest, CodepageOfTheConnectionSection) {
    WriteFile(dir_ / "firmen.ini", "[CONNECTION1]\nDataBase=/a.fdb\n"
                                   "[CONNECTION2]\nDataBase=/b.fdb\ncodepage = iso-8859-15\n"
                                   "[CONNECTION3]\nDataBase=/c.fdb\nCodepage=UTF-8\n");
    ini_.ReadConnectionInfo(1);
    EXPECT_EQ(ini_.Codepage->Name(), "Windows-1252");
    ini_.ReadConnectionInfo(2);
    EXPECT_EQ(ini_.Codepage->Name(), "ISO-8859-15");
    try {
        ini_.ReadConnectionInfo(3);
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.kind()), "Exception");
        EXPECT_EQ(std::string(error.what()), "Unbekannte Codepage 'UTF-8' in [CONNECTION3] von firmen.ini "
                                             "(bekannt: Windows-1252, ISO-8859-1, ISO-8859-15)");
    }
}

// The company text comes out UTF-8 for the page whether the file holds it in UTF-8 or in the
// connection's code page; a file saved as UTF-16 is named, not taken for one without sections.
TEST_F(LocalIniTest, TextsAreUtf8AndAUtf16FileIsNamed) {
    WriteFile(dir_ / "firmen.ini", "[CONNECTION1]\nText=M\xF6"
                                   "bel \x80 M\xFCller\n"
                                   "[CONNECTION2]\nText=M\xC3\xB6"
                                   "bel M\xC3\xBCller\n"
                                   "[CONNECTION3]\nText=\xA4 Schreinerei\nCodepage=ISO-8859-15\n");
    const std::pair<int, const char*> cases[] = {
        {1, "Möbel € Müller"}, {2, "Möbel Müller"}, {3, "€ Schreinerei"}};
    for (const auto& [number, text] : cases) {
        ini_.ReadConnectionInfo(number);
        EXPECT_EQ(ini_.Firmenname, text) << number;
    }

    for (const std::string& bom : {std::string("\xFF\xFE"), std::string()}) {
        std::string utf16 = bom;
        for (const char c : std::string("[CONNECTION1]\r\nDataBase=/a.fdb\r\n")) utf16 += {c, '\0'};
        WriteFile(dir_ / "firmen.ini", utf16);
        try {
            ini_.ReadConnectionInfo(1);
            ADD_FAILURE() << "no error";
        } catch (const Exception& error) {
            EXPECT_EQ(std::string(error.what()), "Die Datei " + (dir_ / "firmen.ini").string() +
                                                     " ist als UTF-16 gespeichert: bitte als UTF-8 oder "
                                                     "Windows-1252 speichern");
        }
    }
}

TEST_F(LocalIniTest, FirmenwechselCreatesTheFileAndTakesEffectOnTheNextRead) {
    ini_.ReadConnectionInfo(-1);
    ini_.Firmenwechsel(3);
    EXPECT_EQ(ini_.DataBase, "/data/eins.fdb"); // settings already read stay
    ini_.ReadConnectionInfo(-1);
    EXPECT_EQ(ini_.ConnectionNumber(), 3);
    EXPECT_EQ(ini_.DataBase, "/data/drei.fdb");
}

TEST_F(LocalIniTest, FirmenwechselKeepsOtherContentAndLeavesNoTempFile) {
    WriteRegistry(
        "; per-user settings\n[Other]\nConnectionNr=9\n\n[R7]\nLanguage=de\nConnectionNr=2\nTheme=dark\n");
    ini_.Firmenwechsel(5);
    EXPECT_EQ(
        test::ReadFileText(RegistryPath()),
        "; per-user settings\n[Other]\nConnectionNr=9\n\n[R7]\nLanguage=de\nConnectionNr=5\nTheme=dark\n");

    WriteRegistry("[Other]\nKey=1\n\n[R7]\nLanguage=de\n\n[Later]\nX=1\n");
    ini_.Firmenwechsel(4);
    EXPECT_EQ(test::ReadFileText(RegistryPath()),
              "[Other]\nKey=1\n\n[R7]\nLanguage=de\nConnectionNr=4\n\n[Later]\nX=1\n");

    WriteRegistry("[Other]\nKey=1");
    ini_.Firmenwechsel(6);
    EXPECT_EQ(test::ReadFileText(RegistryPath()), "[Other]\nKey=1\n\n[R7]\nConnectionNr=6\n");

    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(RegistryPath().parent_path())) ++files;
    EXPECT_EQ(files, 1);
}

// The section the read finds is the one the write changes: a header with blanks or another
// case, and a file that starts with a byte order mark, get no second [R7] that the read would
// never reach.
TEST_F(LocalIniTest, FirmenwechselChangesTheSectionTheReadFinds) {
    for (const std::string before : {"\xEF\xBB\xBF[R7]\nConnectionNr=2\n", "[ r7 ]\nConnectionNr=2\n"}) {
        WriteRegistry(before);
        ini_.Firmenwechsel(3);
        ini_.ReadConnectionInfo(-1);
        EXPECT_EQ(ini_.ConnectionNumber(), 3) << before;
        EXPECT_EQ(test::ReadFileText(RegistryPath()), before.substr(0, before.find('=') + 1) + "3\n");
    }
}

// A registry folder that cannot be made (a file stands where it belongs) is a registry error
// naming the file, like any other failed write.
TEST_F(LocalIniTest, FirmenwechselThatCannotWriteRaisesRegistryError) {
    WriteFile(dir_ / "blocked", "");
    ini_.UserConfigDir = (dir_ / "blocked").string();
    try {
        ini_.Firmenwechsel(2);
        FAIL() << "no error";
    } catch (const ERegistryException& error) {
        EXPECT_TRUE(
            std::string(error.what())
                .starts_with("Fehler beim Schreiben von 'ConnectionNr' in " + (dir_ / "blocked").string()))
            << error.what();
    }
}

TEST_F(LocalIniTest, PathIdentifiersAreFoundWithoutRegardToCase) {
    ini_.Put("buchhalt", "/fibu");
    ini_.Put("MiEmail", "/mail");
    EXPECT_EQ(ini_.Get("BUCHHALT"), "/fibu");
    EXPECT_EQ(ini_.Get("miemail"), "/mail");
    ini_.TranslatePfade(false, "");
    EXPECT_EQ(ini_.GetPfad("Buchhalt"), "/fibu/");
    try {
        ini_.GetPfad("nirgends");
        FAIL();
    } catch (const Exception& error) {
        EXPECT_STREQ(error.kind(), "Exception");
        EXPECT_STREQ(error.what(), "Unbekannter Pfad! NIRGENDS");
    }
    EXPECT_THROW(ini_.Put("x", ""), Exception);
    EXPECT_THROW(ini_.Get(""), Exception);
}

TEST_F(LocalIniTest, TranslationReplacesTheFirstOccurrenceOfEachPlaceholder) {
    fs::create_directories(dir_ / "users" / "anna");
    WriteFile(dir_ / "firmen.ini", "[CONNECTION1]\nDatenPfad=" + (dir_ / "users").string() + "/\n");
    ini_.ReadConnectionInfo(1);
    const std::string data = (dir_ / "users").string();
    const struct {
        const char* ident;
        std::string entry;
        std::string withAnna, withBert, withoutUser;
    } cases[] = {
        {"BUCHHALT", "$DATEN", data + "/", data + "/", data + "/"},
        {"SQL", "$daten/$DATEN/x", data + "/$DATEN/x/", data + "/$DATEN/x/", data + "/$DATEN/x/"},
        {"BACKUP", "$DATEN/$Mitarbeiter", data + "/anna/", data + "/", data + "/"},
        {"OCI", "/srv/$MITARBEITER/in/", "/srv//in/", "/srv//in/", "/srv//in/"},
        {"KDPDF", "/fix", "/fix/", "/fix/", "/fix/"},
    };
    for (const auto& c : cases) ini_.Put(c.ident, c.entry);
    ini_.TranslatePfade(true, "anna");
    for (const auto& c : cases) EXPECT_EQ(ini_.GetPfad(c.ident), c.withAnna) << c.entry;
    ini_.TranslatePfade(true, "bert"); // no such folder: the placeholder goes
    for (const auto& c : cases) EXPECT_EQ(ini_.GetPfad(c.ident), c.withBert) << c.entry;
    ini_.TranslatePfade(false, "anna");
    for (const auto& c : cases) EXPECT_EQ(ini_.GetPfad(c.ident), c.withoutUser) << c.entry;
}

TEST_F(LocalIniTest, PathTableIsReadAndSavedThroughTheDatabase) {
    test::TestDatabase db;
    db::TIBCConnection& connection = db.Connection().IBCConnection;
    db.Exec("insert into PFADE values (0, '$DATEN/fibu');"
            "insert into PFADE values (19, '/vorlagen');"
            "insert into PFADE values (59, '/zu-gross');"
            "insert into PFADE values (-1, '/negativ')");
    WriteFile(dir_ / "firmen.ini", "[CONNECTION1]\nDatenPfad=/daten/\n");
    ini_.ReadConnectionInfo(1);
    ini_.ReadPfade(connection);
    EXPECT_EQ(ini_.GetPfad("BUCHHALT"), "/daten/fibu/");
    EXPECT_EQ(ini_.GetPfad("TEXTBAUST"), "/vorlagen/");
    EXPECT_EQ(ini_.Get("CADIMPORT"), "$DATEN"); // empty entries become the data folder
    for (std::string_view name : TLocalIni::PfadNamen) {
        if (name != "BUCHHALT" && name != "TEXTBAUST") {
            EXPECT_EQ(ini_.GetPfad(std::string(name)), "/daten/") << name;
        }
    }

    ini_.Put("BACKUP", "/sicherung");
    ini_.Save(connection);
    EXPECT_EQ(ini_.GetPfad("BACKUP"), "/sicherung/");
    EXPECT_EQ(db.QueryValue("select count(*) from PFADE where ID between 0 and 58"), "59");
    EXPECT_EQ(db.QueryValue("select PFAD from PFADE where ID = 55"), "/sicherung");
    EXPECT_EQ(db.QueryValue("select PFAD from PFADE where ID = 1"), "$DATEN");
    EXPECT_EQ(db.QueryValue("select PFAD from PFADE where ID = 59"), "/zu-gross");

    TLocalIni again;
    again.ReadPfade(connection);
    EXPECT_EQ(again.Get("BACKUP"), "/sicherung");
}

} // namespace
} // namespace sollist::config
