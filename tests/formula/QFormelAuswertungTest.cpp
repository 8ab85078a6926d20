// The order formula model on rows given in memory; its connection is never opened. Mostly
// cases the database's primary keys rule out for the table-based tests.
#include "formula/QFormelAuftrag.h"

#include "db/Connection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sollist::formula {
namespace {

class QFormelAuswertungTest : public testing::Test {
protected:
    QFormelAuswertungTest() {
        model.OnError = [this](const std::string& beschreibung, const std::string& formel) {
            reports.emplace_back(beschreibung, formel);
        };
    }

    db::TIBCConnection unconnected;
    TRunContext context{.Connection = unconnected, .ErrorLogDir = {}, .Today = 0}; // formulas only
    std::optional<TTabGK> tabGK;
    TQFormelAuftrag model{context, tabGK};
    std::vector<std::pair<std::string, std::string>> reports;
};

TTTyRow TTyp(const std::string& ap, int bg, int lfd, int nr, std::string laenge) {
    return {ap, bg, lfd, nr, "1", std::move(laenge), "0", "0"};
}

// Where a key repeats, the first row answers: for variables, references, part types, CNC rows
// and assemblies. The second assembly of an equal key gets no rows of its own: the first took
// the whole run.
TEST_F(QFormelAuswertungTest, FirstRowWinsWhereKeysRepeat) {
    TQFormelDaten daten;
    daten.Bgr = {{"1", 1, 1, 0, 0, 0}, {"1", 1, 9, 0, 0, 0}};
    daten.Vars = {{"1", 1, "V", 10}, {"1", 1, "V", 20}};
    daten.TTy = {TTyp("1", 1, 1, 1, "100"), TTyp("1", 1, 2, 1, "200"), TTyp("1", 1, 3, 3, "V+L1"),
                 TTyp("1", 1, 3, 4, "999")};
    daten.CNC = {{"1", 1, 3, 1, "5"}, {"1", 1, 3, 1, "6"}};

    model.Berechne("A1", daten);

    EXPECT_TRUE(reports.empty());
    TF_TTyp& t = model.GetTTyp("1", 1, 3);
    EXPECT_EQ(t.Laenge, 110);
    EXPECT_EQ(t.GetCNCTatValue(1, 0), 5);
    EXPECT_EQ(model.GetBgrp("1", 1).Menge, 1);
    ASSERT_EQ(model.Baugruppen().size(), 2u);
    EXPECT_TRUE(model.Baugruppen()[1]->TTypen().empty());
}

// A CNC formula may refer to any part type evaluated before its own, but not to a later one:
// that part type is not loaded yet. The report names the row's formula.
TEST_F(QFormelAuswertungTest, CNCReferenceToALaterPartTypeIsReported) {
    TQFormelDaten daten;
    daten.Bgr = {{"1", 1, 1, 0, 0, 0}};
    daten.TTy = {TTyp("1", 1, 1, 1, "100"), TTyp("1", 1, 2, 2, "200")};
    daten.CNC = {{"1", 1, 1, 1, "L2"}, {"1", 1, 2, 1, "L1+LX"}};

    model.Berechne("A1", daten);

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Fehler in Teiletyp 1 (Off.:A1 Pos.:1), CNC-Satz VZE : Unzulässige Referenz auf Nummer 2", "L2"}};
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(model.GetTTyp("1", 1, 1).GetCNCTatValue(1, 0), 0);
    EXPECT_EQ(model.GetTTyp("1", 1, 2).GetCNCTatValue(1, 0), 300);
}

// An arithmetic fault ends Berechne; the assemblies completed before it stay in the model.
TEST_F(QFormelAuswertungTest, ArithmeticFaultKeepsTheAssembliesBeforeIt) {
    TQFormelDaten daten;
    daten.Bgr = {{"1", 1, 1, 0, 0, 0}, {"2", 1, 1, 0, 0, 0}};
    daten.TTy = {TTyp("1", 1, 1, 1, "100"), TTyp("2", 1, 1, 1, "COT(0)")};

    EXPECT_ANY_THROW(model.Berechne("A1", daten));

    ASSERT_EQ(model.Baugruppen().size(), 1u);
    EXPECT_EQ(model.GetTTyp("1", 1, 1).Laenge, 100);
}

} // namespace
} // namespace sollist::formula
