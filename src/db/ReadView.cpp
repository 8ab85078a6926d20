#include "db/ReadView.h"

#include "db/Connection.h"

namespace sollist::db {

TIBCReadView::TIBCReadView(TIBCConnection& connection) : connection_(connection) {
    connection_.BeginReadView();
}

TIBCReadView::~TIBCReadView() {
    try {
        End();
    } catch (...) { // NOLINT(bugprone-empty-catch): the owner rolls it back; nothing was stored
    }
}

void TIBCReadView::End() { connection_.EndReadView(); }

} // namespace sollist::db
