#include "report/DmBericht.h"

// The report shows the orders the nightly run treats as open: the rule of db/OpenOrders.h.
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
    db::Declare(qryAuftrag,
                {"Select AOfNumm,ANumm,ABezeich,AsSollStnd,AsIstStnd,AsRegStnd,AOffStnd,AsIstBis",
                 "from Auftrag", db::OpenOrdersCondition, "order by AOfNumm"},
                {{"AOfNumm", TFieldType::ftString, 10},
                 {"ANumm", TFieldType::ftString, 10},
                 {"ABezeich", TFieldType::ftString, 60},
                 {"AsSollStnd", TFieldType::ftFloat},
                 {"AsIstStnd", TFieldType::ftFloat},
                 {"AsRegStnd", TFieldType::ftFloat},
                 {"AOffStnd", TFieldType::ftFloat},
                 {"AsIstBis", TFieldType::ftDate}});

    db::Declare(qryAufSStd,
                {"Select s.AsOfNumm,s.AsRmTat,s.AsKoNumm,s.AsSollStd,s.AsIstStd,t.TaName",
                 "from AufSStd s left join Taetigke t on t.TaNumm=s.AsRmTat",
                 "order by s.AsOfNumm,s.AsRmTat"},
                {{"AsOfNumm", TFieldType::ftString, 10},
                 {"AsRmTat", TFieldType::ftString, 10},
                 {"AsKoNumm", TFieldType::ftString, 3},
                 {"AsSollStd", TFieldType::ftFloat},
                 {"AsIstStd", TFieldType::ftFloat},
                 {"TaName", TFieldType::ftString, 20}});
}

TReport TdmBericht::Read(const std::vector<std::string>& selection) {
    TReport report;
    report.Selected = !selection.empty();
    std::set<std::string> wanted(selection.begin(), selection.end());

    qryAuftrag.Close();
    db::SetOpenOrdersDay(qryAuftrag, FToday);
    qryAuftrag.Open();
    auto ofNumm = qryAuftrag.FieldByName("AOfNumm");
    auto aNumm = qryAuftrag.FieldByName("ANumm");
    auto bezeich = qryAuftrag.FieldByName("ABezeich");
    auto soll = qryAuftrag.FieldByName("AsSollStnd");
    auto prod = qryAuftrag.FieldByName("AsIstStnd");
    auto regie = qryAuftrag.FieldByName("AsRegStnd");
    auto buero = qryAuftrag.FieldByName("AOffStnd");
    auto istBis = qryAuftrag.FieldByName("AsIstBis");
    std::unordered_map<std::string, std::size_t> indexOf;
    for (; !qryAuftrag.Eof(); qryAuftrag.Next()) {
        std::string number = ofNumm.AsString();
        if (report.Selected && wanted.erase(number) == 0)
            continue;
        TOrderHours order;
        order.OfNumm = number;
        order.ANumm = aNumm.AsString();
        order.Bezeichnung = bezeich.AsString();
        order.Soll = soll.AsFloat();
        order.IstProd = prod.AsFloat();
        order.IstRegie = regie.AsFloat();
        order.IstBuero = buero.AsFloat();
        order.IstBis = istBis.AsDateTime();
        indexOf.emplace(std::move(number), report.Orders.size());
        report.Orders.push_back(std::move(order));
    }
    qryAuftrag.Close();
    report.NotFound.assign(wanted.begin(), wanted.end());

    if (!report.Orders.empty()) {
        qryAufSStd.Close();
        qryAufSStd.Open();
        auto rowOrder = qryAufSStd.FieldByName("AsOfNumm");
        auto rmTat = qryAufSStd.FieldByName("AsRmTat");
        auto koNumm = qryAufSStd.FieldByName("AsKoNumm");
        auto rowSoll = qryAufSStd.FieldByName("AsSollStd");
        auto rowIst = qryAufSStd.FieldByName("AsIstStd");
        auto name = qryAufSStd.FieldByName("TaName");
        for (; !qryAufSStd.Eof(); qryAufSStd.Next()) {
            const auto found = indexOf.find(rowOrder.AsString());
            if (found == indexOf.end())
                continue; // an order closed since the run
            report.Orders[found->second].Activities.push_back(TActivityHours{
                rmTat.AsString(), name.AsString(), koNumm.AsString(), rowSoll.AsFloat(), rowIst.AsFloat()});
        }
        qryAufSStd.Close();
    }

    ReadCourses(report.Orders);
    Arrange(report);
    return report;
}

void TdmBericht::ReadCourses(std::vector<TOrderHours>& orders) {
    for (TOrderHours& order : orders) {
        order.Course = CourseOf(FIstStunden.Calc(order.OfNumm, true).Tage);
        order.OverSince = OverTargetSince(order.Course, order.Soll);
    }
}

} // namespace sollist::report
