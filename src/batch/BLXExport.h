#pragma once
// The order hours run: for every open order, target hours per reporting activity and cost
// centre (with the surcharge factor) and actual hours go into AufSStd, and the totals into
// the order's row of Auftrag.
#include "common/RunContext.h"
#include "db/DataSet.h"
#include "sollstd/SollStunden.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sollist::ist {
struct TIstErgebnis;
}

namespace sollist::batch {

struct TStammdaten;

class Tdm_BLXExport {
public:
    // Reads the surcharge factor VertZuschl from the settings store.
    explicit Tdm_BLXExport(const TRunContext& context);
    ~Tdm_BLXExport();
    Tdm_BLXExport(const Tdm_BLXExport&) = delete;
    Tdm_BLXExport& operator=(const Tdm_BLXExport&) = delete;

    // The run over all open orders; prints one progress line per order.
    void CalcSollIst();
    // CalcSollIst in steps, for a run that shares the orders out among modules on several
    // connections: on one module EmptyAufsStdAndListOrders; then on each module StartOrders,
    // CalcOrder for each of its orders, FinishOrders.
    // Empties AufSStd and returns the open orders in the order the database gives them, but for
    // those a user holds AufSStd rows of: they keep their rows and join SkippedOrders.
    std::vector<std::string> EmptyAufsStdAndListOrders();
    // Opens the tables and makes the calculators, which keep the run's master data from order
    // to order: their own, starting from a copy of seed when one is given.
    void StartOrders(const TStammdaten* seed = nullptr);
    // Called once an order's work is done, before its unit of work is committed (also for an
    // order a user holds, whose unit was rolled back): what it raises rolls the order back.
    using TOrderEnd = std::function<void()>;
    // One order of the run: progress line, target activities, AufSStd rows, totals, committed
    // together. Raises ERunStopped, before it begins, when the run is to stop.
    void CalcOrder(const std::string& OfNumm, const TOrderEnd& atEnd = {});
    // The master data kept so far (between StartOrders and FinishOrders).
    const TStammdaten& Stammdaten() const;
    void FinishOrders();
    // Recalculates the totals of one order in Auftrag (no AufSStd rows, no console line).
    void CalcSollIst(const std::string& OfNumm);
    // The nightly run for the named orders only: their AufSStd rows replaced, their totals
    // written, every other order left alone. A number that is no order gets a console line,
    // joins SkippedOrders and changes nothing.
    void CalcOrders(const std::vector<std::string>& orders);

    // Orders that could not be stored because a user held a row of theirs in Auftrag or AufSStd
    // longer than the connection's lock timeout (each has a line in the error log and on the
    // console), and unknown orders of CalcOrders, in the order met.
    std::vector<std::string> SkippedOrders;

private:
    const TRunContext& FContext;

public:
    // SOLLTAT summed per reporting activity and cost centre, and the surcharge factor.
    sollstd::TSollStunden SollStunden{FContext.Connection};
    db::TIBCQuery qry{FContext.Connection, "qry"}; // open orders
    db::TIBCTable tbAufsStd{FContext.Connection, "tbAufsStd"};
    db::TIBCTable tbAuftrag{FContext.Connection, "tbAuftrag"};

private:
    // One AufSStd row of the order being calculated, before it is stored.
    struct TStundenZeile {
        std::string RmTat, KoNumm;
        double SollStd = 0, IstStd = 0;
    };
    // The calculators of a run over orders and the master data they keep for it.
    struct TRun;
    std::unique_ptr<TRun> FRun; // from StartOrders to FinishOrders

    void DeclareDataObjects();
    // Empties AufSStd (one commit) but for the orders a user holds a row of, which keep their
    // rows and are skipped (returned).
    std::vector<std::string> EmptyAufsStd();
    // CalcOrder; with oldRows (a delete by :OFNUMM), the order's stored AufSStd rows are
    // replaced in the same unit of work.
    void CalcOrder(const std::string& OfNumm, db::TIBCSQL* oldRows, const TOrderEnd& atEnd);
    // Runs one write of the order's unit of work. When a user holds a row it needs, past the
    // lock timeout, the order is skipped (table's pending edit cancelled) and false returned;
    // the unit then rolls back what the order wrote.
    bool WriteUnlessHeld(const std::string& OfNumm, const char* heldMessage, db::TIBCTable& table,
                         const std::function<void()>& write);
    // The held order's line (heldMessage with the order number) in the log and on the console.
    void SkipHeldOrder(const std::string& OfNumm, const char* heldMessage);
    // The order's target hours before the surcharge; with rows, also collects each group as a
    // row (target hours with the surcharge).
    double SumTargetHours(std::vector<TStundenZeile>* rows);
    // Writes the totals into the current row of tbAuftrag.
    void WriteOrderTotals(double targetSum, const ist::TIstErgebnis& ist);
    // Puts each reporting activity's actual hours into the first row of that activity, adding
    // a row where there is none.
    static void MergeActualHours(std::vector<TStundenZeile>& rows, const ist::TIstErgebnis& ist);
    void AppendRows(const std::string& OfNumm, const std::vector<TStundenZeile>& rows);
};

} // namespace sollist::batch
