#include "formula/QFormelAuftrag.h"

#include "common/ChildRuns.h"
#include "common/Text.h"
#include "formula/QFormelLoader.h"

#include <fmt/format.h>

#include <functional>

namespace sollist::formula {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A reference to another part type: one of M, L, B, D and one to three digits.
bool IsPartTypeReference(const std::string& name) {
    if (name.size() < 2 || name.size() > 4)
        return false;
    if (name[0] != 'M' && name[0] != 'L' && name[0] != 'B' && name[0] != 'D')
        return false;
    for (std::size_t i = 1; i < name.size(); ++i)
        if (!IsDigit(name[i]))
            return false;
    return true;
}

} // namespace

// --- records ---

double TF_TTyp::GetCNCTatValue(std::int32_t CNCTatNr, std::int32_t VarNr) const {
    const TF_CNCTat* row = FCNCIndex.Find(FCNCTat, CNCTatNr);
    if (!row)
        throw EParseErr(fmt::format("CNC-Tat nicht gefunden: ElementNr:{}", LfdNr));
    if (VarNr < 0 || VarNr >= static_cast<std::int32_t>(row->CNCWerte.size()))
        throw Exception(fmt::format("CNC-Wert {} ausserhalb 0..10", VarNr));
    return row->CNCWerte[static_cast<std::size_t>(VarNr)];
}

TF_TTyp::TF_TTyp(const TTTyRow& Row)
    : Menge_Formel(Row.Menge), Laenge_Formel(Row.Laenge), Breite_Formel(Row.Breite), Dicke_Formel(Row.Dicke),
      LfdNr(Row.LfdNr), NrInBgrp(Row.NrInBgrp) {}

TF_Bgrp::TF_Bgrp(TQFormelAuftrag& Owner, const TBgrRow& Row)
    : Menge(Row.Menge), Breite(Row.Breite), Hoehe(Row.Hoehe), Tiefe(Row.Tiefe), FOwner(&Owner),
      FApNumm(Row.ApNumm), FBgLfNr(Row.BgLfNr) {}

TF_TTyp& TF_Bgrp::GetTTyp_LfdNr(std::int32_t LfNr) {
    if (TF_TTyp* t = FLfdNrIndex.Find(FTTyp, LfNr))
        return *t;
    throw EParseErr(fmt::format("Teiletyp nicht gefunden in Auf.:{} Pos:{} BgNr:{} TyNr:{}", FOwner->FOfNumm,
                                FApNumm, FBgLfNr, LfNr));
}

TF_TTyp& TF_Bgrp::GetTTyp_BgrpNr(std::int32_t NrInBgrp) {
    if (TF_TTyp* t = FNrInBgrpIndex.Find(FTTyp, NrInBgrp))
        return *t;
    throw EParseErr(fmt::format("Unzulässige Referenz auf Nummer {}", NrInBgrp));
}

const TF_BgVar* TF_Bgrp::FindBgVar(const std::string& Num) const { return FBgVarIndex.Find(FBgVar, Num); }

// --- the model ---

std::size_t TQFormelAuftrag::BgrpKeyHash::operator()(const BgrpKey& k) const {
    return std::hash<std::string>{}(k.ApNumm) * 31 + std::hash<std::int32_t>{}(k.BgLfNr);
}

TQFormelAuftrag::TQFormelAuftrag(const TRunContext& context, std::optional<TTabGK>& keptTabGK)
    : FLoader(std::make_unique<TQFormelLoader>(context.Connection, keptTabGK)) {
    BerechnungsTyp = TBerechnungsTyp::btCNC;
    OnError = [&context](const std::string& Beschreibung, const std::string&) {
        context.Print(Beschreibung);
    };
}

TQFormelAuftrag::~TQFormelAuftrag() = default;

void TQFormelAuftrag::Clear() {
    FBgrp.clear();
    FBgrpIndex.Reset();
}

TF_Bgrp& TQFormelAuftrag::GetBgrp(const std::string& ApNumm, std::int32_t BgLfNr) {
    if (TF_Bgrp* b = FBgrpIndex.Find(FBgrp, BgrpKey{ApNumm, BgLfNr}))
        return *b;
    throw EParseErr(fmt::format("Baugruppe nicht gefunden in Auf.:{} Pos:{} Nr:{}", FOfNumm, ApNumm, BgLfNr));
}

