#pragma once
// Cache of the activities each material needs (MATTATIG) for one calculation run: the
// order's materials preloaded with one query, others loaded on first use.
#include <cstdint>
#include <memory>
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
    std::vector<std::unique_ptr<TMT_Tat>> Tats;
};

class TMatTat {
public:
    // dm: the data module of the calculation run, whose queries fill the cache.
    explicit TMatTat(Tdm_Solltat& dm);
    ~TMatTat();
    TMatTat(const TMatTat&) = delete;
    TMatTat& operator=(const TMatTat&) = delete;

    // Preloads the activities of every material of the order (materials without activity
    // rows are left to LoadMat).
    void InitializeFill(const std::string& OfNumm);
    // Makes the material current, loading it first when it is not cached.
    void LoadMat(const std::string& MaterialNr);
    // The current material; Exception "FMatIndex falsch <n>" before any LoadMat.
    const TMT_Mat& Material() const;

    const std::vector<std::unique_ptr<TMT_Mat>>& Mats() const { return FMats; }

private:
    TMT_Mat& Append(std::unique_ptr<TMT_Mat> mat);

    Tdm_Solltat& FDm;
    std::int32_t FMatIndex = 0;
    std::vector<std::unique_ptr<TMT_Mat>> FMats;
    // Material number -> index in FMats (a number occurs at most once).
    std::unordered_map<std::string, std::int32_t> FIndex;
};

} // namespace sollist::solltat
