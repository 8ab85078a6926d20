#include "db/Connection.h"

#include "common/Text.h"
#include "db/Catalogue.h"
#include "db/DbErrors.h"
#include "db/FbApi.h"
#include "db/StatementCache.h"
#include "db/StatementObserver.h"
#include "db/Transaction.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace sollist::db {

struct TIBCCanceller::Impl {
    // The attachments that cancel, by the connect string of the database they watch.
    std::map<std::string, fb::Attachment> monitors;
};

struct TIBCConnection::Impl {
    fb::Attachment attachment;
    std::int64_t attachmentId = 0; // through a server: what the monitor cancels
    std::mutex cancelling;         // guards canceller
    TIBCCanceller canceller;       // its own, for CancelOperation
    fb::Transaction transaction;   // the default transaction
    fb::Transaction readView;      // while a read view is open
    TStatementCache statements;
    int openResultSets = 0;
    TCatalogue catalogue;
    std::vector<TIBCTransaction*> explicitTransactions;

    explicit Impl(TIBCConnection& connection) : catalogue(connection) {}
};

TIBCConnection::TIBCConnection()
    : impl_(std::make_unique<Impl>(*this)), codePage_(&text::CodePage::Windows1252()) {}

TIBCConnection::~TIBCConnection() { Close(); }

void TIBCConnection::SetDatabase(const std::string& database) {
    Close();
    database_ = text::Trim(database);
}

TConnectionSettings TIBCConnection::Settings() const {
    return {.Database = database_,
            .Server = server_,
            .Username = Username,
            .Password = Password,
            .ProcessName = ProcessName,
            .LockTimeout = LockTimeout,
            .CodePage = codePage_};
}

void TIBCConnection::Use(const TConnectionSettings& settings) {
    SetDatabase(settings.Database);
    SetServer(settings.Server);
    SetCodePage(settings.CodePage != nullptr ? *settings.CodePage : text::CodePage::Windows1252());
    Username = settings.Username;
    Password = settings.Password;
    ProcessName = settings.ProcessName;
    LockTimeout = settings.LockTimeout;
}

void TIBCConnection::SetCodePage(const text::CodePage& codePage) {
    Close(); // prepared statements know the code page of their columns
    codePage_ = &codePage;
}

std::string TIBCConnection::ConnectString() const {
    return server_.empty() ? database_ : server_ + ":" + database_;
}

bool TIBCConnection::Connected() const { return static_cast<bool>(impl_->attachment); }

namespace {
fb::AttachOptions AttachOptionsOf(const TIBCConnection& connection, const std::string& processName) {
    fb::AttachOptions options;
    options.user = connection.Username;
    options.processName = processName;
    // Without a server the file itself, never a server that happens to run on this machine.
    options.fileOnly = connection.Server().empty();
    if (!connection.Server().empty()) // the embedded engine checks no password
        options.password = connection.Password;
    return options;
}
} // namespace

void TIBCConnection::Connect() {
    if (Connected())
        return;
    impl_->attachment = fb::Attach(ConnectString(), AttachOptionsOf(*this, ProcessName));
    if (!server_.empty())
        impl_->attachmentId = fb::AttachmentId(impl_->attachment.get());
}

void TIBCConnection::Close() {
    {
        const std::lock_guard lock(impl_->cancelling);
        impl_->canceller.Close();
    }
    for (TIBCTransaction* transaction : std::vector(impl_->explicitTransactions)) transaction->Abandon();
    impl_->statements.Clear();  // statements are freed before the detach
    impl_->readView.reset();    // it wrote nothing lasting
    impl_->transaction.reset(); // work not auto-committed is rolled back
    impl_->attachment.reset();
    impl_->openResultSets = 0;
    impl_->catalogue.Forget();
}

void TIBCConnection::CancelOperation() {
    const std::lock_guard lock(impl_->cancelling);
    impl_->canceller.Cancel({this});
}

TIBCCanceller::TIBCCanceller() : impl_(std::make_unique<Impl>()) {}
TIBCCanceller::~TIBCCanceller() = default;

void TIBCCanceller::Close() { impl_->monitors.clear(); }

// Through a server the cancel does not travel on the connection itself: a cancel sent while the
// run sends its next statement can make the server lose that statement, and the run then waits
// for an answer forever (seen with Firebird 3.0.11 under load). A second attachment of the same
// user cancels the running statements through the monitoring tables instead; it touches nothing
// when none runs, so callers that must stop the run repeat the cancel.
void TIBCCanceller::Cancel(const std::vector<TIBCConnection*>& connections) { Cancel(Take(connections)); }

