// The order formula model against a real database: how formulas resolve names, how errors
// are reported, how the four queries are merged, and the lookups afterwards.
#include "formula/QFormelAuftrag.h"

#include "TestDatabase.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sollist::formula {
namespace {

using test::TestDatabase;

std::string Bgrp(const std::string& of, const std::string& ap, int lf, int me = 1, double b = 0, double h = 0,
                 double t = 0) {
    return fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGME, APBGBREITE, "
                       "APBGHOEHE, APBGTIEFE) VALUES ('{}', '{}', {}, {}, {}, {}, {});",
                       of, ap, lf, me, b, h, t);
}

std::string Var(const std::string& of, const std::string& ap, int lf, const std::string& num, double wert) {
    return fmt::format("INSERT INTO POSBGRVA (PBVOFNUMM, PBVAPNUMM, PBVBGLFNR, PBVNUM, PBVWRT) "
                       "VALUES ('{}', '{}', {}, '{}', {});",
                       of, ap, lf, num, wert);
}

struct Formulas {
    std::string M = "1", L = "0", B = "0", D = "0";
};

std::string TTyp(const std::string& of, const std::string& ap, int bg, int lfd, int nr, const Formulas& f) {
    return fmt::format("INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, "
                       "APTYME, APTYLAENGE, APTYBREITE, APTYDICKF) "
                       "VALUES ('{}', '{}', {}, {}, {}, '{}', '{}', '{}', '{}');",
                       of, ap, bg, lfd, nr, f.M, f.L, f.B, f.D);
}

std::string CNC(const std::string& of, const std::string& ap, int bg, int ty, int lf,
                const std::string& formula) {
    const std::string vw0 = formula.empty() ? "NULL" : "'" + formula + "'";
    return fmt::format("INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, ACNUMM, ACVW0) "
                       "VALUES ('{}', '{}', {}, {}, {}, 'CNC', {});",
                       of, ap, bg, ty, lf, vw0);
}

std::string TTypLine(int lfd, const std::string& of, const std::string& ap, const std::string& msg) {
    return fmt::format("Fehler in Teiletyp {} (Off.:{} Pos.:{}): {}\n", lfd, of, ap, msg);
}

std::string CNCLine(int lfd, const std::string& of, const std::string& ap, const std::string& msg) {
    return fmt::format("Fehler in Teiletyp {} (Off.:{} Pos.:{}), CNC-Satz VZE : {}\n", lfd, of, ap, msg);
}

// Runs Berechne and returns the lines it gave the run's console.
std::string BerechneCaptured(TestDatabase& db, TQFormelAuftrag& model, const std::string& order) {
    db.TakeConsoleText();
    model.Berechne(order);
    return db.TakeConsoleText();
}

template <class F>
std::string ParseErrorOf(F&& f) {
    try {
        f();
    } catch (const EParseErr& e) {
        return e.what();
    }
    return "(no EParseErr)";
}

class QFormelAuftragTest : public testing::Test {
protected:
    TestDatabase db;
    std::optional<TTabGK> tabGK;
    TQFormelAuftrag model{db.Context(), tabGK};
};

