#include "batch/BLXExport.h"

#include "batch/OrderHoursRun.h"
#include "batch/OrderQueue.h"
#include "batch/RunStammdaten.h"
#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/OpenOrders.h"
#include "db/ReadView.h"
#include "db/RowReader.h"
#include "db/Statement.h"
#include "db/WorkUnit.h"
#include "ist/IstStunden.h"
#include "solltat/ErrorTxt.h"
#include "solltat/Solltat.h"
#include "solltat/SolltatWriter.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace sollist::batch {

using db::TFieldType;
using db::TValue;

namespace {

// An order that cannot be stored: its line in the log and on the console.
constexpr const char* AuftragHeld =
    "Offert {}: Auftrag von einem Benutzer gesperrt, Summen nicht geschrieben";
constexpr const char* AufsStdHeld = "Offert {}: AufSStd von einem Benutzer gesperrt, nicht berechnet";
constexpr const char* AuftragGone =
    "Offert {}: Auftrag während der Berechnung gelöscht oder geändert, nicht gespeichert";

// Deletes the AufSStd rows of every order that is not open (not in Auftrag, or no longer open
// on the run's day), order by order in one statement: where a user holds a row of an order,
// its delete waits up to the lock timeout and is then undone for that order alone, whose number
// is returned.
std::string DeleteClosedRowsSql() {
    return fmt::format(R"(EXECUTE BLOCK (DATUM DATE = ?) RETURNS (OFNUMM TYPE OF COLUMN AUFSSTD.ASOFNUMM) AS
BEGIN
  FOR SELECT DISTINCT ASOFNUMM FROM AUFSSTD WHERE NOT EXISTS
      (SELECT 1 FROM AUFTRAG {} AND AOFNUMM = AUFSSTD.ASOFNUMM) INTO :OFNUMM DO
  BEGIN
    DELETE FROM AUFSSTD WHERE ASOFNUMM = :OFNUMM;
    WHEN GDSCODE LOCK_CONFLICT, GDSCODE LOCK_TIMEOUT, GDSCODE DEADLOCK, GDSCODE UPDATE_CONFLICT DO
      SUSPEND;
  END
END)",
                       db::OpenOrdersCondition);
}

// Writes an order's totals into the current row of tbAuftrag: its target hours with the
// surcharge, and its actual hours.
void WriteOrderTotals(db::TIBCTable& tbAuftrag, double sollStnd, const ist::TIstErgebnis& ist) {
    tbAuftrag.Edit();
    tbAuftrag.FieldByName("AsSollStnd").AsFloat(sollStnd);
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

std::string LineFor(const char* line, const std::string& OfNumm) {
    return fmt::format(fmt::runtime(line), OfNumm);
}

// The line of an order that is not stored, in the log and on the console.
void ReportSkipped(const TRunContext& context, const std::string& line) {
    solltat::TErrorTxt log(context.ErrorLogDir);
    log.Open("SollIst", context.LogLines);
    log.Write(line);
    context.Print(line);
}

} // namespace

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
    CalcQueue(ListOpenOrders());
    DeleteRowsOfClosedOrders();
}

std::vector<std::string> Tdm_BLXExport::ListOpenOrders() {
    qry.Close();
    db::SetOpenOrdersDay(qry, FContext.Today);
    qry.Open();
    struct TOpenOrder {
        std::string OfNumm;
    };
    std::vector<std::string> orders;
    for (TOpenOrder& order : db::ReadRows<TOpenOrder>(qry, {{"AOfNumm", &TOpenOrder::OfNumm}}))
        orders.push_back(std::move(order.OfNumm));
    qry.Close();
    return orders;
}

void Tdm_BLXExport::DeleteRowsOfClosedOrders() {
    std::vector<std::string> held;
    FContext.Connection.Prepare(DeleteClosedRowsSql())
        .Query({TValue{FContext.Today - db::OpenDays}},
               [&](std::vector<TValue>& row) { held.push_back(std::get<std::string>(row.at(0))); });
    FContext.Connection.AutoCommit();
    for (const std::string& OfNumm : held) {
        ReportSkipped(FContext, LineFor(AufsStdHeld, OfNumm));
        SkippedOrders.push_back(OfNumm);
    }
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
    CalcQueue(std::move(known));
}

void Tdm_BLXExport::CalcQueue(std::vector<std::string> orders) {
    TOrderQueue queue(std::move(orders), FContext.Stop);
    std::vector<std::size_t> skipped;
    {
        TRun run(*this);
        skipped = run.Work(queue);
    }
    if (const std::exception_ptr error = queue.Error())
        std::rethrow_exception(error);
    for (const std::size_t position : skipped) SkippedOrders.push_back(queue.Order(position));
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
    const double targetSum = sollstd::TSollStunden::Summe(SollStunden.Read());
    WriteOrderTotals(tbAuftrag, SollStunden.MitZuschlag(targetSum),
                     istStunden.Calc(tbAuftrag.FieldByName("AOfNumm").AsString()));
    tbAuftrag.Close();
}

