// Part-type processing through a whole calculation: what activity codes measure, CNC values,
// the derived core thickness, edge shortening at corners and the backwards material pass.
// Material dimensions are observed through material activities in M1 (length) or M2
// (length x width) with factor 1.
#include "solltat/Solltat.h"

#include "TeileTypTestSupport.h"
#include "common/Text.h"
#include "solltat/ErrorTxt.h"

#include <gtest/gtest.h>

namespace sollist::solltat {
namespace {

using namespace test::teiletyp;

class TeileTypTest : public testing::Test {
protected:
    // Calculates order A1 and returns its SOLLTAT rows.
    std::map<std::string, SollRow> Calculate() {
        EXPECT_TRUE(calc.Calculate({"A1"}, false));
        return ReadSolltat(db.Connection().IBCConnection);
    }

    test::TestDatabase db;
    TSollStammdaten stammdaten;
    TSolltat calc{db.Context(), stammdaten};
};

// Part 1000 x 500 x 19, 2 pieces, no material rows (so every edge thickness sum is 0).
TEST_F(TeileTypTest, PositionCodeDecidesWhatAnActivityMeasures) {
    db.Exec(OrderRows() + Position("1", 1) + Assembly("1", 1) +
            PartTypeRow({.M = "2", .L = "1000", .B = "500", .D = "19"}) + Activity("KANT1", "M1") +
            Activity("KANT2", "M2") + Activity("KANT3", "M3") + Activity("FL_GR", "M2") +
            Activity("FL_KV", "M2") + Activity("FL_K", "M2") + Activity("FL_E", "M2") +
            TyTat("1", 1, 1, 1, "KA", "KANT1") +      // 4 edges: 1+1+0.5+0.5 m, x2 pieces
            TyTat("1", 1, 1, 2, "KA", "KANT3") +      // edges in M3: thickness sums are 0
            TyTat("1", 1, 1, 3, "KV", "KANT2", 1.5) + // 1 m x 0.019 m x 2 pieces x 1.5
            TyTat("1", 1, 1, 4, "GR", "FL_GR") +      // surface 1 x 0.5 x 2
            TyTat("1", 1, 1, 5, "kv", "FL_KV") +      // lower case: no edge code, a surface
            TyTat("1", 1, 1, 6, "K", "FL_K") +        // part of the edge text: no call at all
            TyTat("1", 1, 1, 7, "", "FL_E"));         // empty: a surface
    const auto rows = Calculate();
    ExpectRow(rows, "1/1/KANT1", 6, 8);
    ExpectRow(rows, "1/1/KANT3", 0, 8);
    ExpectRow(rows, "1/1/KANT2", 0.057, 3);
    ExpectRow(rows, "1/1/FL_GR", 1, 2);
    ExpectRow(rows, "1/1/FL_KV", 1, 2);
    ExpectRow(rows, "1/1/FL_E", 1, 2);
    EXPECT_EQ(rows.count("1/1/FL_K"), 0u);
    EXPECT_EQ(rows.size(), 6u);
}

// CNC rows take pieces x CNC value as the quantity and the part-type difficulty (assembly 2
// x part type 0.25) but no activity difficulty; activity rows take all three factors.
TEST_F(TeileTypTest, CNCValueAndDifficultiesScaleTheQuantities) {
    db.Exec(OrderRows() + Position("1", 2) + Assembly("1", 1) + Assembly("1", 2, 2) +
            PartTypeRow({.lfd = 1, .M = "2", .L = "800", .B = "400", .D = "19"}) +
            PartTypeRow({.bg = 2, .lfd = 2, .M = "1", .L = "1000", .B = "1000", .ersch = 0.25}) +
            Activity("BOHR", "M1") + Activity("DUEB", "STK") + Activity("FL", "M2") +
            Cnc("1", 1, 1, 1, "BOHR", "2500") +   // 4 pieces x 2500 mm = 10 m
            Cnc("1", 1, 1, 2, "DUEB", "LX/100") + // 4 pieces x 8 = 32
            Cnc("1", 2, 2, 1, "BOHR", "500") +    // 2 pieces x 0.5 m x 0.5
            TyTat("1", 2, 2, 1, "", "FL", 3));    // 2 pieces x 1 m2 x 0.5 x 3
    const auto rows = Calculate();
    ExpectRow(rows, "1/1/BOHR", 10, 4);
    ExpectRow(rows, "1/1/DUEB", 32, 4);
    ExpectRow(rows, "1/2/BOHR", 0.5, 1);
    ExpectRow(rows, "1/2/FL", 3, 3);
}

// Thickness 20 with layers OV and OH of 0.8 each and two volume base rows of thickness 0:
// core (20 - 1.6) / 2 = 9.2 for each base row.
TEST_F(TeileTypTest, VolumeBaseMaterialsReceiveTheCoreThickness) {
    db.Exec(OrderRows() + Position("1", 1) + Assembly("1", 1) +
            PartTypeRow({.L = "1000", .B = "500", .D = "20", .diCalc = false}) + Activity("VOL", "M3") +
            Activity("FURN", "M2") + Material("SPAN", "TM3") + MatActivity("SPAN", "VOL") +
            Material("FURNIER", "M2") + MatActivity("FURNIER", "FURN") +
            TyMat("1", 1, 1, "SPAN", "GR", 1, 0, 0, 0) + TyMat("1", 1, 1, "SPAN", "GR", 1, 0, 0, 0) +
            TyMat("1", 1, 1, "FURNIER", "OV", 1, 0, 0, 0.8) +
            TyMat("1", 1, 1, "FURNIER", "OH", 1, 0, 0, 0.8));
    const auto rows = Calculate();
    ExpectRow(rows, "1/1/VOL", 2 * (1.0 * 0.5 * 0.0092), 2);
    ExpectRow(rows, "1/1/FURN", 2 * (1.0 * 0.5), 2);
    EXPECT_FALSE(calc.bFehler);
    EXPECT_EQ(test::ErrorLog(db), "");
}

// Corner 1 "B": the KV edge is shortened by the KL thickness; corner 4 "L": the KR edge is
// shortened by the KV thickness. A length of the material row replaces the part's.
TEST_F(TeileTypTest, CornerCodesShortenTheEdges) {
    db.Exec(OrderRows() + Position("1", 1) + Assembly("1", 1) +
            PartTypeRow({.L = "1000", .B = "500", .D = "19", .corners = {"B", "", "", "L"}}) +
            Activity("LKV", "M1") + Activity("LKH", "M1") + Activity("LKL", "M1") + Activity("LKR", "M1") +
            Material("ABSKV", "M1") + MatActivity("ABSKV", "LKV") + Material("ABSKH", "M1") +
            MatActivity("ABSKH", "LKH") + Material("ABSKL", "M1") + MatActivity("ABSKL", "LKL") +
            Material("ABSKR", "M1") + MatActivity("ABSKR", "LKR") +
            TyMat("1", 1, 1, "ABSKV", "KV", 1, 0, 0, 2) + TyMat("1", 1, 1, "ABSKH", "KH", 1, 1200, 0, 2) +
            TyMat("1", 1, 1, "ABSKL", "KL", 1, 0, 0, 2) + TyMat("1", 1, 1, "ABSKR", "KR", 1, 0, 0, 2));
    const auto rows = Calculate();
    ExpectRow(rows, "1/1/LKV", 0.998, 1);
    ExpectRow(rows, "1/1/LKH", 1.2, 1);
    ExpectRow(rows, "1/1/LKL", 0.5, 1);
    ExpectRow(rows, "1/1/LKR", 0.498, 1);
}

// Stored GR, KH, KV, KL: handed on backwards, so the edges come first (width = working
// thickness 19) and the board gets length 1000 - 2 and width 500 - 2 - 2. (All materials in
// one unit and numbered in stored order, which makes the database deliver that order.)
TEST_F(TeileTypTest, EdgesHandedOnFirstReduceTheBoard) {
    db.Exec(OrderRows() + Position("1", 1) + Assembly("1", 1) +
            PartTypeRow({.L = "1000", .B = "500", .D = "19"}) + Activity("PL2", "M2") +
            Activity("ABS2", "M2") + Activity("ABSL2", "M2") + Material("A-PLATTE", "M2") +
            MatActivity("A-PLATTE", "PL2") + Material("B-ABS", "M2") + MatActivity("B-ABS", "ABS2") +
            Material("C-ABSL", "M2") + MatActivity("C-ABSL", "ABSL2") +
            TyMat("1", 1, 1, "A-PLATTE", "GR", 1, 0, 0, 19) + TyMat("1", 1, 1, "B-ABS", "KH", 1, 0, 0, 2) +
            TyMat("1", 1, 1, "B-ABS", "KV", 1, 0, 0, 2) + TyMat("1", 1, 1, "C-ABSL", "KL", 1, 0, 0, 2));
    ASSERT_EQ(DeliveredMaterialCodes(db.Connection().IBCConnection, "1", 1, 1),
              (std::vector<std::string>{"GR", "KH", "KV", "KL"}));
    const auto rows = Calculate();
    ExpectRow(rows, "1/1/PL2", 0.998 * 0.496, 1);
    ExpectRow(rows, "1/1/ABS2", 2 * (1.0 * 0.019), 2);
    ExpectRow(rows, "1/1/ABSL2", 0.5 * 0.019, 1);
}

// Part type 1 derives its thickness but has no volume base material: one log line, nothing
// from it; part type 2 still receives its activity, CNC and material rows.
TEST_F(TeileTypTest, PartTypeWithoutVolumeBaseIsLoggedAndSkipped) {
    db.Exec(OrderRows() + Position("1", 1) + Assembly("1", 1) +
            PartTypeRow({.lfd = 1, .L = "1000", .B = "500", .D = "19", .diCalc = false}) +
            PartTypeRow({.lfd = 2, .nr = 2, .L = "1000", .B = "500", .D = "19"}) + Activity("FL", "M2") +
            Activity("BOHR", "STK") + Activity("ABS2", "M2") + Material("ABS", "M1") +
            MatActivity("ABS", "ABS2") + TyTat("1", 1, 1, 1, "", "FL") + TyTat("1", 1, 2, 1, "", "FL") +
            Cnc("1", 1, 1, 1, "BOHR", "5") + Cnc("1", 1, 2, 1, "BOHR", "7") +
            TyMat("1", 1, 1, "ABS", "KV", 1, 0, 0, 2) + TyMat("1", 1, 2, "ABS", "KV", 1, 0, 0, 2));
    const auto rows = Calculate();
    EXPECT_EQ(rows.size(), 3u);
    ExpectRow(rows, "1/2/FL", 0.5, 1);
    ExpectRow(rows, "1/2/BOHR", 7, 1);
    ExpectRow(rows, "1/2/ABS2", 0.019, 1);
    EXPECT_TRUE(calc.bFehler);
    EXPECT_NE(test::ErrorLog(db).find(
                  text::Utf8ToCp1252("Offert: A1 Element: 1 Material für Dickenberechnung fehlt")),
              std::string::npos)
        << test::ErrorLog(db);
}

// The first part type has no material rows: the order's first material row still belongs
// to the second part type.
TEST_F(TeileTypTest, PartTypeWithoutMaterialsLeavesTheRunsInPlace) {
    db.Exec(OrderRows() + Position("1", 1) + Assembly("1", 1) +
            PartTypeRow({.lfd = 1, .L = "1000", .B = "500", .D = "19"}) +
            PartTypeRow({.lfd = 2, .nr = 2, .L = "2000", .B = "500", .D = "19"}) + Activity("FL", "M2") +
            Activity("PL1", "M1") + Material("PLATTE", "M2") + MatActivity("PLATTE", "PL1") +
            TyTat("1", 1, 1, 1, "", "FL") + TyMat("1", 1, 2, "PLATTE", "GR", 1, 0, 0, 19) +
            TyMat("1", 1, 2, "PLATTE", "OV", 1, 0, 0, 1));
    const auto rows = Calculate();
    ExpectRow(rows, "1/1/FL", 0.5, 1);
    ExpectRow(rows, "1/2/PL1", 2 * 2.0, 2);
    EXPECT_EQ(rows.count("1/1/PL1"), 0u);
}

} // namespace
} // namespace sollist::solltat
