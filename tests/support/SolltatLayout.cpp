#include "SolltatLayout.h"

#include <fmt/format.h>

namespace sollist::test {

using db::TFieldType;

void DeclareSolltat(db::TIBCTable& table)
{
    using F = TFieldType;
    table.TableName = "SOLLTAT";
    const struct { const char* name; F type; int size; } fields[kSolltatColumns] = {
        {"OffertNr", F::ftString, 10}, {"SollPos", F::ftString, 10}, {"Element", F::ftInteger, 0},
        {"Taetigkeit", F::ftString, 10}, {"PosT1Lfd", F::ftInteger, 0}, {"PosM1Lfd", F::ftInteger, 0},
        {"PosTM1", F::ftBoolean, 0}, {"EhMenge", F::ftFloat, 0}, {"Stueck", F::ftFloat, 0},
        {"ApTyMe", F::ftFloat, 0}, {"TatArt", F::ftString, 1}, {"TaKoNumm", F::ftString, 3},
        {"TaVarEh", F::ftFloat, 0}, {"TaVarSt", F::ftFloat, 0}, {"TaFixZt", F::ftFloat, 0},
        {"TaMont", F::ftBoolean, 0}, {"MontZul", F::ftString, 3}, {"ZulEh", F::ftString, 3},
        {"ZulWert", F::ftFloat, 0}, {"TaName", F::ftString, 20}, {"TaEinhKz", F::ftString, 3},
        {"TaRmTat", F::ftString, 10}, {"TaRmName", F::ftString, 20}, {"PosMenge", F::ftFloat, 0},
        {"KoLk", F::ftFloat, 0}, {"KoLnk", F::ftSmallint, 0}, {"KoPgk", F::ftFloat, 0},
        {"KoPgkGrenz", F::ftFloat, 0}, {"MwSt", F::ftFloat, 0}, {"Gewinn", F::ftInteger, 0},
        {"Prov", F::ftFloat, 0}, {"ApTyName", F::ftString, 30}, {"ApTyText", F::ftMemo, 0}};
    for (const auto& f : fields)
        table.AddField(f.name, f.type, f.size);
}

db::TValue SolltatValue(int column, int row)
{
    switch (column) {
    case 6:
    case 15: return std::int64_t{row % 2};
    case 2:
    case 4:
    case 5:
    case 25:
    case 29: return std::int64_t{row};
    case 10: return std::string("A");
    case 0:
    case 1:
    case 3:
    case 11:
    case 16:
    case 17:
    case 19:
    case 20:
    case 21:
    case 22:
    case 31: return std::string(column == 11 ? "K" : "R") + std::to_string(row % 10);
    case 32: return fmt::format("Text {} mit Umlauten äöü", row);
    default: return row + 0.5;
    }
}

} // namespace sollist::test
