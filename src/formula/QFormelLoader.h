#pragma once
// Reads one order's rows for the formula model.
#include "db/DataSet.h"
#include "formula/QFormelDaten.h"

#include <optional>
#include <string>

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
    // keptTabGK: the value tables kept (a run changes none), read with the first order and
    // taken from there by later ones; it must outlive the loader.
    TQFormelLoader(db::TIBCConnection& connection, std::optional<TTabGK>& keptTabGK)
        : FDM(connection), FKeptTabGK(keptTabGK) {}

    // The rows of order OfNumm (compared as given). The query set is closed again
    // afterwards, also when reading fails, so that the next order is read with its own
    // number.
    TQFormelDaten Lies(const std::string& OfNumm);

private:
    TTabGK LiesTabGK();

    TdmQuickFormel FDM;
    std::optional<TTabGK>& FKeptTabGK;
};

} // namespace sollist::formula