TIBCCanceller::TTargets TIBCCanceller::Take(const std::vector<TIBCConnection*>& connections) {
    TTargets targets;
    for (TIBCConnection* connection : connections) {
        if (!connection->Connected())
            continue;
        if (connection->Server().empty()) {
            fb::Cancel(connection->impl_->attachment.get());
            continue;
        }
        const std::string connectString = connection->ConnectString();
        auto database =
            std::find_if(targets.Databases.begin(), targets.Databases.end(),
                         [&](const TTargets::TDatabase& d) { return d.ConnectString == connectString; });
        if (database == targets.Databases.end())
            database = targets.Databases.insert(
                targets.Databases.end(), {connectString, connection->Username, connection->Password, {}});
        database->Ids.push_back(connection->impl_->attachmentId);
    }
    return targets;
}

void TIBCCanceller::Cancel(const TTargets& targets) {
    for (const TTargets::TDatabase& database : targets.Databases) {
        fb::Attachment& monitor = impl_->monitors[database.ConnectString];
        try {
            if (!monitor) { // no process name: not counted as a run
                fb::AttachOptions options;
                options.user = database.Username;
                options.password = database.Password;
                monitor = fb::Attach(database.ConnectString, options);
            }
            fb::CancelThroughMonitor(monitor.get(), database.Ids);
        } catch (const EIBCError&) {
            monitor.reset(); // the next cancel attaches afresh
        }
    }
}

Firebird::IAttachment* TIBCConnection::Attachment() {
    Connect();
    return impl_->attachment.get();
}

Firebird::ITransaction* TIBCConnection::DefaultTransaction() {
    if (!impl_->transaction)
        impl_->transaction = fb::StartReadCommitted(Attachment(), fb::Access::ReadWrite, LockTimeout);
    return impl_->transaction.get();
}

Firebird::ITransaction* TIBCConnection::StatementTransaction() {
    if (refused_)
        throw EIBCError("operation was cancelled (the run is stopping)", isc_cancelled);
    return impl_->readView ? impl_->readView.get() : DefaultTransaction();
}

void TIBCConnection::AutoCommit() {
    if (unit_.open) {
        unit_.written = true;
        return;
    }
    EndWork(true);
}

void TIBCConnection::AutoRollback() {
    if (unit_.open) {
        unit_.rolledBack = true;
        unit_.written = false;
    }
    EndWork(false);
}

void TIBCConnection::CommitDefinition() {
    if (unit_.open && unit_.written)
        throw EDatabaseError("A definition cannot be committed inside a unit of work with writes");
    EndWork(true);
}

void TIBCConnection::EndWork(bool commit) {
    if (!impl_->transaction)
        return;
    // A full commit or rollback would kill the cursors still fetching.
    const bool retaining = impl_->openResultSets > 0;
    if (observer_)
        observer_->Ended(commit, retaining);
    if (retaining) {
        fb::Status status;
        if (commit)
            impl_->transaction->commitRetaining(&status);
        else
            impl_->transaction->rollbackRetaining(&status);
    } else if (commit) {
        fb::Commit(impl_->transaction);
    } else {
        fb::Rollback(impl_->transaction);
    }
}

void TIBCConnection::BeginReadView() {
    if (impl_->readView)
        throw EDatabaseError("A read view is already open");
    impl_->readView = fb::StartReadOnlySnapshot(Attachment());
}

void TIBCConnection::EndReadView() {
    if (!impl_->readView)
        return;
    fb::Transaction view; // closed whatever the commit says: on failure its handle rolls it back
    view.reset(impl_->readView.get());
    impl_->readView.forget();
    fb::Commit(view);
}

void TIBCConnection::ResultSetOpened() { ++impl_->openResultSets; }

void TIBCConnection::ResultSetClosed() {
    if (impl_->openResultSets > 0)
        --impl_->openResultSets;
}

PreparedStatement& TIBCConnection::Prepare(const std::string& sql) {
    return impl_->statements.Prepare(*this, sql);
}

TCatalogue& TIBCConnection::Catalogue() { return impl_->catalogue; }

void TIBCConnection::Register(TIBCTransaction* transaction) {
    impl_->explicitTransactions.push_back(transaction);
}

void TIBCConnection::Unregister(TIBCTransaction* transaction) {
    auto& list = impl_->explicitTransactions;
    list.erase(std::remove(list.begin(), list.end(), transaction), list.end());
}

} // namespace sollist::db
