#pragma once
// The records of one order's target calculation: one accumulated target activity per
// (position, part-type element, activity), and the list that holds them in order.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace sollist::solltat {

// One accumulated target activity of an order, keyed by (SollPos, Element, Taetigkeit).
// Times are minutes.
struct TMSTRecord {
    std::string SollPos;
    std::int32_t Element = 0;
    std::string Taetigkeit;
    std::int32_t PosT1Lfd = 0;
    std::int32_t PosM1Lfd = 0;
    bool PosTM1 = false;
    std::string TatArt;
    std::string TaKoNumm; // cost centre of the reporting activity
    double TaVarEh = 0;
    double TaVarSt = 0;
    double TaFixZt = 0;
    bool TaMont = false;
    std::string TaName;
    std::string TaEinhKz;
    std::string TaRmTat;
    std::string TaRmName;
    std::int32_t KoLNK = 0; // KoLNK .. KoPGKGrenz: the activity's own cost centre
    double KoLk = 0;
    double KoPGK = 0;
    double KoPGKGrenz = 0;
    double EhMenge = 0;
    double Stueck = 0;
    double ApTyMe = 0;
    std::string ApTyName;
    std::string ApTyText;
    double PosMenge = 0;
    double Mwst = 0;
};

// The records of one order in the order their triples first occurred, found by triple
// through a hash index (the triple is unique in the list).
class TMSTRecordList {
public:
    using Records = std::vector<std::unique_ptr<TMSTRecord>>;

    TMSTRecord& Add(std::unique_ptr<TMSTRecord> record);
    TMSTRecord* Find(const std::string& SollPos, std::int32_t Element, const std::string& Taetigkeit) const;
    void Clear();

    std::size_t Count() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    TMSTRecord& operator[](std::size_t i) const { return *records_[i]; }
    Records::const_iterator begin() const { return records_.begin(); }
    Records::const_iterator end() const { return records_.end(); }

private:
    struct Key {
        std::string SollPos;
        std::int32_t Element;
        std::string Taetigkeit;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    Records records_;
    std::unordered_map<Key, std::size_t, KeyHash> index_;
};

} // namespace sollist::solltat