// Every case is one assembly of position 1: part type 1 (number 1) has M 2, L 500, B 300,
// D 19; part type 2 (number 2) has the case's length formula. The assembly is 2 pieces of
// 600 x 700 x 500.
TEST_F(QFormelAuftragTest, DimensionFormulasResolveNamesByTheirRules) {
    struct Case {
        std::string formula;
        std::vector<std::pair<std::string, double>> vars;
        double expected;
        std::string message; // empty: no report
    };
    const std::vector<Case> cases = {
        {"L1+10", {}, 510, ""}, // backward reference
        {"M1*B1+D1", {}, 619, ""},
        {"L2", {}, 0, "Vorwärtsreferenz verboten !"},       // itself
        {"L3", {}, 0, "Vorwärtsreferenz verboten !"},       // forward
        {"L0", {}, 0, "Unzulässige Referenz auf Nummer 0"}, // lower, but absent
        {"BX", {}, 0, "Hier unzulässige Variable !BX"},
        {"M+B+H+T", {{"M", 99}, {"B", 99}, {"H", 99}, {"T", 99}}, 1802, ""},
        {"L1", {{"L1", 7}}, 7, ""}, // variable hides reference
        {"ABC*2", {{"ABC", 21}}, 42, ""},
        {"X1", {}, 0, "Unzulässige Variable: X1"},
        {"L1234", {}, 0, "Unzulässige Variable: L1234"},
        {"L", {}, 0, "Unzulässige Variable: L"},
        {"TABG(20;5)+TABK(20;5)", {}, 41, ""},
        {"TABG(350;7)", {}, 0, "Kein Tabelleneintrag 7"},
    };
    std::string sql = "INSERT INTO TABGK (TABNR, TABWERTE) VALUES (5, '16;19;22;25;28');";
    std::string expectedOutput;
    for (int i = 0; i < static_cast<int>(cases.size()); ++i) {
        const int bg = i + 1;
        sql += Bgrp("A1", "1", bg, 2, 600, 700, 500);
        for (const auto& [num, wert] : cases[i].vars) sql += Var("A1", "1", bg, num, wert);
        sql += TTyp("A1", "1", bg, 1, 1, {"2", "500", "300", "19"});
        sql += TTyp("A1", "1", bg, 2, 2, {"1", cases[i].formula, "0", "0"});
        if (!cases[i].message.empty())
            expectedOutput += TTypLine(2, "A1", "1", cases[i].message);
    }
    db.Exec(sql);

    EXPECT_EQ(BerechneCaptured(db, model, "A1"), expectedOutput);
    for (int i = 0; i < static_cast<int>(cases.size()); ++i) {
        SCOPED_TRACE(cases[i].formula);
        EXPECT_DOUBLE_EQ(model.GetTTyp("1", i + 1, 2).Laenge, cases[i].expected);
    }
}

// Part type number 1 comes second in query order, so the part type before it (number 2)
// cannot see it although 1 < 2.
TEST_F(QFormelAuftragTest, ReferenceReachesOnlyPartTypesLoadedBefore) {
    db.Exec(Bgrp("A1", "1", 1) + TTyp("A1", "1", 1, 1, 2, {"1", "L1", "0", "0"}) +
            TTyp("A1", "1", 1, 2, 1, {"1", "500", "0", "0"}));
    EXPECT_EQ(BerechneCaptured(db, model, "A1"), TTypLine(1, "A1", "1", "Unzulässige Referenz auf Nummer 1"));
    EXPECT_EQ(model.GetTTyp("1", 1, 1).Laenge, 0);
}

TEST_F(QFormelAuftragTest, CNCFormulasSeeOwnValuesButNotOwnNumber) {
    db.Exec(Bgrp("A1", "1", 1) + TTyp("A1", "1", 1, 1, 1, {"1", "500", "0", "0"}) +
            TTyp("A1", "1", 1, 2, 2, {"3", "800", "400", "19"}) + CNC("A1", "1", 1, 2, 1, "BX") +
            CNC("A1", "1", 1, 2, 2, "LX") + CNC("A1", "1", 1, 2, 3, "L2") +
            CNC("A1", "1", 1, 2, 4, "L1+MX*DX") + CNC("A1", "1", 1, 2, 5, ""));
    EXPECT_EQ(BerechneCaptured(db, model, "A1"), CNCLine(2, "A1", "1", "Unzulässige Referenz auf Nummer 2"));
    const TF_TTyp& t = model.GetTTyp("1", 1, 2);
    ASSERT_EQ(t.FCNCTat.size(), 5u);
    const double expected[] = {400, 800, 0, 557, 0};
    for (int nr = 1; nr <= 5; ++nr) EXPECT_DOUBLE_EQ(t.GetCNCTatValue(nr, 0), expected[nr - 1]) << nr;
    EXPECT_EQ(t.FCNCTat[2]->CNCFormeln[0], "L2");
}

