// Records of the target calculation against a real database: how AddTaetigkeit finds,
// creates and fills them from the activity master set, and how SaveToDB writes them.
#include "SolltatTestData.h"
#include "solltat/DmSolltat.h"
#include "solltat/Solltat.h"

#include <gtest/gtest.h>

namespace sollist::solltat {
namespace {

using Peer = TSolltatTestPeer;
using namespace sollist::test;

class SolltatRecords : public SolltatRunFixture {
protected:
    // A position report (no part type) with the values the test names.
    void Add(const std::string& pos, std::int32_t element, const std::string& tat, double eh, double st,
             std::int32_t posT1Lfd = 0, const std::string& name = "", std::int32_t posM1Lfd = 0,
             double posMenge = 1, double mwst = 19) {
        const TSollHerkunft origin{
            .SollPos = pos, .PosMenge = posMenge, .Element = element, .Mwst = mwst, .PosM1Lfd = posM1Lfd};
        Peer::AddTaetigkeit(calc, origin, tat, eh, st, posT1Lfd, name);
    }
    const TMSTRecordList& Records() { return Peer::Dm(calc).MSollT; }
};

TEST_F(SolltatRecords, SameTripleAddsQuantitiesAndKeepsTheFirstReport) {
    Start(Activity({.nr = "T1", .name = "Hobeln"}));
    Add("P1", 0, "T1", 2, 1, /*posT1Lfd*/ 4, "Zuschnitt", /*posM1Lfd*/ 0, /*posMenge*/ 5, 19);
    Add("P1", 0, "T1", 3, 2, 0, "anders", 7, 9, 7.7);

    ASSERT_EQ(Records().Count(), 1u);
    const TMSTRecord& r = Records()[0];
    EXPECT_DOUBLE_EQ(r.EhMenge, 5);
    EXPECT_DOUBLE_EQ(r.Stueck, 3);
    EXPECT_DOUBLE_EQ(r.PosMenge, 5);
    EXPECT_DOUBLE_EQ(r.Mwst, 19);
    EXPECT_EQ(r.TaName, "Zuschnitt");
    EXPECT_EQ(r.PosT1Lfd, 4);
    EXPECT_EQ(r.PosM1Lfd, 0);
    EXPECT_TRUE(r.PosTM1);
    EXPECT_DOUBLE_EQ(Peer::Ht(calc).at("T1"), 3);
}

TEST_F(SolltatRecords, TriplesAreComparedExactly) {
    Start(Activity({.nr = "T1"}) + Activity({.nr = "T2"}));
    const struct {
        std::string pos;
        std::int32_t element;
        std::string tat;
    } reports[] = {{"P1", 1, "T1"},  {"P1", 2, "T1"}, {"a1", 0, "T1"}, {"A1", 0, "T1"},
                   {"A1 ", 0, "T1"}, {"A1", 0, "T2"}, {"P1", 2, "T1"}};
    double st = 1;
    for (const auto& r : reports) Add(r.pos, r.element, r.tat, 0, st++);

    ASSERT_EQ(Records().Count(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(Records()[i].SollPos, reports[i].pos) << i;
        EXPECT_EQ(Records()[i].Element, reports[i].element) << i;
        EXPECT_EQ(Records()[i].Taetigkeit, reports[i].tat) << i;
        EXPECT_EQ(Peer::Dm(calc).FindSMRecord(reports[i].pos, reports[i].element, reports[i].tat),
                  &Records()[i]);
    }
    EXPECT_DOUBLE_EQ(Records()[1].Stueck, 2 + 7); // element 2 reported twice
    EXPECT_DOUBLE_EQ(Peer::Ht(calc).at("T1"), 1 + 2 + 3 + 4 + 5 + 7);
    EXPECT_DOUBLE_EQ(Peer::Ht(calc).at("T2"), 6);
    EXPECT_EQ(Peer::Dm(calc).FindSMRecord("p1", 1, "T1"), nullptr);
}

TEST_F(SolltatRecords, NameAndOriginFlagFollowTheRunningNumbers) {
    Start(Activity({.nr = "T1", .name = "Hobeln"}));
    const struct {
        std::int32_t posT1Lfd, posM1Lfd;
        std::string name, expectedName;
        bool expectedPosTM1;
    } cases[] = {{4, 0, "Zuschnitt", "Zuschnitt", true},
                 {0, 0, "Zuschnitt", "Hobeln", false},
                 {0, 2, "", "Hobeln", true},
                 {-1, 0, "Negativ", "Negativ", false}};
    int pos = 0;
    for (const auto& c : cases)
        Add("P" + std::to_string(++pos), 0, "T1", 1, 1, c.posT1Lfd, c.name, c.posM1Lfd);

    ASSERT_EQ(Records().Count(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Records()[i].TaName, cases[i].expectedName) << i;
        EXPECT_EQ(Records()[i].PosTM1, cases[i].expectedPosTM1) << i;
    }
}

TEST_F(SolltatRecords, ReportingActivityGivesNameAndCostCentreNumberOnly) {
    Start(CostCentre("200", 9, 8, 7, 6) +
          Activity({.nr = "T1",
                    .unit = "M2",
                    .koNumm = "100",
                    .rmTat = "R1",
                    .fix = 20,
                    .varEh = 1.25,
                    .varSt = 0.5,
                    .mont = true,
                    .art = "F"}) +
          Activity({.nr = "R1", .name = "Montage", .unit = "STK", .koNumm = "200", .fix = 99}));
    Add("P1", 0, "T1", 1, 1);

    const TMSTRecord& r = Records()[0];
    EXPECT_EQ(r.TaRmTat, "R1");
    EXPECT_EQ(r.TaRmName, "Montage");
    EXPECT_EQ(r.TaKoNumm, "200");
    EXPECT_DOUBLE_EQ(r.KoLk, 1.5); // cost centre 100 of the activity itself
    EXPECT_EQ(r.KoLNK, 3);
    EXPECT_DOUBLE_EQ(r.KoPGK, 2.5);
    EXPECT_DOUBLE_EQ(r.KoPGKGrenz, 4.5);
    EXPECT_EQ(r.TaName, "Name T1");
    EXPECT_EQ(r.TaEinhKz, "M2");
    EXPECT_EQ(r.TatArt, "F");
    EXPECT_DOUBLE_EQ(r.TaFixZt, 20);
    EXPECT_DOUBLE_EQ(r.TaVarEh, 1.25);
    EXPECT_DOUBLE_EQ(r.TaVarSt, 0.5);
    EXPECT_TRUE(r.TaMont);
    EXPECT_FALSE(calc.bFehler);
}

// Activities missing from the master set (unknown, or cost centre without KOSTENST row) and
// a missing reporting activity: empty texts and zeros, never the values of another row.
TEST_F(SolltatRecords, MissingMasterRowsLeaveEmptyValuesAndAreLoggedOnce) {
    Start(Activity({.nr = "T1", .unit = "M2", .fix = 20, .varEh = 3, .mont = true}) +
          Activity({.nr = "TK", .koNumm = "999"}) + Activity({.nr = "T2", .rmTat = "RX", .fix = 5}));
    Add("P1", 0, "T1", 1, 1);
    Add("P1", 0, "TX", 1, 1);
    Add("P2", 0, "TX", 1, 1);
    Add("P1", 0, "TK", 1, 1);
    Add("P1", 0, "T2", 1, 1);

    ASSERT_EQ(Records().Count(), 5u);
    for (std::size_t i : {1, 2, 3}) {
        const TMSTRecord& r = Records()[i];
        EXPECT_EQ(r.TaName, "") << i;
        EXPECT_EQ(r.TaEinhKz, "") << i;
        EXPECT_EQ(r.TaRmTat, "") << i;
        EXPECT_EQ(r.TaRmName, "") << i;
        EXPECT_EQ(r.TaKoNumm, "") << i;
        EXPECT_DOUBLE_EQ(r.TaFixZt, 0) << i;
        EXPECT_DOUBLE_EQ(r.TaVarEh, 0) << i;
        EXPECT_DOUBLE_EQ(r.KoLk, 0) << i;
        EXPECT_FALSE(r.TaMont) << i;
        EXPECT_DOUBLE_EQ(r.Stueck, 1) << i;
    }
    EXPECT_DOUBLE_EQ(Records()[4].TaFixZt, 5);
    EXPECT_EQ(Records()[4].TaRmTat, "RX");
    EXPECT_EQ(Records()[4].TaRmName, "");
    EXPECT_EQ(Records()[4].TaKoNumm, "");

    EXPECT_TRUE(calc.bFehler);
    const std::string log = test::ErrorLog(db);
    const auto count = [&log](const std::string& s) {
        std::size_t n = 0;
        for (auto p = log.find(s); p != std::string::npos; p = log.find(s, p + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("SollTat      Offert: A1 T\xE4tigkeit: TX nicht im T\xE4tigkeitsstamm\r\n"), 1u);
    EXPECT_EQ(count("Offert: A1 T\xE4tigkeit: TK nicht im T\xE4tigkeitsstamm\r\n"), 1u);
    EXPECT_EQ(count("Offert: A1 T\xE4tigkeit: T2 R\xFC"
                    "ckmeldet\xE4tigkeit: RX nicht im "
                    "T\xE4tigkeitsstamm\r\n"),
              1u);
}

// A record created by a part type carries the part type's name, text and quantity per
// assembly; one created by a position row of the same position does not.
TEST_F(SolltatRecords, PartTypeReportTakesNameAndTextOfThePartTypeRow) {
    db.Exec(BaseData() + Activity({.nr = "T1"}) + Order({.nr = "A1"}) +
            Position({.order = "A1", .pos = "P1"}) +
            PosTat({.order = "A1", .pos = "P1", .lfd = 1, .tat = "T1", .sollMe = 1}) +
            "INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR) VALUES ('A1', 'P1', 1);"
            "INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, "
            "APTYDICALC, APTYNAME, APTYTEXT) VALUES ('A1', 'P1', 1, 3, 1, '3', 1, 'Seite links', "
            "'Eiche; geölt');"
            "INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, "
            "PTTTANUMM, PTTERSCHW) VALUES ('A1', 'P1', 1, 3, 1, 'GR', 'T1', 1);");
    ASSERT_TRUE(calc.Calculate({"A1"}, false));

    auto q = OpenQuery(db, "select Element, ApTyName, ApTyText, ApTyMe from SOLLTAT order by Element");
    ASSERT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(q->FieldByName("ELEMENT").AsInteger(), 0);
    EXPECT_EQ(q->FieldByName("APTYNAME").AsString(), "");
    EXPECT_DOUBLE_EQ(q->FieldByName("APTYME").AsFloat(), 0);
    q->Next();
    EXPECT_EQ(q->FieldByName("ELEMENT").AsInteger(), 3);
    EXPECT_EQ(q->FieldByName("APTYNAME").AsString(), "Seite links");
    EXPECT_EQ(q->FieldByName("APTYTEXT").AsString(), "Eiche; geölt");
    EXPECT_DOUBLE_EQ(q->FieldByName("APTYME").AsFloat(), 3);
}

// The order values of every row, and the surcharge columns that only assembly activities
// carry; an order whose surcharge code has no TABZL row is not found by qryAuftrag.
TEST_F(SolltatRecords, SaveToDBWritesOrderValuesAndSurchargeOnlyForAssemblyActivities) {
    Start(Activity({.nr = "T1", .fix = 20}) + Activity({.nr = "TM", .mont = true}) +
          Order({.nr = "A1", .gewinn = 12, .prov = 3.5}) + Order({.nr = "A2", .montZulg = "ZZ"}));
    const struct {
        std::string order, offertNr, montZul, zulEh;
        double zulWert, prov;
        int gewinn;
    } cases[] = {{"A1", "A1", "Z1", "STD", 7.5, 3.5, 12}, {"A2", "", "", "", 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        Peer::EndRun(calc);
        Peer::BeginRun(calc);
        auto& dm = Peer::Dm(calc);
        Add("P1", 0, "T1", 2, 3, 0, "", 5);
        Add("P1", 0, "TM", 1, 1);
        dm.SaveToDB(dm.ReadAuftrag(c.order));

        auto q = OpenQuery(db, "select * from SOLLTAT order by Taetigkeit");
        ASSERT_EQ(q->RecordCount(), 2);
        EXPECT_EQ(q->FieldCount(), 33);
        EXPECT_EQ(q->FieldByName("OFFERTNR").AsString(), c.offertNr);
        EXPECT_EQ(q->FieldByName("TAETIGKEIT").AsString(), "T1");
        EXPECT_EQ(q->FieldByName("GEWINN").AsInteger(), c.gewinn);
        EXPECT_DOUBLE_EQ(q->FieldByName("PROV").AsFloat(), c.prov);
        EXPECT_TRUE(q->FieldByName("POSTM1").AsBoolean());
        EXPECT_EQ(q->FieldByName("POSM1LFD").AsInteger(), 5);
        EXPECT_DOUBLE_EQ(q->FieldByName("TAFIXZT").AsFloat(), 20);
        EXPECT_EQ(q->FieldByName("KOLNK").AsInteger(), 3);
        EXPECT_FALSE(q->FieldByName("TAMONT").AsBoolean());
        for (const char* col : {"MONTZUL", "ZULEH", "ZULWERT"})
            EXPECT_TRUE(q->FieldByName(col).IsNull()) << col;
        q->Next();
        EXPECT_EQ(q->FieldByName("TAETIGKEIT").AsString(), "TM");
        EXPECT_TRUE(q->FieldByName("TAMONT").AsBoolean());
        EXPECT_FALSE(q->FieldByName("POSTM1").AsBoolean());
        EXPECT_FALSE(q->FieldByName("MONTZUL").IsNull());
        EXPECT_EQ(q->FieldByName("MONTZUL").AsString(), c.montZul);
        EXPECT_EQ(q->FieldByName("ZULEH").AsString(), c.zulEh);
        EXPECT_DOUBLE_EQ(q->FieldByName("ZULWERT").AsFloat(), c.zulWert);
    }
}

TEST_F(SolltatRecords, SaveToDBLoadsWideRowsInBatchesOf27) {
    Start(Activity({.nr = "T1"}) + Order({.nr = "A1"}));
    auto& dm = Peer::Dm(calc);
    const TAuftragWerte auftrag = dm.ReadAuftrag("A1");
    dm.SaveToDB(auftrag);
    EXPECT_EQ(OpenQuery(db, "select count(*) from SOLLTAT")->Fields(0).AsInteger(), 0);

    for (int i = 0; i < 60; ++i) Add(fmt::format("P{:02}", i), 0, "T1", 1, 1);
    dm.SaveToDB(auftrag);
    EXPECT_EQ(dm.IBCLoader.BatchSizes(), (std::vector<int>{27, 27, 6}));
    EXPECT_EQ(OpenQuery(db, "select count(*) from SOLLTAT")->Fields(0).AsInteger(), 60);
    EXPECT_EQ(dm.SavedRows(), 60u);
    EXPECT_EQ(dm.IBCLoader.TableName, "");
}

} // namespace
} // namespace sollist::solltat
