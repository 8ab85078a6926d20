#include "formula/QFormelAuftrag.h"

#include <fmt/format.h>

#include <functional>

namespace sollist::formula {

using db::TFieldType;

namespace {

// The first n characters of a UTF-8 text (a multi-byte character is never split).
std::string FirstCharacters(const std::string& text, std::size_t n) {
    std::size_t pos = 0;
    for (std::size_t count = 0; pos < text.size() && count < n; ++count) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    }
    return text.substr(0, pos);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A reference to another part type: one of M, L, B, D and one to three digits.
bool IsPartTypeReference(const std::string& name) {
    if (name.size() < 2 || name.size() > 4) return false;
    if (name[0] != 'M' && name[0] != 'L' && name[0] != 'B' && name[0] != 'D') return false;
    for (std::size_t i = 1; i < name.size(); ++i)
        if (!IsDigit(name[i])) return false;
    return true;
}

void DeclareQuery(db::TIBCQuery& query, std::initializer_list<std::string> sql,
                  std::initializer_list<db::TFieldDef> fields) {
    query.SetSQL(sql);
    for (const auto& field : fields) query.AddField(field);
    query.FetchAll = true;
    query.ReadOnly = true;
}

db::TFieldDef Text(const char* name, int size, bool required) {
    return {name, TFieldType::ftString, size, required};
}
db::TFieldDef Integer(const char* name) { return {name, TFieldType::ftInteger, 0, true}; }
db::TFieldDef Float(const char* name) { return {name, TFieldType::ftFloat, 0, false}; }

std::int32_t AsInt32(const db::TField& field) {
    return static_cast<std::int32_t>(field.AsInteger());
}

// Closes the query set in the given order when Berechne ends, also by an exception, so
// that the next order reopens it with its own parameter.
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

} // namespace

// --- the query set ---

TdmQuickFormel::TdmQuickFormel(db::TIBCConnection& connection) : FConnection(connection) {
    DeclareQuery(qryPosBgr,
                 {"Select ApBgOfNumm,ApBgApNumm,ApBgLfNr,ApBgMe,ApBgBreite,ApBgHoehe,ApBgTiefe",
                  "from POS_BGR",
                  "WHERE ApBgOfNumm=:OFNUMM ",
                  "order by ApBgOfNumm,ApBgApNumm,ApBgLfNr"},
                 {Text("APBGOFNUMM", 10, true), Text("APBGAPNUMM", 10, true), Integer("APBGLFNR"),
                  Integer("APBGME"), Float("APBGBREITE"), Float("APBGHOEHE"), Float("APBGTIEFE")});
    DeclareQuery(qryPosBgrVar,
                 {"SELECT PBVApNumm,PBVBgLfNr,PBVNum,PBVWrt",
                  "FROM POSBGRVA",
                  "WHERE PBVOFNUMM = :OFNUMM",
                  "ORDER BY PBVOFNUMM,PBVAPNUMM,PBVBGLFNR,PBVNUM"},
                 {Text("PBVAPNUMM", 10, true), Integer("PBVBGLFNR"), Text("PBVNUM", 3, true),
                  Float("PBVWRT")});
    DeclareQuery(qryTTy,
                 {"SELECT ApTyOfNumm,ApTyApNumm,ApTyBgLf,ApTyLfd,ApTyMe,ApTyLaenge,ApTyBreite,"
                  "ApTyDickf,ApTTyNr",
                  "FROM POS_TYP",
                  "where ApTyOfNumm=:OFNUMM",
                  "ORDER BY APTYOFNUMM,APTYAPNUMM,APTYBGLF,APTYLFD"},
                 {Text("APTYOFNUMM", 10, true), Text("APTYAPNUMM", 10, true), Integer("APTYBGLF"),
                  Integer("APTYLFD"), Text("APTYME", 35, true), Text("APTYLAENGE", 35, true),
                  Text("APTYBREITE", 35, true), Text("APTYDICKF", 35, true), Integer("APTTYNR")});
    DeclareQuery(qryCNC,
                 {"SELECT ACOfNumm,ACApNumm,ACBgLf,ACTyLfd,ACLfNr,ACVW0",
                  "FROM ATCNC",
                  "where ACOfNumm=:OFNUMM",
                  "ORDER BY ACOfNumm,ACApNumm,ACBgLf,ACTyLfd,ACLfNr"},
                 {Text("ACOFNUMM", 10, true), Text("ACAPNUMM", 10, true), Integer("ACBGLF"),
                  Integer("ACTYLFD"), Integer("ACLFNR"), Text("ACVW0", 35, false)});
    tbTabGK.TableName = "TabGK";
    tbTabGK.KeyFields = "TABNR";
    tbTabGK.OrderFields = "TABNR";
    tbTabGK.AddField(Integer("TABNR"));
    tbTabGK.AddField(Text("TABWERTE", 80, true));
    tbTabGK.FetchAll = true;
    tbTabGK.ReadOnly = true;
}

// --- records ---

double TF_TTyp::GetCNCTatValue(std::int32_t CNCTatNr, std::int32_t VarNr) const {
    const TF_CNCTat* row = FCNCIndex.Find(FCNCTat, CNCTatNr);
    if (!row) throw EParseErr(fmt::format("CNC-Tat nicht gefunden: ElementNr:{}", LfdNr));
    if (VarNr < 0 || VarNr >= static_cast<std::int32_t>(row->CNCWerte.size()))
        throw Exception(fmt::format("CNC-Wert {} ausserhalb 0..10", VarNr));
    return row->CNCWerte[static_cast<std::size_t>(VarNr)];
}

TF_Bgrp::TF_Bgrp(TQFormelAuftrag& Owner) : FOwner(&Owner) {}

TF_TTyp& TF_Bgrp::GetTTyp_LfdNr(std::int32_t LfNr) {
    if (TF_TTyp* t = FLfdNrIndex.Find(FTTyp, LfNr)) return *t;
    throw EParseErr(fmt::format("Teiletyp nicht gefunden in Auf.:{} Pos:{} BgNr:{} TyNr:{}",
                                FOwner->FOfNumm, FApNumm, FBgLfNr, LfNr));
}

TF_TTyp& TF_Bgrp::GetTTyp_BgrpNr(std::int32_t NrInBgrp) {
    if (TF_TTyp* t = FNrInBgrpIndex.Find(FTTyp, NrInBgrp)) return *t;
    throw EParseErr(fmt::format("Unzulässige Referenz auf Nummer {}", NrInBgrp));
}

const TF_BgVar* TF_Bgrp::FindBgVar(const std::string& Num) const {
    return FBgVarIndex.Find(FBgVar, Num);
}

// --- the model ---

std::size_t TQFormelAuftrag::BgrpKeyHash::operator()(const BgrpKey& k) const {
    return std::hash<std::string>{}(k.ApNumm) * 31 + std::hash<std::int32_t>{}(k.BgLfNr);
}

TQFormelAuftrag::TQFormelAuftrag(const TRunContext& context)
    : FDM(std::make_unique<TdmQuickFormel>(context.Connection)) {
    BerechnungsTyp = TBerechnungsTyp::btCNC;
    OnError = [&context](const std::string& Beschreibung, const std::string&) { context.Print(Beschreibung); };
}

TQFormelAuftrag::~TQFormelAuftrag() = default;

void TQFormelAuftrag::Clear() {
    AktBgrp = nullptr;
    AktTTyp = nullptr;
    FBgrp.clear();
    FBgrpIndex.Reset();
}

TF_Bgrp& TQFormelAuftrag::GetBgrp(const std::string& ApNumm, std::int32_t BgLfNr) {
    if (TF_Bgrp* b = FBgrpIndex.Find(FBgrp, BgrpKey{ApNumm, BgLfNr})) return *b;
    throw EParseErr(fmt::format("Baugruppe nicht gefunden in Auf.:{} Pos:{} Nr:{}", FOfNumm,
                                ApNumm, BgLfNr));
}

TF_TTyp& TQFormelAuftrag::GetTTyp(const std::string& ApNumm, std::int32_t BgLfNr,
                                  std::int32_t TyLfd) {
    return GetBgrp(ApNumm, BgLfNr).GetTTyp_LfdNr(TyLfd);
}

void TQFormelAuftrag::Berechne(const std::string& OfNumm) {
    FOfNumm = FirstCharacters(OfNumm, 10);
    TdmQuickFormel& dm = *FDM;
    for (db::TIBCQuery* query : {&dm.qryPosBgr, &dm.qryPosBgrVar, &dm.qryTTy, &dm.qryCNC})
        query->ParamByName("OFNUMM").AsString(FOfNumm);
    CloseOnExit closer{&dm.tbTabGK, &dm.qryCNC, &dm.qryTTy, &dm.qryPosBgrVar, &dm.qryPosBgr};
    for (db::TIBCDataSet* set : std::initializer_list<db::TIBCDataSet*>{
             &dm.qryPosBgr, &dm.qryPosBgrVar, &dm.qryTTy, &dm.qryCNC, &dm.tbTabGK})
        set->Open();
    LoadTabGK();
    try {
        LoadBgrps();
    } catch (...) {
        BerechnungsTyp = TBerechnungsTyp::btCNC;
        throw;
    }
}

void TQFormelAuftrag::LoadBgrps() {
    TdmQuickFormel& dm = *FDM;

    db::TIBCQuery& bgr = dm.qryPosBgr;
    const db::TField apNumm = bgr.FieldByName("APBGAPNUMM"), lfNr = bgr.FieldByName("APBGLFNR"),
                     menge = bgr.FieldByName("APBGME"), breite = bgr.FieldByName("APBGBREITE"),
                     hoehe = bgr.FieldByName("APBGHOEHE"), tiefe = bgr.FieldByName("APBGTIEFE");
    for (; !bgr.Eof(); bgr.Next()) {
        auto bgrp = std::make_unique<TF_Bgrp>(*this);
        AktBgrp = bgrp.get();
        bgrp->FApNumm = apNumm.AsString();
        bgrp->FBgLfNr = AsInt32(lfNr);
        bgrp->Menge = AsInt32(menge);
        bgrp->Breite = breite.AsFloat();
        bgrp->Hoehe = hoehe.AsFloat();
        bgrp->Tiefe = tiefe.AsFloat();
        LoadBgVars();
        LoadTTypen();
        FBgrp.push_back(std::move(bgrp));
    }
}

void TQFormelAuftrag::LoadTabGK() {
    FTabGK.clear();
    db::TIBCTable& tab = FDM->tbTabGK;
    const db::TField tabNr = tab.FieldByName("TABNR"), tabWerte = tab.FieldByName("TABWERTE");
    for (; !tab.Eof(); tab.Next()) FTabGK.try_emplace(AsInt32(tabNr), tabWerte.AsString());
}

// The child queries move forward only while their current row belongs to the assembly: a
// row matching no assembly stays current and blocks every row sorted after it.
void TQFormelAuftrag::LoadBgVars() {
    db::TIBCQuery& var = FDM->qryPosBgrVar;
    const db::TField apNumm = var.FieldByName("PBVAPNUMM"), lfNr = var.FieldByName("PBVBGLFNR"),
                     num = var.FieldByName("PBVNUM"), wert = var.FieldByName("PBVWRT");
    for (; !var.Eof() && apNumm.AsString() == AktBgrp->FApNumm && AsInt32(lfNr) == AktBgrp->FBgLfNr;
         var.Next()) {
        auto bgVar = std::make_unique<TF_BgVar>();
        bgVar->Num = num.AsString();
        bgVar->Wert = wert.AsFloat();
        AktBgrp->FBgVar.push_back(std::move(bgVar));
    }
}

void TQFormelAuftrag::LoadTTypen() {
    db::TIBCQuery& tty = FDM->qryTTy;
    const db::TField apNumm = tty.FieldByName("APTYAPNUMM"), bgLf = tty.FieldByName("APTYBGLF"),
                     lfd = tty.FieldByName("APTYLFD"), me = tty.FieldByName("APTYME"),
                     laenge = tty.FieldByName("APTYLAENGE"), breite = tty.FieldByName("APTYBREITE"),
                     dicke = tty.FieldByName("APTYDICKF"), nr = tty.FieldByName("APTTYNR");
    for (; !tty.Eof() && apNumm.AsString() == AktBgrp->FApNumm && AsInt32(bgLf) == AktBgrp->FBgLfNr;
         tty.Next()) {
        auto tTyp = std::make_unique<TF_TTyp>();
        AktTTyp = tTyp.get();
        tTyp->Menge_Formel = me.AsString();
        tTyp->Laenge_Formel = laenge.AsString();
        tTyp->Breite_Formel = breite.AsString();
        tTyp->Dicke_Formel = dicke.AsString();
        tTyp->LfdNr = AsInt32(lfd);
        tTyp->NrInBgrp = AsInt32(nr);
        EvaluateTTyp();
        LoadCNCRows();
        AktBgrp->FTTyp.push_back(std::move(tTyp));
    }
}

void TQFormelAuftrag::EvaluateTTyp() {
    struct Dimension {
        const std::string& formula;
        double& value;
        char letter;
        const char* word;
    };
    TF_TTyp& t = *AktTTyp;
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

void TQFormelAuftrag::LoadCNCRows() {
    db::TIBCQuery& cnc = FDM->qryCNC;
    const db::TField apNumm = cnc.FieldByName("ACAPNUMM"), bgLf = cnc.FieldByName("ACBGLF"),
                     tyLfd = cnc.FieldByName("ACTYLFD"), lfNr = cnc.FieldByName("ACLFNR"),
                     vw0 = cnc.FieldByName("ACVW0");
    for (; !cnc.Eof() && apNumm.AsString() == AktBgrp->FApNumm &&
           AsInt32(bgLf) == AktBgrp->FBgLfNr && AsInt32(tyLfd) == AktTTyp->LfdNr;
         cnc.Next()) {
        auto row = std::make_unique<TF_CNCTat>();
        row->Nummer = AsInt32(lfNr);
        row->CNCFormeln[0] = vw0.AsString();
        try {
            row->CNCWerte[0] = BerechneFormel(row->CNCFormeln[0]);
        } catch (const EParseErr& e) {
            ReportCNCError(e.what(), 0);
        }
        AktTTyp->FCNCTat.push_back(std::move(row));
    }
}

double TQFormelAuftrag::GetVarValue(const std::string& name) {
    if (name == "BX" || name == "LX" || name == "MX" || name == "DX") {
        if (BerechnungsTyp == TBerechnungsTyp::btTeileTyp)
            throw EParseErr("Hier unzulässige Variable !" + name);
        switch (name[0]) {
        case 'B': return AktTTyp->Breite;
        case 'L': return AktTTyp->Laenge;
        case 'M': return AktTTyp->Menge;
        default: return AktTTyp->Dicke;
        }
    }
    if (name == "M") return AktBgrp->Menge;
    if (name == "B") return AktBgrp->Breite;
    if (name == "H") return AktBgrp->Hoehe;
    if (name == "T") return AktBgrp->Tiefe;
    if (const TF_BgVar* var = AktBgrp->FindBgVar(name)) return var->Wert;
    return PartTypeReference(name);
}

double TQFormelAuftrag::PartTypeReference(const std::string& name) {
    if (AktBgrp->FBgLfNr == -1)
        throw EParseErr("Keine Referenzen für einzelne Teiletypen zulässig ! ");
    if (!IsPartTypeReference(name)) throw EParseErr("Unzulässige Variable: " + name);
    const std::int32_t n = std::stoi(name.substr(1));
    if (BerechnungsTyp == TBerechnungsTyp::btTeileTyp && n >= AktTTyp->NrInBgrp)
        throw EParseErr("Vorwärtsreferenz verboten !");
    const TF_TTyp& other = AktBgrp->GetTTyp_BgrpNr(n);
    switch (name[0]) {
    case 'M': return other.Menge;
    case 'L': return other.Laenge;
    case 'B': return other.Breite;
    default: return other.Dicke;
    }
}

double TQFormelAuftrag::GetTabValue(std::int32_t tableNumber, char mode, double value) {
    auto it = FTabGK.find(tableNumber);
    if (it == FTabGK.end()) throw EParseErr(fmt::format("Kein Tabelleneintrag {}", tableNumber));
    return LookupValueTable(it->second, mode, value);
}

void TQFormelAuftrag::ReportTTypError(const std::string& message, char letter) {
    const TF_TTyp& t = *AktTTyp;
    const std::string& formel = letter == 'M'   ? t.Menge_Formel
                                : letter == 'L' ? t.Laenge_Formel
                                : letter == 'B' ? t.Breite_Formel
                                                : t.Dicke_Formel;
    Report(fmt::format("Fehler in Teiletyp {} (Off.:{} Pos.:{}): {}", t.LfdNr, FOfNumm,
                       AktBgrp->FApNumm, message),
           formel);
}

void TQFormelAuftrag::ReportCNCError(const std::string& message, std::int32_t valueNumber) {
    Report(fmt::format("Fehler in Teiletyp {} (Off.:{} Pos.:{}), CNC-Satz VZE : {}", AktTTyp->LfdNr,
                       FOfNumm, AktBgrp->FApNumm, message),
           FDM->qryCNC.FieldByName(fmt::format("ACVW{}", valueNumber)).AsString());
}

void TQFormelAuftrag::Report(const std::string& Beschreibung, const std::string& Formel) {
    if (OnError) OnError(Beschreibung, Formel);
}

} // namespace sollist::formula
