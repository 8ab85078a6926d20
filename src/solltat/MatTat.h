#pragma once
// Cache of the activities each material needs (MATTATIG) for one calculation run: the
// order's materials preloaded with one query, others loaded on first use.
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::solltat {

class Tdm_Solltat;

// One activity of a material.
struct TMT_Tat {
    std::string TaNumm;
    double Erschw = 0;  // difficulty factor of the activity for this material
    std::string Einhkz; // unit code of the activity
};

// A material with its activities in ascending activity number.
struct TMT_Mat {
    std::string MaNumm;
    std::vector<TMT_Tat> Tats;
};

// The materials read so far with their activities: preloaded ones first, then those loaded on
// demand in order of first use, each number once. Entries stay where they are while others
// are added.
class TMatTatListe {
public:
    // Index of the material, or -1 when it is not in the list.
    std::int32_t IndexOf(const std::string& MaNumm) const;
    // Appends the material unless its number is there already (a list kept over several
    // orders meets the materials they share again in their preloads); its index either way.
    std::int32_t Append(TMT_Mat mat);
    const std::deque<TMT_Mat>& Mats() const { return FMats; }

private:
    std::deque<TMT_Mat> FMats;
    std::unordered_map<std::string, std::int32_t> FIndex; // material number -> index in FMats
};

class TMatTat {
public:
    // dm: the data module of the calculation run, whose queries fill the list of its master
    // data.
    explicit TMatTat(Tdm_Solltat& dm);
    TMatTat(const TMatTat&) = delete;
    TMatTat& operator=(const TMatTat&) = delete;

    // Preloads the activities of every material of the order (materials without activity
    // rows are left to LoadMat).
    void InitializeFill(const std::string& OfNumm);
    // Makes the material current, loading it first when it is not cached.
    void LoadMat(const std::string& MaterialNr);
    // The current material; Exception "FMatIndex falsch <n>" before any LoadMat.
    const TMT_Mat& Material() const;

    const std::deque<TMT_Mat>& Mats() const { return FListe.Mats(); }

private:
    Tdm_Solltat& FDm;
    TMatTatListe& FListe;
    std::int32_t FMatIndex = 0;
};

} // namespace sollist::solltat
