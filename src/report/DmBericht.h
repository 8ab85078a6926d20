#pragma once
// What the report reads: the open orders with the totals the order hours run stored on them
// (Auftrag), their hours per reporting activity (AufSStd, with the activity's name), and the
// course of each order's actual hours from its time records, weighted by the run's own
// actual-hours calculation. Reads only.
#include "db/DataSet.h"
#include "ist/IstStunden.h"
#include "report/ReportData.h"

#include <string>
#include <vector>

namespace sollist::report {

class TdmBericht {
public:
    // today: the day number (time of day 0) from which the open orders are counted.
    TdmBericht(db::TIBCConnection& connection, double today);

    // The open orders, or those of them named in selection when it is not empty, with their
    // activity rows and courses, arranged (see Arrange); the selected numbers that are no open order go
    // to NotFound. The header fields (company, database, time) are left to the caller.
    TReport Read(const std::vector<std::string>& selection);

private:
    db::TIBCConnection& FConnection;
    double FToday;

public:
    // The open orders (the rule of db/OpenOrders.h, shared with the order hours run).
    db::TIBCQuery qryAuftrag{FConnection, "qryAuftrag"};
    // All AufSStd rows with the name of their reporting activity.
    db::TIBCQuery qryAufSStd{FConnection, "qryAufSStd"};

private:
    // Each order's booking days; the wage rows read once for the whole report.
    ist::TLohnStamm FLohnStamm;
    ist::TIstStunden FIstStunden{TRunContext{.Connection = FConnection, .ErrorLogDir = {}, .Today = FToday},
                                 FLohnStamm};

    void ReadCourses(std::vector<TOrderHours>& orders);
};

} // namespace sollist::report
