#include "solltat/Solltat.h"

#include "common/ChildRuns.h"
#include "formula/QFormelAuftrag.h"
#include "solltat/DmSolltat.h"
#include "solltat/ErrorTxt.h"
#include "solltat/MatTat.h"
#include "solltat/SollStammdaten.h"
#include "solltat/TeileTypDaten.h"

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

bool IsKeyTableUnit(const std::string& unit) {
    return unit == "KM1" || unit == "KM2" || unit == "KM3" || unit == "KST";
}

template <class Detail>
bool BelongsTo(const Detail& row, const TTeileTypZeile& part) {
    return row.ApNumm == part.ApNumm && row.BgLf == part.BgLf && row.TyLfd == part.Lfd;
}

TSollQuelle TaetigkeitQuelle(const TTeileTypZeile& part, const TTeileTypTaetigkeit& row) {
    return {.Art = TQuellArt::TeiletypTaetigkeit, .BgLf = part.BgLf, .Zeile = row.LfNr, .Lage = row.Lage};
}

TSollQuelle CNCQuelle(const TTeileTypZeile& part, const TTeileTypCNC& row) {
    return {.Art = TQuellArt::TeiletypCNC, .BgLf = part.BgLf, .Zeile = row.LfNr};
}

TSollQuelle MaterialQuelle(const TTeileTypZeile& part, const TTeileTypMaterial& row) {
    return {.Art = TQuellArt::TeiletypMaterial, .BgLf = part.BgLf, .Lage = row.Lage, .Material = row.MaNumm};
}

} // namespace

TSolltat::TSolltat(const TRunContext& context, TSollStammdaten& stammdaten)
    : FContext(context), FStammdaten(stammdaten) {}

TSolltat::~TSolltat() = default;

