#pragma once
// The explicit transaction of the entry: started and committed around the run, it carries no
// statement (every statement runs in the connection's default transaction).
namespace sollist::db {

class TIBCConnection;

class TIBCTransaction {
public:
    explicit TIBCTransaction(TIBCConnection& connection) : connection_(connection) {}
    ~TIBCTransaction(); // rolls back when still active
    void StartTransaction();
    void Commit();
    void Rollback();
    bool Active() const { return active_; }

private:
    friend class TIBCConnection;
    void Abandon(); // rolls back without raising (connection closing, destructor)
    TIBCConnection& connection_;
    bool active_ = false;
};

} // namespace sollist::db
