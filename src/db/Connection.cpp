#include "db/Connection.h"

#include "common/Text.h"
#include "db/Catalogue.h"
#include "db/FbApi.h"
#include "db/Password.h"
#include "db/Statement.h"
#include "db/StatementObserver.h"

#include <algorithm>
#include <unordered_map>

namespace sollist::db {

struct TIBCConnection::Impl {
    fb::Attachment attachment;
    fb::Transaction transaction; // the default transaction
    std::unordered_map<std::string, std::unique_ptr<PreparedStatement>> statements;
    int openResultSets = 0;
    TCatalogue catalogue;
    std::vector<TIBCTransaction*> explicitTransactions;
    // The unit of work open on the connection: its writes wait for its commit.
    bool inUnit = false;
    bool unitWritten = false;    // a write waits for the unit's commit
    bool unitRolledBack = false; // a failed write rolled the unit's writes back

    explicit Impl(TIBCConnection& connection) : catalogue(connection) {}
};

TIBCConnection::TIBCConnection()
    : impl_(std::make_unique<Impl>(*this)), codePage_(&text::CodePage::Windows1252()) {}

TIBCConnection::~TIBCConnection() { Close(); }

void TIBCConnection::SetDatabase(const std::string& database) {
    Close();
    database_ = text::Trim(database);
}

void TIBCConnection::SetCodePage(const text::CodePage& codePage) {
    Close(); // prepared statements know the code page of their columns
    codePage_ = &codePage;
}

std::string TIBCConnection::ConnectString() const {
    return server_.empty() ? database_ : server_ + ":" + database_;
}

bool TIBCConnection::Connected() const { return static_cast<bool>(impl_->attachment); }

void TIBCConnection::Connect() {
    if (Connected())
        return;
    fb::AttachOptions options;
    options.user = Username;
    options.processName = ProcessName;
    // Without a server the file itself, never a server that happens to run on this machine.
    options.fileOnly = server_.empty();
    if (!server_.empty()) // the embedded engine checks no password
        options.password = LookupPassword();
    impl_->attachment = fb::Attach(ConnectString(), options);
}

void TIBCConnection::Close() {
    for (TIBCTransaction* transaction : std::vector(impl_->explicitTransactions)) transaction->Abandon();
    impl_->statements.clear();  // statements are freed before the detach
    impl_->transaction.reset(); // work not auto-committed is rolled back
    impl_->attachment.reset();
    impl_->openResultSets = 0;
    impl_->catalogue.Forget();
}

void TIBCConnection::CancelOperation() {
    if (!Connected())
        return;
    fb::Cancel(impl_->attachment.get());
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

void TIBCConnection::AutoCommit() {
    if (impl_->inUnit) {
        impl_->unitWritten = true;
        return;
    }
    EndWork(true);
}

void TIBCConnection::AutoRollback() {
    if (impl_->inUnit) {
        impl_->unitRolledBack = true;
        impl_->unitWritten = false;
    }
    EndWork(false);
}

void TIBCConnection::CommitDefinition() {
    if (impl_->inUnit && impl_->unitWritten)
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

void TIBCConnection::ResultSetOpened() { ++impl_->openResultSets; }

void TIBCConnection::ResultSetClosed() {
    if (impl_->openResultSets > 0)
        --impl_->openResultSets;
}

PreparedStatement& TIBCConnection::Prepare(const std::string& sql) {
    auto found = impl_->statements.find(sql);
    if (found != impl_->statements.end())
        return *found->second;
    auto statement = std::make_unique<PreparedStatement>(*this, sql);
    return *impl_->statements.emplace(sql, std::move(statement)).first->second;
}

TCatalogue& TIBCConnection::Catalogue() { return impl_->catalogue; }

void TIBCConnection::Register(TIBCTransaction* transaction) {
    impl_->explicitTransactions.push_back(transaction);
}

void TIBCConnection::Unregister(TIBCTransaction* transaction) {
    auto& list = impl_->explicitTransactions;
    list.erase(std::remove(list.begin(), list.end(), transaction), list.end());
}

TIBCWorkUnit::TIBCWorkUnit(TIBCConnection& connection) : connection_(connection) {
    TIBCConnection::Impl& d = *connection_.impl_;
    if (d.inUnit)
        throw EDatabaseError("A unit of work is already open");
    // Work done before the unit is not the unit's: it was committed as it was made.
    d.inUnit = true;
    d.unitWritten = false;
    d.unitRolledBack = false;
}

TIBCWorkUnit::~TIBCWorkUnit() {
    if (!open_)
        return;
    TIBCConnection::Impl& d = *connection_.impl_;
    d.inUnit = false;
    if (d.unitWritten && d.transaction) {
        try {
            connection_.EndWork(false);
        } catch (...) { // NOLINT(bugprone-empty-catch): the error on its way out says more
        }
    }
}

void TIBCWorkUnit::Commit() {
    TIBCConnection::Impl& d = *connection_.impl_;
    open_ = false;
    d.inUnit = false;
    if (d.unitRolledBack)
        throw EDatabaseError("The unit of work was rolled back by a failed write");
    if (d.unitWritten)
        connection_.EndWork(true);
}

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

namespace {
bool HasCode(const std::exception& error, std::intptr_t code) {
    const auto* own = dynamic_cast<const EIBCError*>(&error);
    return own != nullptr && own->HasCode(code);
}
} // namespace

bool RowHeldByAnother(const std::exception& error) {
    return HasCode(error, isc_update_conflict) || HasCode(error, isc_lock_timeout) ||
           HasCode(error, isc_lock_conflict);
}

bool OpenedByAnotherProcess(const std::exception& error) { return HasCode(error, isc_already_opened); }

} // namespace sollist::db
