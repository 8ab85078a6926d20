// The explanation of an order's target hours against what the order hours run stored, on the
// demo data and on a generated database, embedded and through the server: the same figures,
// every record of the calculation exactly once, and the sources that the records themselves
// lose (several materials of a position, two assemblies of a position).
#include "sollstd/Herkunft.h"
#include "ReportTestSupport.h"
#include "SolltatTestData.h"
#include "db/Catalogue.h"
#include "db/Value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sollist::sollstd {
namespace {

using solltat::TQuellArt;
using test::DbMode;
using test::DbModeName;
using test::SqlLiteral;
using test::TestDatabase;

struct StoredRow {
    std::string koNumm;
    double soll = 0;
};

std::unique_ptr<db::TIBCQuery> Open(db::TIBCConnection& connection, const std::string& sql) {
    auto q = std::make_unique<db::TIBCQuery>(connection);
    q->SetSQL({sql});
    q->Open();
    return q;
}

std::vector<std::string> OpenOrders(db::TIBCConnection& connection) {
    std::vector<std::string> orders;
    for (auto q = Open(connection, "SELECT AOFNUMM FROM AUFTRAG WHERE ASABGESCHL IS NULL OR "
                                   "ASABGESCHL > CURRENT_DATE - 60 ORDER BY AOFNUMM");
         !q->Eof(); q->Next())
        orders.push_back(q->Fields(0).AsString());
    return orders;
}

// What SOLLTAT holds on the connection, one "position/element/activity" per row, sorted.
std::vector<std::string> SolltatKeys(db::TIBCConnection& connection) {
    std::vector<std::string> keys;
    for (auto q = Open(connection, "SELECT SOLLPOS, ELEMENT, TAETIGKEIT FROM SOLLTAT"); !q->Eof(); q->Next())
        keys.push_back(q->Fields(0).AsString() + "/" + std::to_string(q->Fields(1).AsInteger()) + "/" +
                       q->Fields(2).AsString());
    std::sort(keys.begin(), keys.end());
    return keys;
}

bool NearlyEqual(double a, double b) { return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(a)); }

// Checks an order's explanation, made just before on the connection, against the order's
// stored rows and the calculation's records in SOLLTAT. Returns the number of records.
std::size_t ExpectExplainsStoredRows(db::TIBCConnection& connection, const THerkunft& herkunft) {
    SCOPED_TRACE("order " + herkunft.OfNumm);
    std::map<std::string, StoredRow> stored;
    for (auto q = Open(connection, "SELECT ASRMTAT, ASKONUMM, ASSOLLSTD FROM AUFSSTD WHERE ASOFNUMM = " +
                                       SqlLiteral(herkunft.OfNumm));
         !q->Eof(); q->Next())
        stored[q->Fields(0).AsString()] = {q->Fields(1).AsString(), q->Fields(2).AsFloat()};
    const double storedTotal =
        Open(connection, "SELECT ASSOLLSTND FROM AUFTRAG WHERE AOFNUMM = " + SqlLiteral(herkunft.OfNumm))
            ->Fields(0)
            .AsFloat();

    EXPECT_TRUE(herkunft.Bekannt);
    EXPECT_NEAR(herkunft.MitZuschlag, storedTotal, 1e-9);
    EXPECT_NEAR(herkunft.MitZuschlag, herkunft.Stunden * herkunft.VertZuschl, 1e-9);
    std::vector<std::string> keys;
    std::set<std::string> groups;
    for (const THerkunftGruppe& gruppe : herkunft.Gruppen) {
        SCOPED_TRACE("activity " + gruppe.RmTat);
        groups.insert(gruppe.RmTat);
        const auto row = stored.find(gruppe.RmTat);
        EXPECT_NE(row, stored.end()) << "a target group without its AufSStd row";
        if (row != stored.end()) {
            EXPECT_EQ(gruppe.KoNumm, row->second.koNumm);
            EXPECT_NEAR(gruppe.MitZuschlag, row->second.soll, 1e-9);
        }
        double hours = 0;
        for (const THerkunftSatz& satz : gruppe.Saetze) {
            keys.push_back(satz.SollPos + "/" + std::to_string(satz.Element) + "/" + satz.Taetigkeit);
            hours += satz.Stunden;
            // Every record has what asked for it, and its sources add up to its quantities
            // (SOLLTAT keeps them in single precision).
            EXPECT_FALSE(satz.Beitraege.empty()) << keys.back();
            double ehMenge = 0, stueck = 0;
            for (const THerkunftBeitrag& b : satz.Beitraege) {
                ehMenge += b.EhMenge;
                stueck += b.Stueck;
            }
            EXPECT_TRUE(NearlyEqual(ehMenge, satz.EhMenge)) << keys.back() << ": " << ehMenge;
            EXPECT_TRUE(NearlyEqual(stueck, satz.Stueck)) << keys.back() << ": " << stueck;
        }
        EXPECT_NEAR(hours, gruppe.Stunden, 1e-9);
    }
    for (const auto& [rmTat, row] : stored) {
        if (row.soll != 0) {
            EXPECT_TRUE(groups.contains(rmTat)) << rmTat << ": stored target hours the explanation lacks";
        }
    }
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, SolltatKeys(connection)) << "every record of the calculation exactly once";
    return keys.size();
}

