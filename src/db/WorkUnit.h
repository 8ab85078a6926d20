#pragma once

namespace sollist::db {

class TIBCConnection;

// Makes the writes of the default transaction from its construction to Commit one commit:
// stored together or not at all (the destructor rolls back what was not committed). Meant to be
// short, one order's work: a transaction held open across much work keeps the connection's
// oldest transaction back, and with it the garbage collection of what the work deletes.
class TIBCWorkUnit {
public:
    explicit TIBCWorkUnit(TIBCConnection& connection); // EDatabaseError when one is open already
    ~TIBCWorkUnit();
    TIBCWorkUnit(const TIBCWorkUnit&) = delete;
    TIBCWorkUnit& operator=(const TIBCWorkUnit&) = delete;
    // Commits the unit's writes; EDatabaseError when a failed write rolled them back already.
    void Commit();

private:
    TIBCConnection& connection_;
    bool open_ = true;
};

} // namespace sollist::db
