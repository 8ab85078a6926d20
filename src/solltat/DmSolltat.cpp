#include "solltat/DmSolltat.h"

#include "db/DbErrors.h"
#include "db/TempTable.h"
#include "solltat/SollStammdaten.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace sollist::solltat {

namespace {

using enum db::TFieldType;
using db::Declare;

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
void DeclareMasterSets(Tdm_Solltat& dm) {
    dm.tbMaterial.TableName = "Material";
    dm.tbMaterial.KeyFields = "MANUMM";
    dm.tbMaterial.OrderFields = "MANUMM";
    dm.tbMaterial.ReadOnly = true;
    Declare(dm.tbMaterial, {},
            {{"MANUMM", ftString, 13, true}, {"MAARBEH", ftString, 3, true},
             {"MAFORTS", ftString, 13}});

    Declare(dm.tbTaetigkeiten,
            {"SELECT TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, TATART, TAMONT, TAKONUMM, TAEINHKZ, KOLK, KOLNK, KOPGK, KOPGKGRENZ",
             "FROM TAETIGKE join KOSTENST on (KONUMM=TAKONUMM)"},
            {{"TANUMM", ftString, 10, true}, {"TANAME", ftString, 20, true},
             {"TARMTAT", ftString, 10, true}, {"TAFIXZT", ftFloat}, {"TAVAREH", ftFloat},
             {"TAVARST", ftFloat}, {"TATART", ftString, 1, true},
             {"TAMONT", ftBoolean, 0, true}, {"TAKONUMM", ftString, 3, true},
             {"TAEINHKZ", ftString, 3, true}, {"KOLK", ftFloat},
             {"KOLNK", ftInteger, 0, true}, {"KOPGK", ftFloat}, {"KOPGKGRENZ", ftFloat}});
}

void DeclareMaterialActivityQueries(Tdm_Solltat& dm) {
    Declare(dm.qryMatTat,
            {"Select MATTAT,MATERSCHW,TAEINHKZ",
             "from MATTATIG join TAETIGKE on (MATTAT=TANUMM)",
             "where MATMANUMM=:MANUMM",
             "order by MATTAT"},
            {});

    // The order's material numbers joined to MATTATIG: "MatMaNumm in (select .. union ..)"
    // returns the same rows in the same order, but the server walks all of MATTATIG for it and
    // runs the union once per row, a cost that grows with the master data.
    Declare(dm.qryInitMT,
            {"Select mt.MatMaNumm, mt.MATTAT, mt.MATERSCHW, ta.TAEINHKZ",
             "from (Select ApMaMaNumm as MaNumm from POS_MAT where ApMaOfNumm=:OFNUMM",
             "      union Select PTMMaNumm from POSTYMAT where PTMOfNumm=:OFNUMM) om",
             "  join MATTATIG mt on (mt.MatMaNumm = om.MaNumm)",
             "  join TAETIGKE ta on (mt.MATTAT = ta.TANUMM)",
             "Order by mt.MatMaNumm, mt.MatTat"},
            {{"MATMANUMM", ftString, 13, true}, {"MATTAT", ftString, 10, true},
             {"MATERSCHW", ftFloat}, {"TAEINHKZ", ftString, 3, true}});

    Declare(dm.qryMatKyTab,
            {"Select KYTABMAT,MENGE",
             "from GETKEYTAB(:MATERIAL, :LAENGE, :BREITE, :DICKE);"},
            {});
    dm.qryMatKyTab.ReadOnly = true;
}

// The character set of POS_TYP.APTYTEXT as declared (the database's default where the column
// names none). A short text is cast to it, so that it arrives exactly as the blob would: the
// server converts a declared character set, the database layer one of character set NONE.
std::string PartTypeTextCharset(db::TIBCConnection& connection) {
    db::TIBCQuery query(connection, "qryTextCharset");
    query.SetSQL({"select trim(coalesce(cs.RDB$CHARACTER_SET_NAME, db.RDB$CHARACTER_SET_NAME, 'NONE'))",
                  "from RDB$DATABASE db",
                  "  left join RDB$RELATION_FIELDS rf",
                  "    on rf.RDB$RELATION_NAME = 'POS_TYP' and rf.RDB$FIELD_NAME = 'APTYTEXT'",
                  "  left join RDB$FIELDS f on f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
                  "  left join RDB$CHARACTER_SETS cs on cs.RDB$CHARACTER_SET_ID = f.RDB$CHARACTER_SET_ID"});
    query.Open();
    std::string name = query.Fields(0).AsString();
    query.Close();
    const bool plainName = !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isupper(c) || std::isdigit(c) || c == '_';
    });
    if (!plainName) // it goes into the statement's text
        throw db::EDatabaseError("Unexpected character set of POS_TYP.APTYTEXT: " + name);
    return name;
}

