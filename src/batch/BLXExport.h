#pragma once
// The order hours run: for every open order, target hours per reporting activity and cost
// centre (with the surcharge factor) and actual hours go into AufSStd, and the totals into
// the order's row of Auftrag.
#include "db/DataSet.h"

#include <string>

namespace sollist::ist {
class TIstStunden;
}

namespace sollist::batch {

class Tdm_BLXExport {
public:
    // Reads the surcharge factor VertZuschl from the settings store.
    Tdm_BLXExport();
    ~Tdm_BLXExport();
    Tdm_BLXExport(const Tdm_BLXExport&) = delete;
    Tdm_BLXExport& operator=(const Tdm_BLXExport&) = delete;

    // The run over all open orders; prints one progress line per order.
    void CalcSollIst();
    // Recalculates the totals of one order in Auftrag (no AufSStd rows, no console line).
    void CalcSollIst(const std::string& OfNumm);

    // Factor on all target hours: 1 + the percentage of Firmenstamm/VertZuschl.
    double VertZuschl = 1.0;

    db::TIBCQuery qry{"qry"};               // open orders
    db::TIBCQuery qrySollStd{"qrySollStd"}; // SOLLTAT summed per reporting activity, cost centre
    db::TIBCTable tbAufsStd{"tbAufsStd"};
    db::TIBCTable tbAuftrag{"tbAuftrag"};

    // Orders closed on this many days before today or earlier are no longer open.
    static constexpr int OpenDays = 60;

private:
    void DeclareDataObjects();
    // Sums qrySollStd; with appendRows, appends each group to tbAufsStd as well.
    double SumTargetHours(const std::string& OfNumm, bool appendRows);
    // Writes the totals into the current row of tbAuftrag.
    void WriteOrderTotals(double targetSum, const ist::TIstStunden& ist);
    // Puts each reporting activity's actual hours into its AufSStd row, adding missing rows.
    void MergeActualHours(const std::string& OfNumm, const ist::TIstStunden& ist);
};

} // namespace sollist::batch
