// Material activities against a real database: unit quantities, continuation chains, key
// tables through GETKEYTAB, and the material cache.
#include "solltat/MatTat.h"

#include "SolltatTestData.h"
#include "common/Errors.h"
#include "solltat/DmSolltat.h"
#include "solltat/Solltat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sollist::solltat {
namespace {

using Peer = TSolltatTestPeer;
using namespace sollist::test;

class MaterialActivities : public SolltatRunFixture {
protected:
    void AddMat(const std::string& mat, double l, double b, double d, double menge, double erschw = 1,
                const std::string& pos = "P1") {
        const TSollHerkunft origin{.OfNumm = "A1", .SollPos = pos, .PosMenge = 1.0, .Mwst = 19.0};
        Peer::AddMaterial(calc, origin, mat, l, b, d, menge, erschw);
    }
    const TMSTRecord* Rec(const std::string& tat, const std::string& pos = "P1") {
        return Peer::Dm(calc).FindSMRecord(pos, 0, tat);
    }
    std::size_t Count() { return Peer::Dm(calc).MSollT.Count(); }
};

TEST_F(MaterialActivities, UnitQuantityFollowsTheActivityUnit) {
    Start(Activity({.nr = "TM1", .unit = "M1"}) + Activity({.nr = "TM2", .unit = "M2"}) +
          Activity({.nr = "TM3", .unit = "M3"}) + Activity({.nr = "TST", .unit = "STK"}) +
          Activity({.nr = "TXX", .unit = "XX"}) + Material("M", "STK") + MatActivity("M", "TM1") +
          MatActivity("M", "TM2", 1.5) + MatActivity("M", "TM3") + MatActivity("M", "TST") +
          MatActivity("M", "TXX"));
    AddMat("M", 2000, 600, 19, 2);
    AddMat("M", 2000, 600, 19, 2, /*erschw*/ 2, "P2");

    const struct {
        std::string tat;
        double eh, st;
    } cases[] = {
        {"TM1", 4, 2}, {"TM2", 3.6, 3}, {"TM3", 2.0 * 0.6 * 0.019 * 2, 2}, {"TST", 2, 2}, {"TXX", 0, 2}};
    ASSERT_EQ(Count(), 10u);
    for (const auto& c : cases) {
        ASSERT_NE(Rec(c.tat), nullptr) << c.tat;
        EXPECT_NEAR(Rec(c.tat)->EhMenge, c.eh, 1e-12) << c.tat;
        EXPECT_DOUBLE_EQ(Rec(c.tat)->Stueck, c.st) << c.tat;
        EXPECT_NEAR(Rec(c.tat, "P2")->EhMenge, 2 * c.eh, 1e-12) << c.tat;
        EXPECT_DOUBLE_EQ(Rec(c.tat, "P2")->Stueck, 2 * c.st) << c.tat;
    }
}

TEST_F(MaterialActivities, QuantityNotAboveZeroOrEmptyMaterialReportsNothing) {
    Start(Activity({.nr = "T1"}) + Material("M", "KST") + MatActivity("M", "T1"));
    for (double menge : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) AddMat("M", 1000, 0, 0, menge);
    AddMat("", 1000, 0, 0, 1);
    EXPECT_EQ(Count(), 0u);
    EXPECT_FALSE(calc.bFehler);
    EXPECT_FALSE(std::filesystem::exists(db.ErrorLogFile()));
}

TEST_F(MaterialActivities, ContinuationChainsEndAtAHandledMaterial) {
    Start(Activity({.nr = "TA"}) + Activity({.nr = "TB"}) + Activity({.nr = "T1001"}) +
          Activity({.nr = "T100"}) + Material("A", "STK", "B") + Material("B", "STK", "A") +
          Material("1001", "STK", "100") + Material("100", "STK") + Material("N", "STK", "B") +
          MatActivity("A", "TA") + MatActivity("B", "TB") + MatActivity("1001", "T1001") +
          MatActivity("100", "T100"));
    AddMat("A", 0, 0, 0, 3, 1, "P1");
    AddMat("1001", 0, 0, 0, 2, 1, "P2");
    AddMat("N", 0, 0, 0, 1, 1, "P3"); // no activities of its own, continuation still followed

    EXPECT_DOUBLE_EQ(Rec("TA", "P1")->Stueck, 3);
    EXPECT_DOUBLE_EQ(Rec("TB", "P1")->Stueck, 3);
    EXPECT_DOUBLE_EQ(Rec("T1001", "P2")->Stueck, 2);
    EXPECT_DOUBLE_EQ(Rec("T100", "P2")->Stueck, 2);
    EXPECT_DOUBLE_EQ(Rec("TB", "P3")->Stueck, 1);
    EXPECT_DOUBLE_EQ(Rec("TA", "P3")->Stueck, 1);
    EXPECT_EQ(Count(), 6u);
}

TEST_F(MaterialActivities, MaterialMissingFromMasterIsLoggedAndNotContinued) {
    Start(Activity({.nr = "T1"}) + Material("M", "STK") + MatActivity("M", "T1"));
    AddMat("ZZ", 0, 0, 0, 1);
    AddMat("ZZ", 0, 0, 0, 1, 1, "P2");
    AddMat("M", 0, 0, 0, 1);

    EXPECT_EQ(Count(), 1u);
    EXPECT_TRUE(calc.bFehler);
    const auto lines = test::ErrorLog(db);
    EXPECT_NE(lines.find("SollTat      Offert: A1 Material: ZZ nicht im Materialstamm\r\n"),
              std::string::npos);
    EXPECT_EQ(lines.find("ZZ", lines.find("ZZ") + 1), std::string::npos) << "logged twice";
}

// K resolves by length: the first matching key-table row gives X and the factor 2, which
// stays for K's continuation C; X's own continuation Y is not followed.
TEST_F(MaterialActivities, KeyTableMaterialResolvesToFirstRowWithFactor) {
    Start(Activity({.nr = "TX"}) + Activity({.nr = "TC"}) + Activity({.nr = "TY"}) + Activity({.nr = "TZ"}) +
          Material("K", "KM2", "C") + Material("X", "STK", "Y") + Material("Y", "STK") +
          Material("Z", "STK") + Material("C", "STK") + MatActivity("X", "TX") + MatActivity("Y", "TY") +
          MatActivity("Z", "TZ") + MatActivity("C", "TC") + KeyTab("K", 1, "Z", 5, 2500) +
          KeyTab("K", 2, "X", 2) + KeyTab("K", 3, "Z", 3));
    AddMat("K", 1000, 500, 19, 3);

    EXPECT_EQ(Count(), 2u);
    ASSERT_NE(Rec("TX"), nullptr);
    EXPECT_DOUBLE_EQ(Rec("TX")->Stueck, 6);
    ASSERT_NE(Rec("TC"), nullptr);
    EXPECT_DOUBLE_EQ(Rec("TC")->Stueck, 6);
    EXPECT_FALSE(calc.bFehler);

    AddMat("K", 3000, 500, 19, 1, 1, "P2");
    EXPECT_DOUBLE_EQ(Rec("TZ", "P2")->Stueck, 5);
}

TEST_F(MaterialActivities, KeyTableWithoutRowInTheMiddleOfAChainEndsIt) {
    Start(Activity({.nr = "TA"}) + Activity({.nr = "TC"}) + Material("A", "STK", "K") +
          Material("K", "KM1", "C") + Material("C", "STK") + MatActivity("A", "TA") + MatActivity("C", "TC") +
          KeyTab("K", 1, "C", 1, 5000));
    AddMat("A", 1000, 0, 0, 1);

    EXPECT_EQ(Count(), 1u);
    EXPECT_NE(Rec("TA"), nullptr);
    EXPECT_TRUE(calc.bFehler);
    const std::string log = test::ErrorLog(db);
    EXPECT_TRUE(log.ends_with(" SollTat      Offert: A1 Material: K Keytabelle nicht gefunden\r\n")) << log;
}

TEST_F(MaterialActivities, CachePreloadsTheOrdersMaterialsAndLoadsOthersOnce) {
    Start(Activity({.nr = "T1"}) + Activity({.nr = "T2"}) + Material("M1", "STK") + Material("M2", "STK") +
          Material("M3", "STK") + Material("M4", "STK") + MatActivity("M2", "T2") +
          MatActivity("M2", "T1", 0.5) + MatActivity("M1", "T1") + MatActivity("M4", "T1") +
          Order({.nr = "A1"}) + Position({.order = "A1", .pos = "P1"}) +
          PosMat({.order = "A1", .pos = "P1", .lfnr = 1, .mat = "M2"}) +
          PosMat({.order = "A1", .pos = "P1", .lfnr = 2, .mat = "M3"}) +
          "INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, PTMMANUMM) "
          "VALUES ('A1', 'P1', 1, 1, 'M1');");
    TMatTat& cache = Peer::MatTat(calc);
    try {
        cache.Material();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "FMatIndex falsch 0");
    }

    cache.InitializeFill("A1");
    ASSERT_EQ(cache.Mats().size(), 2u); // M3 has no activities
    EXPECT_EQ(cache.Mats()[0].MaNumm, "M1");
    EXPECT_EQ(cache.Mats()[1].MaNumm, "M2");
    ASSERT_EQ(cache.Mats()[1].Tats.size(), 2u);
    EXPECT_EQ(cache.Mats()[1].Tats[0].TaNumm, "T1");
    EXPECT_DOUBLE_EQ(cache.Mats()[1].Tats[0].Erschw, 0.5);
    EXPECT_EQ(cache.Mats()[1].Tats[1].Einhkz, "STK");

    cache.LoadMat("M2");
    EXPECT_EQ(&cache.Material(), &cache.Mats()[1]);
    for (const char* mat : {"M3", "M4", "M3"}) cache.LoadMat(mat);
    ASSERT_EQ(cache.Mats().size(), 4u);
    EXPECT_EQ(cache.Material().MaNumm, "M3");
    EXPECT_TRUE(cache.Material().Tats.empty());
    EXPECT_EQ(cache.Mats()[3].Tats.size(), 1u);
}

} // namespace
} // namespace sollist::solltat
