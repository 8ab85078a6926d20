#include "db/WorkUnit.h"

#include "db/Connection.h"
#include "db/DbErrors.h"

namespace sollist::db {

TIBCWorkUnit::TIBCWorkUnit(TIBCConnection& connection) : connection_(connection) {
    TIBCConnection::UnitState& d = connection_.unit_;
    if (d.open)
        throw EDatabaseError("A unit of work is already open");
    // Work done before the unit is not the unit's: it was committed as it was made.
    d.open = true;
    d.written = false;
    d.rolledBack = false;
}

TIBCWorkUnit::~TIBCWorkUnit() {
    if (!open_)
        return;
    TIBCConnection::UnitState& d = connection_.unit_;
    d.open = false;
    if (d.written) {
        try {
            connection_.EndWork(false);
        } catch (...) { // NOLINT(bugprone-empty-catch): the error on its way out says more
        }
    }
}

void TIBCWorkUnit::Commit() {
    TIBCConnection::UnitState& d = connection_.unit_;
    open_ = false;
    d.open = false;
    if (d.rolledBack)
        throw EDatabaseError("The unit of work was rolled back by a failed write");
    if (d.written)
        connection_.EndWork(true);
}

} // namespace sollist::db