void DeclarePositionQueries(Tdm_Solltat& dm, const std::string& textCharset) {
    Declare(dm.qryPosMat,
            {"Select pm.ApMaOfNumm,pm.ApMaApNumm,pm.ApMaLfNr,pm.ApMaMaNumm,pm.ApMaSollMe,pm.ApMaMgMult,",
             "      po.ApMenge,ma.MaArbEh,tmw.MWWERT",
             "from POS_MAT pm",
             "  join POSITIONEN po on (pm.ApMaOfNumm=po.ApOfNumm AND pm.ApMaApNumm=po.ApNumm)",
             "  join TabMW tmw on (po.APMWST=tmw.MWKENNZ)",
             "  join MATERIAL ma on (pm.ApMaMaNumm=ma.MaNumm)",
             "WHERE pm.ApMaOfNumm=:OFNUMM"},
            {{"APMAOFNUMM", ftString, 10, true}, {"APMAAPNUMM", ftString, 10, true},
             {"APMALFNR", ftInteger, 0, true}, {"APMAMANUMM", ftString, 13, true},
             {"APMASOLLME", ftFloat}, {"APMAMGMULT", ftBoolean, 0, true},
             {"APMENGE", ftFloat}, {"MAARBEH", ftString, 3, true}, {"MWWERT", ftFloat}});

    Declare(dm.qryPosTat,
            {"Select pt.PTOfNumm,pt.PTApNumm,pt.PTLfd,pt.PTTaNumm,pt.PTSollMe,pt.PTMgMult,pt.PTERSCHW,pt.PTBezeich,",
             "      po.ApMenge,ta.TaEinhKz,tmw.MWWERT",
             "from POS_TAT pt",
             "  join POSITIONEN po on (pt.PTOfNumm=po.ApOfNumm AND pt.PTApNumm=po.ApNumm)",
             "  join TabMW tmw on (po.APMWST=tmw.MWKENNZ)",
             "  join TAETIGKE ta on (pt.PTTaNumm=ta.TaNumm)",
             "WHERE pt.PTOfNumm=:OFNUMM"},
            {{"PTOFNUMM", ftString, 10, true}, {"PTAPNUMM", ftString, 10, true},
             {"PTLFD", ftInteger, 0, true}, {"PTTANUMM", ftString, 10, true},
             {"PTSOLLME", ftFloat}, {"PTMGMULT", ftBoolean, 0, true}, {"PTERSCHW", ftFloat},
             {"PTBEZEICH", ftString, 20, true}, {"APMENGE", ftFloat},
             {"TAEINHKZ", ftString, 3, true}, {"MWWERT", ftFloat}});

    // A part-type text that fits APTYTEXTKURZ comes in the row; only a longer one comes as
    // APTYTEXT, a blob, whose reading costs round trips of its own through the server.
    Declare(dm.qryPosTyp,
            {"Select ty.APTYOFNUMM,ty.APTYAPNUMM,ty.APTYBGLF,ty.APTYLFD,ty.APTYEC1,ty.APTYEC2,ty.APTYEC3,ty.APTYEC4,",
             "       ty.APTYDiCalc,ty.ApTyErsch,ty.ApTyName,ty.ApTyNameB,",
             "       iif(char_length(ty.ApTyText) > 1000, ty.ApTyText, null) as ApTyText,",
             "       cast(iif(char_length(ty.ApTyText) > 1000, null, ty.ApTyText) as varchar(1000) character set " +
                 textCharset + ") as ApTyTextKurz,",
             "       po.ApMenge,tmw.MWWERT,bg.APBGERSCHW",
             "from POS_TYP ty ",
             " join POSITIONEN po on (ty.ApTyOfNumm=po.ApOfNumm AND ty.ApTyApNumm=po.ApNumm)",
             " join POS_BGR bg on (ty.ApTyOfNumm=bg.ApBgOfNumm AND ty.ApTyApNumm=bg.ApBgApNumm AND ty.ApTyBgLf=bg.APBGLFNR)",
             " join TABMW tmw on (po.APMWST=tmw.MWKENNZ)",
             "WHERE ty.APTYOFNUMM=:OFNUMM",
             "order by APTYOFNUMM,APTYAPNUMM,APTYBGLF,APTYLFD"},
            {{"APTYOFNUMM", ftString, 10, true}, {"APTYAPNUMM", ftString, 10, true},
             {"APTYBGLF", ftInteger, 0, true}, {"APTYLFD", ftInteger, 0, true},
             {"APTYEC1", ftString, 1, true}, {"APTYEC2", ftString, 1, true},
             {"APTYEC3", ftString, 1, true}, {"APTYEC4", ftString, 1, true},
             {"APTYDICALC", ftBoolean, 0, true}, {"APTYERSCH", ftFloat},
             {"APTYNAME", ftString, 30, true}, {"APTYNAMEB", ftString, 30},
             {"APTYTEXT", ftMemo}, {"APTYTEXTKURZ", ftString, 1000},
             {"APMENGE", ftFloat}, {"MWWERT", ftFloat},
             {"APBGERSCHW", ftFloat}});

    Declare(dm.qryAuftrag,
            {"Select AOfNumm,AsKoGewinn,AsProv,AsMontZulg,ZLEinheit,ZLWert",
             "from Auftrag join TABZL on (AsMontZulg=ZLKennz)",
             "where AOfNumm=:OFNUMM"},
            {{"AOFNUMM", ftString, 10, true}, {"ASKOGEWINN", ftInteger, 0, true},
             {"ASPROV", ftFloat}, {"ASMONTZULG", ftString, 3, true},
             {"ZLEINHEIT", ftString, 3, true}, {"ZLWERT", ftFloat}});
}

