#pragma once
// The order hours run: for every open order, target hours per reporting activity and cost
// centre (with the surcharge factor) and actual hours go into AufSStd, and the totals into
// the order's row of Auftrag.
#include "db/DataSet.h"
#include "db/RunContext.h"
#include "sollstd/SollStunden.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace sollist::db {
class TIBCWorkUnit;
}

namespace sollist::ist {
struct TIstErgebnis;
}

namespace sollist::batch {

struct TStammdaten;
class TOrderQueue;

// A line an order produced: for the console, or for the calculation error log.
struct TOrderLine {
    bool Log = false;
    std::string Text;
};

class Tdm_BLXExport {
public:
    // Reads the surcharge factor VertZuschl from the settings store. Keeps a reference to
    // context, which must outlive it.
    explicit Tdm_BLXExport(const TRunContext& context);
    ~Tdm_BLXExport();
    Tdm_BLXExport(const Tdm_BLXExport&) = delete;
    Tdm_BLXExport& operator=(const Tdm_BLXExport&) = delete;

    // The run over all open orders; prints one progress line per order. Each order's AufSStd
    // rows are replaced and its totals written in one unit of work, so a run that stops leaves
    // every order not yet calculated with the rows and totals of the run before. At the end the
    // rows of the orders no longer open are deleted (DeleteRowsOfClosedOrders).
    void CalcSollIst();
    // Recalculates the totals of one order in Auftrag (no AufSStd rows, no console line).
    void CalcSollIst(const std::string& OfNumm);
    // The nightly run for the named orders only: their AufSStd rows replaced, their totals
    // written, every other order left alone. A number that is no order gets a console line,
    // joins SkippedOrders and changes nothing.
    void CalcOrders(const std::vector<std::string>& orders);

    // The steps of CalcSollIst around its orders, for a run that shares them out among workers
    // (TRun on modules of their own): the open orders in the order the database gives them;
    // after the orders, the AufSStd rows of every order that is not open deleted (one
    // statement, one commit), but for orders a user holds a row of: those keep their rows and
    // join SkippedOrders.
    std::vector<std::string> ListOpenOrders();
    void DeleteRowsOfClosedOrders();

    // Orders that were not stored: a user held a row of theirs in Auftrag or AufSStd longer than
    // the connection's lock timeout, or the order was deleted under the run (each has a line in
    // the error log and on the console); unknown orders of CalcOrders. In the order met.
    std::vector<std::string> SkippedOrders;

    class TRun;

private:
    const TRunContext& FContext;

public:
    // SOLLTAT summed per reporting activity and cost centre, and the surcharge factor.
    sollstd::TSollStunden SollStunden{FContext.Connection};
    db::TIBCQuery qry{FContext.Connection, "qry"}; // open orders
    db::TIBCTable tbAufsStd{FContext.Connection, "tbAufsStd"};
    db::TIBCTable tbAuftrag{FContext.Connection, "tbAuftrag"};

private:
    void DeclareDataObjects();
    // The orders given, each prepared and committed in turn by one TRun on this connection.
    void CalcQueue(std::vector<std::string> orders);
};

// What one order produced: its lines and its writes, stored at Commit.
class TPreparedOrder {
public:
    TPreparedOrder();
    TPreparedOrder(TPreparedOrder&&) noexcept;
    TPreparedOrder& operator=(TPreparedOrder&&) noexcept;
    ~TPreparedOrder(); // rolls back what is not committed

    std::string OfNumm;
    // Not to be stored: a user holds a row it needs, or it was deleted or changed under the run
    // so that it cannot be stored; its lines say so, and its writes were rolled back.
    bool Skipped = false;
    // Its console and error-log lines in the order they came; empty when the run wrote them
    // at once.
    std::vector<TOrderLine> Lines;
    // Stores the order's AufSStd rows and totals together (nothing for a skipped order).
    void Commit();

private:
    friend class Tdm_BLXExport::TRun;
    std::unique_ptr<db::TIBCWorkUnit> FUnit;
};

// A run over orders on a module's connection: from its construction (the tables opened,
// SOLLTAT made sure of, the calculators made) to its destruction, the calculators keep the
// run's master data from order to order: their own, starting from a copy of seed when one is
// given. Keeps a reference to the module, which must outlive it.
class Tdm_BLXExport::TRun {
public:
    // Where an order's lines go: at once, through the module's context, or held in the
    // prepared order and written by Work in the order's turn.
    enum class TLines { AtOnce, InTurn };
    explicit TRun(Tdm_BLXExport& module, TLines lines = TLines::AtOnce, const TStammdaten* seed = nullptr);
    ~TRun();
    TRun(const TRun&) = delete;
    TRun& operator=(const TRun&) = delete;

    // One order: progress line, target activities, AufSStd rows, totals, its inputs read in one
    // consistent view of the database, its writes in one unit of work, waiting for Commit.
    // Raises ERunStopped, before it begins, when the run is to stop; any other failure is a
    // failure of the run.
    TPreparedOrder Prepare(const std::string& OfNumm);
    // Prepares the queue's orders until it hands out no more, writing each order's lines and
    // committing it in its turn; one run on one connection and each of several workers go
    // through it alike. A failure stops the hand-out and goes to the queue (TOrderQueue::Error)
    // with the failed order's lines written first; later orders are rolled back. Returns the
    // positions of the orders skipped.
    std::vector<std::size_t> Work(TOrderQueue& queue);
    // The master data kept so far.
    const TStammdaten& Stammdaten() const;

private:
    struct TCalculators;
    // One AufSStd row of the order being calculated, before it is stored.
    struct TStundenZeile {
        std::string RmTat, KoNumm;
        double SollStd = 0, IstStd = 0;
    };

    // The order's writes in its unit: its old AufSStd rows replaced, its totals. Returns the
    // line of an order that cannot be stored (a row held, the order gone); nullptr when stored.
    const char* Store(const std::string& OfNumm, const std::vector<TStundenZeile>& rows, double targetSum,
                      const ist::TIstErgebnis& ist);
    // The skip line for a failed write of the order, or nullptr when the failure is the run's.
    const char* SkipLine(const std::exception& error, const char* heldLine) const;
    // The order's target hours before the surcharge; also collects each group as a row
    // (target hours with the surcharge).
    double SumTargetHours(std::vector<TStundenZeile>& rows);
    // Puts each reporting activity's actual hours into the first row of that activity, adding
    // a row where there is none.
    static void MergeActualHours(std::vector<TStundenZeile>& rows, const ist::TIstErgebnis& ist);
    void AppendRows(const std::string& OfNumm, const std::vector<TStundenZeile>& rows);
    // The lines of the order in hand not yet written, through the module's context.
    void WriteLines(std::vector<TOrderLine>& lines);
    // A failed order: the hand-out stops; its lines come out in its turn, then the error.
    void EndFailed(TOrderQueue& queue, std::size_t position, std::exception_ptr error);

    Tdm_BLXExport& FModule;
    std::vector<TOrderLine> FLines; // of the order in hand, when held
    const TRunContext FContext;     // the module's, with the order's lines held when InTurn
    std::unique_ptr<TCalculators> FCalc;
};

} // namespace sollist::batch
