// Whole calculations against a real database: position materials and activities, the
// position filter, the fixed-time split, several orders, the error flag, and the target
// hours the order hours run sums from SOLLTAT.
#include "solltat/Solltat.h"

#include "SolltatTestData.h"
#include "db/DataSet.h"
#include "solltat/SollStammdaten.h"
#include "solltat/SolltatSummen.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace sollist::solltat {
namespace {

using namespace sollist::test;

class SolltatCalculate : public SolltatFixture {
protected:
    explicit SolltatCalculate(DbMode mode = DbMode::Embedded) : SolltatFixture(mode) {}

    static void ExpectRow(const std::map<std::string, SolltatRow>& rows, const std::string& key, double eh,
                          double st) {
        const auto it = rows.find(key);
        ASSERT_NE(it, rows.end()) << key;
        EXPECT_NEAR(it->second.EhMenge, eh, 1e-6) << key;
        EXPECT_NEAR(it->second.Stueck, st, 1e-6) << key;
    }
};

TEST_F(SolltatCalculate, EmptyListsCalculateNothing) {
    Load(Activity({.nr = "T1"}) + Order({.nr = "A1"}) + Position({.order = "A1", .pos = "P1"}) +
         PosTat({.order = "A1", .pos = "P1", .tat = "T1"}));
    for (const auto& orders : {std::vector<std::string>{}, std::vector<std::string>{"", ""}}) {
        EXPECT_FALSE(calc.Calculate(orders, true));
        EXPECT_TRUE(SolltatRows(db).empty());
    }
    EXPECT_TRUE(calc.Calculate({"", "A1"}, true));
    EXPECT_EQ(SolltatRows(db).size(), 1u);
}

// Each material unit against each activity unit, quantity 4: a measured activity gets the
// quantity when the material's unit has at least its dimensions.
TEST_F(SolltatCalculate, PositionMaterialQuantityByMaterialAndActivityUnit) {
    std::string data = Order({.nr = "A1"});
    const char* tatUnits[] = {"M1", "M2", "M3", "STK"};
    for (const char* u : tatUnits) data += Activity({.nr = std::string("T") + u, .unit = u});
    const struct {
        std::string matUnit;
        double expected[4];
    } cases[] = {{"M1", {4, 0, 0, 4}}, {"M2", {4, 4, 0, 4}}, {"M3", {4, 4, 4, 4}}, {"STK", {0, 0, 0, 4}}};
    int lfnr = 0;
    for (const auto& c : cases) {
        data += Material("M" + c.matUnit, c.matUnit);
        for (const char* u : tatUnits) data += MatActivity("M" + c.matUnit, std::string("T") + u);
        data +=
            Position({.order = "A1", .pos = "P" + c.matUnit, .menge = 2}) +
            PosMat(
                {.order = "A1", .pos = "P" + c.matUnit, .lfnr = ++lfnr, .mat = "M" + c.matUnit, .sollMe = 4});
    }
    // Position quantity multiplies only with the flag; no or zero quantity adds nothing.
    data += Position({.order = "A1", .pos = "PX", .menge = 3}) +
            PosMat({.order = "A1", .pos = "PX", .lfnr = 1, .mat = "MSTK", .sollMe = 2, .mgMult = true}) +
            PosMat({.order = "A1", .pos = "PX", .lfnr = 2, .mat = "MSTK", .sollMe = 0}) +
            PosMat({.order = "A1", .pos = "PX", .lfnr = 3, .mat = "MSTK", .sollMe = std::nullopt});
    Load(data);

    ASSERT_TRUE(calc.Calculate({"A1"}, false));
    const auto rows = SolltatRows(db);
    EXPECT_EQ(rows.size(), 20u);
    for (const auto& c : cases)
        for (int i = 0; i < 4; ++i)
            ExpectRow(rows, fmt::format("P{}/0/T{}", c.matUnit, tatUnits[i]), c.expected[i], 4);
    ExpectRow(rows, "PX/0/TSTK", 6, 6);
    ExpectRow(rows, "PX/0/TM1", 0, 6);
    EXPECT_EQ(rows.at("PM2/0/TM1").PosM1Lfd, 2);
    EXPECT_EQ(rows.at("PX/0/TSTK").PosM1Lfd, 1);
}

TEST_F(SolltatCalculate, PositionActivityQuantityByUnitAndDifficulty) {
    Load(Activity({.nr = "TST", .unit = "STK"}) + Activity({.nr = "TXX", .unit = "XX"}) +
         Activity({.nr = "TM2", .unit = "M2"}) + Activity({.nr = "TE", .unit = "STK"}) + Order({.nr = "A1"}) +
         Position({.order = "A1", .pos = "P1", .menge = 5}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 1, .tat = "TST", .sollMe = 2, .erschw = 1.5}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 2, .tat = "TXX", .sollMe = 2, .erschw = 1.5}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 3, .tat = "TM2", .sollMe = 2, .mgMult = true}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 4, .tat = "TE", .sollMe = 2, .erschw = std::nullopt}));

    ASSERT_TRUE(calc.Calculate({"A1"}, false));
    const auto rows = SolltatRows(db);
    ExpectRow(rows, "P1/0/TST", 3, 3);
    ExpectRow(rows, "P1/0/TXX", 0, 3);
    ExpectRow(rows, "P1/0/TM2", 10, 10);
    ExpectRow(rows, "P1/0/TE", 0, 0);
    EXPECT_EQ(rows.at("P1/0/TM2").PosT1Lfd, 3);
}