TEST_F(QFormelAuftragTest, ErrorHookReceivesDescriptionAndFormulaInsteadOfTheConsole) {
    db.Exec(Bgrp("A1", "1", 1) + TTyp("A1", "1", 1, 4, 1, {"1", "500", "BX", "0"}) +
            CNC("A1", "1", 1, 4, 1, "L9"));
    std::vector<std::pair<std::string, std::string>> reports;
    model.OnError = [&](const std::string& beschreibung, const std::string& formel) {
        reports.emplace_back(beschreibung, formel);
    };
    EXPECT_EQ(BerechneCaptured(db, model, "A1"), "");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Fehler in Teiletyp 4 (Off.:A1 Pos.:1): Hier unzulässige Variable !BX", "BX"},
        {"Fehler in Teiletyp 4 (Off.:A1 Pos.:1), CNC-Satz VZE : Unzulässige Referenz auf Nummer 9", "L9"}};
    EXPECT_EQ(reports, expected);
}

TEST_F(QFormelAuftragTest, IndividualPartTypesHaveNoReferences) {
    db.Exec(Bgrp("A1", "1", -1, 3) + Var("A1", "1", -1, "V", 5) +
            TTyp("A1", "1", -1, 1, 1, {"M*V", "100", "0", "0"}) +
            TTyp("A1", "1", -1, 2, 2, {"1", "L1", "X1", "0"}));
    const std::string refused = "Keine Referenzen für einzelne Teiletypen zulässig ! ";
    EXPECT_EQ(BerechneCaptured(db, model, "A1"),
              TTypLine(2, "A1", "1", refused) + TTypLine(2, "A1", "1", refused));
    EXPECT_EQ(model.GetTTyp("1", -1, 1).Menge, 15);
}

// A failing quantity and a negative length: two lines in this order; the failed value
// stays 0, the negative one stays as computed.
TEST_F(QFormelAuftragTest, FailedAndNegativeValuesAreReportedInOrder) {
    db.Exec(Bgrp("A1", "7", 1) + TTyp("A1", "7", 1, 3, 3, {"1/0", "-5", "", "2-2"}));
    EXPECT_EQ(BerechneCaptured(db, model, "A1"),
              TTypLine(3, "A1", "7", "Division durch Null !") +
                  TTypLine(3, "A1", "7", "Eine negative Länge ist nicht zulässig!"));
    const TF_TTyp& t = model.GetTTyp("7", 1, 3);
    EXPECT_EQ(t.Menge, 0);
    EXPECT_EQ(t.Laenge, -5);
    EXPECT_EQ(t.Breite, 0);
}

TEST_F(QFormelAuftragTest, LookupsNameTheCutOrderNumber) {
    db.Exec(Bgrp("A123456789", "1", 1) + TTyp("A123456789", "1", 1, 1, 1, {"2", "0", "0", "0"}) +
            CNC("A123456789", "1", 1, 1, 1, "7"));
    model.Berechne("A123456789XYZ");
    TF_TTyp& t = model.GetTTyp("1", 1, 1);
    EXPECT_EQ(t.Menge, 2);
    EXPECT_EQ(t.GetCNCTatValue(1, 0), 7);
    EXPECT_EQ(ParseErrorOf([&] { t.GetCNCTatValue(5, 0); }), "CNC-Tat nicht gefunden: ElementNr:1");
    EXPECT_EQ(ParseErrorOf([&] { model.GetTTyp("1", 1, 9); }),
              "Teiletyp nicht gefunden in Auf.:A123456789 Pos:1 BgNr:1 TyNr:9");
    EXPECT_EQ(ParseErrorOf([&] { model.GetTTyp("2", 1, 1); }),
              "Baugruppe nicht gefunden in Auf.:A123456789 Pos:2 Nr:1");
    model.Clear();
    EXPECT_EQ(ParseErrorOf([&] { model.GetTTyp("1", 1, 1); }),
              "Baugruppe nicht gefunden in Auf.:A123456789 Pos:1 Nr:1");
}

