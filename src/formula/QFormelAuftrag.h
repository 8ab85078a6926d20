#pragma once
// The formula model of one order: its assemblies, their variables, their part types with
// evaluated quantity and dimensions, and the CNC rows of each part type with their values.
// Berechne reads the order's rows (TQFormelLoader) and evaluates every formula on memory
// alone; the lookups afterwards as well.
#include "common/Errors.h"
#include "db/RunContext.h"
#include "formula/BaseFormel.h"
#include "formula/FirstMatchIndex.h"
#include "formula/QFormelDaten.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::formula {

class TQFormelAuftrag;

// One CNC row of a part type, with eleven value places of which only entry 0 is filled: the
// row's formula ACVW0 and its value. Entries 1 to 10 stay empty and 0; GetCNCTatValue reads any
// of them, its callers entry 0. The formula texts are kept for a reader; nothing here reads them.
class TF_CNCTat {
public:
    std::int32_t Nummer = 0;
    std::array<double, 11> CNCWerte{};
    std::array<std::string, 11> CNCFormeln;
};

// One variable of an assembly.
class TF_BgVar {
public:
    std::string Num;
    double Wert = 0;
};

// One part type of an assembly: its formulas, their values (0 where a formula failed) and
// its CNC rows in query order.
class TF_TTyp {
public:
    TF_TTyp() = default;
    // The formulas and numbers of the row; the values are still 0.
    explicit TF_TTyp(const TTTyRow& Row);

    std::string Menge_Formel, Laenge_Formel, Breite_Formel, Dicke_Formel;
    double Menge = 0, Laenge = 0, Breite = 0, Dicke = 0;
    std::int32_t LfdNr = 0, NrInBgrp = 0;
    std::vector<std::unique_ptr<TF_CNCTat>> FCNCTat;

    // Entry VarNr (0 to 10) of the first CNC row numbered CNCTatNr; EParseErr
    // "CNC-Tat nicht gefunden: ElementNr:<LfdNr>" when the part type has no such row.
    double GetCNCTatValue(std::int32_t CNCTatNr, std::int32_t VarNr) const;

private:
    struct NummerOf {
        std::int32_t operator()(const TF_CNCTat& row) const { return row.Nummer; }
    };
    TFirstMatchIndex<TF_CNCTat, std::int32_t, NummerOf> FCNCIndex;
};

// One assembly of a position; BgLfNr -1 holds the position's individual part types.
class TF_Bgrp {
public:
    // The assembly of the row, still without variables and part types.
    TF_Bgrp(TQFormelAuftrag& Owner, const TBgrRow& Row);

    std::int32_t Menge = 0;
    double Breite = 0, Hoehe = 0, Tiefe = 0;

    const std::string& ApNumm() const { return FApNumm; }
    std::int32_t BgLfNr() const { return FBgLfNr; }
    const std::vector<std::unique_ptr<TF_BgVar>>& BgVars() const { return FBgVar; }
    const std::vector<std::unique_ptr<TF_TTyp>>& TTypen() const { return FTTyp; }

    // First part type with this running number (APTYLFD); EParseErr
    // "Teiletyp nicht gefunden in Auf.:%s Pos:%s BgNr:%d TyNr:%d" otherwise.
    TF_TTyp& GetTTyp_LfdNr(std::int32_t LfNr);
    // First part type with this number within the assembly (APTTYNR); EParseErr
    // "Unzulässige Referenz auf Nummer %d" otherwise.
    TF_TTyp& GetTTyp_BgrpNr(std::int32_t NrInBgrp);
    // First variable named Num, or nullptr.
    const TF_BgVar* FindBgVar(const std::string& Num) const;

private:
    friend class TQFormelAuftrag;

    struct LfdNrOf {
        std::int32_t operator()(const TF_TTyp& t) const { return t.LfdNr; }
    };
    struct NrInBgrpOf {
        std::int32_t operator()(const TF_TTyp& t) const { return t.NrInBgrp; }
    };
    struct NumOf {
        const std::string& operator()(const TF_BgVar& v) const { return v.Num; }
    };

