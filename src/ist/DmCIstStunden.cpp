#include "ist/DmCIstStunden.h"

namespace sollist::ist {

using db::TFieldType;

// Declared SQL and fields are laid out as tables: not reformatted.
// clang-format off
TDM_CIstStunden::TDM_CIstStunden(db::TIBCConnection& connection) : FConnection(connection) {
    db::Declare(qryZ,
                {"Select ZeMiNumm,ZeAufzdat,ZeAnfang,ZeEnde,TatArt,ZeTaRmTat,TaKoNumm,(ZeEnde-ZeAnfang-ZePausen-ZePauBez) as Dauer ",
                 "from Zeiterfa join taetigke on (ZeTaRmTat=TaNumm) ",
                 "Where ZeOfNumm=:OfNumm",
                 "Order by ZeMiNumm,ZeAufzDat,ZeAnfang"},
                {{"ZeMiNumm", TFieldType::ftString, 10},
                 {"ZeAufzdat", TFieldType::ftDate},
                 {"ZeAnfang", TFieldType::ftFloat},
                 {"ZEENDE", TFieldType::ftFloat},
                 {"TatArt", TFieldType::ftString, 1},
                 {"ZeTaRmTat", TFieldType::ftString, 10},
                 {"TaKoNumm", TFieldType::ftString, 3},
                 {"Dauer", TFieldType::ftFloat}});

    tbMiLohn.TableName = "MiLohn";
    tbMiLohn.KeyFields = "MILONUMM;MILODATUM";
    tbMiLohn.OrderFields = "MILONUMM;MILODATUM";
    db::Declare(tbMiLohn, {},
                {{"MILONUMM", TFieldType::ftString, 10, true},
                 {"MILODATUM", TFieldType::ftDate, 0, true},
                 {"MILOABWFAT", TFieldType::ftFloat, 0, true}});
}
// clang-format on

} // namespace sollist::ist
