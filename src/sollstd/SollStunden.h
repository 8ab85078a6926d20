#pragma once
// The target hours of an order as the order hours run stores them: the records in SOLLTAT
// summed per reporting activity and cost centre (the query of src/solltat), weighted with the
// surcharge factor of the settings store.
#include "db/DataSet.h"

#include <string>
#include <vector>

namespace sollist::sollstd {

// SOLLTAT summed for one reporting activity and cost centre, before the surcharge.
struct TSollGruppe {
    std::string RmTat, KoNumm;
    double Stunden = 0;
};

class TSollStunden {
public:
    // Reads the surcharge factor (EConvertError when the setting is no integer).
    explicit TSollStunden(db::TIBCConnection& connection);

    // What SOLLTAT holds, summed, in the order the database gives the groups.
    std::vector<TSollGruppe> Read();
    // The groups' hours added up in their order, before the surcharge.
    static double Summe(const std::vector<TSollGruppe>& gruppen);

    // Target hours with the surcharge, as the run stores them (a group's, an order's sum) and
    // the explanation shows them (also a single record's): the one place it is applied.
    double MitZuschlag(double stunden) const { return MitZuschlag(stunden, VertZuschl); }
    static double MitZuschlag(double stunden, double vertZuschl) { return stunden * vertZuschl; }

    // Factor on all target hours: 1 + the percentage of Firmenstamm/VertZuschl.
    double VertZuschl = 1.0;

private:
    db::TIBCConnection& FConnection;

public:
    db::TIBCQuery qrySollStd{FConnection, "qrySollStd"};
};

} // namespace sollist::sollstd
