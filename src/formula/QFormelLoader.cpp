#include "formula/QFormelLoader.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace sollist::formula {

using db::Declare;

namespace {

using enum db::TFieldType;

// Closes the query set in the given order when reading ends, also by an exception.
class CloseOnExit {
public:
    explicit CloseOnExit(std::initializer_list<db::TIBCDataSet*> sets) : sets_(sets) {}
    ~CloseOnExit() {
        for (auto* set : sets_) {
            try {
                set->Close();
            } catch (...) {
                // Closing a read-only set that fetched everything cannot lose data.
            }
        }
    }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    std::vector<db::TIBCDataSet*> sets_;
};

TTabGK ReadTabGK(db::TIBCTable& tab) {
    TTabGK tables;
    struct TRow {
        std::int32_t Nr = 0;
        std::string Werte;
    };
    const auto read = db::RowReader<TRow>(tab, {{"TABNR", &TRow::Nr}, {"TABWERTE", &TRow::Werte}});
    for (; !tab.Eof(); tab.Next()) {
        TRow row = read();
        tables.emplace(row.Nr, std::move(row.Werte));
    }
    return tables;
}

} // namespace

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
TdmQuickFormel::TdmQuickFormel(db::TIBCConnection& connection) : FConnection(connection) {
    Declare(qryPosBgr,
            {"Select ApBgOfNumm,ApBgApNumm,ApBgLfNr,ApBgMe,ApBgBreite,ApBgHoehe,ApBgTiefe",
             "from POS_BGR",
             "WHERE ApBgOfNumm=:OFNUMM ",
             "order by ApBgOfNumm,ApBgApNumm,ApBgLfNr"},
            {{"APBGOFNUMM", ftString, 10, true}, {"APBGAPNUMM", ftString, 10, true},
             {"APBGLFNR", ftInteger, 0, true}, {"APBGME", ftInteger, 0, true},
             {"APBGBREITE", ftFloat}, {"APBGHOEHE", ftFloat}, {"APBGTIEFE", ftFloat}});
    Declare(qryPosBgrVar,
            {"SELECT PBVApNumm,PBVBgLfNr,PBVNum,PBVWrt",
             "FROM POSBGRVA",
             "WHERE PBVOFNUMM = :OFNUMM",
             "ORDER BY PBVOFNUMM,PBVAPNUMM,PBVBGLFNR,PBVNUM"},
            {{"PBVAPNUMM", ftString, 10, true}, {"PBVBGLFNR", ftInteger, 0, true},
             {"PBVNUM", ftString, 3, true}, {"PBVWRT", ftFloat}});
    Declare(qryTTy,
            {"SELECT ApTyOfNumm,ApTyApNumm,ApTyBgLf,ApTyLfd,ApTyMe,ApTyLaenge,ApTyBreite,"
             "ApTyDickf,ApTTyNr",
             "FROM POS_TYP",
             "where ApTyOfNumm=:OFNUMM",
             "ORDER BY APTYOFNUMM,APTYAPNUMM,APTYBGLF,APTYLFD"},
            {{"APTYOFNUMM", ftString, 10, true}, {"APTYAPNUMM", ftString, 10, true},
             {"APTYBGLF", ftInteger, 0, true}, {"APTYLFD", ftInteger, 0, true},
             {"APTYME", ftString, 35, true}, {"APTYLAENGE", ftString, 35, true},
             {"APTYBREITE", ftString, 35, true}, {"APTYDICKF", ftString, 35, true},
             {"APTTYNR", ftInteger, 0, true}});
    Declare(qryCNC,
            {"SELECT ACOfNumm,ACApNumm,ACBgLf,ACTyLfd,ACLfNr,ACVW0",
             "FROM ATCNC",
             "where ACOfNumm=:OFNUMM",
             "ORDER BY ACOfNumm,ACApNumm,ACBgLf,ACTyLfd,ACLfNr"},
            {{"ACOFNUMM", ftString, 10, true}, {"ACAPNUMM", ftString, 10, true},
             {"ACBGLF", ftInteger, 0, true}, {"ACTYLFD", ftInteger, 0, true},
             {"ACLFNR", ftInteger, 0, true}, {"ACVW0", ftString, 35}});
    tbTabGK.TableName = "TabGK";
    tbTabGK.KeyFields = "TABNR";
    tbTabGK.OrderFields = "TABNR";
    Declare(tbTabGK, {}, {{"TABNR", ftInteger, 0, true}, {"TABWERTE", ftString, 80, true}});
    for (db::TIBCDataSet* set : std::initializer_list<db::TIBCDataSet*>{
             &qryPosBgr, &qryPosBgrVar, &qryTTy, &qryCNC, &tbTabGK})
        set->ReadOnly = true;
}
// clang-format on

