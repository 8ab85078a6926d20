#pragma once
// The result table SOLLTAT: its columns, and the rows that the records of one order become.
#include "db/DataSet.h"
#include "db/Loader.h"
#include "solltat/MSTRecord.h"

#include <cstdint>
#include <string>

namespace sollist::solltat {

// The order values every SOLLTAT row of the order carries; empty texts and zeros when the
// order has no row (or no surcharge row) in the database.
struct TAuftragWerte {
    std::string OffertNr, MontZul, ZulEh;
    double ZulWert = 0, Prov = 0;
    std::int64_t Gewinn = 0;
};

// Column definitions (and table name) of the global temporary table SOLLTAT, in column order.
void DeclareSolltat(db::TIBCTable& tb);
// SOLLTAT created in the database when it has none, else emptied for this connection.
void CreateSolltat(db::TIBCConnection& connection);

// The loader's put-data step: every record of MSollT as one SOLLTAT row with the order's values.
void IBCLoaderPutData(db::TIBCLoader& loader, const TMSTRecordList& MSollT, const TAuftragWerte& auftrag);

} // namespace sollist::solltat
