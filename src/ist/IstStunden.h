#pragma once
// Actual hours of an order from the employees' time records, each booking weighted with
// the wage factor of its employee valid on the booking's day.
#include "common/RunContext.h"
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
};

class TIstStunden {
public:
    explicit TIstStunden(const TRunContext& context);
    TIstStunden(const TIstStunden&) = delete;
    TIstStunden& operator=(const TIstStunden&) = delete;

    // The order's bookings summed up; zeros and an empty list when it has none. perDay also
    // fills Tage, with the same weighted hours (the report draws an order's course from it).
    TIstErgebnis Calc(const std::string& OfNumm, bool perDay = false);

    // Day number meaning "no further wage row".
    static constexpr std::int32_t NoNextChange = 100000;

    // Keeps each employee's wage rows for later Calc calls. Only for a run that changes no
    // wage rows while it goes (the order hours run); otherwise they are read per Calc.
    bool KeepMasterData = false;

private:
    struct TLohnZeile {
        std::int32_t Ab = 0; // first day of validity
        double Fak = 0;
    };

    double FFak = 0;                                // wage factor of the current employee and day
    std::int32_t FNextchange = 0;                   // day from which the next wage row applies
    std::string FMiNumm;                            // current employee
    const std::vector<TLohnZeile>* FLohn = nullptr; // the current employee's wage rows
    std::size_t FLohnPos = 0;                       // the next of them to look at
    std::unordered_map<std::string, std::vector<TLohnZeile>> FLohnCache;
    TDM_CIstStunden DM_CIstStunden;

    // The employee's wage rows by day, read through tbMiLohn on first use.
    const std::vector<TLohnZeile>& WageRows(const std::string& miNumm);
    void WageFactorStep(double bookingDay, bool newEmployee);
};

} // namespace sollist::ist
