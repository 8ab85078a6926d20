#pragma once
// Fixture rows for part-type calculations and a reader of the SOLLTAT rows that a
// calculation left on the program's connection.
#include "db/DataSet.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace sollist::solltat::teiletyp_test {

// Order "A1" with VAT code "1", cost centre "100" and surcharge code "Z".
inline std::string OrderRows(const std::string& of = "A1") {
    return fmt::format(
        "INSERT INTO KOSTENST (KONUMM, KOLK, KOLNK) VALUES ('100', 60, 1);"
        "INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('1', 19);"
        "INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ('Z', 'PRZ', 0);"
        "INSERT INTO AUFTRAG (AOFNUMM, ASMONTZULG) VALUES ('{}', 'Z');",
        of);
}

// An activity reported under itself; times in minutes.
inline std::string Activity(const std::string& tanumm, const std::string& unit, double varEh = 0,
                            double varSt = 0, double fixZt = 0) {
    return fmt::format("INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, "
                       "TATART, TAMONT, TAKONUMM, TAEINHKZ) "
                       "VALUES ('{0}', '{0}', '{0}', {2}, {3}, {4}, 'A', 0, '100', '{1}');",
                       tanumm, unit, fixZt, varEh, varSt);
}

inline std::string Material(const std::string& manumm, const std::string& arbeh) {
    return fmt::format("INSERT INTO MATERIAL (MANUMM, MAARBEH) VALUES ('{}', '{}');", manumm, arbeh);
}

inline std::string MatTat(const std::string& manumm, const std::string& tat, double erschw = 1) {
    return fmt::format("INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) VALUES ('{}', '{}', {});",
                       manumm, tat, erschw);
}

inline std::string Position(const std::string& ap, double menge, const std::string& of = "A1") {
    return fmt::format("INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APMENGE, APMWST) "
                       "VALUES ('{}', '{}', {}, '1');",
                       of, ap, menge);
}

inline std::string Assembly(const std::string& ap, int bg, double erschw = 1, int me = 1,
                            double b = 0, double h = 0, double t = 0,
                            const std::string& of = "A1") {
    return fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, "
                       "APBGHOEHE, APBGTIEFE, APBGERSCHW) VALUES ('{}', '{}', {}, {}, {}, {}, {}, {});",
                       of, ap, bg, me, b, h, t, erschw);
}

struct PartType {
    std::string ap = "1";
    int bg = 1, lfd = 1, nr = 1;
    std::string M = "1", L = "0", B = "0", D = "0";
    std::array<std::string, 4> corners{};
    bool diCalc = true;
    double ersch = 1;
    std::string of = "A1";
};

inline std::string PartTypeRow(const PartType& p) {
    return fmt::format(
        "INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, "
        "APTYLAENGE, APTYBREITE, APTYDICKF, APTYEC1, APTYEC2, APTYEC3, APTYEC4, APTYDICALC, "
        "APTYERSCH, APTYNAME) VALUES ('{}', '{}', {}, {}, {}, '{}', '{}', '{}', '{}', '{}', '{}', "
        "'{}', '{}', {}, {}, 'Teil {}');",
        p.of, p.ap, p.bg, p.lfd, p.nr, p.M, p.L, p.B, p.D, p.corners[0], p.corners[1],
        p.corners[2], p.corners[3], p.diCalc ? 1 : 0, p.ersch, p.lfd);
}

// An activity row of part type (ap, bg, ty).
inline std::string TyTat(const std::string& ap, int bg, int ty, int lfnr, const std::string& lage,
                         const std::string& tanumm, double erschw = 1,
                         const std::string& of = "A1") {
    return fmt::format("INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, "
                       "PTTLAGE, PTTTANUMM, PTTERSCHW) VALUES ('{}', '{}', {}, {}, {}, '{}', '{}', {});",
                       of, ap, bg, ty, lfnr, lage, tanumm, erschw);
}

