#pragma once
// The figures of the target-against-actual report as plain values: what the report module
// reads from Auftrag and AufSStd, and what the HTML and CSV writers turn into text.
#include "ist/IstStunden.h"

#include <optional>
#include <string>
#include <vector>

namespace sollist::report {

// Time and material (activity kind "R") is charged by the hour it takes: its hours are shown on
// their own and never count as overrun. The difference compares the other actual hours
// (production and office) with the target.
inline bool IsRegie(const std::string& tatArt) { return tatArt == "R"; }

// One AufSStd row: target and actual hours of an order under one reporting activity.
struct TActivityHours {
    std::string RmTat;    // reporting activity (TaNumm of TAETIGKE)
    std::string Name;     // its TaName; empty when the activity is unknown
    std::string KoNumm;   // cost centre
    double Soll = 0;      // target hours, surcharge included
    double Ist = 0;       // weighted actual hours of every kind
    std::string TatArt{}; // the activity's kind; empty when the activity is unknown
    double OverSince = 0; // the booking day its hours passed its target for good; 0: not

    bool Regie() const { return IsRegie(TatArt); }
    // The actual hours the target is compared with: none of a time-and-material activity.
    double Gezaehlt() const { return Regie() ? 0 : Ist; }
    double Differenz() const { return Gezaehlt() - Soll; }
};

// One booking day of an order's course: that day's weighted actual hours per kind and the
// running sums through it.
struct TBookingDay {
    double Day = 0; // day number
    double Prod = 0;
    double Regie = 0;
    double Buero = 0;
    double Sum = 0; // every kind, from the first booking day through this one
    // Production and office, from the first booking day through this one: what is compared
    // with the target.
    double SumOhneRegie = 0;

    double Hours() const { return Prod + Regie + Buero; }
    double Gezaehlt() const { return Prod + Buero; }
};

// An open order with the totals the run stored on it.
struct TOrderHours {
    std::string OfNumm;
    std::string ANumm;
    std::string Bezeichnung;
    double Soll = 0;          // AsSollStnd
    double IstProd = 0;       // AsIstStnd: production
    double IstRegie = 0;      // AsRegStnd: time and material
    double IstBuero = 0;      // AOffStnd: office
    double IstBis = 0;        // AsIstBis, the day of the latest booking; 0: none
    double Abgeschlossen = 0; // AsAbgeschl, the day it was closed (within the open days); 0: open
    std::vector<TActivityHours> Activities{};
    std::vector<TBookingDay> Course{}; // its booking days, ascending
    double OverSince = 0;              // the day its course passed the target for good; 0: not
    // Its bookings by activity, day and employee, weighted as the run weighs them: the actual
    // side explained.
    std::vector<ist::TIstPosten> Buchungen{};
    // With the explanation of the target hours: its part of the detail block and its CSV rows,
    // written as soon as the order is explained, so that no more than the page is held.
    std::string HerkunftHtml{};
    std::string HerkunftCsv{};

    double Ist() const { return IstProd + IstRegie + IstBuero; }
    // The actual hours compared with the target: production and office.
    double Gezaehlt() const { return IstProd + IstBuero; }
    double Differenz() const { return Gezaehlt() - Soll; }

    // Its activity rows summed: what AufSStd holds, which a run stores together with the
    // totals above.
    double ZeilenSoll() const;
    double ZeilenIst() const;
    // Whether the rows and the totals disagree by what the report shows (0,01 h): a run
    // skipped the order, or a user changed its data since.
    bool ZeilenWeichenAb() const;
    // Bookings of employees without a wage row, which weigh 0, and their raw hours.
    std::size_t OhneLohnBuchungen() const;
    double OhneLohnStunden() const;
};

// One reporting activity summed over the orders of the report.
struct TActivityTotal {
    std::string RmTat;
    std::string Name;
    int Orders = 0; // orders with a row under it
    double Soll = 0;
    double Ist = 0;
    std::string TatArt;

    bool Regie() const { return IsRegie(TatArt); }
    double Gezaehlt() const { return Regie() ? 0 : Ist; }
    double Differenz() const { return Gezaehlt() - Soll; }
};

struct TReport {
    std::string Firma;                      // Text of the connection section
    std::string Database;                   // as connected: "server:path", or the path alone
    double WrittenAt = 0;                   // day number with the time of day
    std::vector<TOrderHours> Orders;        // worst overrun first
    std::vector<TActivityTotal> Activities; // worst overrun first
    std::vector<std::string> NotFound;      // asked-for orders that are not open
    bool Selected = false;                  // limited to asked-for orders
    bool Herkunft = false;                  // with the explanation of the target hours
    // Set when a calculation worked on the database while the figures were read: where it ran
    // ("Rechner <host>, Prozess <pid>", or ""). The figures are then a snapshot of its progress.
    std::optional<std::string> RunningCalculation;

    // The latest booking day over the orders; 0 when none has a booking.
    double LatestBooking() const;
    // The orders whose activity rows disagree with their totals, and those with bookings of
    // employees without a wage row.
    std::vector<const TOrderHours*> ZeilenAbweichend() const;
    std::vector<const TOrderHours*> MitOhneLohn() const;
};

// Sorts the orders, and the activities of each, worst overrun (actual hours without time and
// material, minus target, in hours) first, ties by order or activity number; sums the activity rows of the
// orders per reporting activity into Activities, sorted the same way.
void Arrange(TReport& report);

// Percent of the target that the difference makes; false when there is no target to relate
// it to: none, or less than shows as 0,01 h.
bool PercentOfTarget(double difference, double soll, double& percent);

// Whether an order or row has a target to relate its actual hours to: one that shows as at
// least 0,01 h.
bool HasTarget(double soll);

// Whether actual hours this far from the target (actual minus target) are over it: by at
// least the 0,01 h that the report shows.
bool Overrun(double difference);

} // namespace sollist::report
