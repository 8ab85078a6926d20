#pragma once
// Actual hours of an order from the employees' time records, each booking weighted with
// the wage factor of its employee valid on the booking's day.
#include "common/RunContext.h"
#include "ist/DmCIstStunden.h"
#include "ist/RmTatList.h"

#include <cstdint>
#include <string>

namespace sollist::ist {

// The actual hours of one order.
struct TIstErgebnis {
    double Regiestd = 0;     // weighted hours of activity kind "R"
    double Prodstd = 0;      // ... of kind "P"
    double OffStd = 0;       // ... of kind "O"
    TRmTatList RmTatList;    // weighted hours per reporting activity
    double LetztDat = 0;     // latest end of any booking; 0 when none
    std::string LetztKoNumm; // cost centre of the booking that set LetztDat
};

class TIstStunden {
public:
    explicit TIstStunden(const TRunContext& context);
    TIstStunden(const TIstStunden&) = delete;
    TIstStunden& operator=(const TIstStunden&) = delete;

    // The order's bookings summed up; zeros and an empty list when it has none.
    TIstErgebnis Calc(const std::string& OfNumm);

    // Day number meaning "no further wage row".
    static constexpr std::int32_t NoNextChange = 100000;

private:
    double FFak = 0;              // wage factor of the current employee and day
    std::int32_t FNextchange = 0; // day from which the next wage row applies
    std::string FMiNumm;          // current employee
    TDM_CIstStunden DM_CIstStunden;

    void WageFactorStep(double bookingDay, bool newEmployee);
};

} // namespace sollist::ist
