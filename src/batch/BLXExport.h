#pragma once
// The order hours run: for every open order, target hours per reporting activity and cost
// centre (with the surcharge factor) and actual hours go into AufSStd, and the totals into
// the order's row of Auftrag.
#include "common/RunContext.h"
#include "db/DataSet.h"

#include <string>
#include <vector>

namespace sollist::ist {
struct TIstErgebnis;
}

namespace sollist::batch {

class Tdm_BLXExport {
public:
    // Reads the surcharge factor VertZuschl from the settings store.
    explicit Tdm_BLXExport(const TRunContext& context);
    ~Tdm_BLXExport();
    Tdm_BLXExport(const Tdm_BLXExport&) = delete;
    Tdm_BLXExport& operator=(const Tdm_BLXExport&) = delete;

    // The run over all open orders; prints one progress line per order.
    void CalcSollIst();
    // Recalculates the totals of one order in Auftrag (no AufSStd rows, no console line).
    void CalcSollIst(const std::string& OfNumm);

    // Factor on all target hours: 1 + the percentage of Firmenstamm/VertZuschl.
    double VertZuschl = 1.0;

private:
    const TRunContext& FContext;

public:
    db::TIBCQuery qry{FContext.Connection, "qry"}; // open orders
    // SOLLTAT summed per reporting activity and cost centre
    db::TIBCQuery qrySollStd{FContext.Connection, "qrySollStd"};
    db::TIBCTable tbAufsStd{FContext.Connection, "tbAufsStd"};
    db::TIBCTable tbAuftrag{FContext.Connection, "tbAuftrag"};

    // Orders closed on this many days before today or earlier are no longer open.
    static constexpr int OpenDays = 60;

private:
    // One AufSStd row of the order being calculated, before it is stored.
    struct TStundenZeile {
        std::string RmTat, KoNumm;
        double SollStd = 0, IstStd = 0;
    };

    void DeclareDataObjects();
    // Sums qrySollStd; with rows, also collects each group as a row (target hours with the
    // surcharge).
    double SumTargetHours(std::vector<TStundenZeile>* rows);
    // Writes the totals into the current row of tbAuftrag.
    void WriteOrderTotals(double targetSum, const ist::TIstErgebnis& ist);
    // Puts each reporting activity's actual hours into the first row of that activity, adding
    // a row where there is none.
    static void MergeActualHours(std::vector<TStundenZeile>& rows, const ist::TIstErgebnis& ist);
    void AppendRows(const std::string& OfNumm, const std::vector<TStundenZeile>& rows);
};

} // namespace sollist::batch