void DeclarePartTypeDetailQueries(Tdm_Solltat& dm) {
    Declare(dm.qryPosTyTat,
            {"Select PTTOfNumm,PTTApNumm,PTTBgLfNr,PTTTyLfNr,PTTLfNr,PTTLage,PTTTaNumm,PTTErschw, ta.TaEinhKz",
             "from POSTYTAT pta",
             "  join POSITIONEN po on (pta.PTTOfNumm=po.ApOfNumm AND pta.PTTApNumm=po.ApNumm)",
             "  join Taetigke ta on (pta.PTTTaNumm=ta.TaNumm)",
             "where PTTOfNumm=:OFNUMM",
             "order by PTTOfNumm,PTTApNumm,PTTBgLfNr,PTTTyLfNr,PTTLfNr"},
            {{"PTTOFNUMM", ftString, 10, true}, {"PTTAPNUMM", ftString, 10, true},
             {"PTTBGLFNR", ftInteger, 0, true}, {"PTTTYLFNR", ftInteger, 0, true},
             {"PTTLFNR", ftInteger, 0, true}, {"PTTLAGE", ftString, 2, true},
             {"PTTTANUMM", ftString, 10, true}, {"PTTERSCHW", ftFloat},
             {"TAEINHKZ", ftString, 3, true}});

    Declare(dm.qryPosTyMat,
            {"Select PTMOfNumm,PTMApNumm,PTMBgLfNr,PTMTyLfNr,PTMMaNumm,PTMLage,PTMMenge,PTMLaenge,PTMBreite,PTMDicke,",
             "       ma.MaArbEh",
             "from POSTYMAT pm",
             "  join POSITIONEN po on (pm.PTMOfNumm=po.ApOfNumm AND pm.PTMApNumm=po.ApNumm)",
             "  join Material ma on (pm.PTMMaNumm=ma.MANumm)",
             "where pm.PTMOfNumm=:OFNUMM",
             "order by PTMOfNumm,PTMApNumm,PTMBgLfNr,PTMTyLfNr"},
            {{"PTMOFNUMM", ftString, 10, true}, {"PTMAPNUMM", ftString, 10, true},
             {"PTMBGLFNR", ftInteger, 0, true}, {"PTMTYLFNR", ftInteger, 0, true},
             {"PTMMANUMM", ftString, 13, true}, {"PTMLAGE", ftString, 2, true},
             {"PTMMENGE", ftInteger, 0, true}, {"PTMLAENGE", ftFloat},
             {"PTMBREITE", ftFloat}, {"PTMDICKE", ftFloat}, {"MAARBEH", ftString, 3, true}});

    Declare(dm.qryPosTyCNC,
            {"Select ACOfNumm,ACApNumm,ACBgLf,ACTyLfd,ACLfNr,ACNumm, ta.TaEinhKz",
             "from ATCNC ",
             "  join Taetigke ta on (ta.TaNumm=AcNumm)",
             "  join POSITIONEN po on (ACOfNumm=po.ApOfNumm AND ACApNumm=po.ApNumm)",
             "where ACOfNumm=:OFNUMM",
             "Order by ACOfNumm,ACApNumm,ACBgLf,ACTyLfd,ACLfNr"},
            {{"ACOFNUMM", ftString, 10, true}, {"ACAPNUMM", ftString, 10, true},
             {"ACBGLF", ftInteger, 0, true}, {"ACTYLFD", ftInteger, 0, true},
             {"ACLFNR", ftInteger, 0, true}, {"ACNUMM", ftString, 10, true},
             {"TAEINHKZ", ftString, 3, true}});
}

} // namespace
// clang-format on

