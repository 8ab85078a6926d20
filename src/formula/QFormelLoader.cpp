#include "formula/QFormelLoader.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace sollist::formula {

using db::Declare;
using db::TFieldType;

namespace {

constexpr auto ftString = TFieldType::ftString;
constexpr auto ftInteger = TFieldType::ftInteger;
constexpr auto ftFloat = TFieldType::ftFloat;

std::int32_t AsInt32(const db::TField& field) { return static_cast<std::int32_t>(field.AsInteger()); }

// Every row of an open set from the current one on, made by row() from the current row.
template <class MakeRow>
auto ReadRows(db::TIBCDataSet& set, MakeRow row) {
    std::vector<decltype(row())> rows;
    for (; !set.Eof(); set.Next()) rows.push_back(row());
    return rows;
}

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

std::vector<TBgrRow> ReadBgr(db::TIBCQuery& q) {
    const db::TField apNumm = q.FieldByName("APBGAPNUMM"), lfNr = q.FieldByName("APBGLFNR"),
                     menge = q.FieldByName("APBGME"), breite = q.FieldByName("APBGBREITE"),
                     hoehe = q.FieldByName("APBGHOEHE"), tiefe = q.FieldByName("APBGTIEFE");
    return ReadRows(q, [&] {
        return TBgrRow{apNumm.AsString(), AsInt32(lfNr),   AsInt32(menge),
                       breite.AsFloat(),  hoehe.AsFloat(), tiefe.AsFloat()};
    });
}

std::vector<TBgVarRow> ReadVars(db::TIBCQuery& q) {
    const db::TField apNumm = q.FieldByName("PBVAPNUMM"), lfNr = q.FieldByName("PBVBGLFNR"),
                     num = q.FieldByName("PBVNUM"), wert = q.FieldByName("PBVWRT");
    return ReadRows(q, [&] {
        return TBgVarRow{apNumm.AsString(), AsInt32(lfNr), num.AsString(), wert.AsFloat()};
    });
}

std::vector<TTTyRow> ReadTTy(db::TIBCQuery& q) {
    const db::TField apNumm = q.FieldByName("APTYAPNUMM"), bgLf = q.FieldByName("APTYBGLF"),
                     lfd = q.FieldByName("APTYLFD"), nr = q.FieldByName("APTTYNR"),
                     me = q.FieldByName("APTYME"), laenge = q.FieldByName("APTYLAENGE"),
                     breite = q.FieldByName("APTYBREITE"), dicke = q.FieldByName("APTYDICKF");
    return ReadRows(q, [&] {
        return TTTyRow{apNumm.AsString(), AsInt32(bgLf),     AsInt32(lfd),      AsInt32(nr),
                       me.AsString(),     laenge.AsString(), breite.AsString(), dicke.AsString()};
    });
}

std::vector<TCNCRow> ReadCNC(db::TIBCQuery& q) {
    const db::TField apNumm = q.FieldByName("ACAPNUMM"), bgLf = q.FieldByName("ACBGLF"),
                     tyLfd = q.FieldByName("ACTYLFD"), lfNr = q.FieldByName("ACLFNR"),
                     vw0 = q.FieldByName("ACVW0");
    return ReadRows(q, [&] {
        return TCNCRow{apNumm.AsString(), AsInt32(bgLf), AsInt32(tyLfd), AsInt32(lfNr), vw0.AsString()};
    });
}

TTabGK ReadTabGK(db::TIBCTable& tab) {
    TTabGK tables;
    const db::TField tabNr = tab.FieldByName("TABNR"), tabWerte = tab.FieldByName("TABWERTE");
    for (; !tab.Eof(); tab.Next()) tables.try_emplace(AsInt32(tabNr), tabWerte.AsString());
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
    return {ReadBgr(FDM.qryPosBgr), ReadVars(FDM.qryPosBgrVar), ReadTTy(FDM.qryTTy), ReadCNC(FDM.qryCNC),
            std::move(tabGK)};
}

TTabGK TQFormelLoader::LiesTabGK() {
    if (FKeptTabGK != nullptr && FKeptTabGK->has_value())
        return **FKeptTabGK;
    FDM.tbTabGK.Open();
    TTabGK tabGK = ReadTabGK(FDM.tbTabGK);
    if (FKeptTabGK != nullptr)
        *FKeptTabGK = tabGK;
    return tabGK;
}

} // namespace sollist::formula