// --- one order -------------------------------------------------------------------------------

TPreparedOrder::TPreparedOrder() = default;
TPreparedOrder::TPreparedOrder(TPreparedOrder&&) noexcept = default;
TPreparedOrder& TPreparedOrder::operator=(TPreparedOrder&&) noexcept = default;
TPreparedOrder::~TPreparedOrder() = default;

void TPreparedOrder::Commit() {
    std::unique_ptr<db::TIBCWorkUnit> unit = std::move(FUnit);
    if (unit && !Skipped)
        unit->Commit(); // a skipped order's unit rolls back what it wrote
}

struct Tdm_BLXExport::TRun::TCalculators {
    TCalculators(const TRunContext& context, const TStammdaten* seed)
        : Stammdaten(seed != nullptr ? *seed : TStammdaten{}), Solltat(context, Stammdaten.Soll),
          IstStunden(context, Stammdaten.Lohn), OldRows(context.Connection, "qryAufsStdLoeschen") {
        OldRows.SetSQL({"DELETE FROM AufSStd WHERE ASOFNUMM = :OFNUMM"});
    }

    TStammdaten Stammdaten;
    solltat::TSolltat Solltat;
    ist::TIstStunden IstStunden;
    db::TIBCSQL OldRows;                   // the order's stored AufSStd rows, replaced in its unit
    std::optional<solltat::TErrorTxt> Log; // the error log, when lines are written in turn
};

Tdm_BLXExport::TRun::TRun(Tdm_BLXExport& module, TLines lines, const TStammdaten* seed)
    : FModule(module),
      FContext(lines == TLines::AtOnce
                   ? module.FContext.WithSinks(module.FContext.Console, module.FContext.LogLines)
                   : module.FContext.WithSinks(
                         [this](const std::string& line) {
                             FLines.push_back({false, line});
                         },
                         [this](const std::string& line) {
                             FLines.push_back({true, line});
                         })) {
    // Made before any order: the orders read in a view that cannot create tables.
    solltat::CreateSolltat(FContext.Connection);
    // Never searched: opened without rows, AufSStd is only written.
    FModule.tbAufsStd.FilterSQL("1=0");
    FModule.tbAufsStd.Open();
    FModule.tbAuftrag.Open();
    FCalc = std::make_unique<TCalculators>(FContext, seed);
    if (lines == TLines::InTurn && !FModule.FContext.LogLines) {
        FCalc->Log.emplace(FContext.ErrorLogDir);
        FCalc->Log->Open("");
    }
}

Tdm_BLXExport::TRun::~TRun() {
    FCalc.reset();
    FModule.tbAufsStd.Close();
    FModule.tbAufsStd.FilterSQL("");
    FModule.tbAuftrag.Close();
}

const TStammdaten& Tdm_BLXExport::TRun::Stammdaten() const { return FCalc->Stammdaten; }

TPreparedOrder Tdm_BLXExport::TRun::Prepare(const std::string& OfNumm) {
    if (FContext.StopRequested())
        throw ERunStopped("Lauf vor Offert " + OfNumm + " angehalten");
    FLines.clear();
    TPreparedOrder order;
    order.OfNumm = OfNumm;
    FContext.Print(fmt::format("Berechnung für Offert {} läuft..", OfNumm));
    // The order's AufSStd rows and its totals are stored together or not at all.
    order.FUnit = std::make_unique<db::TIBCWorkUnit>(FContext.Connection);
    std::vector<TStundenZeile> rows;
    double targetSum = 0;
    ist::TIstErgebnis ist;
    {
        // Every input of the order as committed when it begins: a user's change meanwhile
        // is in none of its figures or in all of them the next night.
        db::TIBCReadView view(FContext.Connection);
        FCalc->Solltat.Calculate({OfNumm}, false);
        targetSum = SumTargetHours(rows);
        ist = FCalc->IstStunden.Calc(OfNumm);
        view.End();
    }
    MergeActualHours(rows, ist);
    if (const char* line = Store(OfNumm, rows, targetSum, ist)) {
        order.FUnit.reset(); // rolls back what the order wrote
        order.Skipped = true;
        ReportSkipped(FContext, LineFor(line, OfNumm));
    }
    order.Lines = std::move(FLines);
    FLines.clear();
    return order;
}

