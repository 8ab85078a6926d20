#pragma once
// Queries of the actual-hours calculation: the time records of one order and the wage rows
// of one employee.
#include "db/DataSet.h"

namespace sollist::ist {

class TDM_CIstStunden {
public:
    explicit TDM_CIstStunden(db::TIBCConnection& connection);

private:
    db::TIBCConnection& FConnection;

public:
    // Time records of an order (parameter OfNumm), by employee, day and start time.
    db::TIBCQuery qryZ{FConnection, "qryZ"};
    // Wage rows; restricted to one employee through FilterSQL.
    db::TIBCTable tbMiLohn{FConnection, "tbMiLohn"};
};

} // namespace sollist::ist
