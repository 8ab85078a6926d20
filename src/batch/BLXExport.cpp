#include "batch/BLXExport.h"

#include "common/Errors.h"
#include "config/DBIniFile.h"
#include "db/Connection.h"
#include "ist/IstStunden.h"
#include "solltat/ErrorTxt.h"
#include "solltat/Solltat.h"

#include <fmt/format.h>

#include <cmath>

namespace sollist::batch {

using db::TFieldType;
using db::TValue;

Tdm_BLXExport::Tdm_BLXExport(const TRunContext& context) : FContext(context) {
    DeclareDataObjects();
    config::TDBIniFile ini(FContext.Connection, 1);
    VertZuschl = static_cast<double>(ini.ReadInteger("Firmenstamm", "VertZuschl", 0)) / 100.0 + 1.0;
}

Tdm_BLXExport::~Tdm_BLXExport() = default;

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
void Tdm_BLXExport::DeclareDataObjects() {
    db::Declare(qry,
                {"Select AOfNumm,ANumm", "from auftrag ",
                 "where (AsAbgeschl is Null or AsAbgeschl>:DATUM)"},
                {{"AOfNumm", TFieldType::ftString, 10}, {"ANumm", TFieldType::ftString, 10}});

    db::Declare(qrySollStd,
                {"SELECT TaRmTat,TaKoNumm,Sum(TaFixZt+EhMenge*TaVarEh+Stueck*TaVarSt)/60 as SollStunden",
                 "FROM solltat", "GROUP BY TaRmTat,TaKoNumm"},
                {{"TaRmTat", TFieldType::ftString, 10},
                 {"TaKoNumm", TFieldType::ftString, 3},
                 {"SollStunden", TFieldType::ftFloat}});

    tbAufsStd.TableName = "AufSStd";
    tbAufsStd.KeyFields = "ASOFNUMM;ASRMTAT";
    tbAufsStd.OrderFields = "ASOFNUMM;ASRMTAT";
    db::Declare(tbAufsStd, {},
                {{"ASOFNUMM", TFieldType::ftString, 10, true},
                 {"ASRMTAT", TFieldType::ftString, 10, true},
                 {"ASKONUMM", TFieldType::ftString, 3, true},
                 {"ASSOLLSTD", TFieldType::ftFloat, 0, true},
                 {"ASISTSTD", TFieldType::ftFloat, 0, true}});

    tbAuftrag.TableName = "Auftrag";
    tbAuftrag.KeyFields = "AOFNUMM";
    tbAuftrag.OrderFields = "AOFNUMM";
    tbAuftrag.BooleanDomainFields = true;
    db::Declare(tbAuftrag, {},
                {{"AOfNumm", TFieldType::ftString, 10, true},
                 {"ANUMM", TFieldType::ftString, 10},
                 {"AsRegStnd", TFieldType::ftFloat},
                 {"AsSollStnd", TFieldType::ftFloat},
                 {"AsIstStnd", TFieldType::ftFloat},
                 {"AsIstBis", TFieldType::ftDate},
                 {"AsKoLetzt", TFieldType::ftString, 3},
                 {"AOFFSTND", TFieldType::ftFloat}});
}
// clang-format on

void Tdm_BLXExport::CalcSollIst() {
    tbAufsStd.EmptyTable();
    tbAufsStd.Open();
    tbAuftrag.Open();

    qry.Close();
    qry.ParamByName("DATUM").AsDateTime(db::Today() - OpenDays);
    qry.Open();

    solltat::TSolltat solltat(FContext);
    solltat.KeepMasterData = true; // the run changes no master data
    ist::TIstStunden istStunden(FContext);
    auto orderNumber = qry.FieldByName("AOfNumm");
    for (; !qry.Eof(); qry.Next()) CalcOrder(orderNumber.AsString(), solltat, istStunden);

    qry.Close();
    tbAufsStd.Close();
    tbAuftrag.Close();
}

void Tdm_BLXExport::CalcOrders(const std::vector<std::string>& orders) {
    tbAuftrag.Open();
    std::vector<std::string> known;
    for (const std::string& OfNumm : orders) {
        if (tbAuftrag.FindKey({TValue{OfNumm}})) {
            known.push_back(OfNumm);
        } else {
            FContext.Print(fmt::format("Offert {} gibt es nicht; nichts berechnet.", OfNumm));
            SkippedOrders.push_back(OfNumm);
        }
    }
    db::TIBCSQL deleteRows(FContext.Connection, "qryAufsStdLoeschen");
    deleteRows.SetSQL({"DELETE FROM AufSStd WHERE ASOFNUMM = :OFNUMM"});
    for (const std::string& OfNumm : known) {
        deleteRows.ParamByName("OFNUMM").AsString(OfNumm);
        deleteRows.Execute();
    }
    tbAufsStd.Open();

    solltat::TSolltat solltat(FContext);
    solltat.KeepMasterData = true;
    ist::TIstStunden istStunden(FContext);
    for (const std::string& OfNumm : known) CalcOrder(OfNumm, solltat, istStunden);

    tbAufsStd.Close();
    tbAuftrag.Close();
}

void Tdm_BLXExport::CalcOrder(const std::string& OfNumm, solltat::TSolltat& solltat,
                              ist::TIstStunden& istStunden) {
    FContext.Print(fmt::format("Berechnung für Offert {} läuft..", OfNumm));
    solltat.Calculate({OfNumm}, false);
    const double targetSum = SumTargetHours(OfNumm, true);
    const ist::TIstErgebnis ist = istStunden.Calc(OfNumm);
    if (tbAuftrag.FindKey({TValue{OfNumm}})) {
        try {
            WriteOrderTotals(targetSum, ist);
        } catch (const EIBCError& error) {
            // A user's open edit of the order holds its row: leave this order for the next run
            // rather than wait for the user all night.
            if (!db::RowHeldByAnother(error))
                throw;
            tbAuftrag.Cancel();
            solltat::TErrorTxt log;
            log.Open("SollIst");
            log.Write(fmt::format("Offert {}: Auftrag von einem Benutzer gesperrt, Summen nicht geschrieben",
                                  OfNumm));
            SkippedOrders.push_back(OfNumm);
            return;
        }
    }
    MergeActualHours(OfNumm, ist);
}

void Tdm_BLXExport::CalcSollIst(const std::string& OfNumm) {
    tbAuftrag.Open();
    if (!tbAuftrag.FindKey({TValue{OfNumm}})) {
        tbAuftrag.Close();
        return;
    }
    solltat::TSolltat solltat(FContext);
    ist::TIstStunden istStunden(FContext);
    solltat.Calculate({OfNumm}, false);
    const double targetSum = SumTargetHours(OfNumm, false);
    WriteOrderTotals(targetSum, istStunden.Calc(tbAuftrag.FieldByName("AOfNumm").AsString()));
    tbAuftrag.Close();
}

double Tdm_BLXExport::SumTargetHours(const std::string& OfNumm, bool appendRows) {
    double sum = 0;
    qrySollStd.Open();
    auto rmTat = qrySollStd.FieldByName("TaRmTat");
    auto koNumm = qrySollStd.FieldByName("TaKoNumm");
    auto hours = qrySollStd.FieldByName("SollStunden");
    for (; !qrySollStd.Eof(); qrySollStd.Next()) {
        sum += hours.AsFloat();
        if (!appendRows)
            continue;
        tbAufsStd.Append();
        tbAufsStd.FieldByName("ASOFNUMM").AsString(OfNumm);
        tbAufsStd.FieldByName("ASRMTAT").AsString(rmTat.AsString());
        tbAufsStd.FieldByName("ASKONUMM").AsString(koNumm.AsString());
        tbAufsStd.FieldByName("ASSOLLSTD").AsFloat(hours.AsFloat() * VertZuschl);
        tbAufsStd.FieldByName("ASISTSTD").AsFloat(0);
        tbAufsStd.Post();
    }
    qrySollStd.Close();
    return sum;
}

void Tdm_BLXExport::WriteOrderTotals(double targetSum, const ist::TIstErgebnis& ist) {
    tbAuftrag.Edit();
    tbAuftrag.FieldByName("AsSollStnd").AsFloat(targetSum * VertZuschl);
    tbAuftrag.FieldByName("AsIstStnd").AsFloat(ist.Prodstd);
    tbAuftrag.FieldByName("AOFFSTND").AsFloat(ist.OffStd);
    tbAuftrag.FieldByName("AsRegStnd").AsFloat(ist.Regiestd);
    tbAuftrag.FieldByName("AsKoLetzt").AsString(ist.LetztKoNumm);
    auto istBis = tbAuftrag.FieldByName("AsIstBis");
    if (ist.LetztDat != 0)
        istBis.AsDateTime(std::floor(ist.LetztDat));
    else
        istBis.Clear();
    tbAuftrag.Post();
}

void Tdm_BLXExport::MergeActualHours(const std::string& OfNumm, const ist::TIstErgebnis& ist) {
    for (int i = 0; i < ist.RmTatList.Count(); ++i) {
        const std::string& rmTat = ist.RmTatList.Key(i);
        const ist::TRmInfo& info = ist.RmTatList.Value(i);
        if (tbAufsStd.Locate("AsOfNumm;AsRmTat", {TValue{OfNumm}, TValue{rmTat}})) {
            tbAufsStd.Edit();
        } else {
            tbAufsStd.Append();
            tbAufsStd.FieldByName("ASOFNUMM").AsString(OfNumm);
            tbAufsStd.FieldByName("ASRMTAT").AsString(rmTat);
            tbAufsStd.FieldByName("ASKONUMM").AsString(info.KoNumm);
            tbAufsStd.FieldByName("ASSOLLSTD").AsFloat(0);
        }
        tbAufsStd.FieldByName("ASISTSTD").AsFloat(info.Sum);
        tbAufsStd.Post();
    }
}

} // namespace sollist::batch
