#pragma once
// Which orders of the business database are open: the rule that the order hours run and the
// report share. An order is open while it has no closing date (Auftrag.AsAbgeschl) or was
// closed less than OpenDays days before the day of the run.

namespace sollist::db {

class TIBCDataSet;

// Orders closed this many days before the day of the run, or earlier, are no longer open.
inline constexpr int OpenDays = 60;

// The WHERE line of a query on Auftrag that keeps the open orders; SetOpenOrdersDay sets its
// parameter DATUM.
inline constexpr const char* OpenOrdersCondition = "where (AsAbgeschl is Null or AsAbgeschl>:DATUM)";

// Sets DATUM of a query declared with OpenOrdersCondition for a run on the day today (a day
// number, time of day 0): the last closing day that no longer counts as open.
void SetOpenOrdersDay(TIBCDataSet& query, double today);

} // namespace sollist::db
