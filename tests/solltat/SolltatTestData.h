#pragma once
// Test data for the target calculation: SQL inserts with defaults, so that a test names only
// the values it checks; reading back the error log, and the rows through the program's
// connection (SOLLTAT rows are private to it); and access to TSolltat's steps.
#include "TestDatabase.h"
#include "db/DataSet.h"
#include "solltat/DmSolltat.h"
#include "solltat/SollStammdaten.h"
#include "solltat/Solltat.h"
#include "solltat/TeileTyp.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sollist::solltat {

// Runs the private steps of a calculation on the connection of the test database.
struct TSolltatTestPeer {
    // Opens the objects of a run as Calculate does; OfNumm names the order in log lines.
    static void BeginRun(TSolltat& s, const std::string& OfNumm = "A1") {
        s.BeginRun();
        s.FOfNumm = OfNumm;
    }
    static void EndRun(TSolltat& s) { s.EndRun(); }
    static Tdm_Solltat& Dm(TSolltat& s) { return *s.dm_Solltat; }
    static TMatTat& MatTat(TSolltat& s) { return *s.aMatTat; }
    static const std::unordered_map<std::string, double>& Ht(const TSolltat& s) { return s.ht; }
    static void DistributeFixZt(TSolltat& s) { s.DistributeFixZt(); }
    static double CalcEhMenge(const std::string& unit, double l, double b, double d, double m) {
        return solltat::CalcEhMenge(unit, l, b, d, m);
    }
    template <class... Args>
    static void AddTaetigkeit(TSolltat& s, Args&&... args) {
        s.AddTaetigkeit(std::forward<Args>(args)...);
    }
    template <class... Args>
    static void AddMaterial(TSolltat& s, Args&&... args) {
        s.AddMaterial(std::forward<Args>(args)...);
    }
};

} // namespace sollist::solltat

