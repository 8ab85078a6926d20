#include "report/DmBericht.h"

// The report shows the orders the nightly run treats as open: the rule of db/OpenOrders.h.
#include "db/Catalogue.h"
#include "db/Connection.h"
#include "db/OpenOrders.h"
#include "db/Value.h"
#include "report/Course.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace sollist::report {

using db::TFieldType;

TdmBericht::TdmBericht(db::TIBCConnection& connection, double today)
    : FConnection(connection), FToday(today) {
    // The order's name is the business system's own column: an installation without it shows
    // the order by its number alone.
    const bool named = connection.Catalogue().HasColumn("AUFTRAG", "ABEZEICH");
    db::Declare(qryAuftrag,
                {std::string("Select AOfNumm,ANumm,") +
                     (named ? "ABezeich" : "cast('' as varchar(60)) as ABezeich") +
                     ",AsSollStnd,AsIstStnd,AsRegStnd,AOffStnd,AsIstBis,AsAbgeschl",
                 "from Auftrag", db::OpenOrdersCondition, "order by AOfNumm"},
                {{"AOfNumm", TFieldType::ftString, 10},
                 {"ANumm", TFieldType::ftString, 10},
                 {"ABezeich", TFieldType::ftString, 60},
                 {"AsSollStnd", TFieldType::ftFloat},
                 {"AsIstStnd", TFieldType::ftFloat},
                 {"AsRegStnd", TFieldType::ftFloat},
                 {"AOffStnd", TFieldType::ftFloat},
                 {"AsIstBis", TFieldType::ftDate},
                 {"AsAbgeschl", TFieldType::ftDate}});

    db::Declare(qryAufSStd,
                {"Select s.AsOfNumm,s.AsRmTat,s.AsKoNumm,s.AsSollStd,s.AsIstStd,t.TaName,t.TatArt",
                 "from AufSStd s left join Taetigke t on t.TaNumm=s.AsRmTat",
                 "order by s.AsOfNumm,s.AsRmTat"},
                {{"AsOfNumm", TFieldType::ftString, 10},
                 {"AsRmTat", TFieldType::ftString, 10},
                 {"AsKoNumm", TFieldType::ftString, 3},
                 {"AsSollStd", TFieldType::ftFloat},
                 {"AsIstStd", TFieldType::ftFloat},
                 {"TaName", TFieldType::ftString, 20},
                 {"TatArt", TFieldType::ftString, 1}});
}

TReport TdmBericht::Read(const std::vector<std::string>& selection) {
    TReport report;
    report.Selected = !selection.empty();
    std::set<std::string> wanted(selection.begin(), selection.end());

    qryAuftrag.Close();
    db::SetOpenOrdersDay(qryAuftrag, FToday);
    qryAuftrag.Open();
    const auto readOrder =
        db::RowReader<TOrderHours>(qryAuftrag, {{"AOfNumm", &TOrderHours::OfNumm},
                                                {"ANumm", &TOrderHours::ANumm},
                                                {"ABezeich", &TOrderHours::Bezeichnung},
                                                {"AsSollStnd", &TOrderHours::Soll},
                                                {"AsIstStnd", &TOrderHours::IstProd},
                                                {"AsRegStnd", &TOrderHours::IstRegie},
                                                {"AOffStnd", &TOrderHours::IstBuero},
                                                {"AsIstBis", &TOrderHours::IstBis},
                                                {"AsAbgeschl", &TOrderHours::Abgeschlossen}});
    std::unordered_map<std::string, std::size_t> indexOf;
    for (; !qryAuftrag.Eof(); qryAuftrag.Next()) {
        TOrderHours order = readOrder();
        if (report.Selected && wanted.erase(order.OfNumm) == 0)
            continue;
        indexOf.emplace(order.OfNumm, report.Orders.size());
        report.Orders.push_back(std::move(order));
    }
    qryAuftrag.Close();
    report.NotFound.assign(wanted.begin(), wanted.end());

    if (!report.Orders.empty()) {
        qryAufSStd.Close();
        qryAufSStd.Open();
        const db::TField rowOrder = qryAufSStd.FieldByName("AsOfNumm");
        const auto readActivity =
            db::RowReader<TActivityHours>(qryAufSStd, {{"AsRmTat", &TActivityHours::RmTat},
                                                       {"TaName", &TActivityHours::Name},
                                                       {"AsKoNumm", &TActivityHours::KoNumm},
                                                       {"AsSollStd", &TActivityHours::Soll},
                                                       {"AsIstStd", &TActivityHours::Ist},
                                                       {"TatArt", &TActivityHours::TatArt}});
        for (; !qryAufSStd.Eof(); qryAufSStd.Next()) {
            const auto found = indexOf.find(rowOrder.AsString());
            if (found == indexOf.end())
                continue; // an order closed since the run
            report.Orders[found->second].Activities.push_back(readActivity());
        }
        qryAufSStd.Close();
    }

    ReadCourses(report.Orders);
    Arrange(report);
    return report;
}

void TdmBericht::ReadCourses(std::vector<TOrderHours>& orders) {
    for (TOrderHours& order : orders) {
        ist::TIstErgebnis ist = FIstStunden.Calc(order.OfNumm, true);
        order.Course = CourseOf(ist.Tage);
        order.OverSince = OverTargetSince(order.Course, order.Soll);
        order.Buchungen = std::move(ist.Posten);
        for (TActivityHours& activity : order.Activities)
            activity.OverSince = ActivityOverSince(order.Buchungen, activity);
    }
}

} // namespace sollist::report