const char* Tdm_BLXExport::TRun::Store(const std::string& OfNumm, const std::vector<TStundenZeile>& rows,
                                       double targetSum, const ist::TIstErgebnis& ist) {
    try {
        FCalc->OldRows.ParamByName("OFNUMM").AsString(OfNumm);
        FCalc->OldRows.Execute();
        AppendRows(OfNumm, rows);
    } catch (const std::exception& error) {
        FModule.tbAufsStd.Cancel();
        if (const char* line = SkipLine(error, AufsStdHeld))
            return line;
        throw;
    }
    // Gone since the run read Auftrag: deleted, or its number changed.
    if (!FModule.tbAuftrag.FindKey({TValue{OfNumm}}))
        return AuftragGone;
    try {
        WriteOrderTotals(FModule.tbAuftrag, FModule.SollStunden.MitZuschlag(targetSum), ist);
    } catch (const std::exception& error) {
        FModule.tbAuftrag.Cancel();
        if (const char* line = SkipLine(error, AuftragHeld))
            return line;
        throw;
    }
    return nullptr;
}

// Leave a held order for the next run rather than wait for the user all night, and an order
// deleted under the run for what it has become. A stop cancels a wait as well: that is no
// held row.
const char* Tdm_BLXExport::TRun::SkipLine(const std::exception& error, const char* heldLine) const {
    if (FContext.StopRequested())
        return nullptr;
    if (db::RowHeldByAnother(error))
        return heldLine;
    if (dynamic_cast<const db::ERowGone*>(&error) != nullptr)
        return AuftragGone;
    return nullptr;
}

double Tdm_BLXExport::TRun::SumTargetHours(std::vector<TStundenZeile>& rows) {
    const std::vector<sollstd::TSollGruppe> gruppen = FModule.SollStunden.Read();
    for (const sollstd::TSollGruppe& gruppe : gruppen)
        rows.push_back({gruppe.RmTat, gruppe.KoNumm, FModule.SollStunden.MitZuschlag(gruppe.Stunden), 0});
    return sollstd::TSollStunden::Summe(gruppen);
}

// The rows are merged before they are stored, so that each is written once. Activities are
// compared exactly, as a search of the stored rows would.
void Tdm_BLXExport::TRun::MergeActualHours(std::vector<TStundenZeile>& rows, const ist::TIstErgebnis& ist) {
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
void Tdm_BLXExport::TRun::AppendRows(const std::string& OfNumm, const std::vector<TStundenZeile>& rows) {
    std::vector<std::vector<TValue>> values;
    values.reserve(rows.size());
    for (const TStundenZeile& row : rows)
        values.push_back({OfNumm, row.RmTat, row.KoNumm, row.SollStd, row.IstStd});
    FModule.tbAufsStd.AppendRows(values);
    FModule.tbAufsStd.ForgetRows(); // never searched again: held, they would grow with every order
}

// --- the orders of a queue -------------------------------------------------------------------

std::vector<std::size_t> Tdm_BLXExport::TRun::Work(TOrderQueue& queue) {
    std::vector<std::size_t> skipped;
    while (const std::optional<std::size_t> position = queue.Take()) {
        std::optional<TPreparedOrder> order;
        try {
            order.emplace(Prepare(queue.Order(*position)));
        } catch (...) {
            EndFailed(queue, *position, std::current_exception());
            continue;
        }
        if (!queue.AwaitTurn(*position)) { // an earlier order failed: this one stays unwritten
            order.reset();
            queue.EndTurn(*position);
            continue;
        }
        try {
            WriteLines(order->Lines);
            order->Commit();
        } catch (...) {
            order.reset();
            queue.Stop();
            queue.EndTurn(*position, std::current_exception());
            continue;
        }
        if (order->Skipped)
            skipped.push_back(*position);
        queue.EndTurn(*position);
    }
    return skipped;
}

// Its lines still come out in its turn, before the error line, as they would have at once; an
// error writing them came first then.
void Tdm_BLXExport::TRun::EndFailed(TOrderQueue& queue, std::size_t position, std::exception_ptr error) {
    queue.Stop();
    if (!queue.AwaitTurn(position)) {
        queue.EndTurn(position);
        return;
    }
    try {
        WriteLines(FLines);
    } catch (...) {
        error = std::current_exception();
    }
    queue.EndTurn(position, std::move(error));
}

void Tdm_BLXExport::TRun::WriteLines(std::vector<TOrderLine>& lines) {
    const TRunContext& to = FModule.FContext;
    for (const TOrderLine& line : lines) {
        if (!line.Log)
            to.Print(line.Text);
        else if (to.LogLines)
            to.LogLines(line.Text);
        else
            FCalc->Log->AppendLine(line.Text);
    }
    lines.clear();
}

} // namespace sollist::batch
