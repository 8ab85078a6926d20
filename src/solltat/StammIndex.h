#pragma once
// The master rows of the target calculation: activities with the values of their cost centre,
// and materials, read from the open master sets and found by number.
#include "db/DataSet.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace sollist::solltat {

// Activity master row with the values of its cost centre (tbTaetigkeiten).
struct TTaetigkeitStamm {
    std::string TaName;
    std::string TaRmTat;
    double TaFixZt = 0;
    double TaVarEh = 0;
    double TaVarSt = 0;
    std::string TatArt;
    bool TaMont = false;
    std::string TaKoNumm;
    std::string TaEinhKz;
    double KoLk = 0;
    std::int32_t KoLNK = 0;
    double KoPGK = 0;
    double KoPGKGrenz = 0;
};

// Material master row (tbMaterial).
struct TMaterialStamm {
    std::string MaArbEh;
    std::string MaForts;
};

// The master sets, read once and searched per reported quantity: one hash map
// each, the first row of a number winning as a search from the top would. Plain values: a
// copy is whole and independent of the data objects it was read from.
class TStammIndex {
public:
    // Reads every row of the open sets.
    void Read(db::TIBCTable& tbMaterial, db::TIBCQuery& tbTaetigkeiten);

    // First master row of that number, or nullptr.
    const TTaetigkeitStamm* FindTaetigkeit(const std::string& TaNumm) const;
    const TMaterialStamm* FindMaterial(const std::string& MaNumm) const;

private:
    std::unordered_map<std::string, TTaetigkeitStamm> FTaetigkeiten;
    std::unordered_map<std::string, TMaterialStamm> FMaterialien;
};

} // namespace sollist::solltat
