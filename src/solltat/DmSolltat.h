#pragma once
// Data module of the target calculation: master sets, the per-order queries, the result
// table SOLLTAT with its loader, and the accumulated records of the current order.
#include "db/DataSet.h"
#include "db/Loader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::solltat {

// One accumulated target activity of an order, keyed by (SollPos, Element, Taetigkeit).
// Times are minutes.
struct TMSTRecord {
    std::string SollPos;
    std::int32_t Element = 0;
    std::string Taetigkeit;
    std::int32_t PosT1Lfd = 0;
    std::int32_t PosM1Lfd = 0;
    bool PosTM1 = false;
    std::string TatArt;
    std::string TaKoNumm; // cost centre of the reporting activity
    double TaVarEh = 0;
    double TaVarSt = 0;
    double TaFixZt = 0;
    bool TaMont = false;
    std::string TaName;
    std::string TaEinhKz;
    std::string TaRmTat;
    std::string TaRmName;
    std::int32_t KoLNK = 0; // KoLNK .. KoPGKGrenz: the activity's own cost centre
    double KoLk = 0;
    double KoPGK = 0;
    double KoPGKGrenz = 0;
    double EhMenge = 0;
    double Stueck = 0;
    double ApTyMe = 0;
    std::string ApTyName;
    std::string ApTyText;
    double PosMenge = 0;
    double Mwst = 0;
};

// The records of one order in the order their triples first occurred, found by triple
// through a hash index (the triple is unique in the list).
class TMSTRecordList {
public:
    using Records = std::vector<std::unique_ptr<TMSTRecord>>;

    TMSTRecord& Add(std::unique_ptr<TMSTRecord> record);
    TMSTRecord* Find(const std::string& SollPos, std::int32_t Element, const std::string& Taetigkeit) const;
    void Clear();

    std::size_t Count() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    TMSTRecord& operator[](std::size_t i) const { return *records_[i]; }
    Records::const_iterator begin() const { return records_.begin(); }
    Records::const_iterator end() const { return records_.end(); }

private:
    struct Key {
        std::string SollPos;
        std::int32_t Element;
        std::string Taetigkeit;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    Records records_;
    std::unordered_map<Key, std::size_t, KeyHash> index_;
};

// Activity master row with the values of its cost centre (tbTaetigkeiten).
struct TTaetigkeitStamm {
    std::string TaName;
    std::string TaRmTat;
    double TaFixZt = 0;
    double TaVarEh = 0;
    double TaVarSt = 0;
    std::string TatArt;
    bool TaMont = false;
    std::string TaKoNumm;
    std::string TaEinhKz;
    double KoLk = 0;
    std::int32_t KoLNK = 0;
    double KoPGK = 0;
    double KoPGKGrenz = 0;
};

// The order values every SOLLTAT row of the order carries; empty texts and zeros when the
// order has no row (or no surcharge row) in the database.
struct TAuftragWerte {
    std::string OffertNr, MontZul, ZulEh;
    double ZulWert = 0, Prov = 0;
    std::int64_t Gewinn = 0;
};

// Material master row (tbMaterial).
struct TMaterialStamm {
    std::string MaArbEh;
    std::string MaForts;
};

// The first row GETKEYTAB gives for a key-table material and dimensions.
struct TKeyTabErgebnis {
    std::string KyTabMat;
    double Menge = 0;
};

// Column definitions (and table name) of the global temporary table SOLLTAT, in column order.
void DeclareSolltat(db::TIBCTable& tb);
// SOLLTAT created in the database when it has none, else emptied for this connection.
void CreateSolltat(db::TIBCConnection& connection);

struct TSollStammdaten;

class Tdm_Solltat {
public:
    // stammdaten: the master data a run keeps, which the module reads into and from; nullptr:
    // the module keeps its own for its lifetime.
    explicit Tdm_Solltat(db::TIBCConnection& connection, TSollStammdaten* stammdaten = nullptr);
    ~Tdm_Solltat();
    Tdm_Solltat(const Tdm_Solltat&) = delete;
    Tdm_Solltat& operator=(const Tdm_Solltat&) = delete;

    TSollStammdaten& Stammdaten() { return FStammdaten; }

private:
    db::TIBCConnection& FConnection;
    std::unique_ptr<TSollStammdaten> FOwnStammdaten; // when none is given
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
    void IBCLoaderPutData(db::TIBCLoader& loader, const TAuftragWerte& auftrag);
    void IndexMasterSets();

    bool FSolltatExists = false; // SOLLTAT was created or emptied by this module
    std::size_t FSavedRows = 0;
};

} // namespace sollist::solltat
