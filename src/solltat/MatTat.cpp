#include "solltat/MatTat.h"

#include "common/Errors.h"
#include "solltat/DmSolltat.h"
#include "solltat/ErrorTxt.h"
#include "solltat/Solltat.h"

#include <fmt/format.h>

#include <unordered_set>

namespace sollist::solltat {

namespace {

// Appends the activity of the current row (fields named by the material-activity queries).
void AppendTat(TMT_Mat& mat, db::TIBCQuery& qry) {
    auto tat = std::make_unique<TMT_Tat>();
    tat->TaNumm = qry.FieldByName("MATTAT").AsString();
    tat->Erschw = qry.FieldByName("MATERSCHW").AsFloat();
    tat->Einhkz = qry.FieldByName("TAEINHKZ").AsString();
    mat.Tats.push_back(std::move(tat));
}

std::unique_ptr<TMT_Mat> NewMat(const std::string& MaNumm) {
    auto mat = std::make_unique<TMT_Mat>();
    mat->MaNumm = MaNumm;
    return mat;
}

bool IsKeyTableUnit(const std::string& unit) {
    return unit == "KM1" || unit == "KM2" || unit == "KM3" || unit == "KST";
}

} // namespace

TMatTat::TMatTat(Tdm_Solltat& dm) : FDm(dm) {}

TMatTat::~TMatTat() = default;

TMT_Mat& TMatTat::Append(std::unique_ptr<TMT_Mat> mat) {
    FIndex.try_emplace(mat->MaNumm, static_cast<std::int32_t>(FMats.size()));
    FMats.push_back(std::move(mat));
    return *FMats.back();
}

void TMatTat::InitializeFill(const std::string& OfNumm) {
    auto& qry = FDm.qryInitMT;
    qry.Close();
    qry.ParamByName("OFNUMM").AsString(OfNumm);
    qry.Open();
    auto maNumm = qry.FieldByName("MATMANUMM");
    std::unique_ptr<TMT_Mat> current;
    for (; !qry.Eof(); qry.Next()) {
        const std::string nr = maNumm.AsString();
        if (current && current->MaNumm != nr) Append(std::move(current));
        if (!current) current = NewMat(nr);
        AppendTat(*current, qry);
    }
    if (current) Append(std::move(current));
    qry.Close();
}

void TMatTat::LoadMat(const std::string& MaterialNr) {
    FMatIndex = -1;
    if (auto it = FIndex.find(MaterialNr); it != FIndex.end()) {
        FMatIndex = it->second;
        return;
    }
    auto mat = NewMat(MaterialNr);
    auto& qry = FDm.qryMatTat;
    qry.Close();
    qry.ParamByName("MANUMM").AsString(MaterialNr);
    qry.Open();
    for (; !qry.Eof(); qry.Next()) AppendTat(*mat, qry);
    qry.Close();
    Append(std::move(mat));
    FMatIndex = static_cast<std::int32_t>(FMats.size()) - 1;
}

const TMT_Mat& TMatTat::Material() const {
    if (FMatIndex < 0 || FMatIndex > static_cast<std::int32_t>(FMats.size()) - 1)
        throw Exception(fmt::format("FMatIndex falsch {}", FMatIndex));
    return *FMats[FMatIndex];
}

// ---------------------------------------------------------------------------------------

// Reports the activities of a material and of its chain of continuation materials. A
// key-table material is first resolved through GETKEYTAB to a concrete material and a
// quantity factor that stays in force for the rest of the chain.
void TSolltat::AddMaterial(const std::string& OfNumm, const std::string& SollPos,
                           double PosMenge, std::int32_t Element, std::string Material,
                           double Laenge, double Breite, double Dicke, double Menge,
                           double Erschw, double ApTyMe, bool bPosTyp, std::int32_t PosM1Lfd,
                           double Mwst) {
    if (!(Menge > 0)) return;   // also ends for a quantity that is not a number
    auto& dm = *dm_Solltat;
    std::unordered_set<std::string> handled;
    while (!Material.empty() && !handled.contains(Material)) {
        const std::string passMaterial = Material;
        const TMaterialStamm* stamm = dm.FindMaterial(Material);
        if (stamm == nullptr)
            LogStammFehlt(fmt::format("Offert: {} Material: {} nicht im Materialstamm",
                                      OfNumm, Material));
        if (stamm != nullptr && IsKeyTableUnit(stamm->MaArbEh)) {
            auto& qry = dm.qryMatKyTab;
            qry.Close();
            qry.ParamByName("MATERIAL").AsString(Material);
            qry.ParamByName("LAENGE").AsFloat(Laenge);
            qry.ParamByName("BREITE").AsFloat(Breite);
            qry.ParamByName("DICKE").AsFloat(Dicke);
            qry.Open();
            if (qry.IsEmpty()) {
                qry.Close();
                LogFehler(fmt::format("Offert: {} Material: {} Keytabelle nicht gefunden",
                                      OfNumm, Material));
                return;
            }
            Material = qry.FieldByName("KYTABMAT").AsString();
            Menge *= qry.FieldByName("MENGE").AsFloat();
            qry.Close();
        }
        aMatTat->LoadMat(Material);
        for (const auto& tat : aMatTat->Material().Tats) {
            const double factor = tat->Erschw * Erschw;
            const double ehMenge = CalcEhMenge(tat->Einhkz, Laenge, Breite, Dicke, Menge);
            AddTaetigkeit(SollPos, PosMenge, Element, tat->TaNumm, ehMenge * factor,
                          Menge * factor, ApTyMe, bPosTyp, 0, std::string(), PosM1Lfd, Mwst);
        }
        handled.insert(passMaterial);
        Material = stamm != nullptr ? stamm->MaForts : std::string();
    }
}

} // namespace sollist::solltat