// T: pieces 3 and 1 share 20 minutes as 15 and 5. TZ: no pieces at all, so nothing to share
// by; both records end with 0. TS: a single record keeps its 20.
TEST_F(SolltatCalculate, FixedTimeIsSharedByPiecesOncePerOrder) {
    Load(Activity({.nr = "T", .fix = 20}) + Activity({.nr = "TZ", .fix = 20}) +
         Activity({.nr = "TS", .fix = 20}) + Order({.nr = "A1"}) + Order({.nr = "A2"}) +
         Position({.order = "A1", .pos = "P1"}) + Position({.order = "A1", .pos = "P2"}) +
         Position({.order = "A2", .pos = "P1"}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 1, .tat = "T", .sollMe = 3}) +
         PosTat({.order = "A1", .pos = "P2", .lfd = 1, .tat = "T", .sollMe = 1}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 2, .tat = "TZ", .erschw = std::nullopt}) +
         PosTat({.order = "A1", .pos = "P2", .lfd = 2, .tat = "TZ", .erschw = std::nullopt}) +
         PosTat({.order = "A1", .pos = "P1", .lfd = 3, .tat = "TS", .sollMe = 4}) +
         PosTat({.order = "A2", .pos = "P1", .lfd = 1, .tat = "T", .sollMe = 7}));

    ASSERT_TRUE(calc.Calculate({"A1", "A2"}, false));
    auto q = OpenQuery(db, "select OffertNr, SollPos, Taetigkeit, TaFixZt from SOLLTAT "
                           "order by OffertNr, Taetigkeit, SollPos");
    const struct {
        std::string order, pos, tat;
        double fix;
    } expected[] = {{"A1", "P1", "T", 15}, {"A1", "P2", "T", 5},  {"A1", "P1", "TS", 20},
                    {"A1", "P1", "TZ", 0}, {"A1", "P2", "TZ", 0}, {"A2", "P1", "T", 20}};
    ASSERT_EQ(q->RecordCount(), static_cast<int>(std::size(expected)));
    for (const auto& e : expected) {
        EXPECT_EQ(q->FieldByName("OFFERTNR").AsString(), e.order);
        EXPECT_EQ(q->FieldByName("SOLLPOS").AsString(), e.pos);
        EXPECT_EQ(q->FieldByName("TAETIGKEIT").AsString(), e.tat);
        EXPECT_DOUBLE_EQ(q->FieldByName("TAFIXZT").AsFloat(), e.fix) << e.order << e.pos << e.tat;
        q->Next();
    }
}

