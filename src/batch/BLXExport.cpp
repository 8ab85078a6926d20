#include "batch/BLXExport.h"

#include "batch/OrderHoursRun.h"
#include "batch/Stammdaten.h"
#include "db/Connection.h"
#include "db/Errors.h"
#include "db/OpenOrders.h"
#include "db/Statement.h"
#include "db/WorkUnit.h"
#include "ist/IstStunden.h"
#include "solltat/ErrorTxt.h"
#include "solltat/Solltat.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace sollist::batch {

using db::TFieldType;
using db::TValue;

namespace {

// A user's open edit holds a row the order needs: the order's line in the log and on the console.
constexpr const char* AuftragHeld =
    "Offert {}: Auftrag von einem Benutzer gesperrt, Summen nicht geschrieben";
constexpr const char* AufsStdHeld = "Offert {}: AufSStd von einem Benutzer gesperrt, nicht berechnet";

// Empties AufSStd order by order in one statement: where a user holds a row of an order, its
// delete waits up to the lock timeout and is then undone for that order alone, whose number is
// returned.
constexpr const char* EmptyAufsStdSql = R"(EXECUTE BLOCK RETURNS (OFNUMM TYPE OF COLUMN AUFSSTD.ASOFNUMM) AS
BEGIN
  FOR SELECT DISTINCT ASOFNUMM FROM AUFSSTD INTO :OFNUMM DO
  BEGIN
    DELETE FROM AUFSSTD WHERE ASOFNUMM = :OFNUMM;
    WHEN GDSCODE LOCK_CONFLICT, GDSCODE LOCK_TIMEOUT, GDSCODE DEADLOCK, GDSCODE UPDATE_CONFLICT DO
      SUSPEND;
  END
END)";

} // namespace

struct Tdm_BLXExport::TRun {
    TRun(const TRunContext& context, const TStammdaten* seed)
        : Stammdaten(seed != nullptr ? *seed : TStammdaten{}), Solltat(context, Stammdaten.Soll),
          IstStunden(context, Stammdaten.Lohn) {}

    TStammdaten Stammdaten;
    solltat::TSolltat Solltat;
    ist::TIstStunden IstStunden;
};

Tdm_BLXExport::Tdm_BLXExport(const TRunContext& context) : FContext(context) { DeclareDataObjects(); }

Tdm_BLXExport::~Tdm_BLXExport() = default;

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
void Tdm_BLXExport::DeclareDataObjects() {
    db::Declare(qry,
                {"Select AOfNumm,ANumm", "from auftrag ", db::OpenOrdersCondition},
                {{"AOfNumm", TFieldType::ftString, 10}, {"ANumm", TFieldType::ftString, 10}});

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
    const std::vector<std::string> held = EmptyAufsStd();
    qry.Close();
    db::SetOpenOrdersDay(qry, FContext.Today);
    qry.Open();
    std::vector<std::string> orders;
    orders.reserve(static_cast<std::size_t>(qry.RecordCount()));
    for (auto orderNumber = qry.FieldByName("AOfNumm"); !qry.Eof(); qry.Next()) {
        std::string OfNumm = orderNumber.AsString();
        if (std::find(held.begin(), held.end(), OfNumm) == held.end())
            orders.push_back(std::move(OfNumm));
    }
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
            FContext.Print(UnknownOrderLine(OfNumm));
            SkippedOrders.push_back(OfNumm);
        }
    }
    db::TIBCSQL oldRows(FContext.Connection, "qryAufsStdLoeschen");
    oldRows.SetSQL({"DELETE FROM AufSStd WHERE ASOFNUMM = :OFNUMM"});
    StartOrders();
    for (const std::string& OfNumm : known) CalcOrder(OfNumm, &oldRows, {});
    FinishOrders();
}

std::vector<std::string> Tdm_BLXExport::EmptyAufsStd() {
    std::vector<std::string> held;
    FContext.Connection.Prepare(EmptyAufsStdSql).Query({}, [&](std::vector<TValue>& row) {
        held.push_back(std::get<std::string>(row.at(0)));
    });
    FContext.Connection.AutoCommit();
    for (const std::string& OfNumm : held) SkipHeldOrder(OfNumm, AufsStdHeld);
    return held;
}