TF_TTyp& TQFormelAuftrag::GetTTyp(const std::string& ApNumm, std::int32_t BgLfNr, std::int32_t TyLfd) {
    return GetBgrp(ApNumm, BgLfNr).GetTTyp_LfdNr(TyLfd);
}

void TQFormelAuftrag::Berechne(const std::string& OfNumm) {
    FOfNumm = text::FirstCharacters(OfNumm, 10);
    Evaluate(FLoader->Lies(FOfNumm));
}

void TQFormelAuftrag::Berechne(const std::string& OfNumm, const TQFormelDaten& Daten) {
    FOfNumm = text::FirstCharacters(OfNumm, 10);
    Evaluate(Daten);
}

// The children of an assembly (and the CNC rows of a part type) are its runs in the sorted
// lists: a child row matching no assembly blocks every row sorted after it. A part type joins
// its assembly only once evaluated with its CNC rows, so references reach the part types
// before it and never itself; an assembly joins the model only when complete.
void TQFormelAuftrag::Evaluate(const TQFormelDaten& Daten) {
    TWalk walk{Daten.TabGK};
    // The walk ends with the call, also when a failure ends it amid a part type's formulas.
    struct EndOfWalk {
        TQFormelAuftrag& model;
        ~EndOfWalk() {
            model.FWalk = nullptr;
            model.BerechnungsTyp = TBerechnungsTyp::btCNC;
        }
    } endOfWalk{*this};
    FWalk = &walk;
    TChildRuns<TBgVarRow> vars(Daten.Vars);
    TChildRuns<TTTyRow> tTypen(Daten.TTy);
    TChildRuns<TCNCRow> cncRows(Daten.CNC);
    for (const TBgrRow& row : Daten.Bgr) {
        auto bgrp = std::make_unique<TF_Bgrp>(*this, row);
        walk.AktBgrp = bgrp.get();
        const auto ofBgrp = [&row](const auto& child) {
            return child.ApNumm == row.ApNumm && child.BgLfNr == row.BgLfNr;
        };
        for (const TBgVarRow& var : vars.Next(ofBgrp))
            bgrp->FBgVar.push_back(std::make_unique<TF_BgVar>(TF_BgVar{var.Num, var.Wert}));
        for (const TTTyRow& ty : tTypen.Next(ofBgrp)) {
            auto tTyp = std::make_unique<TF_TTyp>(ty);
            walk.AktTTyp = tTyp.get();
            EvaluateTTyp();
            for (const TCNCRow& cnc :
                 cncRows.Next([&](const TCNCRow& c) { return ofBgrp(c) && c.TyLfdNr == ty.LfdNr; }))
                AddCNCRow(cnc);
            bgrp->FTTyp.push_back(std::move(tTyp));
        }
        FBgrp.push_back(std::move(bgrp));
    }
}

void TQFormelAuftrag::EvaluateTTyp() {
    struct Dimension {
        const std::string& formula;
        double& value;
        char letter;
        const char* word;
    };
    TF_TTyp& t = *FWalk->AktTTyp;
    const Dimension dimensions[] = {{t.Menge_Formel, t.Menge, 'M', "Menge"},
                                    {t.Laenge_Formel, t.Laenge, 'L', "Länge"},
                                    {t.Breite_Formel, t.Breite, 'B', "Breite"},
                                    {t.Dicke_Formel, t.Dicke, 'D', "Dicke"}};
    BerechnungsTyp = TBerechnungsTyp::btTeileTyp;
    for (const Dimension& d : dimensions) {
        try {
            d.value = BerechneFormel(d.formula);
        } catch (const EParseErr& e) {
            ReportTTypError(e.what(), d.letter);
        }
    }
    for (const Dimension& d : dimensions)
        if (d.value < 0)
            ReportTTypError(fmt::format("Eine negative {} ist nicht zulässig!", d.word), d.letter);
    BerechnungsTyp = TBerechnungsTyp::btCNC;
}