// Berechne appends: without Clear the first order's assembly answers for an equal key.
TEST_F(QFormelAuftragTest, UnclearedModelAnswersWithTheFirstOfEqualKeys) {
    db.Exec(Bgrp("A1", "1", 1) + TTyp("A1", "1", 1, 1, 1, {"2", "0", "0", "0"}) + Bgrp("B1", "1", 1) +
            TTyp("B1", "1", 1, 1, 1, {"3", "0", "0", "0"}));
    model.Berechne("A1");
    model.Berechne("B1");
    EXPECT_EQ(model.Baugruppen().size(), 2u);
    EXPECT_EQ(model.GetTTyp("1", 1, 1).Menge, 2);
    model.Clear();
    model.Berechne("B1");
    EXPECT_EQ(model.GetTTyp("1", 1, 1).Menge, 3);
}

// A child row whose assembly or part type is missing stays current and blocks every child
// row sorted after it.
TEST_F(QFormelAuftragTest, UnmatchedChildRowsBlockTheRowsAfterThem) {
    db.Exec(
        // variables: (1,5) has no assembly
        Bgrp("V", "1", 1) + Bgrp("V", "2", 1) + Var("V", "1", 1, "A", 3) + Var("V", "1", 5, "X", 1) +
        Var("V", "2", 1, "W", 4) + TTyp("V", "1", 1, 1, 1, {"1", "A", "0", "0"}) +
        TTyp("V", "2", 1, 1, 1, {"1", "W", "0", "0"}) +
        // part types: (1,5,1) has no assembly
        Bgrp("T", "1", 1) + Bgrp("T", "2", 1) + TTyp("T", "1", 1, 1, 1, Formulas{}) +
        TTyp("T", "1", 5, 1, 1, Formulas{}) + TTyp("T", "2", 1, 1, 1, Formulas{}) +
        // CNC rows: part type 2 does not exist
        Bgrp("C", "1", 1) + TTyp("C", "1", 1, 1, 1, Formulas{}) + TTyp("C", "1", 1, 3, 3, Formulas{}) +
        CNC("C", "1", 1, 1, 1, "7") + CNC("C", "1", 1, 2, 1, "8") + CNC("C", "1", 1, 3, 1, "9"));

    EXPECT_EQ(BerechneCaptured(db, model, "V"), TTypLine(1, "V", "2", "Unzulässige Variable: W"));
    EXPECT_EQ(model.GetTTyp("1", 1, 1).Laenge, 3);
    model.Clear();

    model.Berechne("T");
    EXPECT_NO_THROW(model.GetTTyp("1", 1, 1));
    EXPECT_EQ(model.GetBgrp("2", 1).TTypen().size(), 0u);
    model.Clear();

    model.Berechne("C");
    EXPECT_EQ(model.GetTTyp("1", 1, 1).GetCNCTatValue(1, 0), 7);
    EXPECT_EQ(ParseErrorOf([&] { model.GetTTyp("1", 1, 3).GetCNCTatValue(1, 0); }),
              "CNC-Tat nicht gefunden: ElementNr:3");
}

// An arithmetic fault is no formula error: it ends Berechne, and the query set is closed so
// that the next order is read with its own number.
TEST_F(QFormelAuftragTest, ArithmeticFaultEndsBerechneAndLeavesTheModelUsable) {
    db.Exec(Bgrp("A1", "1", 1) + TTyp("A1", "1", 1, 1, 1, {"COT(0)", "0", "0", "0"}) + Bgrp("B1", "1", 1) +
            TTyp("B1", "1", 1, 1, 1, {"4", "BX", "0", "0"}));
    try {
        model.Berechne("A1");
        ADD_FAILURE() << "no exception";
    } catch (const EParseErr&) {
        ADD_FAILURE() << "reported as formula error";
    } catch (const Exception&) {
    }
    model.Clear();
    EXPECT_EQ(BerechneCaptured(db, model, "B1"), TTypLine(1, "B1", "1", "Hier unzulässige Variable !BX"));
    EXPECT_EQ(model.GetTTyp("1", 1, 1).Menge, 4);
}

} // namespace
} // namespace sollist::formula