Tdm_Solltat::Tdm_Solltat(db::TIBCConnection& connection, TSollStammdaten& stammdaten)
    : FConnection(connection), FStammdaten(stammdaten) {
    DeclareMasterSets(*this);
    DeclareMaterialActivityQueries(*this);
    DeclarePositionQueries(*this, PartTypeTextCharset(FConnection));
    DeclarePartTypeDetailQueries(*this);
    // Flags of the business database are SMALLINT columns of a domain named like BOOLEAN.
    for (db::TIBCDataSet* set : std::initializer_list<db::TIBCDataSet*>{
             &tbMaterial, &tbTaetigkeiten, &qryMatTat, &qryPosMat, &qryPosTat, &qryPosTyp, &qryAuftrag,
             &qryPosTyTat, &qryPosTyMat, &qryPosTyCNC, &qryInitMT, &qryMatKyTab})
        set->BooleanDomainFields = true;
    DeclareSolltat(tbSolltat);
    IBCLoader.RowsPerBatch = 100;
}

Tdm_Solltat::~Tdm_Solltat() = default;

void Tdm_Solltat::OpenTables() {
    if (!FStammdaten.MasterSetsRead) {
        tbMaterial.Open();
        tbTaetigkeiten.Open();
        FStammdaten.Stammsaetze.Read(tbMaterial, tbTaetigkeiten);
        FStammdaten.MasterSetsRead = true; // only once both are whole
        tbTaetigkeiten.Close();
        tbMaterial.Close();
    }
    // The program never drops SOLLTAT: once this module has made sure of it, it is emptied.
    if (FSolltatExists)
        tbSolltat.EmptyTable();
    else
        db::CreateTempTable(tbSolltat, "");
    FSolltatExists = true;
    FSavedRows = 0;
}

void Tdm_Solltat::CloseTables() { tbSolltat.Close(); }

const TTaetigkeitStamm* Tdm_Solltat::FindTaetigkeit(const std::string& TaNumm) const {
    return FStammdaten.Stammsaetze.FindTaetigkeit(TaNumm);
}

const TMaterialStamm* Tdm_Solltat::FindMaterial(const std::string& MaNumm) const {
    return FStammdaten.Stammsaetze.FindMaterial(MaNumm);
}

const TKeyTabErgebnis* Tdm_Solltat::KeyTable(const std::string& Material, double Laenge, double Breite,
                                             double Dicke) {
    return FStammdaten.KeyTab.Find(qryMatKyTab, Material, Laenge, Breite, Dicke);
}

TMSTRecord* Tdm_Solltat::FindSMRecord(const std::string& SollPos, std::int32_t Element,
                                      const std::string& Taetigkeit) const {
    return MSollT.Find(SollPos, Element, Taetigkeit);
}

TAuftragWerte Tdm_Solltat::ReadAuftrag(const std::string& OfNumm) {
    qryAuftrag.Close();
    qryAuftrag.ParamByName("OFNUMM").AsString(OfNumm);
    qryAuftrag.Open();
    TAuftragWerte w;
    if (!qryAuftrag.IsEmpty())
        w = db::RowReader<TAuftragWerte>(qryAuftrag, {{"AOFNUMM", &TAuftragWerte::OffertNr},
                                                      {"ASMONTZULG", &TAuftragWerte::MontZul},
                                                      {"ZLEINHEIT", &TAuftragWerte::ZulEh},
                                                      {"ZLWERT", &TAuftragWerte::ZulWert},
                                                      {"ASPROV", &TAuftragWerte::Prov},
                                                      {"ASKOGEWINN", &TAuftragWerte::Gewinn}})();
    qryAuftrag.Close();
    return w;
}

void Tdm_Solltat::SaveToDB(const TAuftragWerte& auftrag) {
    IBCLoader.TableName = "SOLLTAT";
    IBCLoader.OnPutData = [this, &auftrag](db::TIBCLoader& loader) {
        IBCLoaderPutData(loader, MSollT, auftrag);
    };
    IBCLoader.Load();
    IBCLoader.OnPutData = nullptr;
    IBCLoader.TableName.clear();
    FSavedRows += MSollT.Count();
}

} // namespace sollist::solltat
