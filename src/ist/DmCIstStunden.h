#pragma once
// Queries of the actual-hours calculation: the time records of one order and the wage rows
// of one employee.
#include "db/DataSet.h"

namespace sollist::ist {

class TDM_CIstStunden {
public:
    TDM_CIstStunden();

    // Time records of an order (parameter OfNumm), by employee, day and start time.
    db::TIBCQuery qryZ{"qryZ"};
    // Wage rows; restricted to one employee through FilterSQL.
    db::TIBCTable tbMiLohn{"tbMiLohn"};
};

} // namespace sollist::ist