// A material row of part type (ap, bg, ty); the rows of a part type keep insertion order.
inline std::string TyMat(const std::string& ap, int bg, int ty, const std::string& manumm,
                         const std::string& lage, int menge, double l, double b, double d,
                         const std::string& of = "A1") {
    return fmt::format("INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, PTMMANUMM, "
                       "PTMLAGE, PTMMENGE, PTMLAENGE, PTMBREITE, PTMDICKE) "
                       "VALUES ('{}', '{}', {}, {}, '{}', '{}', {}, {}, {}, {});",
                       of, ap, bg, ty, manumm, lage, menge, l, b, d);
}

inline std::string Cnc(const std::string& ap, int bg, int ty, int lfnr, const std::string& acnumm,
                       const std::string& vw0, const std::string& of = "A1") {
    return fmt::format("INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, ACNUMM, ACVW0) "
                       "VALUES ('{}', '{}', {}, {}, {}, '{}', '{}');",
                       of, ap, bg, ty, lfnr, acnumm, vw0);
}

struct SollRow {
    double EhMenge = 0;
    double Stueck = 0;
};

// SOLLTAT rows of the program's connection by "SollPos/Element/Taetigkeit".
inline std::map<std::string, SollRow> ReadSolltat() {
    db::TIBCQuery q("qrySolltatTest");
    q.SetSQL({"select SollPos, Element, Taetigkeit, EhMenge, Stueck from SOLLTAT"});
    q.AddField("SOLLPOS", db::TFieldType::ftString, 10);
    q.AddField("ELEMENT", db::TFieldType::ftInteger);
    q.AddField("TAETIGKEIT", db::TFieldType::ftString, 10);
    q.AddField("EHMENGE", db::TFieldType::ftFloat);
    q.AddField("STUECK", db::TFieldType::ftFloat);
    q.Open();
    std::map<std::string, SollRow> rows;
    for (; !q.Eof(); q.Next()) {
        const std::string key = fmt::format("{}/{}/{}", q.FieldByName("SOLLPOS").AsString(),
                                            q.FieldByName("ELEMENT").AsInteger(),
                                            q.FieldByName("TAETIGKEIT").AsString());
        EXPECT_EQ(rows.count(key), 0u) << "two SOLLTAT rows for " << key;
        rows[key] = {q.FieldByName("EHMENGE").AsFloat(), q.FieldByName("STUECK").AsFloat()};
    }
    q.Close();
    return rows;
}

// SOLLTAT stores single precision.
inline void ExpectRow(const std::map<std::string, SollRow>& rows, const std::string& key,
                      double ehMenge, double stueck) {
    SCOPED_TRACE(key);
    const auto it = rows.find(key);
    ASSERT_NE(it, rows.end()) << "no SOLLTAT row";
    EXPECT_NEAR(it->second.EhMenge, ehMenge, 1e-6 * std::max(1.0, std::abs(ehMenge)));
    EXPECT_NEAR(it->second.Stueck, stueck, 1e-6 * std::max(1.0, std::abs(stueck)));
}

// Points TEMP at a private directory so that the calculation error log lands there.
class TempLogDir {
public:
    TempLogDir() {
        char pattern[] = "/tmp/sollist-teiletyp-XXXXXX";
        dir_ = mkdtemp(pattern);
        if (const char* old = std::getenv("TEMP")) old_ = old, hadOld_ = true;
        setenv("TEMP", dir_.c_str(), 1);
    }
    ~TempLogDir() {
        if (hadOld_)
            setenv("TEMP", old_.c_str(), 1);
        else
            unsetenv("TEMP");
        std::filesystem::remove_all(dir_);
    }
    // The log's contents (Windows-1252 bytes), empty when it was not written.
    std::string Log() const {
        std::ifstream in(std::filesystem::path(dir_) / "SollBerFehler.Txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string dir_, old_;
    bool hadOld_ = false;
};

} // namespace sollist::solltat::teiletyp_test
