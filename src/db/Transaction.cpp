#include "db/Transaction.h"

#include "db/Connection.h"
#include "db/DbErrors.h"
#include "db/FbApi.h"

namespace sollist::db {

TIBCTransaction::~TIBCTransaction() { Abandon(); }

void TIBCTransaction::StartTransaction() {
    if (Active())
        throw EDatabaseError("Transaction is already active");
    // The explicit transaction carries no statement, yet it spans the whole run. Held open on the
    // server, it would keep the connection's oldest transaction where the run began, so the record
    // versions each order deletes from the connection's temporary table SOLLTAT could never be
    // collected and every later order would scan them all. It is therefore begun on the server
    // only when it is committed.
    active_ = true;
    connection_.Register(this);
}

void TIBCTransaction::Commit() {
    if (!Active())
        throw EDatabaseError("Transaction is not active");
    active_ = false;
    connection_.Unregister(this);
    fb::Transaction begun = fb::StartReadCommitted(connection_.Attachment(), fb::Access::ReadOnly);
    fb::Commit(begun); // on failure the owner rolls it back
}

void TIBCTransaction::Rollback() {
    if (!Active())
        throw EDatabaseError("Transaction is not active");
    Abandon();
}

void TIBCTransaction::Abandon() {
    if (!Active())
        return;
    active_ = false; // nothing was begun on the server
    connection_.Unregister(this);
}

} // namespace sollist::db
