#include "ist/IstStunden.h"

#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace sollist::ist {

namespace {

std::int32_t WholeDay(double dayNumber) { return static_cast<std::int32_t>(std::trunc(dayNumber)); }

// The total a booking of this kind adds to: "R", "P" and "O" count, any other kind in none.
template <class TTotals>
double* KindTotal(TTotals& totals, const std::string& kind) {
    if (kind == "R")
        return &totals.Regiestd;
    if (kind == "P")
        return &totals.Prodstd;
    if (kind == "O")
        return &totals.OffStd;
    return nullptr;
}

// The employee number travels as a parameter: in a database of character set NONE it must
// reach the server in the database's code page, which a literal in the statement cannot.
void OpenWageRows(db::TIBCTable& tbMiLohn, const std::string& miNumm) {
    tbMiLohn.Close();
    tbMiLohn.FilterSQL("MiLoNumm=:MiLoNumm");
    tbMiLohn.ParamByName("MiLoNumm").AsString(miNumm);
    tbMiLohn.Open();
}

// Where the walk through one employee's wage rows stands beside the bookings of one Calc: the
// factor valid on the current booking's day and the day from which the next row applies. The
// walk moves forward only; it relies on each employee's bookings coming by increasing day.
struct TLohnWalk {
    const std::vector<TLohnZeile>* Rows = nullptr; // the current employee's, by day
    std::size_t Pos = 0;                           // the next of them to look at
    double Fak = 0;
    std::int32_t Nextchange = 0;

    // A new employee: from the first row on. Bookings before it take its factor, an employee
    // without rows gets 0.
    void Start(const std::vector<TLohnZeile>& rows, std::int32_t day) {
        Rows = &rows;
        Pos = 0;
        Step(day);
    }

    // On to the factor valid on day, noting the day of the next change.
    void Step(std::int32_t day) {
        const std::vector<TLohnZeile>& rows = *Rows;
        if (rows.empty()) {
            Fak = 0;
            Nextchange = TIstStunden::NoNextChange;
            return;
        }
        if (Pos >= rows.size()) { // past the last row: its factor stays
            Nextchange = TIstStunden::NoNextChange;
            return;
        }
        do {
            Fak = rows[Pos].Fak;
            ++Pos;
        } while (Pos < rows.size() && day >= rows[Pos].Ab);
        Nextchange = Pos < rows.size() ? rows[Pos].Ab : TIstStunden::NoNextChange;
    }
};

// A time record as qryZ delivers it.
struct TBuchung {
    std::string MiNumm;
    double Tag = 0;  // the booking's day
    double Ende = 0; // end time of day, in hours
    std::string TatArt, RmTat, KoNumm;
    double Dauer = 0; // hours, breaks deducted
};

} // namespace

TIstStunden::TIstStunden(const TRunContext& context, TLohnStamm& lohnStamm)
    : DM_CIstStunden(context.Connection), FLohnStamm(lohnStamm) {}

TIstErgebnis TIstStunden::Calc(const std::string& OfNumm, bool perDay) {
    auto& qryZ = DM_CIstStunden.qryZ;
    TIstErgebnis result;
    TLohnStamm& lohnStamm = FLohnStamm;

    qryZ.Close();
    qryZ.ParamByName("OfNumm").AsString(OfNumm);
    qryZ.Open();
    if (qryZ.IsEmpty()) {
        qryZ.Close();
        return result;
    }

    const auto readBooking = db::RowReader<TBuchung>(qryZ, {{"ZeMiNumm", &TBuchung::MiNumm},
                                                            {"ZeAufzdat", &TBuchung::Tag},
                                                            {"ZEENDE", &TBuchung::Ende},
                                                            {"TatArt", &TBuchung::TatArt},
                                                            {"ZeTaRmTat", &TBuchung::RmTat},
                                                            {"TaKoNumm", &TBuchung::KoNumm},
                                                            {"Dauer", &TBuchung::Dauer}});
    // Posten by activity, day and employee while the bookings come by employee and day.
    std::map<std::tuple<std::string, std::int32_t, std::string>, TIstPosten> posten;
    const TBuchung first = readBooking();
    std::string employee = first.MiNumm;
    TLohnWalk lohn;
    lohn.Start(WageRows(lohnStamm, employee), WholeDay(first.Tag));

    for (; !qryZ.Eof(); qryZ.Next()) {
        const TBuchung b = readBooking();
        if (b.MiNumm != employee) {
            employee = b.MiNumm;
            lohn.Start(WageRows(lohnStamm, employee), WholeDay(b.Tag));
        } else if (WholeDay(b.Tag) >= lohn.Nextchange) {
            lohn.Step(WholeDay(b.Tag));
        }

        const double hours = b.Dauer * lohn.Fak;
        if (double* total = KindTotal(result, b.TatArt)) {
            *total += hours;
            if (perDay)
                *KindTotal(result.Tage[WholeDay(b.Tag)], b.TatArt) += hours;
        }

        const std::string& rmTat = result.RmTatList.Add(b.RmTat, b.KoNumm, hours);
        if (perDay) {
            const auto [at, created] = posten.try_emplace({rmTat, WholeDay(b.Tag), b.MiNumm});
            TIstPosten& p = at->second;
            if (created)
                p = {rmTat, b.TatArt, WholeDay(b.Tag), b.MiNumm, 0, lohn.Fak, 0, lohn.Rows->empty()};
            p.Stunden += b.Dauer;
            p.Gewichtet += hours;
        }

        const double endMoment = b.Tag + b.Ende / 24.0;
        if (endMoment > result.LetztDat) {
            result.LetztDat = endMoment;
            result.LetztKoNumm = b.KoNumm;
        }
    }

    qryZ.Close();
    result.Posten.reserve(posten.size());
    for (auto& entry : posten) result.Posten.push_back(std::move(entry.second));
    return result;
}

const std::vector<TLohnZeile>& TIstStunden::WageRows(TLohnStamm& lohnStamm, const std::string& miNumm) {
    if (auto it = lohnStamm.find(miNumm); it != lohnStamm.end())
        return it->second;
    // Kept only once read whole: a failed read must not leave an employee without rows.
    std::vector<TLohnZeile> rows;
    auto& tbMiLohn = DM_CIstStunden.tbMiLohn;
    OpenWageRows(tbMiLohn, miNumm);
    struct TRow {
        double ValidFrom = 0, Factor = 0;
    };
    const auto read =
        db::RowReader<TRow>(tbMiLohn, {{"MILODATUM", &TRow::ValidFrom}, {"MILOABWFAT", &TRow::Factor}});
    for (; !tbMiLohn.Eof(); tbMiLohn.Next()) {
        const TRow row = read();
        rows.push_back({WholeDay(row.ValidFrom), row.Factor});
    }
    tbMiLohn.Close();
    return lohnStamm.emplace(miNumm, std::move(rows)).first->second;
}

} // namespace sollist::ist
