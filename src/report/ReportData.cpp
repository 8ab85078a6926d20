#include "report/ReportData.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace sollist::report {

double TReport::LatestBooking() const {
    double latest = 0;
    for (const TOrderHours& order : Orders) latest = std::max(latest, order.IstBis);
    return latest;
}

double TOrderHours::ZeilenSoll() const {
    double sum = 0;
    for (const TActivityHours& row : Activities) sum += row.Soll;
    return sum;
}

double TOrderHours::ZeilenIst() const {
    double sum = 0;
    for (const TActivityHours& row : Activities) sum += row.Ist;
    return sum;
}

bool TOrderHours::ZeilenWeichenAb() const {
    return Overrun(std::fabs(ZeilenSoll() - Soll)) || Overrun(std::fabs(ZeilenIst() - Ist()));
}

std::size_t TOrderHours::OhneLohnBuchungen() const {
    return static_cast<std::size_t>(std::count_if(Buchungen.begin(), Buchungen.end(),
                                                  [](const ist::TIstPosten& p) { return p.OhneLohn; }));
}

double TOrderHours::OhneLohnStunden() const {
    double sum = 0;
    for (const ist::TIstPosten& p : Buchungen)
        if (p.OhneLohn)
            sum += p.Stunden;
    return sum;
}

std::vector<const TOrderHours*> TReport::ZeilenAbweichend() const {
    std::vector<const TOrderHours*> out;
    for (const TOrderHours& order : Orders)
        if (order.ZeilenWeichenAb())
            out.push_back(&order);
    return out;
}

std::vector<const TOrderHours*> TReport::MitOhneLohn() const {
    std::vector<const TOrderHours*> out;
    for (const TOrderHours& order : Orders)
        if (order.OhneLohnBuchungen() > 0)
            out.push_back(&order);
    return out;
}

namespace {

// Worst overrun first; equal differences keep a stable order by key.
template <class T, class Key>
void SortByOverrun(std::vector<T>& rows, Key key) {
    std::sort(rows.begin(), rows.end(), [&](const T& a, const T& b) {
        const double da = a.Differenz();
        const double db = b.Differenz();
        if (da != db)
            return da > db;
        return key(a) < key(b);
    });
}

} // namespace

void Arrange(TReport& report) {
    SortByOverrun(report.Orders, [](const TOrderHours& o) -> const std::string& { return o.OfNumm; });

    std::map<std::string, TActivityTotal> totals;
    for (TOrderHours& order : report.Orders) {
        SortByOverrun(order.Activities,
                      [](const TActivityHours& a) -> const std::string& { return a.RmTat; });
        for (const TActivityHours& row : order.Activities) {
            TActivityTotal& total = totals[row.RmTat];
            total.RmTat = row.RmTat;
            if (total.Name.empty())
                total.Name = row.Name;
            if (total.TatArt.empty())
                total.TatArt = row.TatArt;
            ++total.Orders;
            total.Soll += row.Soll;
            total.Ist += row.Ist;
        }
    }
    report.Activities.clear();
    report.Activities.reserve(totals.size());
    for (auto& entry : totals) report.Activities.push_back(std::move(entry.second));
    SortByOverrun(report.Activities, [](const TActivityTotal& a) -> const std::string& { return a.RmTat; });
}

bool HasTarget(double soll) { return soll >= 0.005; }

bool Overrun(double difference) { return difference >= 0.005; }

bool PercentOfTarget(double difference, double soll, double& percent) {
    if (!HasTarget(soll))
        return false;
    percent = difference / soll * 100.0;
    return true;
}

} // namespace sollist::report