void TQFormelAuftrag::AddCNCRow(const TCNCRow& cnc) {
    auto row = std::make_unique<TF_CNCTat>();
    row->Nummer = cnc.Nummer;
    row->CNCFormeln[0] = cnc.Formel;
    try {
        row->CNCWerte[0] = BerechneFormel(cnc.Formel);
    } catch (const EParseErr& e) {
        ReportCNCError(e.what(), cnc.Formel);
    }
    FWalk->AktTTyp->FCNCTat.push_back(std::move(row));
}

// Outside Evaluate there is no assembly, so no variable is known.
double TQFormelAuftrag::GetVarValue(const std::string& name) {
    if (FWalk == nullptr)
        throw EParseErr("Unzulässige Variable: " + name);
    const TF_Bgrp& bgrp = *FWalk->AktBgrp;
    if (name == "BX" || name == "LX" || name == "MX" || name == "DX") {
        if (BerechnungsTyp == TBerechnungsTyp::btTeileTyp)
            throw EParseErr("Hier unzulässige Variable !" + name);
        const TF_TTyp& t = *FWalk->AktTTyp;
        switch (name[0]) {
        case 'B': return t.Breite;
        case 'L': return t.Laenge;
        case 'M': return t.Menge;
        default: return t.Dicke;
        }
    }
    if (name == "M")
        return bgrp.Menge;
    if (name == "B")
        return bgrp.Breite;
    if (name == "H")
        return bgrp.Hoehe;
    if (name == "T")
        return bgrp.Tiefe;
    if (const TF_BgVar* var = bgrp.FindBgVar(name))
        return var->Wert;
    return PartTypeReference(name);
}

double TQFormelAuftrag::PartTypeReference(const std::string& name) {
    TF_Bgrp& bgrp = *FWalk->AktBgrp;
    if (bgrp.FBgLfNr == -1)
        throw EParseErr("Keine Referenzen für einzelne Teiletypen zulässig ! ");
    if (!IsPartTypeReference(name))
        throw EParseErr("Unzulässige Variable: " + name);
    const std::int32_t n = std::stoi(name.substr(1));
    if (BerechnungsTyp == TBerechnungsTyp::btTeileTyp && n >= FWalk->AktTTyp->NrInBgrp)
        throw EParseErr("Vorwärtsreferenz verboten !");
    const TF_TTyp& other = bgrp.GetTTyp_BgrpNr(n);
    switch (name[0]) {
    case 'M': return other.Menge;
    case 'L': return other.Laenge;
    case 'B': return other.Breite;
    default: return other.Dicke;
    }
}

// Outside Evaluate there are no value tables.
double TQFormelAuftrag::GetTabValue(std::int32_t tableNumber, char mode, double value) {
    if (FWalk != nullptr)
        if (auto it = FWalk->TabGK.find(tableNumber); it != FWalk->TabGK.end())
            return LookupValueTable(it->second, mode, value);
    throw EParseErr(fmt::format("Kein Tabelleneintrag {}", tableNumber));
}

void TQFormelAuftrag::ReportTTypError(const std::string& message, char letter) {
    const TF_TTyp& t = *FWalk->AktTTyp;
    const std::string& formel = letter == 'M'   ? t.Menge_Formel
                                : letter == 'L' ? t.Laenge_Formel
                                : letter == 'B' ? t.Breite_Formel
                                                : t.Dicke_Formel;
    Report(fmt::format("Fehler in Teiletyp {} (Off.:{} Pos.:{}): {}", t.LfdNr, FOfNumm,
                       FWalk->AktBgrp->FApNumm, message),
           formel);
}

void TQFormelAuftrag::ReportCNCError(const std::string& message, const std::string& formel) {
    Report(fmt::format("Fehler in Teiletyp {} (Off.:{} Pos.:{}), CNC-Satz VZE : {}", FWalk->AktTTyp->LfdNr,
                       FOfNumm, FWalk->AktBgrp->FApNumm, message),
           formel);
}

void TQFormelAuftrag::Report(const std::string& Beschreibung, const std::string& Formel) {
    if (OnError)
        OnError(Beschreibung, Formel);
}

} // namespace sollist::formula
