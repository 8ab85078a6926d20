#pragma once
// Fixture rows for part-type calculations (assemblies, part types and their detail rows)
// and a reader of the SOLLTAT rows that a calculation left on the program's connection.
#include "SolltatTestData.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace sollist::test::teiletyp {

using test::MatActivity;
using test::Material;

// Base data of SolltatTestData.h and order "A1".
inline std::string OrderRows() { return BaseData() + Order({.nr = "A1"}); }

// An activity in a unit, reported under itself, without times.
inline std::string Activity(const std::string& nr, const std::string& unit) {
    return test::Activity({.nr = nr, .unit = unit});
}

// Position of order "A1" with VAT code "01".
inline std::string Position(const std::string& ap, double menge) {
    return test::Position({.order = "A1", .pos = ap, .menge = menge});
}

inline std::string Assembly(const std::string& ap, int bg, double erschw = 1, int me = 1, double b = 0,
                            double h = 0, double t = 0, const std::string& of = "A1") {
    return fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, "
                       "APBGHOEHE, APBGTIEFE, APBGERSCHW) VALUES ('{}', '{}', {}, {}, {}, {}, {}, {});",
                       of, ap, bg, me, b, h, t, erschw);
}

inline std::string AssemblyVar(const std::string& ap, int bg, const std::string& num, double wert,
                               const std::string& of = "A1") {
    return fmt::format("INSERT INTO POSBGRVA (PBVOFNUMM, PBVAPNUMM, PBVBGLFNR, PBVNUM, PBVWRT) "
                       "VALUES ('{}', '{}', {}, '{}', {});",
                       of, ap, bg, num, wert);
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
        p.of, p.ap, p.bg, p.lfd, p.nr, p.M, p.L, p.B, p.D, p.corners[0], p.corners[1], p.corners[2],
        p.corners[3], p.diCalc ? 1 : 0, p.ersch, p.lfd);
}

// An activity row of part type (ap, bg, ty).
inline std::string TyTat(const std::string& ap, int bg, int ty, int lfnr, const std::string& lage,
                         const std::string& tanumm, double erschw = 1, const std::string& of = "A1") {
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

// Codes of a part type's material rows of order A1 in the order the calculation's query
// delivers them. The query sorts by the four keys only; for equal keys this database
// delivers the rows ordered by material unit, material number and code, not as inserted, so
// fixtures that depend on the stored order choose those values and check the order first.
inline std::vector<std::string> DeliveredMaterialCodes(db::TIBCConnection& connection, const std::string& ap,
                                                       int bg, int ty) {
    solltat::TSollStammdaten stammdaten;
    solltat::Tdm_Solltat dm(connection, stammdaten);
    db::TIBCQuery& q = dm.qryPosTyMat;
    q.ParamByName("OFNUMM").AsString("A1");
    q.Open();
    std::vector<std::string> codes;
    for (; !q.Eof(); q.Next())
        if (q.FieldByName("PTMAPNUMM").AsString() == ap && q.FieldByName("PTMBGLFNR").AsInteger() == bg &&
            q.FieldByName("PTMTYLFNR").AsInteger() == ty)
            codes.push_back(q.FieldByName("PTMLAGE").AsString());
    q.Close();
    return codes;
}

struct SollRow {
    double EhMenge = 0;
    double Stueck = 0;
};

// SOLLTAT rows of the program's connection by "SollPos/Element/Taetigkeit".
inline std::map<std::string, SollRow> ReadSolltat(db::TIBCConnection& connection) {
    db::TIBCQuery q(connection, "qrySolltatTest");
    q.SetSQL({"select SollPos, Element, Taetigkeit, EhMenge, Stueck from SOLLTAT"});
    q.AddField("SOLLPOS", db::TFieldType::ftString, 10);
    q.AddField("ELEMENT", db::TFieldType::ftInteger);
    q.AddField("TAETIGKEIT", db::TFieldType::ftString, 10);
    q.AddField("EHMENGE", db::TFieldType::ftFloat);
    q.AddField("STUECK", db::TFieldType::ftFloat);
    q.Open();
    std::map<std::string, SollRow> rows;
    for (; !q.Eof(); q.Next()) {
        const std::string key =
            fmt::format("{}/{}/{}", q.FieldByName("SOLLPOS").AsString(), q.FieldByName("ELEMENT").AsInteger(),
                        q.FieldByName("TAETIGKEIT").AsString());
        EXPECT_EQ(rows.count(key), 0u) << "two SOLLTAT rows for " << key;
        rows[key] = {q.FieldByName("EHMENGE").AsFloat(), q.FieldByName("STUECK").AsFloat()};
    }
    q.Close();
    return rows;
}

// SOLLTAT stores single precision.
inline void ExpectRow(const std::map<std::string, SollRow>& rows, const std::string& key, double ehMenge,
                      double stueck) {
    SCOPED_TRACE(key);
    const auto it = rows.find(key);
    ASSERT_NE(it, rows.end()) << "no SOLLTAT row";
    EXPECT_NEAR(it->second.EhMenge, ehMenge, 1e-6 * std::max(1.0, std::abs(ehMenge)));
    EXPECT_NEAR(it->second.Stueck, stueck, 1e-6 * std::max(1.0, std::abs(stueck)));
}

} // namespace sollist::test::teiletyp
