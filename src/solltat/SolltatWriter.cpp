#include "solltat/SolltatWriter.h"

#include "db/TempTable.h"

#include <initializer_list>
#include <iterator>

namespace sollist::solltat {

using db::TFieldDef;
using db::TValue;
using enum db::TFieldType;

// Declared fields are laid out as a table: not reformatted.
// clang-format off
void DeclareSolltat(db::TIBCTable& tb) {
    tb.TableName = "SOLLTAT";
    for (const TFieldDef& f : std::initializer_list<TFieldDef>{
             {"OffertNr", ftString, 10}, {"SollPos", ftString, 10}, {"Element", ftInteger},
             {"Taetigkeit", ftString, 10}, {"PosT1Lfd", ftInteger}, {"PosM1Lfd", ftInteger},
             {"PosTM1", ftBoolean}, {"EhMenge", ftFloat}, {"Stueck", ftFloat},
             {"ApTyMe", ftFloat}, {"TatArt", ftString, 1}, {"TaKoNumm", ftString, 3},
             {"TaVarEh", ftFloat}, {"TaVarSt", ftFloat}, {"TaFixZt", ftFloat},
             {"TaMont", ftBoolean}, {"MontZul", ftString, 3}, {"ZulEh", ftString, 3},
             {"ZulWert", ftFloat}, {"TaName", ftString, 20}, {"TaEinhKz", ftString, 3},
             {"TaRmTat", ftString, 10}, {"TaRmName", ftString, 20}, {"PosMenge", ftFloat},
             {"KoLk", ftFloat}, {"KoLnk", ftSmallint}, {"KoPgk", ftFloat},
             {"KoPgkGrenz", ftFloat}, {"MwSt", ftFloat}, {"Gewinn", ftInteger},
             {"Prov", ftFloat}, {"ApTyName", ftString, 30}, {"ApTyText", ftMemo}})
        tb.AddField(f);
}
// clang-format on

void CreateSolltat(db::TIBCConnection& connection) {
    db::TIBCTable tb(connection, "tbSolltat");
    DeclareSolltat(tb);
    db::CreateTempTable(tb, "");
}

void IBCLoaderPutData(db::TIBCLoader& loader, const TMSTRecordList& MSollT, const TAuftragWerte& auftrag) {
    auto flag = [](bool b) { return TValue{std::int64_t{b ? 1 : 0}}; };
    int row = 0;
    for (const auto& r : MSollT) {
        ++row;
        const TValue values[] = {auftrag.OffertNr,
                                 r->SollPos,
                                 std::int64_t{r->Element},
                                 r->Taetigkeit,
                                 std::int64_t{r->PosT1Lfd},
                                 std::int64_t{r->PosM1Lfd},
                                 flag(r->PosTM1),
                                 r->EhMenge,
                                 r->Stueck,
                                 r->ApTyMe,
                                 r->TatArt,
                                 r->TaKoNumm,
                                 r->TaVarEh,
                                 r->TaVarSt,
                                 r->TaFixZt,
                                 flag(r->TaMont),
                                 r->TaMont ? TValue{auftrag.MontZul} : db::Null,
                                 r->TaMont ? TValue{auftrag.ZulEh} : db::Null,
                                 r->TaMont ? TValue{auftrag.ZulWert} : db::Null,
                                 r->TaName,
                                 r->TaEinhKz,
                                 r->TaRmTat,
                                 r->TaRmName,
                                 r->PosMenge,
                                 r->KoLk,
                                 std::int64_t{r->KoLNK},
                                 r->KoPGK,
                                 r->KoPGKGrenz,
                                 r->Mwst,
                                 auftrag.Gewinn,
                                 auftrag.Prov,
                                 r->ApTyName,
                                 r->ApTyText};
        static_assert(std::size(values) == 33);
        for (int col = 0; col < 33; ++col) loader.PutColumnData(col, row, values[col]);
    }
}

} // namespace sollist::solltat
