#include "solltat/MatTat.h"

#include "common/Errors.h"
#include "solltat/DmSolltat.h"
#include "solltat/SollStammdaten.h"

#include <fmt/format.h>

#include <utility>

namespace sollist::solltat {

namespace {

// Reads the activity of the current row of either material-activity query (they name their
// fields alike).
auto TatReader(db::TIBCQuery& qry) {
    return db::RowReader<TMT_Tat>(
        qry, {{"MATTAT", &TMT_Tat::TaNumm}, {"MATERSCHW", &TMT_Tat::Erschw}, {"TAEINHKZ", &TMT_Tat::Einhkz}});
}

} // namespace

std::int32_t TMatTatListe::IndexOf(const std::string& MaNumm) const {
    auto it = FIndex.find(MaNumm);
    return it == FIndex.end() ? -1 : it->second;
}

std::int32_t TMatTatListe::Append(TMT_Mat mat) {
    auto [it, added] = FIndex.try_emplace(mat.MaNumm, static_cast<std::int32_t>(FMats.size()));
    if (added)
        FMats.push_back(std::move(mat));
    return it->second;
}

TMatTat::TMatTat(Tdm_Solltat& dm) : FDm(dm), FListe(dm.Stammdaten().Materialtaetigkeiten) {}

void TMatTat::InitializeFill(const std::string& OfNumm) {
    auto& qry = FDm.qryInitMT;
    qry.Close();
    qry.ParamByName("OFNUMM").AsString(OfNumm);
    qry.Open();
    const db::TField maNumm = qry.FieldByName("MATMANUMM");
    const auto readTat = TatReader(qry);
    TMT_Mat current;
    for (; !qry.Eof(); qry.Next()) {
        const std::string nr = maNumm.AsString();
        if (!current.Tats.empty() && current.MaNumm != nr)
            FListe.Append(std::exchange(current, TMT_Mat{}));
        current.MaNumm = nr;
        current.Tats.push_back(readTat());
    }
    if (!current.Tats.empty())
        FListe.Append(std::move(current));
    qry.Close();
}

void TMatTat::LoadMat(const std::string& MaterialNr) {
    FMatIndex = FListe.IndexOf(MaterialNr);
    if (FMatIndex >= 0)
        return;
    TMT_Mat mat{MaterialNr, {}};
    auto& qry = FDm.qryMatTat;
    qry.Close();
    qry.ParamByName("MANUMM").AsString(MaterialNr);
    qry.Open();
    mat.Tats = db::ReadAll(qry, TatReader(qry));
    qry.Close();
    FMatIndex = FListe.Append(std::move(mat));
}

const TMT_Mat& TMatTat::Material() const {
    if (FMatIndex < 0 || FMatIndex > static_cast<std::int32_t>(FListe.Mats().size()) - 1)
        throw Exception(fmt::format("FMatIndex falsch {}", FMatIndex));
    return FListe.Mats()[static_cast<std::size_t>(FMatIndex)];
}

} // namespace sollist::solltat
