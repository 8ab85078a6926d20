#include "sollstd/SollStunden.h"

#include "config/DBIniFile.h"
#include "solltat/SolltatSummen.h"

namespace sollist::sollstd {

TSollStunden::TSollStunden(db::TIBCConnection& connection) : FConnection(connection) {
    config::TDBIniFile ini(FConnection, 1);
    VertZuschl = static_cast<double>(ini.ReadInteger("Firmenstamm", "VertZuschl", 0)) / 100.0 + 1.0;
    solltat::DeclareSollStunden(qrySollStd);
}

std::vector<TSollGruppe> TSollStunden::Read() {
    qrySollStd.Open();
    std::vector<TSollGruppe> gruppen =
        db::ReadRows<TSollGruppe>(qrySollStd, {{"TaRmTat", &TSollGruppe::RmTat},
                                               {"TaKoNumm", &TSollGruppe::KoNumm},
                                               {"SollStunden", &TSollGruppe::Stunden}});
    qrySollStd.Close();
    return gruppen;
}

double TSollStunden::Summe(const std::vector<TSollGruppe>& gruppen) {
    double sum = 0;
    for (const TSollGruppe& gruppe : gruppen) sum += gruppe.Stunden;
    return sum;
}

} // namespace sollist::sollstd
