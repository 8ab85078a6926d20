#pragma once
// The one database connection of the program, its default auto-commit transaction, the
// explicit transaction of the entry, the statement cache and the catalogue read through it.
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IMaster;
class IStatus;
class IUtil;
} // namespace Firebird

namespace sollist::text {
class CodePage;
}

namespace sollist::db {

class PreparedStatement; // cached prepared statement (defined in the implementation)
class StatementObserver;
class TCatalogue;
class TIBCTransaction;

class TIBCConnection {
public:
    TIBCConnection();
    ~TIBCConnection();
    TIBCConnection(const TIBCConnection&) = delete;
    TIBCConnection& operator=(const TIBCConnection&) = delete;

    std::string ClientLibrary = "libfbclient.so.2";
    std::string Port = "3050";
    std::string Username = "TARVEX";
    // The process name the server shows for the attachment (MON$REMOTE_PROCESS); empty: the
    // executable's path. Takes effect at the next Connect.
    std::string ProcessName;
    // Seconds a write of the default transaction waits for a row another transaction holds
    // before it fails; 0 waits without limit. Takes effect with the next default transaction.
    unsigned LockTimeout = 0;
    // The longest the server accepts: it keeps the lock timeout in 16 bits.
    static constexpr unsigned MaxLockTimeout = 32767;

    // Setting the database disconnects first and stores the text trimmed of blanks.
    void SetDatabase(const std::string& database);
    const std::string& Database() const { return database_; }
    void SetServer(const std::string& server) { server_ = server; }
    const std::string& Server() const { return server_; }
    // The code page of texts in columns of character set NONE (the server passes them
    // unconverted); Windows-1252 unless set. Setting it disconnects first.
    void SetCodePage(const text::CodePage& codePage);
    const text::CodePage& GetCodePage() const { return *codePage_; }
    // "Server:Database", or Database alone for the embedded engine (empty Server).
    std::string ConnectString() const;

    void Connect(); // raises EIBCError (or Exception for a missing password)
    void Close();
    bool Connected() const;
    // From another thread: the statement running on the connection fails with EIBCError
    // ("operation was cancelled"); when none runs, the next one does. Connect and Close must not
    // run meanwhile.
    void CancelOperation();

    // A hook on every statement and default-transaction end of this connection (the floor
    // benchmark records a run through it); null by default, set only while nothing runs.
    void SetStatementObserver(StatementObserver* observer) { observer_ = observer; }
    StatementObserver* Observer() const { return observer_; }

    // --- used by the data objects ---
    Firebird::IAttachment* Attachment();
    // The default transaction, started when none is running.
    Firebird::ITransaction* DefaultTransaction();
    // Commits the default transaction after a write: a retaining commit while result sets
    // are open on the connection, else a full commit. Inside a unit of work the write waits for
    // the unit's commit.
    void AutoCommit();
    // Undoes the uncommitted work of the default transaction after a failed write, so that a
    // later auto-commit cannot make it durable. Inside a unit of work that is all of the unit's.
    void AutoRollback();
    // Commits the default transaction even inside a unit of work: a created table can be used
    // only once its creation is committed. Refused inside a unit that has writes to keep.
    void CommitDefinition();
    void ResultSetOpened();
    void ResultSetClosed();
    // Prepares sql once per connection; later calls return the cached statement.
    PreparedStatement& Prepare(const std::string& sql);
    // What the system tables say; forgotten when the connection closes.
    TCatalogue& Catalogue();

private:
    friend class TIBCTransaction;
    friend class TIBCWorkUnit;
    void EndWork(bool commit); // the common path of AutoCommit and AutoRollback
    void Register(TIBCTransaction* transaction);
    void Unregister(TIBCTransaction* transaction);
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string database_;
    std::string server_;
    const text::CodePage* codePage_;
    StatementObserver* observer_ = nullptr;
};

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

// A write refused because another transaction holds the row: it waited until the lock timeout
// ran out, or the other transaction changed the row and committed meanwhile (the server says
// "deadlock", "update conflicts with concurrent update" for both).
bool RowHeldByAnother(const std::exception& error);
// An embedded attach refused because another process (another embedded run, or the server)
// has the database file open: the embedded engine opens it exclusively.
bool OpenedByAnotherProcess(const std::exception& error);

// Connection module: the connection and the explicit transaction of the entry.
class TDMConnection {
public:
    TDMConnection() : IBCTransaction(IBCConnection) {}
    TIBCConnection IBCConnection;
    TIBCTransaction IBCTransaction;
};

} // namespace sollist::db
