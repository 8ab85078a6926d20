#pragma once
// Reads one order's rows for the formula model.
#include "db/DataSet.h"
#include "formula/QFormelDaten.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace sollist::formula {

// The order's assemblies, assembly variables, part types and CNC rows (each with the
// parameter OFNUMM), and the value tables.
class TdmQuickFormel {
public:
    explicit TdmQuickFormel(db::TIBCConnection& connection);

private:
    db::TIBCConnection& FConnection;

public:
    db::TIBCQuery qryPosBgr{FConnection, "qryPosBgr"};
    db::TIBCQuery qryPosBgrVar{FConnection, "qryPosBgrVar"};
    db::TIBCQuery qryTTy{FConnection, "qryTTy"};
    db::TIBCQuery qryCNC{FConnection, "qryCNC"};
    db::TIBCTable tbTabGK{FConnection, "tbTabGK"};
};

class TQFormelLoader {
public:
    explicit TQFormelLoader(db::TIBCConnection& connection) : FDM(connection) {}

    // The rows of order OfNumm (compared as given). The query set is closed again
    // afterwards, also when reading fails, so that the next order is read with its own
    // number.
    TQFormelDaten Lies(const std::string& OfNumm);

    // Reads the value tables once and keeps them for later orders. Only for a run that
    // changes no value tables while it goes (the order hours run).
    bool KeepMasterData = false;

private:
    TdmQuickFormel FDM;
    std::optional<std::unordered_map<std::int32_t, std::string>> FTabGK; // kept value tables
};

} // namespace sollist::formula
