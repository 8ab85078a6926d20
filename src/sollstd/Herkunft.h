#pragma once
// Where an order's target hours come from: the order calculated by the target calculation of
// the order hours run, its records as SOLLTAT holds them grouped per reporting activity and
// cost centre, and for every record what asked for its quantities (positions, materials,
// part-type rows). Writes nothing but the connection's own SOLLTAT.
#include "db/DataSet.h"
#include "db/RunContext.h"
#include "sollstd/SollStunden.h"
#include "solltat/SollQuelle.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sollist::solltat {
class TSolltat;
struct TSollStammdaten;
} // namespace sollist::solltat

namespace sollist::sollstd {

// The quantities one source gave a record. A source that reports more than once (an activity
// row on all four edges) is summed.
struct THerkunftBeitrag {
    solltat::TSollQuelle Quelle;
    std::string TatMaterial; // material rows: the material whose activity it is, when another one
    double EhMenge = 0, Stueck = 0;
};

// A record of the calculation with the figures SOLLTAT holds, which are those the run sums.
struct THerkunftSatz {
    std::string SollPos;
    std::int32_t Element = 0; // part-type running number; 0 for position materials and activities
    std::string Taetigkeit, TaName, TaEinhKz;
    double EhMenge = 0, Stueck = 0;
    double TaVarEh = 0, TaVarSt = 0; // minutes per unit quantity and per piece
    double TaFixZt = 0;              // its share of the activity's fixed minutes
    double Stunden = 0;              // the minutes of the row, in hours
    std::vector<THerkunftBeitrag> Beitraege;
};

// One reporting activity and cost centre: one target row of AufSStd.
struct THerkunftGruppe {
    std::string RmTat, RmName, KoNumm;
    double Stunden = 0;     // SOLLTAT summed, before the surcharge
    double MitZuschlag = 0; // what the run stores as ASSOLLSTD
    // By position (in the order the calculation met them), then part-type element (0 first).
    std::vector<THerkunftSatz> Saetze;
};

struct THerkunftTeiletyp {
    std::string Name, Text;
};

struct THerkunft {
    std::string OfNumm;
    bool Bekannt = false; // the order has a row in Auftrag; an unknown one is not calculated
    std::string Bezeichnung;
    double VertZuschl = 1.0;
    double Stunden = 0;                            // all groups, before the surcharge
    double MitZuschlag = 0;                        // what the run stores as AsSollStnd
    std::vector<THerkunftGruppe> Gruppen;          // by reporting activity, then cost centre
    std::map<std::string, std::string> Positionen; // number -> text
    std::map<std::pair<std::string, std::int32_t>, std::string> Baugruppen; // (position, BgLf) -> name
    std::map<std::tuple<std::string, std::int32_t, std::int32_t>, THerkunftTeiletyp> // (position, BgLf, Lfd)
        Teiletypen;
    std::map<std::string, std::string> Materialien; // number -> name, of the materials named
    std::vector<std::string> Hinweise;              // data problems and formula errors met

    const std::string& PositionText(const std::string& SollPos) const;
    const std::string& BaugruppeName(const std::string& SollPos, std::int32_t BgLf) const;
    const THerkunftTeiletyp* Teiletyp(const std::string& SollPos, std::int32_t BgLf, std::int32_t Lfd) const;
    const std::string& MaterialName(const std::string& MaNumm) const;
};

class THerkunftRechnung {
public:
    // The context's connection, error log folder and day; the calculation's console lines go
    // into the explanation. Master data are read once and kept for every order explained.
    // Refuses a read-only database (EDatabaseError): the calculation writes SOLLTAT.
    explicit THerkunftRechnung(const TRunContext& context);
    ~THerkunftRechnung();
    THerkunftRechnung(const THerkunftRechnung&) = delete;
    THerkunftRechnung& operator=(const THerkunftRechnung&) = delete;

    // Calculates the order (open or closed) as the order hours run does, positions with
    // ApTyp = 1 left out. Raises ERunStopped, before it begins, when the context's stop is
    // requested.
    THerkunft Erklaere(const std::string& OfNumm);

private:
    class TSammler;

    void RefuseReadOnlyDatabase();
    void ReadSaetze(THerkunft& herkunft);
    void ReadNames(THerkunft& herkunft);

    db::TIBCConnection& FConnection;
    std::unique_ptr<TSammler> FSammler;
    TRunContext FContext;                                  // formula error lines go to the explanation
    std::unique_ptr<solltat::TSollStammdaten> FStammdaten; // nothing changes them meanwhile
    std::unique_ptr<solltat::TSolltat> FSolltat;
    TSollStunden FSollStunden;
    std::unordered_map<std::string, std::string> FMaterialNamen; // read with the first order
    bool FMaterialNamenGelesen = false;
    // Which of the texts beside the keys the database has (from the catalogue, once).
    bool FBezeichnung = false, FPositionsTexte = false, FBaugruppenNamen = false, FMaterialNamenDa = false;

public:
    db::TIBCQuery qryAuftrag{FConnection, "qryAuftrag"};
    db::TIBCQuery qrySolltat{FConnection, "qrySolltat"};
    db::TIBCQuery qryPositionen{FConnection, "qryPositionen"};
    db::TIBCQuery qryBaugruppen{FConnection, "qryBaugruppen"};
    db::TIBCQuery qryMaterialNamen{FConnection, "qryMaterialNamen"};
};

} // namespace sollist::sollstd