const THerkunftSatz* FindSatz(const THerkunft& herkunft, const std::string& pos, std::int32_t element,
                              const std::string& tat) {
    for (const THerkunftGruppe& gruppe : herkunft.Gruppen)
        for (const THerkunftSatz& satz : gruppe.Saetze)
            if (satz.SollPos == pos && satz.Element == element && satz.Taetigkeit == tat)
                return &satz;
    return nullptr;
}

class HerkunftTest : public ::testing::TestWithParam<DbMode> {};

TEST_P(HerkunftTest, DemoOrdersExplainTheStoredRows) {
    TestDatabase db(GetParam());
    report::support::LoadDemoWithHours(db);
    db::TIBCConnection& connection = db.Connection().IBCConnection;
    THerkunftRechnung rechnung(db.Context());
    const std::vector<std::string> orders = OpenOrders(connection);
    ASSERT_EQ(orders, (std::vector<std::string>{"24001", "24002", "24004"}));
    std::map<std::string, std::size_t> records;
    for (const std::string& ofNumm : orders)
        records[ofNumm] = ExpectExplainsStoredRows(connection, rechnung.Erklaere(ofNumm));
    // The repair job has actual hours only.
    EXPECT_EQ(records, (std::map<std::string, std::size_t>{{"24001", 22}, {"24002", 15}, {"24004", 0}}));

    const THerkunft h = rechnung.Erklaere("24001");
    EXPECT_EQ(h.Bezeichnung, "Kueche Familie Meier");
    EXPECT_NEAR(h.VertZuschl, 1.1, 1e-12);
    EXPECT_TRUE(h.Hinweise.empty());
    // Two materials of position 1 ask for BESCHL: one record, both sources.
    const THerkunftSatz* beschl = FindSatz(h, "1", 0, "BESCHL");
    ASSERT_NE(beschl, nullptr);
    ASSERT_EQ(beschl->Beitraege.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const THerkunftBeitrag& b = beschl->Beitraege[i];
        EXPECT_EQ(b.Quelle.Art, TQuellArt::Positionsmaterial);
        EXPECT_EQ(b.Quelle.Zeile, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(b.Quelle.Material, i == 0 ? "TOPFBAND" : "AUSZUG");
        EXPECT_DOUBLE_EQ(b.Stueck, 6.0); // 2 resp. 1 per unit, times 3 cabinets, factor 1 resp. 2
    }
    EXPECT_EQ(h.MaterialName("AUSZUG"), "Vollauszug 500 mm");
    // A key-table board: the row names PLATTE-KT, the activity is that of the board it resolves to.
    const THerkunftSatz* zuschnitt = FindSatz(h, "1", 1, "ZUSCHN");
    ASSERT_NE(zuschnitt, nullptr);
    ASSERT_EQ(zuschnitt->Beitraege.size(), 1u);
    const THerkunftBeitrag& board = zuschnitt->Beitraege.front();
    EXPECT_EQ(board.Quelle, (solltat::TSollQuelle{TQuellArt::TeiletypMaterial, 1, 0, "GR", "PLATTE-KT"}));
    EXPECT_EQ(board.TatMaterial, "SPAN19MEL");
    // The worktop's oil through its continuation material.
    const THerkunftSatz* oelen = FindSatz(h, "3", 0, "OELEN");
    ASSERT_NE(oelen, nullptr);
    EXPECT_EQ(oelen->Beitraege.front().Quelle.Material, "ARBPL-EI");
    EXPECT_EQ(oelen->Beitraege.front().TatMaterial, "OEL-HART");
    // The edge of the side wall: its activity row and its edge material.
    const THerkunftSatz* kanten = FindSatz(h, "1", 1, "KANTEN");
    ASSERT_NE(kanten, nullptr);
    ASSERT_EQ(kanten->Beitraege.size(), 2u);
    EXPECT_EQ(kanten->Beitraege[0].Quelle,
              (solltat::TSollQuelle{TQuellArt::TeiletypTaetigkeit, 1, 1, "KV", ""}));
    EXPECT_EQ(kanten->Beitraege[1].Quelle,
              (solltat::TSollQuelle{TQuellArt::TeiletypMaterial, 1, 0, "KV", "KANTE-ABS2"}));
    ASSERT_NE(h.Teiletyp("1", 1, 1), nullptr);
    EXPECT_EQ(h.Teiletyp("1", 1, 1)->Name, "Seitenwand");
    EXPECT_EQ(h.Teiletyp("1", 1, 1)->Text, "Seiten mit Lochreihe 32 mm");
    EXPECT_EQ(h.BaugruppeName("1", 1), "Unterschrank");
    EXPECT_EQ(h.PositionText("4"), "Montage und Planung");
    // Records by position as the calculation met them; the alternative position 9 is left out.
    const auto mont =
        std::find_if(h.Gruppen.begin(), h.Gruppen.end(), [](const auto& g) { return g.RmTat == "MONT"; });
    ASSERT_NE(mont, h.Gruppen.end());
    std::vector<std::string> order;
    for (const THerkunftSatz& satz : mont->Saetze) order.push_back(satz.SollPos + "/" + satz.Taetigkeit);
    EXPECT_EQ(order, (std::vector<std::string>{"1/BESCHL", "1/MONT", "2/BESCHL", "2/MONT"}));

    const THerkunft unknown = rechnung.Erklaere("99999");
    EXPECT_FALSE(unknown.Bekannt);
    EXPECT_TRUE(unknown.Gruppen.empty());
}

// The texts beside the keys are columns the business system does not promise: without them
// the explanation shows the keys alone, with the same figures.
TEST_P(HerkunftTest, WithoutTheTextColumnsTheKeysStandAlone) {
    TestDatabase db(GetParam());
    report::support::LoadDemoWithHours(db);
    db.Exec("ALTER TABLE AUFTRAG DROP ABEZEICH;\nALTER TABLE POSITIONEN DROP APBEZEICH;\n"
            "ALTER TABLE POS_BGR DROP APBGNAME;\nALTER TABLE MATERIAL DROP MANAME;\n");
    db::TIBCConnection& connection = db.Connection().IBCConnection;
    connection.Catalogue().Forget();
    THerkunftRechnung rechnung(db.Context());
    const THerkunft h = rechnung.Erklaere("24001");
    EXPECT_EQ(ExpectExplainsStoredRows(connection, h), 22u);
    EXPECT_EQ(h.Bezeichnung, "");
    EXPECT_EQ(h.PositionText("4"), "");
    EXPECT_EQ(h.BaugruppeName("1", 1), "");
    ASSERT_TRUE(h.Materialien.contains("AUSZUG"));
    EXPECT_EQ(h.MaterialName("AUSZUG"), "");
    EXPECT_FALSE(rechnung.Erklaere("99999").Bekannt);
}

TEST_P(HerkunftTest, GeneratedOrdersExplainTheStoredRows) {
    report::support::GeneratedDatabase generated(20, GetParam());
    db::TIBCConnection& connection = generated.Connection().IBCConnection;
    THerkunftRechnung rechnung(
        TRunContext{.Connection = connection, .Console = {}, .ErrorLogDir = "/tmp", .Today = db::Today()});
    const std::vector<std::string> orders = OpenOrders(connection);
    ASSERT_EQ(orders.size(), 20u);
    std::size_t records = 0, twoAssemblies = 0;
    for (const std::string& ofNumm : orders) {
        const THerkunft herkunft = rechnung.Erklaere(ofNumm);
        records += ExpectExplainsStoredRows(connection, herkunft);
        for (const THerkunftGruppe& gruppe : herkunft.Gruppen)
            for (const THerkunftSatz& satz : gruppe.Saetze)
                if (std::any_of(satz.Beitraege.begin(), satz.Beitraege.end(), [&](const auto& b) {
                        return b.Quelle.BgLf != satz.Beitraege.front().Quelle.BgLf;
                    }))
                    ++twoAssemblies;
    }
    EXPECT_GT(records, 20u * 50);
    // Part types of the same number in two assemblies of a position share one record; the
    // explanation keeps which assembly asked for what.
    EXPECT_GT(twoAssemblies, 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, HerkunftTest, ::testing::Values(DbMode::Embedded, DbMode::Server),
                         DbModeName);

// A data problem goes into the explanation, not into the run's error log.
TEST(HerkunftHinweise, DataProblemsGoToTheExplanationNotTheLog) {
    test::ScratchTemp temp;
    TestDatabase db;
    db.Exec(test::BaseData() + test::Activity({.nr = "T", .varSt = 6}) + test::Material("K", "KM1") +
            test::Material("M", "STK") + test::MatActivity("M", "T") + test::Order({.nr = "A1"}) +
            test::Position({.order = "A1", .pos = "P1"}) +
            test::PosMat({.order = "A1", .pos = "P1", .lfnr = 1, .mat = "K"}) +
            test::PosMat({.order = "A1", .pos = "P1", .lfnr = 2, .mat = "M", .sollMe = 10}));
    THerkunftRechnung rechnung(TRunContext{.Connection = db.Connection().IBCConnection,
                                           .Console = {},
                                           .ErrorLogDir = temp.Dir().string(),
                                           .Today = db::Today()});
    const THerkunft h = rechnung.Erklaere("A1");
    EXPECT_EQ(h.Hinweise, std::vector<std::string>{"Offert: A1 Material: K Keytabelle nicht gefunden"});
    EXPECT_FALSE(std::filesystem::exists(temp.LogFile()));
    ASSERT_EQ(h.Gruppen.size(), 1u);
    EXPECT_NEAR(h.Gruppen[0].Stunden, 1.0, 1e-9); // 10 pieces of 6 minutes
}

} // namespace
} // namespace sollist::sollstd