// Positions with ApTyp 1 take part in all six source queries only when chosen.
TEST_F(SolltatCalculate, ChosenPositionsOnlyWithWahlPos) {
    std::string data = Activity({.nr = "TM"}) + Activity({.nr = "TP"}) + Activity({.nr = "TT"}) +
                       Activity({.nr = "TC"}) + Material("M", "STK") + MatActivity("M", "TM") +
                       Order({.nr = "A1"});
    for (const auto& [pos, apTyp] : {std::pair{"P0", 0}, std::pair{"P1", 1}}) {
        const std::string p = pos;
        data += Position({.order = "A1", .pos = p, .apTyp = apTyp}) +
                PosMat({.order = "A1", .pos = p, .mat = "M"}) +
                PosTat({.order = "A1", .pos = p, .tat = "TP"}) +
                fmt::format("INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGERSCHW) "
                            "VALUES ('A1', '{0}', 1, 1);"
                            "INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, "
                            "APTTYNR, APTYME, APTYLAENGE, APTYBREITE, APTYDICKF, APTYDICALC, "
                            "APTYERSCH) VALUES ('A1', '{0}', 1, 1, 1, '1', '1000', '500', '19', "
                            "1, 1);"
                            "INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, "
                            "PTTLFNR, PTTLAGE, PTTTANUMM, PTTERSCHW) "
                            "VALUES ('A1', '{0}', 1, 1, 1, '', 'TT', 1);"
                            "INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, "
                            "PTMMANUMM, PTMLAGE) VALUES ('A1', '{0}', 1, 1, 'M', 'GR');"
                            "INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, "
                            "ACNUMM, ACVW0) VALUES ('A1', '{0}', 1, 1, 1, 'TC', '2');",
                            p);
    }
    Load(data);

    const std::vector<std::string> perPosition = {"0/TM", "0/TP", "1/TT", "1/TM", "1/TC"};
    for (bool wahlPos : {false, true}) {
        SCOPED_TRACE(wahlPos);
        ASSERT_TRUE(calc.Calculate({"A1"}, wahlPos));
        const auto rows = SolltatRows(db);
        for (const auto& k : perPosition) {
            EXPECT_EQ(rows.count("P0/" + k), 1u) << k;
            EXPECT_EQ(rows.count("P1/" + k), wahlPos ? 1u : 0u) << k;
        }
        EXPECT_EQ(rows.size(), perPosition.size() * (wahlPos ? 2 : 1));
    }

    db.Exec("UPDATE POSITIONEN SET APTYP = 1");
    EXPECT_FALSE(calc.Calculate({"A1"}, false));
}

TEST_F(SolltatCalculate, DataProblemSetsTheFlagForThatCalculationOnly) {
    Load(Activity({.nr = "T1"}) + Material("K", "KM1") + Order({.nr = "A1"}) + Order({.nr = "A2"}) +
         Position({.order = "A1", .pos = "P1"}) + Position({.order = "A2", .pos = "P1"}) +
         PosMat({.order = "A1", .pos = "P1", .mat = "K"}) +
         PosTat({.order = "A1", .pos = "P1", .tat = "T1"}) +
         PosTat({.order = "A2", .pos = "P1", .tat = "T1"}));

    EXPECT_TRUE(calc.Calculate({"A1"}, false));
    EXPECT_TRUE(calc.bFehler);
    EXPECT_TRUE(
        test::ErrorLog(db).ends_with(" SollTat      Offert: A1 Material: K Keytabelle nicht gefunden\r\n"));
    EXPECT_EQ(SolltatRows(db).size(), 1u); // the order goes on after the problem

    EXPECT_TRUE(calc.Calculate({"A2"}, false));
    EXPECT_FALSE(calc.bFehler);
}

