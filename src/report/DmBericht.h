#pragma once
// What the report reads: the open orders with the totals the order hours run stored on them
// (Auftrag) and their hours per reporting activity (AufSStd, with the activity's name).
// Reads only.
#include "db/DataSet.h"
#include "report/ReportData.h"

#include <string>
#include <vector>

namespace sollist::report {

class TdmBericht {
public:
    explicit TdmBericht(db::TIBCConnection& connection);

    // The open orders, or those of them named in selection when it is not empty, with their
    // activity rows, arranged (see Arrange); the selected numbers that are no open order go
    // to NotFound. The header fields (company, database, time) are left to the caller.
    TReport Read(const std::vector<std::string>& selection);

private:
    db::TIBCConnection& FConnection;

public:
    // The open orders (the rule of db/OpenOrders.h, shared with the order hours run).
    db::TIBCQuery qryAuftrag{FConnection, "qryAuftrag"};
    // All AufSStd rows with the name of their reporting activity.
    db::TIBCQuery qryAufSStd{FConnection, "qryAufSStd"};
};

} // namespace sollist::report