    TQFormelAuftrag* FOwner;
    std::string FApNumm;
    std::int32_t FBgLfNr = 0;
    std::vector<std::unique_ptr<TF_BgVar>> FBgVar;
    std::vector<std::unique_ptr<TF_TTyp>> FTTyp;
    TFirstMatchIndex<TF_TTyp, std::int32_t, LfdNrOf> FLfdNrIndex;
    TFirstMatchIndex<TF_TTyp, std::int32_t, NrInBgrpOf> FNrInBgrpIndex;
    TFirstMatchIndex<TF_BgVar, std::string, NumOf> FBgVarIndex;
};

class TQFormelLoader;

class TQFormelAuftrag : public TBaseFormel {
public:
    // Formula errors go to the context's console unless OnError is set. keptTabGK: the value
    // tables kept (see TQFormelLoader); it must outlive the model, and so must the context.
    TQFormelAuftrag(const TRunContext& context, std::optional<TTabGK>& keptTabGK);
    ~TQFormelAuftrag() override;
    TQFormelAuftrag(const TQFormelAuftrag&) = delete;
    TQFormelAuftrag& operator=(const TQFormelAuftrag&) = delete;

    // Reads and evaluates the order (its number cut to 10 characters) and appends it to what
    // the model holds. Formula errors are reported through OnError and leave the value at 0;
    // database and arithmetic failures pass through.
    void Berechne(const std::string& OfNumm);
    // The same with rows read elsewhere; the database is not used.
    void Berechne(const std::string& OfNumm, const TQFormelDaten& Daten);
    void Clear();

    // EParseErr "Baugruppe nicht gefunden in Auf.:%s Pos:%s Nr:%d" when there is none.
    TF_Bgrp& GetBgrp(const std::string& ApNumm, std::int32_t BgLfNr);
    TF_TTyp& GetTTyp(const std::string& ApNumm, std::int32_t BgLfNr, std::int32_t TyLfd);

    const std::string& OfNumm() const { return FOfNumm; }
    const std::vector<std::unique_ptr<TF_Bgrp>>& Baugruppen() const { return FBgrp; }

private:
    friend class TF_Bgrp;

    struct BgrpKey {
        std::string ApNumm;
        std::int32_t BgLfNr;
        bool operator==(const BgrpKey&) const = default;
    };
    struct BgrpKeyHash {
        std::size_t operator()(const BgrpKey& k) const;
    };
    struct BgrpKeyOf {
        BgrpKey operator()(const TF_Bgrp& b) const { return {b.FApNumm, b.FBgLfNr}; }
    };

    double GetVarValue(const std::string& name) override;
    double GetTabValue(std::int32_t tableNumber, char mode, double value) override;
    void ReportTTypError(const std::string& message, char letter);
    void ReportCNCError(const std::string& message, const std::string& formel);
    void Report(const std::string& Beschreibung, const std::string& Formel);

    // Where the evaluation of one order stands: the assembly and part type being loaded and
    // evaluated, and the order's value tables. It lives in Evaluate; the variables and tables
    // of the formulas evaluated there are looked up through FWalk, which is set only then.
    struct TWalk {
        const TTabGK& TabGK;
        TF_Bgrp* AktBgrp = nullptr;
        TF_TTyp* AktTTyp = nullptr;
    };

    void Evaluate(const TQFormelDaten& Daten);
    void EvaluateTTyp();
    void AddCNCRow(const TCNCRow& cnc);
    double PartTypeReference(const std::string& name);

    std::string FOfNumm;
    std::unique_ptr<TQFormelLoader> FLoader;
    TWalk* FWalk = nullptr;
    std::vector<std::unique_ptr<TF_Bgrp>> FBgrp;
    TFirstMatchIndex<TF_Bgrp, BgrpKey, BgrpKeyOf, BgrpKeyHash> FBgrpIndex;
};

} // namespace sollist::formula