bool TSolltat::Calculate(const std::vector<std::string>& orders, bool wahlPos) {
    bWahlPos = wahlPos;
    try {
        BeginRun();
        // Only the first order is preloaded; later ones load their materials on demand.
        if (!orders.empty() && !orders.front().empty())
            aMatTat->InitializeFill(orders.front());
        for (const auto& OfNumm : orders) {
            if (OfNumm.empty())
                continue;
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
    dm_Solltat->CloseTables();
    EndRun();
    return hasRows;
}

// The data module and the formula model live from the first call to the last, reading into and
// from the master data.
void TSolltat::BeginRun() {
    if (!dm_Solltat)
        dm_Solltat = std::make_unique<Tdm_Solltat>(FContext.Connection, FStammdaten);
    dm_Solltat->MSollT.Clear(); // a kept module may hold the records of a failed call
    ErrLog = std::make_unique<TErrorTxt>(FContext.ErrorLogDir);
    ErrLog->Open("SollTat", FContext.LogLines);
    if (!Formel)
        Formel = std::make_unique<formula::TQFormelAuftrag>(FContext, FStammdaten.TabGK);
    Formel->Clear(); // a kept model may hold the order of a failed call
    aMatTat = std::make_unique<TMatTat>(*dm_Solltat);
    bFehler = false;
    dm_Solltat->OpenTables();
}

void TSolltat::EndRun() {
    aMatTat.reset();
    ErrLog.reset();
    ht.clear();
    FStammFehltGemeldet.clear();
}

void TSolltat::CalcAuftrag(const std::string& OfNumm) {
    auto& dm = *dm_Solltat;
    FOfNumm = OfNumm;
    ht.clear();
    FStammFehltGemeldet.clear();
    const TAuftragWerte auftrag = dm.ReadAuftrag(OfNumm);
    const std::string filter = bWahlPos ? "" : "po.ApTyp<>1";
    CalcPositionMaterials(OfNumm, filter);
    CalcPositionActivities(OfNumm, filter);
    CalcPartTypes(OfNumm, filter);
    DistributeFixZt();
    ht.clear();
    dm.SaveToDB(auftrag);
}

// Position materials: the material's own unit decides which dimensions count, so that an
// activity needing no more dimensions than that unit gets the material quantity.
void TSolltat::CalcPositionMaterials(const std::string& OfNumm, const std::string& filter) {
    auto& pm = dm_Solltat->qryPosMat;
    OpenForOrder(pm, OfNumm, filter);
    auto apmaApNumm = pm.FieldByName("APMAAPNUMM"), apmaLfNr = pm.FieldByName("APMALFNR"),
         apmaMaNumm = pm.FieldByName("APMAMANUMM"), apmaSollMe = pm.FieldByName("APMASOLLME"),
         apmaMgMult = pm.FieldByName("APMAMGMULT"), pmApMenge = pm.FieldByName("APMENGE"),
         maArbEh = pm.FieldByName("MAARBEH"), pmMwWert = pm.FieldByName("MWWERT");
    for (; !pm.Eof(); pm.Next()) {
        double menge = apmaSollMe.AsFloat();
        if (apmaMgMult.AsBoolean())
            menge *= pmApMenge.AsFloat();
        const std::string unit = maArbEh.AsString();
        const bool m1 = unit == "M1", m2 = unit == "M2", m3 = unit == "M3";
        const double laenge = m1 || m2 || m3 ? 1000.0 : 0;
        const double breite = m2 || m3 ? 1000.0 : 0;
        const double dicke = m3 ? 1000.0 : 0;
        const auto lfNr = static_cast<std::int32_t>(apmaLfNr.AsInteger());
        const TSollHerkunft origin{.OfNumm = OfNumm,
                                   .SollPos = apmaApNumm.AsString(),
                                   .PosMenge = pmApMenge.AsFloat(),
                                   .Mwst = pmMwWert.AsFloat(),
                                   .PosM1Lfd = lfNr,
                                   .Quelle = {.Art = TQuellArt::Positionsmaterial,
                                              .Zeile = lfNr,
                                              .Material = apmaMaNumm.AsString()}};
        AddMaterial(origin, origin.Quelle.Material, laenge, breite, dicke, menge, 1.0);
    }
    pm.Close();
}

void TSolltat::CalcPositionActivities(const std::string& OfNumm, const std::string& filter) {
    auto& pt = dm_Solltat->qryPosTat;
    OpenForOrder(pt, OfNumm, filter);
    auto ptApNumm = pt.FieldByName("PTAPNUMM"), ptLfd = pt.FieldByName("PTLFD"),
         ptTaNumm = pt.FieldByName("PTTANUMM"), ptSollMe = pt.FieldByName("PTSOLLME"),
         ptMgMult = pt.FieldByName("PTMGMULT"), ptErschw = pt.FieldByName("PTERSCHW"),
         ptBezeich = pt.FieldByName("PTBEZEICH"), ptApMenge = pt.FieldByName("APMENGE"),
         taEinhKz = pt.FieldByName("TAEINHKZ"), ptMwWert = pt.FieldByName("MWWERT");
    for (; !pt.Eof(); pt.Next()) {
        double menge = ptSollMe.AsFloat();
        if (ptMgMult.AsBoolean())
            menge *= ptApMenge.AsFloat();
        const std::string unit = taEinhKz.AsString();
        const bool counted = unit == "M1" || unit == "M2" || unit == "M3" || unit == "STK";
        const double ehMenge = counted ? menge : 0;
        const double erschw = ptErschw.AsFloat();
        const auto lfd = static_cast<std::int32_t>(ptLfd.AsInteger());
        const TSollHerkunft origin{.OfNumm = OfNumm,
                                   .SollPos = ptApNumm.AsString(),
                                   .PosMenge = ptApMenge.AsFloat(),
                                   .Mwst = ptMwWert.AsFloat(),
                                   .Quelle = {.Art = TQuellArt::Positionstaetigkeit, .Zeile = lfd}};
        AddTaetigkeit(origin, ptTaNumm.AsString(), ehMenge * erschw, menge * erschw, lfd,
                      ptBezeich.AsString());
    }
    pt.Close();
}

// Each part type takes the runs of its own rows from the detail lists, which are sorted like
// the part types.
void TSolltat::CalcPartTypes(const std::string& OfNumm, const std::string& filter) {
    auto& dm = *dm_Solltat;
    db::TIBCQuery* partTypeSets[] = {&dm.qryPosTyp, &dm.qryPosTyMat, &dm.qryPosTyTat, &dm.qryPosTyCNC};
    for (auto* qry : partTypeSets) OpenForOrder(*qry, OfNumm, filter);
    const TTeileTypDaten daten = ReadTeileTypDaten(dm);
    for (auto* qry : partTypeSets) qry->Close();

    TChildRuns materialRuns(daten.Materialien);
    TChildRuns activityRuns(daten.Taetigkeiten);
    TChildRuns cncRuns(daten.CNC);
    for (const TTeileTypZeile& part : daten.TeileTypen) {
        const formula::TF_TTyp& t = Formel->GetTTyp(part.ApNumm, part.BgLf, part.Lfd);
        auto ofPart = [&part](const auto& row) { return BelongsTo(row, part); };
        const auto materials = materialRuns.Next(ofPart);
        const auto activities = activityRuns.Next(ofPart);
        const auto cncRows = cncRuns.Next(ofPart);
        const TTeileTypMeldungen reports = CalcTeileTyp(part, t, materials, activities, cncRows);
        if (reports.DickeFehlt) {
            LogFehler(fmt::format("Offert: {} Element: {} Material für Dickenberechnung fehlt", part.OfNumm,
                                  part.Lfd));
            continue;
        }
        TSollHerkunft origin{.OfNumm = part.OfNumm,
                             .SollPos = part.ApNumm,
                             .PosMenge = part.ApMenge,
                             .Element = part.Lfd,
                             .Mwst = part.MwWert,
                             .bPosTyp = true,
                             .ApTyMe = t.Menge,
                             .ApTyName = part.ApTyName,
                             .ApTyText = part.ApTyText};
        for (const auto& tat : reports.Taetigkeiten) {
            origin.Quelle =
                tat.CNC ? CNCQuelle(part, cncRows[tat.Zeile]) : TaetigkeitQuelle(part, activities[tat.Zeile]);
            AddTaetigkeit(origin, tat.TaNumm, tat.EhMenge, tat.Stueck);
        }
        for (const auto& mat : reports.Materialien) {
            origin.Quelle = MaterialQuelle(part, materials[mat.Zeile]);
            AddMaterial(origin, mat.MaNumm, mat.Laenge, mat.Breite, mat.Dicke, mat.Menge, reports.Erschw);
        }
    }
}

// The fixed time of an activity counts once per order: it is shared among the activity's
// records in proportion to their pieces.
void TSolltat::DistributeFixZt() {
    for (const auto& r : dm_Solltat->MSollT) {
        if (r->TaFixZt == 0)
            continue;
        const auto it = ht.find(r->Taetigkeit);
        if (it == ht.end())
            continue;
        r->TaFixZt = it->second == 0 ? 0 : r->Stueck / it->second * r->TaFixZt;
    }
}

// A key-table material is first resolved through GETKEYTAB to a concrete material and a
// quantity factor that stays in force for the rest of the chain.
void TSolltat::AddMaterial(const TSollHerkunft& origin, std::string Material, double Laenge, double Breite,
                           double Dicke, double Menge, double Erschw) {
    if (!(Menge > 0))
        return; // also ends for a quantity that is not a number
    auto& dm = *dm_Solltat;
    std::unordered_set<std::string> handled;
    while (!Material.empty() && !handled.contains(Material)) {
        const std::string passMaterial = Material;
        const TMaterialStamm* stamm = dm.FindMaterial(Material);
        if (stamm == nullptr)
            LogStammFehlt(
                fmt::format("Offert: {} Material: {} nicht im Materialstamm", origin.OfNumm, Material));
        if (stamm != nullptr && IsKeyTableUnit(stamm->MaArbEh)) {
            const TKeyTabErgebnis* found = dm.KeyTable(Material, Laenge, Breite, Dicke);
            if (found == nullptr) {
                LogFehler(fmt::format("Offert: {} Material: {} Keytabelle nicht gefunden", origin.OfNumm,
                                      Material));
                return;
            }
            Material = found->KyTabMat;
            Menge *= found->Menge;
        }
        aMatTat->LoadMat(Material);
        for (const TMT_Tat& tat : aMatTat->Material().Tats) {
            const double factor = tat.Erschw * Erschw;
            const double ehMenge = CalcEhMenge(tat.Einhkz, Laenge, Breite, Dicke, Menge);
            AddTaetigkeit(origin, tat.TaNumm, ehMenge * factor, Menge * factor, 0, {}, Material);
        }
        handled.insert(passMaterial);
        Material = stamm != nullptr ? stamm->MaForts : std::string();
    }
}

// The report that creates the record fixes its descriptive values.
void TSolltat::AddTaetigkeit(const TSollHerkunft& origin, const std::string& Taetigkeit, double EhMenge,
                             double Stueck, std::int32_t PosT1Lfd, const std::string& TaName,
                             const std::string& TatMaterial) {
    auto& dm = *dm_Solltat;
    TMSTRecord* rec = dm.FindSMRecord(origin.SollPos, origin.Element, Taetigkeit);
    if (rec == nullptr) {
        auto r = std::make_unique<TMSTRecord>();
        r->SollPos = origin.SollPos;
        r->Mwst = origin.Mwst;
        r->Element = origin.Element;
        r->Taetigkeit = Taetigkeit;
        r->PosT1Lfd = PosT1Lfd;
        r->PosM1Lfd = origin.PosM1Lfd;
        r->PosMenge = origin.PosMenge;
        r->PosTM1 = PosT1Lfd > 0 || origin.PosM1Lfd > 0;
        // A missing master row leaves empty texts and zeros, never another row's values.
        const TTaetigkeitStamm* ta = dm.FindTaetigkeit(Taetigkeit);
        if (ta != nullptr)
            TakeMasterValues(*r, *ta);
        else
            LogStammFehlt(
                fmt::format("Offert: {} Tätigkeit: {} nicht im Tätigkeitsstamm", FOfNumm, Taetigkeit));
        if (PosT1Lfd != 0)
            r->TaName = TaName;
        else if (ta != nullptr)
            r->TaName = ta->TaName;
        if (origin.bPosTyp) {
            r->ApTyName = origin.ApTyName;
            r->ApTyText = origin.ApTyText;
            r->ApTyMe = origin.ApTyMe;
        }
        if (ta != nullptr) {
            if (const TTaetigkeitStamm* rm = dm.FindTaetigkeit(r->TaRmTat)) {
                r->TaRmName = rm->TaName;
                r->TaKoNumm = rm->TaKoNumm;
            } else {
                LogStammFehlt(
                    fmt::format("Offert: {} Tätigkeit: {} Rückmeldetätigkeit: {} nicht im Tätigkeitsstamm",
                                FOfNumm, Taetigkeit, r->TaRmTat));
            }
        }
        rec = &dm.MSollT.Add(std::move(r));
    }
    rec->EhMenge += EhMenge;
    rec->Stueck += Stueck;
    ht[Taetigkeit] += Stueck;
    if (Beobachter != nullptr)
        Beobachter->Beitrag(*rec, origin, TatMaterial, EhMenge, Stueck);
}

void TSolltat::LogFehler(const std::string& text) {
    bFehler = true;
    if (Beobachter != nullptr)
        Beobachter->Datenproblem(text);
    else
        ErrLog->Write(text);
}

void TSolltat::LogStammFehlt(const std::string& text) {
    if (FStammFehltGemeldet.insert(text).second)
        LogFehler(text);
}

} // namespace sollist::solltat
