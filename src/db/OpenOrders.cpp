#include "db/OpenOrders.h"

#include "db/Query.h"

namespace sollist::db {

void SetOpenOrdersDay(TIBCDataSet& query, double today) {
    query.ParamByName("DATUM").AsDateTime(today - OpenDays);
}

} // namespace sollist::db
