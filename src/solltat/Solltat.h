#pragma once
// Target activity calculation of orders: position materials, position activities and part
// types become records (position, part-type element, activity) in the data module, whose
// fixed times are shared out per activity before they are written into SOLLTAT.
#include "db/RunContext.h"
#include "solltat/SollQuelle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sollist::formula {
class TQFormelAuftrag;
}

namespace sollist::solltat {

class Tdm_Solltat;
class TErrorTxt;
class TMatTat;
struct TSollStammdaten;

// Where a reported quantity comes from, and the values a record created by it copies.
struct TSollHerkunft {
    std::string OfNumm{}; // names the order in the log lines of AddMaterial
    std::string SollPos{};
    double PosMenge = 0;
    std::int32_t Element = 0; // part-type running number; 0 for position rows
    double Mwst = 0;
    std::int32_t PosM1Lfd = 0; // running number of the position material; 0 otherwise
    // Part types only: the record takes their quantity per assembly, name and text.
    bool bPosTyp = false;
    double ApTyMe = 0;
    std::string ApTyName{};
    std::string ApTyText{};
    // The row that reports, for an observer (see SollQuelle.h).
    TSollQuelle Quelle{};
};

class TSolltat {
public:
    // stammdaten: the master data kept (a run changes none), read by the first Calculate and
    // taken from there by later ones; the data module and the formula model live from the
    // first Calculate to the last as well. The context and stammdaten must outlive the
    // calculator; a caller that wants a calculation as if alone makes both for it.
    TSolltat(const TRunContext& context, TSollStammdaten& stammdaten);
    ~TSolltat();
    TSolltat(const TSolltat&) = delete;
    TSolltat& operator=(const TSolltat&) = delete;

    // Calculates every non-empty order number of the list, in list order, into SOLLTAT
    // (emptied first). True when SOLLTAT holds at least one row afterwards. bWahlPos false
    // leaves out positions with ApTyp = 1.
    bool Calculate(const std::vector<std::string>& orders, bool bWahlPos);

    // A data problem of the last Calculate went to the calculation error log.
    bool bFehler = false;
    // Not owned; when set, told of every quantity with its source, and of the data problems
    // instead of the error log.
    TSollBeobachter* Beobachter = nullptr;

private:
    friend struct TSolltatTestPeer; // tests drive the private steps against a real database

    const TRunContext& FContext;
    TSollStammdaten& FStammdaten;
    std::unique_ptr<Tdm_Solltat> dm_Solltat;
    // Per order: activity number -> sum of the piece increments AddTaetigkeit received.
    std::unordered_map<std::string, double> ht;
    std::unique_ptr<formula::TQFormelAuftrag> Formel;
    std::unique_ptr<TErrorTxt> ErrLog;
    bool bWahlPos = false;
    std::unique_ptr<TMatTat> aMatTat;
    // Order being calculated; names the order in log lines of AddTaetigkeit.
    std::string FOfNumm;
    // Missing master rows already logged for the current order (one line each).
    std::unordered_set<std::string> FStammFehltGemeldet;

    // Opens the objects of one Calculate (SOLLTAT is empty afterwards), the data module and
    // the formula model made by the first; EndRun releases what lives for one Calculate.
    void BeginRun();
    void EndRun();

    void CalcAuftrag(const std::string& OfNumm);
    void CalcPositionMaterials(const std::string& OfNumm, const std::string& filter);
    void CalcPositionActivities(const std::string& OfNumm, const std::string& filter);
    void CalcPartTypes(const std::string& OfNumm, const std::string& filter);
    void DistributeFixZt();

    // Reports the activities of a material and of its chain of continuation materials.
    void AddMaterial(const TSollHerkunft& origin, std::string Material, double Laenge, double Breite,
                     double Dicke, double Menge, double Erschw);
    // Finds or creates the record of (SollPos, Element, Taetigkeit) and adds the quantities.
    // PosT1Lfd and TaName: the position activity row that reports it, 0 and "" otherwise;
    // TatMaterial: the material whose activity it is, for the observer.
    void AddTaetigkeit(const TSollHerkunft& origin, const std::string& Taetigkeit, double EhMenge,
                       double Stueck, std::int32_t PosT1Lfd = 0, const std::string& TaName = {},
                       const std::string& TatMaterial = {});

    // Writes a data problem to the error log and sets bFehler.
    void LogFehler(const std::string& text);
    // LogFehler for a number missing from a master set, once per order and text.
    void LogStammFehlt(const std::string& text);
};

} // namespace sollist::solltat
