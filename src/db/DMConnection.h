#pragma once
#include "db/Connection.h"
#include "db/Transaction.h"

namespace sollist::db {

// Connection module: the connection and the explicit transaction of the entry.
class TDMConnection {
public:
    TDMConnection() : IBCTransaction(IBCConnection) {}
    TIBCConnection IBCConnection;
    TIBCTransaction IBCTransaction;
};

} // namespace sollist::db
