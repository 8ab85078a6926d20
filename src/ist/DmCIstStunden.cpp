#include "ist/DmCIstStunden.h"

namespace sollist::ist {

using db::TFieldType;

TDM_CIstStunden::TDM_CIstStunden(db::TIBCConnection& connection) : FConnection(connection) {
    qryZ.SetSQL({
        "Select ZeMiNumm,ZeAufzdat,ZeAnfang,ZeEnde,TatArt,ZeTaRmTat,TaKoNumm,(ZeEnde-ZeAnfang-ZePausen-ZePauBez) as Dauer ",
        "from Zeiterfa join taetigke on (ZeTaRmTat=TaNumm) ",
        "Where ZeOfNumm=:OfNumm",
        "Order by ZeMiNumm,ZeAufzDat,ZeAnfang",
    });
    qryZ.AddField("ZeMiNumm", TFieldType::ftString, 10);
    qryZ.AddField("ZeAufzdat", TFieldType::ftDate);
    qryZ.AddField("ZeAnfang", TFieldType::ftFloat);
    qryZ.AddField("ZEENDE", TFieldType::ftFloat);
    qryZ.AddField("TatArt", TFieldType::ftString, 1);
    qryZ.AddField("ZeTaRmTat", TFieldType::ftString, 10);
    qryZ.AddField("TaKoNumm", TFieldType::ftString, 3);
    qryZ.AddField("Dauer", TFieldType::ftFloat);

    tbMiLohn.TableName = "MiLohn";
    tbMiLohn.KeyFields = "MILONUMM;MILODATUM";
    tbMiLohn.OrderFields = "MILONUMM;MILODATUM";
    tbMiLohn.AddField("MILONUMM", TFieldType::ftString, 10, true);
    tbMiLohn.AddField("MILODATUM", TFieldType::ftDate, 0, true);
    tbMiLohn.AddField("MILOABWFAT", TFieldType::ftFloat, 0, true);
}

} // namespace sollist::ist