namespace sollist::test {

inline std::string SqlNum(std::optional<double> v) { return v ? fmt::format("{}", *v) : std::string("NULL"); }

inline std::string CostCentre(const std::string& nr, double lk = 0, int lnk = 0, double pgk = 0,
                              double pgkGrenz = 0) {
    return fmt::format("INSERT INTO KOSTENST (KONUMM, KOLK, KOLNK, KOPGK, KOPGKGRENZ) "
                       "VALUES ({}, {}, {}, {}, {});",
                       SqlLiteral(nr), lk, lnk, pgk, pgkGrenz);
}

struct ActivityRow {
    std::string nr;
    std::string name = "";
    std::string unit = "STK";
    std::string koNumm = "100";
    std::string rmTat = ""; // empty: reported under itself
    double fix = 0, varEh = 0, varSt = 0;
    bool mont = false;
    std::string art = "A";
};
inline std::string Activity(const ActivityRow& a) {
    return fmt::format("INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, "
                       "TAMONT, TAKONUMM, TAEINHKZ) VALUES ({}, {}, {}, {}, {}, {}, {}, {}, {}, {});",
                       SqlLiteral(a.nr), SqlLiteral(a.name.empty() ? "Name " + a.nr : a.name),
                       SqlLiteral(a.rmTat.empty() ? a.nr : a.rmTat), a.fix, a.varEh, a.varSt,
                       SqlLiteral(a.art), a.mont ? 1 : 0, SqlLiteral(a.koNumm), SqlLiteral(a.unit));
}

inline std::string Material(const std::string& nr, const std::string& unit, const std::string& forts = "") {
    return fmt::format("INSERT INTO MATERIAL (MANUMM, MAARBEH, MAFORTS) VALUES ({}, {}, {});", SqlLiteral(nr),
                       SqlLiteral(unit), forts.empty() ? "NULL" : SqlLiteral(forts));
}

inline std::string MatActivity(const std::string& mat, const std::string& tat, double erschw = 1) {
    return fmt::format("INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES ({}, {}, {});",
                       SqlLiteral(mat), SqlLiteral(tat), erschw);
}

// A key-table row valid for lengths from laengeVon on (NULL: any length).
inline std::string KeyTab(const std::string& mat, int lfnr, const std::string& tabMat, double menge,
                          std::optional<double> laengeVon = std::nullopt) {
    return fmt::format("INSERT INTO KEYTAB (KYMANUMM, KYLFNR, KYLAENGEVON, KYTABMAT, MENGE) "
                       "VALUES ({}, {}, {}, {}, {});",
                       SqlLiteral(mat), lfnr, SqlNum(laengeVon), SqlLiteral(tabMat), menge);
}

inline std::string Vat(const std::string& code, double rate) {
    return fmt::format("INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ({}, {});", SqlLiteral(code), rate);
}

inline std::string Surcharge(const std::string& code, const std::string& unit, double value) {
    return fmt::format("INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ({}, {}, {});",
                       SqlLiteral(code), SqlLiteral(unit), value);
}

struct OrderRow {
    std::string nr;
    std::string montZulg = "Z1";
    int gewinn = 0;
    double prov = 0;
};
inline std::string Order(const OrderRow& o) {
    return fmt::format("INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG, ASKOGEWINN, ASPROV) "
                       "VALUES ({}, {}, {}, {});",
                       SqlLiteral(o.nr), SqlLiteral(o.montZulg), o.gewinn, o.prov);
}

struct PositionRow {
    std::string order;
    std::string pos;
    double menge = 1;
    std::string mwst = "01";
    int apTyp = 0;
};
inline std::string Position(const PositionRow& p) {
    return fmt::format("INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST, APTYP) "
                       "VALUES ({}, {}, {}, {}, {});",
                       SqlLiteral(p.order), SqlLiteral(p.pos), p.menge, SqlLiteral(p.mwst), p.apTyp);
}

struct PosMatRow {
    std::string order, pos;
    int lfnr = 1;
    std::string mat;
    std::optional<double> sollMe = 1;
    bool mgMult = false;
};
inline std::string PosMat(const PosMatRow& m) {
    return fmt::format("INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, APMAMANUMM, "
                       "APMASOLLME, APMAMGMULT) VALUES ({}, {}, {}, {}, {}, {});",
                       SqlLiteral(m.order), SqlLiteral(m.pos), m.lfnr, SqlLiteral(m.mat), SqlNum(m.sollMe),
                       m.mgMult ? 1 : 0);
}

struct PosTatRow {
    std::string order, pos;
    int lfd = 1;
    std::string tat;
    std::optional<double> sollMe = 1;
    bool mgMult = false;
    std::optional<double> erschw = 1;
    std::string bezeich = "";
};
inline std::string PosTat(const PosTatRow& t) {
    return fmt::format("INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, PTSOLLME, "
                       "PTMGMULT, PTERSCHW, PTBEZEICH) VALUES ({}, {}, {}, {}, {}, {}, {}, {});",
                       SqlLiteral(t.order), SqlLiteral(t.pos), t.lfd, SqlLiteral(t.tat), SqlNum(t.sollMe),
                       t.mgMult ? 1 : 0, SqlNum(t.erschw), SqlLiteral(t.bezeich));
}

// Cost centre "100", VAT code "01" (19 %), surcharge code "Z1" (unit "STD", value 7.5).
inline std::string BaseData() {
    return CostCentre("100", 1.5, 3, 2.5, 4.5) + Vat("01", 19) + Surcharge("Z1", "STD", 7.5);
}

// Opens a query on the program's connection (the one that sees SOLLTAT's rows).
inline std::unique_ptr<db::TIBCQuery> OpenQuery(TestDatabase& db, const std::string& sql) {
    auto q = std::make_unique<db::TIBCQuery>(db.Connection().IBCConnection);
    q->SetSQL({sql});
    q->Open();
    return q;
}

// The text of a file, bytes unchanged.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The calculation error log of the database's run context, bytes unchanged; empty when
// nothing was logged.
inline std::string ErrorLog(TestDatabase& db) { return ReadFileBytes(db.ErrorLogFile()); }

// A fresh folder for an error log while the object lives.
class ScratchTemp {
public:
    ScratchTemp() {
        char pattern[] = "/tmp/solltat-temp-XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    ~ScratchTemp() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& Dir() const { return dir_; }
    std::filesystem::path LogFile() const { return dir_ / "SollBerFehler.Txt"; }
    std::string Log() const { return ReadFileBytes(LogFile()); }

private:
    std::filesystem::path dir_;
};

} // namespace sollist::test

namespace sollist::test {

// Main values of a SOLLTAT row.
struct SolltatRow {
    double EhMenge = 0, Stueck = 0, TaFixZt = 0;
    std::int32_t PosT1Lfd = 0, PosM1Lfd = 0;
    std::string OffertNr;
};

// SOLLTAT rows by "position/element/activity".
inline std::map<std::string, SolltatRow> SolltatRows(TestDatabase& db) {
    auto q = OpenQuery(db, "select OffertNr, SollPos, Element, Taetigkeit, EhMenge, Stueck, TaFixZt, "
                           "PosT1Lfd, PosM1Lfd from SOLLTAT");
    std::map<std::string, SolltatRow> rows;
    for (; !q->Eof(); q->Next()) {
        const std::string key =
            fmt::format("{}/{}/{}", q->FieldByName("SOLLPOS").AsString(),
                        q->FieldByName("ELEMENT").AsInteger(), q->FieldByName("TAETIGKEIT").AsString());
        rows[key] = SolltatRow{q->FieldByName("EHMENGE").AsFloat(),
                               q->FieldByName("STUECK").AsFloat(),
                               q->FieldByName("TAFIXZT").AsFloat(),
                               static_cast<std::int32_t>(q->FieldByName("POST1LFD").AsInteger()),
                               static_cast<std::int32_t>(q->FieldByName("POSM1LFD").AsInteger()),
                               q->FieldByName("OFFERTNR").AsString()};
    }
    return rows;
}

} // namespace sollist::test

namespace sollist::solltat {

// A fresh database (its run context with an error log of its own) and a calculation.
class SolltatFixture : public ::testing::Test {
protected:
    explicit SolltatFixture(test::DbMode mode = test::DbMode::Embedded) : db(mode) {}

    // Loads the base data and the test's data (the calculation's connection sees what was
    // committed).
    void Load(const std::string& data) { db.Exec(test::BaseData() + data); }

    test::TestDatabase db;
    TSollStammdaten stammdaten;
    TSolltat calc{db.Context(), stammdaten};
};

// The same with a run of the calculation's steps: Start loads and begins it, the test's end
// ends it.
class SolltatRunFixture : public SolltatFixture {
protected:
    void Start(const std::string& data) {
        Load(data);
        TSolltatTestPeer::BeginRun(calc);
    }
    void TearDown() override { TSolltatTestPeer::EndRun(calc); }
};

} // namespace sollist::solltat