TQFormelDaten TQFormelLoader::Lies(const std::string& OfNumm) {
    for (db::TIBCQuery* query : {&FDM.qryPosBgr, &FDM.qryPosBgrVar, &FDM.qryTTy, &FDM.qryCNC})
        query->ParamByName("OFNUMM").AsString(OfNumm);
    CloseOnExit closer{&FDM.tbTabGK, &FDM.qryCNC, &FDM.qryTTy, &FDM.qryPosBgrVar, &FDM.qryPosBgr};
    for (db::TIBCDataSet* set :
         std::initializer_list<db::TIBCDataSet*>{&FDM.qryPosBgr, &FDM.qryPosBgrVar, &FDM.qryTTy, &FDM.qryCNC})
        set->Open();
    TTabGK tabGK = LiesTabGK();
    return {db::ReadRows<TBgrRow>(FDM.qryPosBgr, {{"APBGAPNUMM", &TBgrRow::ApNumm},
                                                  {"APBGLFNR", &TBgrRow::BgLfNr},
                                                  {"APBGME", &TBgrRow::Menge},
                                                  {"APBGBREITE", &TBgrRow::Breite},
                                                  {"APBGHOEHE", &TBgrRow::Hoehe},
                                                  {"APBGTIEFE", &TBgrRow::Tiefe}}),
            db::ReadRows<TBgVarRow>(FDM.qryPosBgrVar, {{"PBVAPNUMM", &TBgVarRow::ApNumm},
                                                       {"PBVBGLFNR", &TBgVarRow::BgLfNr},
                                                       {"PBVNUM", &TBgVarRow::Num},
                                                       {"PBVWRT", &TBgVarRow::Wert}}),
            db::ReadRows<TTTyRow>(FDM.qryTTy, {{"APTYAPNUMM", &TTTyRow::ApNumm},
                                               {"APTYBGLF", &TTTyRow::BgLfNr},
                                               {"APTYLFD", &TTTyRow::LfdNr},
                                               {"APTTYNR", &TTTyRow::NrInBgrp},
                                               {"APTYME", &TTTyRow::Menge},
                                               {"APTYLAENGE", &TTTyRow::Laenge},
                                               {"APTYBREITE", &TTTyRow::Breite},
                                               {"APTYDICKF", &TTTyRow::Dicke}}),
            db::ReadRows<TCNCRow>(FDM.qryCNC, {{"ACAPNUMM", &TCNCRow::ApNumm},
                                               {"ACBGLF", &TCNCRow::BgLfNr},
                                               {"ACTYLFD", &TCNCRow::TyLfdNr},
                                               {"ACLFNR", &TCNCRow::Nummer},
                                               {"ACVW0", &TCNCRow::Formel}}),
            std::move(tabGK)};
}

TTabGK TQFormelLoader::LiesTabGK() {
    if (!FKeptTabGK.has_value()) {
        FDM.tbTabGK.Open();
        FKeptTabGK = ReadTabGK(FDM.tbTabGK); // kept only once read whole
    }
    return *FKeptTabGK;
}

} // namespace sollist::formula
