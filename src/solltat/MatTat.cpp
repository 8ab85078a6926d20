#include "solltat/MatTat.h"

#include "common/Errors.h"
#include "solltat/DmSolltat.h"

#include <fmt/format.h>

#include <utility>

namespace sollist::solltat {

namespace {

// Reads the activity of the current row of either material-activity query (they name their
// fields alike).
auto TatReader(db::TIBCQuery& qry) { return db::RowReader<TMT_Tat>(qry, "MATTAT", "MATERSCHW", "TAEINHKZ"); }

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
    const db::TField maNumm = qry.FieldByName("MATMANUMM");
    const auto readTat = TatReader(qry);
    std::unique_ptr<TMT_Mat> current;
    for (; !qry.Eof(); qry.Next()) {
        const std::string nr = maNumm.AsString();
        if (!current)
            current = NewMat(nr);
        else if (current->MaNumm != nr)
            Append(std::exchange(current, NewMat(nr)));
        current->Tats.push_back(std::make_unique<TMT_Tat>(readTat()));
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
    const auto readTat = TatReader(qry);
    for (; !qry.Eof(); qry.Next()) mat->Tats.push_back(std::make_unique<TMT_Tat>(readTat()));
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
