#pragma once
// A database connection (the entry's, or a worker's) and its default auto-commit transaction.
// Beside it: the explicit transaction of the entry (Transaction.h), the unit of work
// (WorkUnit.h), the read view (ReadView.h), the statement cache (StatementCache.h), the
// connection module of the entry (DMConnection.h).
#include <atomic>
#include <cstdint>
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

class PreparedStatement; // db/Statement.h
class StatementObserver;
class TCatalogue;
class TIBCTransaction;

// Where and how a connection attaches, as one value: the entry reads it once, and every further
// connection of the run is made from a copy of it.
struct TConnectionSettings {
    std::string Database;
    std::string Server; // empty: the embedded engine
    std::string Username = "TARVEX";
    // The password of an attach through a server; the embedded engine checks none.
    std::string Password;
    // The process name the server shows (MON$REMOTE_PROCESS); empty: the executable's path.
    std::string ProcessName;
    // Seconds a write waits for a row another transaction holds; 0 waits without limit.
    unsigned LockTimeout = 0;
    const text::CodePage* CodePage = nullptr; // texts of character set NONE; null: Windows-1252
};

class TIBCConnection {
public:
    TIBCConnection();
    ~TIBCConnection();
    TIBCConnection(const TIBCConnection&) = delete;
    TIBCConnection& operator=(const TIBCConnection&) = delete;

    // The definition of the business system's connection. Nothing reads ClientLibrary and Port,
    // and the settings leave them out: the client library is linked when the program is built,
    // and the port is the server's default, which the connection string leaves out.
    std::string ClientLibrary = "libfbclient.so.2";
    std::string Port = "3050";
    std::string Username = "TARVEX";
    // The password of an attach through a server (the entry looks it up); the embedded engine
    // checks none and is not given it.
    std::string Password;
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
    // All of the above as one value, and set from one (disconnecting first).
    TConnectionSettings Settings() const;
    void Use(const TConnectionSettings& settings);
    // "Server:Database", or Database alone for the embedded engine (empty Server).
    std::string ConnectString() const;

    void Connect(); // raises EIBCError
    void Close();
    bool Connected() const;
    // From another thread: the statement running on the connection fails with EIBCError
    // ("operation was cancelled"). When none runs, the embedded engine cancels the next one and
    // a server nothing: to stop what the connection does, repeat it. Connect and Close must not
    // run meanwhile. TIBCCanceller does the same for many connections at once.
    void CancelOperation();
    // From another thread, for a stop: from now on every statement of the connection fails at
    // once, before it reaches the server, with EIBCError "operation was cancelled". A statement
    // that runs is not touched: cancel it as well. Reaches a connection busy with the program's
    // own work between two statements, which a cancel on the server cannot.
    void RefuseStatements() { refused_ = true; }

    // A hook on every statement and default-transaction end of this connection (the floor
    // benchmark records a run through it); null by default, set only while nothing runs.
    void SetStatementObserver(StatementObserver* observer) { observer_ = observer; }
    StatementObserver* Observer() const { return observer_; }

    // --- used by the data objects ---
    Firebird::IAttachment* Attachment();
    // The default transaction, started when none is running.
    Firebird::ITransaction* DefaultTransaction();
    // The transaction a statement runs in: the read view's while one is open (ReadView.h),
    // else the default transaction.
    Firebird::ITransaction* StatementTransaction();
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
    friend class TIBCCanceller;
    friend class TIBCWorkUnit;
    friend class TIBCReadView;
    void EndWork(bool commit); // the common path of AutoCommit and AutoRollback
    void BeginReadView();      // EDatabaseError when one is open
    void EndReadView();        // commits it; nothing when none is open
    void Register(TIBCTransaction* transaction);
    void Unregister(TIBCTransaction* transaction);
    struct Impl;
    std::unique_ptr<Impl> impl_;
    // The unit of work open on the connection: its writes wait for its commit.
    struct UnitState {
        bool open = false;
        bool written = false;    // a write waits for the unit's commit
        bool rolledBack = false; // a failed write rolled the unit's writes back
    } unit_;
    std::string database_;
    std::string server_;
    const text::CodePage* codePage_;
    StatementObserver* observer_ = nullptr;
    std::atomic<bool> refused_{false};
};

// Cancels what runs on connections, from another thread, as TIBCConnection::CancelOperation does
// for one: through a server on an attachment of its own (opened at the first cancel, one per
// database), all the connections to a database in one statement, so that a run on many workers
// stops as fast as a run on one. Connect and Close of the connections must not run meanwhile.
class TIBCCanceller {
public:
    TIBCCanceller();
    ~TIBCCanceller();
    TIBCCanceller(const TIBCCanceller&) = delete;
    TIBCCanceller& operator=(const TIBCCanceller&) = delete;

    // Failures are ignored: the next call tries again on a fresh attachment.
    void Cancel(const std::vector<TIBCConnection*>& connections);

    // Cancel in two steps, so that whoever keeps the connections from closing need not do so
    // while a server answers: Take cancels the embedded ones and notes the others' attachments
    // (the connections must not close meanwhile); Cancel then cancels those through the server,
    // whatever the connections do meanwhile.
    struct TTargets {
        struct TDatabase {
            std::string ConnectString, Username, Password;
            std::vector<std::int64_t> Ids;
        };
        std::vector<TDatabase> Databases;
    };
    TTargets Take(const std::vector<TIBCConnection*>& connections);
    void Cancel(const TTargets& targets);
    // Detaches the attachments it cancels through.
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sollist::db
