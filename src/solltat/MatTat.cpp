#include "solltat/MatTat.h"

#include "common/Errors.h"
#include "solltat/DmSolltat.h"

#include <fmt/format.h>

#include <utility>

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

} // namespace

TMatTat::TMatTat(Tdm_Solltat& dm) : FDm(dm) {}

TMatTat::~TMatTat() = default;

// A material already cached keeps its entry (a cache kept over several orders meets the
// materials they share again in their preloads).
TMT_Mat& TMatTat::Append(std::unique_ptr<TMT_Mat> mat) {
    auto [it, added] = FIndex.try_emplace(mat->MaNumm, static_cast<std::int32_t>(FMats.size()));
    if (!added)
        return *FMats[it->second];
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
        if (!current)
            current = NewMat(nr);
        else if (current->MaNumm != nr)
            Append(std::exchange(current, NewMat(nr)));
        AppendTat(*current, qry);
    }
    if (current)
        Append(std::move(current));
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

} // namespace sollist::solltat
