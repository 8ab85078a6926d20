#pragma once
// Data module of the target calculation: the data objects (master sets, the per-order
// queries, the result table SOLLTAT with its loader) and the accumulated records of the
// current order.
#include "db/DataSet.h"
#include "db/Loader.h"
#include "solltat/KeyTabCache.h"
#include "solltat/MSTRecord.h"
#include "solltat/SolltatWriter.h"
#include "solltat/StammIndex.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sollist::solltat {

class Tdm_Solltat {
public:
    explicit Tdm_Solltat(db::TIBCConnection& connection);
    ~Tdm_Solltat();
    Tdm_Solltat(const Tdm_Solltat&) = delete;
    Tdm_Solltat& operator=(const Tdm_Solltat&) = delete;

private:
    db::TIBCConnection& FConnection;

public:
    db::TIBCTable tbMaterial{FConnection, "tbMaterial"};
    db::TIBCQuery tbTaetigkeiten{FConnection, "tbTaetigkeiten"};
    db::TIBCQuery qryMatTat{FConnection, "qryMatTat"};
    db::TIBCQuery qryPosMat{FConnection, "qryPosMat"};
    db::TIBCQuery qryPosTat{FConnection, "qryPosTat"};
    db::TIBCQuery qryPosTyp{FConnection, "qryPosTyp"};
    db::TIBCQuery qryAuftrag{FConnection, "qryAuftrag"};
    db::TIBCQuery qryPosTyTat{FConnection, "qryPosTyTat"};
    db::TIBCQuery qryPosTyMat{FConnection, "qryPosTyMat"};
    db::TIBCQuery qryPosTyCNC{FConnection, "qryPosTyCNC"};
    db::TIBCQuery qryInitMT{FConnection, "qryInitMT"};
    db::TIBCQuery qryMatKyTab{FConnection, "qryMatKyTab"};
    db::TIBCTable tbSolltat{FConnection, "tbSolltat"};
    db::TIBCLoader IBCLoader{FConnection};
    TMSTRecordList MSollT;

    // Opens and indexes the master sets unless they are kept open from an earlier call;
    // SOLLTAT exists and is empty afterwards.
    void OpenTables();
    // keepMasterSets leaves the master sets and their indexes for the next OpenTables.
    void CloseTables(bool keepMasterSets = false);

    TMSTRecord* FindSMRecord(const std::string& SollPos, std::int32_t Element,
                             const std::string& Taetigkeit) const;
    // The order's values through qryAuftrag.
    TAuftragWerte ReadAuftrag(const std::string& OfNumm);
    // Writes every record of MSollT as one SOLLTAT row with the order's values.
    void SaveToDB(const TAuftragWerte& auftrag);
    // Rows SaveToDB wrote since OpenTables emptied SOLLTAT.
    std::size_t SavedRows() const { return FSavedRows; }

    // First master row of that number, or nullptr (valid while the tables are open).
    const TTaetigkeitStamm* FindTaetigkeit(const std::string& TaNumm) const;
    const TMaterialStamm* FindMaterial(const std::string& MaNumm) const;
    // GETKEYTAB's first row for the material and dimensions (qryMatKyTab), nullptr when it
    // gives none. Asked once per module for the same arguments: the key tables are master
    // data, which do not change while the module lives.
    const TKeyTabErgebnis* KeyTable(const std::string& Material, double Laenge, double Breite, double Dicke);

private:
    TKeyTabCache FKeyTab;
    bool FSolltatExists = false; // SOLLTAT was created or emptied by this module
    TStammIndex FStamm;
    std::size_t FSavedRows = 0;
};

} // namespace sollist::solltat