// Master data kept for a run serve later orders unread: an activity's fixed time and a
// material's activities changed after the first order count as they were, also for a second
// calculator given a copy. A calculator with master data of its own reads the change.
TEST_F(SolltatCalculate, KeptMasterDataServeLaterOrdersAndCopies) {
    Load(Activity({.nr = "T1", .fix = 30}) + Activity({.nr = "T2"}) + Material("M", "STK") +
         MatActivity("M", "T1") + Order({.nr = "A1"}) + Order({.nr = "A2"}) +
         Position({.order = "A1", .pos = "P1"}) + PosMat({.order = "A1", .pos = "P1", .mat = "M"}) +
         Position({.order = "A2", .pos = "P1"}) + PosMat({.order = "A2", .pos = "P1", .mat = "M"}));
    TSollStammdaten kept;
    TSolltat run{db.Context(), kept};
    ASSERT_TRUE(run.Calculate({"A1"}, false));
    db.Exec("UPDATE TAETIGKE SET TAFIXZT = 45; UPDATE MATTATIG SET MATTAT = 'T2'");

    TSollStammdaten copy = kept;
    TSolltat worker{db.Context(), copy};
    for (TSolltat* calculator : {&run, &worker}) {
        ASSERT_TRUE(calculator->Calculate({"A2"}, false));
        const auto rows = SolltatRows(db);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows.begin()->first, "P1/0/T1");
        EXPECT_EQ(rows.begin()->second.TaFixZt, 30);
    }
    ASSERT_TRUE(calc.Calculate({"A2"}, false));
    const auto rows = SolltatRows(db);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.begin()->first, "P1/0/T2");
    EXPECT_EQ(rows.begin()->second.TaFixZt, 45);
}

// The order hours run sums SOLLTAT with the query of DeclareSollStunden: (TaFixZt + EhMenge*TaVarEh +
// Stueck*TaVarSt)/60 per reporting activity and cost centre. T1 (under R): 30 + 4*6 + 4*1.5 = 60
// minutes; T2 (under R) from material M: 5 pieces * 12 = 60 minutes; T3: 90 minutes.
void CalculateAndCheckTargetHours(TestDatabase& db, TSolltat& calc) {
    db.Exec(BaseData() + Activity({.nr = "R", .koNumm = "100"}) +
            Activity({.nr = "T1", .rmTat = "R", .fix = 30, .varEh = 6, .varSt = 1.5}) +
            Activity({.nr = "T2", .rmTat = "R", .varSt = 12}) + Activity({.nr = "T3", .fix = 90}) +
            Material("M", "STK") + MatActivity("M", "T2") + Order({.nr = "A1"}) +
            Position({.order = "A1", .pos = "P1"}) + Position({.order = "A1", .pos = "P2"}) +
            PosTat({.order = "A1", .pos = "P1", .lfd = 1, .tat = "T1", .sollMe = 4}) +
            PosTat({.order = "A1", .pos = "P2", .lfd = 1, .tat = "T3", .sollMe = 2}) +
            PosMat({.order = "A1", .pos = "P2", .mat = "M", .sollMe = 5}));

    ASSERT_TRUE(calc.Calculate({"A1"}, false));
    EXPECT_FALSE(calc.bFehler);
    db::TIBCQuery q(db.Context().Connection, "qrySollStd");
    DeclareSollStunden(q);
    q.Open();
    std::map<std::string, double> hours; // by "reporting activity/cost centre"
    for (; !q.Eof(); q.Next())
        hours[q.FieldByName("TaRmTat").AsString() + "/" + q.FieldByName("TaKoNumm").AsString()] =
            q.FieldByName("SollStunden").AsFloat();
    q.Close();
    ASSERT_EQ(hours.size(), 2u);
    EXPECT_NEAR(hours["R/100"], 2.0, 1e-9);
    EXPECT_NEAR(hours["T3/100"], 1.5, 1e-9);
}

TEST_F(SolltatCalculate, SolltatSumsToTargetHoursPerReportingActivity) {
    CalculateAndCheckTargetHours(db, calc);
}

// The same through the server: the temporary table and the loader over the wire.
class SolltatCalculateServer : public SolltatCalculate {
protected:
    SolltatCalculateServer() : SolltatCalculate(DbMode::Server) {}
};

TEST_F(SolltatCalculateServer, SolltatSumsToTargetHoursPerReportingActivity) {
    CalculateAndCheckTargetHours(db, calc);
}

} // namespace
} // namespace sollist::solltat