void Tdm_BLXExport::CalcOrder(const std::string& OfNumm, const TOrderEnd& atEnd) {
    CalcOrder(OfNumm, nullptr, atEnd);
}

void Tdm_BLXExport::CalcOrder(const std::string& OfNumm, db::TIBCSQL* oldRows, const TOrderEnd& atEnd) {
    if (FContext.StopRequested())
        throw ERunStopped("Lauf vor Offert " + OfNumm + " angehalten");
    FContext.Print(fmt::format("Berechnung für Offert {} läuft..", OfNumm));
    // The order's AufSStd rows and its totals are stored together or not at all.
    db::TIBCWorkUnit unit(FContext.Connection);
    FRun->Solltat.Calculate({OfNumm}, false); // first: it may create SOLLTAT, before the unit writes
    std::vector<TStundenZeile> rows;
    const double targetSum = SumTargetHours(&rows);
    const ist::TIstErgebnis ist = FRun->IstStunden.Calc(OfNumm);
    MergeActualHours(rows, ist);
    const bool stored =
        WriteUnlessHeld(OfNumm, AufsStdHeld, tbAufsStd,
                        [&] {
                            if (oldRows != nullptr) {
                                oldRows->ParamByName("OFNUMM").AsString(OfNumm);
                                oldRows->Execute();
                            }
                            AppendRows(OfNumm, rows);
                        }) &&
        (!tbAuftrag.FindKey({TValue{OfNumm}}) ||
         WriteUnlessHeld(OfNumm, AuftragHeld, tbAuftrag, [&] { WriteOrderTotals(targetSum, ist); }));
    if (atEnd)
        atEnd();
    if (stored)
        unit.Commit(); // else the unit rolls back what the order wrote
}

bool Tdm_BLXExport::WriteUnlessHeld(const std::string& OfNumm, const char* heldMessage, db::TIBCTable& table,
                                    const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const db::EIBCError& error) {
        // Leave this order for the next run rather than wait for the user all night. A stop
        // cancels a wait as well: that is no held row.
        if (!db::RowHeldByAnother(error) || FContext.StopRequested())
            throw;
        table.Cancel();
        SkipHeldOrder(OfNumm, heldMessage);
        return false;
    }
}

void Tdm_BLXExport::SkipHeldOrder(const std::string& OfNumm, const char* heldMessage) {
    const std::string message = fmt::format(fmt::runtime(heldMessage), OfNumm);
    solltat::TErrorTxt log(FContext.ErrorLogDir);
    log.Open("SollIst", FContext.LogLines);
    log.Write(message);
    FContext.Print(message);
    SkippedOrders.push_back(OfNumm);
}

void Tdm_BLXExport::CalcSollIst(const std::string& OfNumm) {
    tbAuftrag.Open();
    if (!tbAuftrag.FindKey({TValue{OfNumm}})) {
        tbAuftrag.Close();
        return;
    }
    TStammdaten stammdaten; // this order's alone
    solltat::TSolltat solltat(FContext, stammdaten.Soll);
    ist::TIstStunden istStunden(FContext, stammdaten.Lohn);
    solltat.Calculate({OfNumm}, false);
    const double targetSum = SumTargetHours(nullptr);
    WriteOrderTotals(targetSum, istStunden.Calc(tbAuftrag.FieldByName("AOfNumm").AsString()));
    tbAuftrag.Close();
}

double Tdm_BLXExport::SumTargetHours(std::vector<TStundenZeile>* rows) {
    const std::vector<sollstd::TSollGruppe> gruppen = SollStunden.Read();
    if (rows != nullptr)
        for (const sollstd::TSollGruppe& gruppe : gruppen)
            rows->push_back({gruppe.RmTat, gruppe.KoNumm, SollStunden.MitZuschlag(gruppe.Stunden), 0});
    return sollstd::TSollStunden::Summe(gruppen);
}

void Tdm_BLXExport::WriteOrderTotals(double targetSum, const ist::TIstErgebnis& ist) {
    tbAuftrag.Edit();
    tbAuftrag.FieldByName("AsSollStnd").AsFloat(SollStunden.MitZuschlag(targetSum));
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
