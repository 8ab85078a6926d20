#include "solltat/Solltat.h"

#include "formula/QFormelAuftrag.h"
#include "solltat/DmSolltat.h"
#include "solltat/ErrorTxt.h"
#include "solltat/MatTat.h"

#include <fmt/format.h>

namespace sollist::solltat {

namespace {

// Closes the query and opens it again for the order, with the position filter.
void OpenForOrder(db::TIBCQuery& qry, const std::string& OfNumm, const std::string& filter) {
    qry.Close();
    qry.FilterSQL(filter);
    qry.ParamByName("OFNUMM").AsString(OfNumm);
    qry.Open();
}

void TakeMasterValues(TMSTRecord& r, const TTaetigkeitStamm& ta) {
    r.TaEinhKz = ta.TaEinhKz;
    r.TatArt = ta.TatArt;
    r.KoLk = ta.KoLk;
    r.KoLNK = ta.KoLNK;
    r.KoPGK = ta.KoPGK;
    r.KoPGKGrenz = ta.KoPGKGrenz;
    r.TaVarEh = ta.TaVarEh;
    r.TaVarSt = ta.TaVarSt;
    r.TaFixZt = ta.TaFixZt;
    r.TaMont = ta.TaMont;
    r.TaRmTat = ta.TaRmTat;
}

} // namespace

TSolltat::TSolltat(const TRunContext& context) : FContext(context) {}

TSolltat::~TSolltat() = default;

bool TSolltat::Calculate(const std::vector<std::string>& orders, bool wahlPos) {
    bWahlPos = wahlPos;
    try {
        BeginRun();
        // Only the first order is preloaded; later ones load their materials on demand.
        if (!orders.empty() && !orders.front().empty())
            aMatTat->InitializeFill(orders.front());
        for (const auto& OfNumm : orders) {
            if (OfNumm.empty()) continue;
            Formel->Berechne(OfNumm);
            CalcAuftrag(OfNumm);
            dm_Solltat->MSollT.Clear();
            Formel->Clear();
        }
    } catch (...) {
        EndRun();
        throw;
    }
    // SOLLTAT was emptied by this run and its rows are private to the connection, so the
    // rows this run saved are the rows it holds.
    const bool hasRows = dm_Solltat->SavedRows() > 0;
    dm_Solltat->CloseTables(KeepMasterData);
    EndRun();
    return hasRows;
}

void TSolltat::BeginRun() {
    if (!KeepMasterData || !dm_Solltat) dm_Solltat = std::make_unique<Tdm_Solltat>(FContext.Connection);
    dm_Solltat->MSollT.Clear();   // a kept module may hold the records of a failed call
    ErrLog = std::make_unique<TErrorTxt>();
    ErrLog->Open("SollTat");
    Formel = std::make_unique<formula::TQFormelAuftrag>(FContext);
    aMatTat = std::make_unique<TMatTat>(*dm_Solltat);
    bFehler = false;
    dm_Solltat->OpenTables();
}

void TSolltat::EndRun() {
    Formel.reset();
    aMatTat.reset();
    if (!KeepMasterData) dm_Solltat.reset();
    ErrLog.reset();
    ht.clear();
    FStammFehltGemeldet.clear();
}

void TSolltat::CalcAuftrag(const std::string& OfNumm) {
    auto& dm = *dm_Solltat;
    FOfNumm = OfNumm;
    ht.clear();
    FStammFehltGemeldet.clear();
    OpenForOrder(dm.qryAuftrag, OfNumm, "");
    const std::string filter = bWahlPos ? "" : "po.ApTyp<>1";

    // Position materials: the material's own unit decides which dimensions count, so that
    // an activity needing no more dimensions than that unit gets the material quantity.
    auto& pm = dm.qryPosMat;
    OpenForOrder(pm, OfNumm, filter);
    auto apmaApNumm = pm.FieldByName("APMAAPNUMM"), apmaLfNr = pm.FieldByName("APMALFNR"),
         apmaMaNumm = pm.FieldByName("APMAMANUMM"), apmaSollMe = pm.FieldByName("APMASOLLME"),
         apmaMgMult = pm.FieldByName("APMAMGMULT"), pmApMenge = pm.FieldByName("APMENGE"),
         maArbEh = pm.FieldByName("MAARBEH"), pmMwWert = pm.FieldByName("MWWERT");
    for (; !pm.Eof(); pm.Next()) {
        double menge = apmaSollMe.AsFloat();
        if (apmaMgMult.AsBoolean()) menge *= pmApMenge.AsFloat();
        const std::string unit = maArbEh.AsString();
        const bool m1 = unit == "M1", m2 = unit == "M2", m3 = unit == "M3";
        const double laenge = m1 || m2 || m3 ? 1000.0 : 0;
        const double breite = m2 || m3 ? 1000.0 : 0;
        const double dicke = m3 ? 1000.0 : 0;
        AddMaterial(OfNumm, apmaApNumm.AsString(), pmApMenge.AsFloat(), 0, apmaMaNumm.AsString(),
                    laenge, breite, dicke, menge, 1.0, 0, false,
                    static_cast<std::int32_t>(apmaLfNr.AsInteger()), pmMwWert.AsFloat());
    }
    pm.Close();

    auto& pt = dm.qryPosTat;
    OpenForOrder(pt, OfNumm, filter);
    auto ptApNumm = pt.FieldByName("PTAPNUMM"), ptLfd = pt.FieldByName("PTLFD"),
         ptTaNumm = pt.FieldByName("PTTANUMM"), ptSollMe = pt.FieldByName("PTSOLLME"),
         ptMgMult = pt.FieldByName("PTMGMULT"), ptErschw = pt.FieldByName("PTERSCHW"),
         ptBezeich = pt.FieldByName("PTBEZEICH"), ptApMenge = pt.FieldByName("APMENGE"),
         taEinhKz = pt.FieldByName("TAEINHKZ"), ptMwWert = pt.FieldByName("MWWERT");
    for (; !pt.Eof(); pt.Next()) {
        double menge = ptSollMe.AsFloat();
        if (ptMgMult.AsBoolean()) menge *= ptApMenge.AsFloat();
        const std::string unit = taEinhKz.AsString();
        const bool counted = unit == "M1" || unit == "M2" || unit == "M3" || unit == "STK";
        const double ehMenge = counted ? menge : 0;
        const double erschw = ptErschw.AsFloat();
        AddTaetigkeit(ptApNumm.AsString(), ptApMenge.AsFloat(), 0, ptTaNumm.AsString(),
                      ehMenge * erschw, menge * erschw, 0, false,
                      static_cast<std::int32_t>(ptLfd.AsInteger()), ptBezeich.AsString(), 0,
                      ptMwWert.AsFloat());
    }
    pt.Close();

    // Part types: the detail queries are walked alongside qryPosTyp by CalcTeileTyp.
    db::TIBCQuery* partTypeSets[] = {&dm.qryPosTyp, &dm.qryPosTyMat, &dm.qryPosTyTat,
                                     &dm.qryPosTyCNC};
    for (auto* qry : partTypeSets) OpenForOrder(*qry, OfNumm, filter);
    for (; !dm.qryPosTyp.Eof(); dm.qryPosTyp.Next()) CalcTeileTyp();
    for (auto* qry : partTypeSets) qry->Close();

    DistributeFixZt();
    ht.clear();
    dm.SaveToDB();
    dm.qryAuftrag.Close();
}

// The fixed time of an activity counts once per order: it is shared among the activity's
// records in proportion to their pieces.
void TSolltat::DistributeFixZt() {
    for (const auto& r : dm_Solltat->MSollT) {
        if (r->TaFixZt == 0) continue;
        const auto it = ht.find(r->Taetigkeit);
        if (it == ht.end()) continue;
        r->TaFixZt = it->second == 0 ? 0 : r->Stueck / it->second * r->TaFixZt;
    }
}

// Finds or creates the record of (SollPos, Element, Taetigkeit) and adds the quantities.
// The report that creates the record fixes its descriptive values.
void TSolltat::AddTaetigkeit(const std::string& SollPos, double PosMenge, std::int32_t Element,
                             const std::string& Taetigkeit, double EhMenge, double Stueck,
                             double ApTyMe, bool bPosTyp, std::int32_t PosT1Lfd,
                             const std::string& TaName, std::int32_t PosM1Lfd, double Mwst) {
    auto& dm = *dm_Solltat;
    TMSTRecord* rec = dm.FindSMRecord(SollPos, Element, Taetigkeit);
    if (rec == nullptr) {
        auto r = std::make_unique<TMSTRecord>();
        r->SollPos = SollPos;
        r->Mwst = Mwst;
        r->Element = Element;
        r->Taetigkeit = Taetigkeit;
        r->PosT1Lfd = PosT1Lfd;
        r->PosM1Lfd = PosM1Lfd;
        r->PosMenge = PosMenge;
        r->PosTM1 = PosT1Lfd > 0 || PosM1Lfd > 0;
        // A missing master row leaves empty texts and zeros, never another row's values.
        const TTaetigkeitStamm* ta = dm.FindTaetigkeit(Taetigkeit);
        if (ta != nullptr)
            TakeMasterValues(*r, *ta);
        else
            LogStammFehlt(fmt::format("Offert: {} Tätigkeit: {} nicht im Tätigkeitsstamm",
                                      FOfNumm, Taetigkeit));
        if (PosT1Lfd != 0)
            r->TaName = TaName;
        else if (ta != nullptr)
            r->TaName = ta->TaName;
        if (bPosTyp) {
            r->ApTyName = dm.qryPosTyp.FieldByName("APTYNAME").AsString();
            r->ApTyText = dm.qryPosTyp.FieldByName("APTYTEXT").AsString();
            r->ApTyMe = ApTyMe;
        }
        if (ta != nullptr) {
            if (const TTaetigkeitStamm* rm = dm.FindTaetigkeit(r->TaRmTat)) {
                r->TaRmName = rm->TaName;
                r->TaKoNumm = rm->TaKoNumm;
            } else {
                LogStammFehlt(fmt::format(
                    "Offert: {} Tätigkeit: {} Rückmeldetätigkeit: {} nicht im Tätigkeitsstamm",
                    FOfNumm, Taetigkeit, r->TaRmTat));
            }
        }
        rec = &dm.MSollT.Add(std::move(r));
    }
    rec->EhMenge += EhMenge;
    rec->Stueck += Stueck;
    ht[Taetigkeit] += Stueck;
}

void TSolltat::LogFehler(const std::string& text) {
    bFehler = true;
    ErrLog->Write(text);
}

void TSolltat::LogStammFehlt(const std::string& text) {
    if (FStammFehltGemeldet.insert(text).second) LogFehler(text);
}

} // namespace sollist::solltat
