#include "batch/BLXExport.h"

#include "batch/Stammdaten.h"
#include "config/DBIniFile.h"
#include "db/Errors.h"
#include "db/OpenOrders.h"
#include "db/WorkUnit.h"
#include "ist/IstStunden.h"
#include "solltat/ErrorTxt.h"
#include "solltat/SollStunden.h"
#include "solltat/Solltat.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace sollist::batch {

using db::TFieldType;
using db::TValue;

struct Tdm_BLXExport::TRun {
    TRun(const TRunContext& context, const TStammdaten* seed)
        : Stammdaten(seed != nullptr ? *seed : TStammdaten{}), Solltat(context, &Stammdaten.Soll),
          IstStunden(context, &Stammdaten.Lohn) {}

    TStammdaten Stammdaten;
    solltat::TSolltat Solltat;
    ist::TIstStunden IstStunden;
};

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
                {"Select AOfNumm,ANumm", "from auftrag ", db::OpenOrdersCondition},
                {{"AOfNumm", TFieldType::ftString, 10}, {"ANumm", TFieldType::ftString, 10}});

    solltat::DeclareSollStunden(qrySollStd);

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
    const std::vector<std::string> orders = EmptyAufsStdAndListOrders();
    StartOrders();
    for (const std::string& OfNumm : orders) CalcOrder(OfNumm);
    FinishOrders();
}

std::vector<std::string> Tdm_BLXExport::EmptyAufsStdAndListOrders() {
    tbAufsStd.EmptyTable();
    qry.Close();
    db::SetOpenOrdersDay(qry, FContext.Today);
    qry.Open();
    std::vector<std::string> orders;
    orders.reserve(static_cast<std::size_t>(qry.RecordCount()));
    for (auto orderNumber = qry.FieldByName("AOfNumm"); !qry.Eof(); qry.Next())
        orders.push_back(orderNumber.AsString());
    qry.Close();
    return orders;
}

void Tdm_BLXExport::StartOrders(const TStammdaten* seed) {
    tbAufsStd.Open();
    tbAuftrag.Open();
    FRun = std::make_unique<TRun>(FContext, seed);
}

const TStammdaten& Tdm_BLXExport::Stammdaten() const { return FRun->Stammdaten; }

void Tdm_BLXExport::FinishOrders() {
    FRun.reset();
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
    db::TIBCSQL oldRows(FContext.Connection, "qryAufsStdLoeschen");
    oldRows.SetSQL({"DELETE FROM AufSStd WHERE ASOFNUMM = :OFNUMM"});
    StartOrders();
    for (const std::string& OfNumm : known) CalcOrder(OfNumm, &oldRows, {});
    FinishOrders();
}

void Tdm_BLXExport::CalcOrder(const std::string& OfNumm, const TOrderEnd& atEnd) {
    CalcOrder(OfNumm, nullptr, atEnd);
}

void Tdm_BLXExport::CalcOrder(const std::string& OfNumm, db::TIBCSQL* oldRows, const TOrderEnd& atEnd) {
    FContext.Print(fmt::format("Berechnung für Offert {} läuft..", OfNumm));
    // The order's AufSStd rows and its totals are stored together or not at all.
    db::TIBCWorkUnit unit(FContext.Connection);
    FRun->Solltat.Calculate({OfNumm}, false); // first: it may create SOLLTAT, before the unit writes
    std::vector<TStundenZeile> rows;
    const double targetSum = SumTargetHours(&rows);
    const ist::TIstErgebnis ist = FRun->IstStunden.Calc(OfNumm);
    MergeActualHours(rows, ist);
    if (oldRows != nullptr) {
        oldRows->ParamByName("OFNUMM").AsString(OfNumm);
        oldRows->Execute();
    }
    AppendRows(OfNumm, rows);
    if (tbAuftrag.FindKey({TValue{OfNumm}})) {
        try {
            WriteOrderTotals(targetSum, ist);
        } catch (const db::EIBCError& error) {
            // A user's open edit of the order holds its row: leave this order for the next run
            // rather than wait for the user all night. The failed write rolled the order's unit
            // back, its AufSStd rows with it.
            if (!db::RowHeldByAnother(error))
                throw;
            tbAuftrag.Cancel();
            solltat::TErrorTxt log(FContext.ErrorLogDir);
            log.Open("SollIst", FContext.LogLines);
            log.Write(fmt::format("Offert {}: Auftrag von einem Benutzer gesperrt, Summen nicht geschrieben",
                                  OfNumm));
            SkippedOrders.push_back(OfNumm);
            if (atEnd)
                atEnd();
            return;
        }
    }
    if (atEnd)
        atEnd();
    unit.Commit();
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
    const double targetSum = SumTargetHours(nullptr);
    WriteOrderTotals(targetSum, istStunden.Calc(tbAuftrag.FieldByName("AOfNumm").AsString()));
    tbAuftrag.Close();
}

double Tdm_BLXExport::SumTargetHours(std::vector<TStundenZeile>* rows) {
    double sum = 0;
    qrySollStd.Open();
    auto rmTat = qrySollStd.FieldByName("TaRmTat");
    auto koNumm = qrySollStd.FieldByName("TaKoNumm");
    auto hours = qrySollStd.FieldByName("SollStunden");
    for (; !qrySollStd.Eof(); qrySollStd.Next()) {
        sum += hours.AsFloat();
        if (rows != nullptr)
            rows->push_back({rmTat.AsString(), koNumm.AsString(), hours.AsFloat() * VertZuschl, 0});
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

// The rows are merged before they are stored, so that each is written once. Activities are
// compared exactly, as a search of the stored rows would.
void Tdm_BLXExport::MergeActualHours(std::vector<TStundenZeile>& rows, const ist::TIstErgebnis& ist) {
    for (int i = 0; i < ist.RmTatList.Count(); ++i) {
        const std::string& rmTat = ist.RmTatList.Key(i);
        const ist::TRmInfo& info = ist.RmTatList.Value(i);
        auto row =
            std::find_if(rows.begin(), rows.end(), [&](const TStundenZeile& r) { return r.RmTat == rmTat; });
        if (row == rows.end())
            row = rows.insert(rows.end(), TStundenZeile{rmTat, info.KoNumm, 0, 0});
        row->IstStd = info.Sum;
    }
}

// One statement for the order's rows, in the fields' order ASOFNUMM, ASRMTAT, ASKONUMM,
// ASSOLLSTD, ASISTSTD.
void Tdm_BLXExport::AppendRows(const std::string& OfNumm, const std::vector<TStundenZeile>& rows) {
    std::vector<std::vector<TValue>> values;
    values.reserve(rows.size());
    for (const TStundenZeile& row : rows)
        values.push_back({OfNumm, row.RmTat, row.KoNumm, row.SollStd, row.IstStd});
    tbAufsStd.AppendRows(values);
    tbAufsStd.ForgetRows(); // never searched again: held, they would grow with every order
}

} // namespace sollist::batch
