#include "ist/IstStunden.h"

#include <cmath>
#include <utility>

namespace sollist::ist {

namespace {

std::int32_t WholeDay(double dayNumber) { return static_cast<std::int32_t>(std::trunc(dayNumber)); }

// The employee number travels as a parameter: in a database of character set NONE it must
// reach the server in the database's code page, which a literal in the statement cannot.
void OpenWageRows(db::TIBCTable& tbMiLohn, const std::string& miNumm) {
    tbMiLohn.Close();
    tbMiLohn.FilterSQL("MiLoNumm=:MiLoNumm");
    tbMiLohn.ParamByName("MiLoNumm").AsString(miNumm);
    tbMiLohn.Open();
}

} // namespace

TIstStunden::TIstStunden(const TRunContext& context) : DM_CIstStunden(context.Connection) {}

TIstErgebnis TIstStunden::Calc(const std::string& OfNumm) {
    auto& qryZ = DM_CIstStunden.qryZ;
    TIstErgebnis result;
    if (!KeepMasterData)
        FLohnCache.clear();
    FFak = 0;
    FNextchange = 0;

    qryZ.Close();
    qryZ.ParamByName("OfNumm").AsString(OfNumm);
    qryZ.Open();
    if (qryZ.IsEmpty()) {
        qryZ.Close();
        return result;
    }

    auto miNumm = qryZ.FieldByName("ZeMiNumm");
    auto aufzDat = qryZ.FieldByName("ZeAufzdat");
    auto ende = qryZ.FieldByName("ZEENDE");
    auto tatArt = qryZ.FieldByName("TatArt");
    auto rmTat = qryZ.FieldByName("ZeTaRmTat");
    auto koNumm = qryZ.FieldByName("TaKoNumm");
    auto dauer = qryZ.FieldByName("Dauer");

    FMiNumm = miNumm.AsString();
    WageFactorStep(aufzDat.AsDateTime(), true);

    for (; !qryZ.Eof(); qryZ.Next()) {
        const double day = aufzDat.AsDateTime();
        if (miNumm.AsString() != FMiNumm) {
            FMiNumm = miNumm.AsString();
            WageFactorStep(day, true);
        } else if (WholeDay(day) >= FNextchange) {
            WageFactorStep(day, false);
        }

        const double hours = dauer.AsFloat() * FFak;
        const std::string kind = tatArt.AsString();
        if (kind == "R")
            result.Regiestd += hours;
        else if (kind == "P")
            result.Prodstd += hours;
        else if (kind == "O")
            result.OffStd += hours;

        const std::string cost = koNumm.AsString();
        result.RmTatList.Add(rmTat.AsString(), cost, hours);

        const double endMoment = day + ende.AsFloat() / 24.0;
        if (endMoment > result.LetztDat) {
            result.LetztDat = endMoment;
            result.LetztKoNumm = cost;
        }
    }

    qryZ.Close();
    return result;
}

const std::vector<TIstStunden::TLohnZeile>& TIstStunden::WageRows(const std::string& miNumm) {
    if (auto it = FLohnCache.find(miNumm); it != FLohnCache.end())
        return it->second;
    // Cached only once read whole: a failed read must not leave an employee without rows.
    std::vector<TLohnZeile> rows;
    auto& tbMiLohn = DM_CIstStunden.tbMiLohn;
    OpenWageRows(tbMiLohn, miNumm);
    const auto read = db::RowReader<std::pair<double, double>>(tbMiLohn, "MILODATUM", "MILOABWFAT");
    for (; !tbMiLohn.Eof(); tbMiLohn.Next()) {
        const auto [validFrom, factor] = read();
        rows.push_back({WholeDay(validFrom), factor});
    }
    tbMiLohn.Close();
    return FLohnCache.emplace(miNumm, std::move(rows)).first->second;
}

// Moves forward through the employee's wage rows (ordered by day) to the factor valid on
// bookingDay and notes the day of the next change. A new employee starts from the first
// row; bookings before it take the first row's factor, an employee without rows gets 0.
void TIstStunden::WageFactorStep(double bookingDay, bool newEmployee) {
    if (newEmployee) {
        FLohn = &WageRows(FMiNumm);
        FLohnPos = 0;
    }
    const std::vector<TLohnZeile>& rows = *FLohn;
    const std::int32_t day = WholeDay(bookingDay);
    if (rows.empty()) {
        FFak = 0;
        FNextchange = NoNextChange;
        return;
    }
    if (FLohnPos >= rows.size()) { // past the last row: its factor stays
        FNextchange = NoNextChange;
        return;
    }
    do {
        FFak = rows[FLohnPos].Fak;
        ++FLohnPos;
    } while (FLohnPos < rows.size() && day >= rows[FLohnPos].Ab);

    FNextchange = FLohnPos < rows.size() ? rows[FLohnPos].Ab : NoNextChange;
}

} // namespace sollist::ist
