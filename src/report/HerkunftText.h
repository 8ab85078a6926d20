#pragma once
// The explanation of an order's target hours in words: what each source is called, the
// headings the records stand under, and the plain table sollist --herkunft prints. The page
// and the CSV use the same words.
#include "sollstd/Herkunft.h"

#include <string>
#include <vector>

namespace sollist::report {

// "Positionstätigkeit 1", "Positionsmaterial 2: TOPFBAND Topfband 110 Grad",
// "Tätigkeitszeile 1 (KV)", "CNC-Zeile 2", "Material KANTE-ABS2 ABS-Kante 2 mm (KV)"; a
// material whose activity comes from another material adds "→ <number> <name>"; a part-type
// row of another assembly than the record's first names it.
std::string QuellText(const sollstd::THerkunft& herkunft, const sollstd::THerkunftSatz& satz,
                      const sollstd::THerkunftBeitrag& beitrag);

// The records of a group in the order they are shown, each position and each part-type
// element under it introduced by a heading.
struct TGliederung {
    enum class TArt { Position, Teiletyp, Satz };
    TArt Art;
    std::string Kopf; // headings: "Position 4: Montage", "Teiletyp 1: Seitenwand ..."
    const sollstd::THerkunftSatz* Satz = nullptr; // records
};
std::vector<TGliederung> Gliedere(const sollstd::THerkunft& herkunft, const sollstd::THerkunftGruppe& gruppe);

// Numbers of the explanation: quantities with three decimals, minutes and hours with two.
std::string Menge(double value);
std::string Minuten(double value);
// The surcharge as a percentage: "10 %".
std::string Zuschlag(double vertZuschl);
// "1 Satz", "3 Sätze".
std::string SaetzeText(std::size_t count);

// The plain table of an order's explanation, one block per reporting activity, one line each.
std::vector<std::string> HerkunftTabelle(const sollstd::THerkunft& herkunft);

} // namespace sollist::report
