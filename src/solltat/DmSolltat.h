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
#include <memory>
#include <string>

namespace sollist::solltat {

struct TSollStammdaten;

class Tdm_Solltat {
public:
    // stammdaten: the master data kept, which the module reads into and from; it must outlive
    // the module.
    Tdm_Solltat(db::TIBCConnection& connection, TSollStammdaten& stammdaten);
    ~Tdm_Solltat();
    Tdm_Solltat(const Tdm_Solltat&) = delete;
    Tdm_Solltat& operator=(const Tdm_Solltat&) = delete;

    TSollStammdaten& Stammdaten() { return FStammdaten; }

private:
    db::TIBCConnection& FConnection;
    TSollStammdaten& FStammdaten;

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

    // Reads the master sets unless the master data hold them already; SOLLTAT exists and is
    // empty afterwards.
    void OpenTables();
    void CloseTables();

    TMSTRecord* FindSMRecord(const std::string& SollPos, std::int32_t Element,
                             const std::string& Taetigkeit) const;
    // The order's values through qryAuftrag.
    TAuftragWerte ReadAuftrag(const std::string& OfNumm);
    // Writes every record of MSollT as one SOLLTAT row with the order's values.
    void SaveToDB(const TAuftragWerte& auftrag);
    // Rows SaveToDB wrote since OpenTables emptied SOLLTAT.
    std::size_t SavedRows() const { return FSavedRows; }

    // First master row of that number, or nullptr (valid while the master data live).
    const TTaetigkeitStamm* FindTaetigkeit(const std::string& TaNumm) const;
    const TMaterialStamm* FindMaterial(const std::string& MaNumm) const;
    // GETKEYTAB's first row for the material and dimensions (qryMatKyTab), nullptr when it
    // gives none. Asked once per master data object for the same arguments: the key tables
    // are master data, which do not change while it lives.
    const TKeyTabErgebnis* KeyTable(const std::string& Material, double Laenge, double Breite, double Dicke);

private:
    bool FSolltatExists = false; // SOLLTAT was created or emptied by this module
    std::size_t FSavedRows = 0;
};

} // namespace sollist::solltat
