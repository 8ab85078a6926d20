#pragma once
// Actual hours of an order from the employees' time records, each booking weighted with
// the wage factor of its employee valid on the booking's day.
#include "db/RunContext.h"
#include "ist/DmCIstStunden.h"
#include "ist/RmTatList.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::ist {

// Weighted hours of one booking day, per kind.
struct TIstTag {
    double Regiestd = 0;
    double Prodstd = 0;
    double OffStd = 0;
};

// One employee's bookings of one reporting activity on one day: raw hours, the wage factor
// valid that day and the weighted hours, which the totals add up.
struct TIstPosten {
    std::string RmTat; // spelled as the per-activity list keeps it
    std::string TatArt;
    std::int32_t Tag = 0;
    std::string MiNumm;
    double Stunden = 0;    // raw hours, breaks deducted
    double Fak = 0;        // the wage factor valid that day
    double Gewichtet = 0;  // each booking's hours times the factor, summed as the totals are
    bool OhneLohn = false; // the employee has no wage row: the factor is 0, the hours weigh nothing
};

// The actual hours of one order.
struct TIstErgebnis {
    double Regiestd = 0;     // weighted hours of activity kind "R"
    double Prodstd = 0;      // ... of kind "P"
    double OffStd = 0;       // ... of kind "O"
    TRmTatList RmTatList;    // weighted hours per reporting activity
    double LetztDat = 0;     // latest end of any booking; 0 when none
    std::string LetztKoNumm; // cost centre of the booking that set LetztDat
    // Per booking day (whole day number), when asked for: the totals above day by day.
    std::map<std::int32_t, TIstTag> Tage;
    // When asked for with Tage: the bookings by activity, day and employee, in that order.
    std::vector<TIstPosten> Posten;
};

// One wage row of an employee: the factor from a day on.
struct TLohnZeile {
    std::int32_t Ab = 0; // first day of validity
    double Fak = 0;
};

// Wage rows by employee, each employee's by day: what a run keeps of MiLohn (it changes no
// wage rows), read per employee on first use. Plain values, no connection: a copy is whole.
using TLohnStamm = std::unordered_map<std::string, std::vector<TLohnZeile>>;

class TIstStunden {
public:
    // lohnStamm: the wage rows kept (a run changes none), read into and taken from by every
    // Calc; it must outlive the calculator. A caller that wants each Calc to read them afresh
    // hands in a new one per calculator.
    TIstStunden(const TRunContext& context, TLohnStamm& lohnStamm);
    TIstStunden(const TIstStunden&) = delete;
    TIstStunden& operator=(const TIstStunden&) = delete;

    // The order's bookings summed up; zeros and an empty list when it has none. perDay also
    // fills Tage and Posten, with the same weighted hours (the report draws an order's course
    // from them and shows how its actual hours came about).
    TIstErgebnis Calc(const std::string& OfNumm, bool perDay = false);

    // Day number meaning "no further wage row".
    static constexpr std::int32_t NoNextChange = 100000;

private:
    TDM_CIstStunden DM_CIstStunden;
    TLohnStamm& FLohnStamm;

    // The employee's wage rows by day, read through tbMiLohn on first use.
    const std::vector<TLohnZeile>& WageRows(TLohnStamm& lohnStamm, const std::string& miNumm);
};

} // namespace sollist::ist
